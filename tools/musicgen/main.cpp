// Makes the six library music tracks: seamless loops of whole four-bar cycles over each track's
// bar roots, so that the musical click and typing cues stay on the roots however often the music
// repeats. Usage: sablewick_musicgen <output folder>
#include "AacFile.h"
#include "Composer.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QDir>
#include <QString>

#include <cstdio>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

using namespace sablewick;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    av_log_set_level(AV_LOG_QUIET);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    constexpr int rate = 48000;
    constexpr int bitRate = 160000;

    std::mutex failureLock;
    std::vector<std::string> failures;
    std::vector<std::thread> workers;
    for (const MusicChoice track : Music::library) {
        workers.emplace_back([&, track] {
            const QString path = QDir(folder).filePath(Music::trackFileName(track) + ".m4a");
            try {
                musicgen::writeAacFile(musicgen::compose(track, rate), path.toStdString(), bitRate);
            } catch (const std::exception& error) {
                const std::lock_guard guard(failureLock);
                failures.push_back(path.toStdString() + ": " + error.what());
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    for (const std::string& failure : failures)
        std::fprintf(stderr, "%s\n", failure.c_str());
    return failures.empty() ? 0 : 1;
}

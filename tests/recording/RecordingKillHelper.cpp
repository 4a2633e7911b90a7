// Records the display of the private X server until a number of frames is captured and the movie
// holds its first complete fragment, says so, then waits to be killed: what a crash or a SIGKILL
// in the middle of a recording leaves.
// Usage: recording_kill_helper <movie path> <frames>
// Or, with the whole recorder (its clicks, typing and pointer path too):
//        recording_kill_helper --recorder <recordings folder>
// which says "recording <movie path> <time zero on the monotonic clock>" once the capture runs,
// then "fragment" once the movie on the disk holds its first complete fragment.
#include "media/ScreenRecording.h"
#include "platform/DisplayList.h"
#include "recording/Recorder.h"
#include "recording/X11CaptureBackend.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

namespace {

// Whether the file's top-level boxes include a fragment (a moof) followed by all of its media
// data. The encoder may run well behind the capture on a busy machine, so a count of captured
// frames alone says nothing about what has reached the disk.
bool holdsACompleteFragment(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    file.seekg(0, std::ios::end);
    const std::uint64_t length = static_cast<std::uint64_t>(file.tellg());
    std::uint64_t at = 0;
    bool sawFragment = false;
    while (at + 8 <= length) {
        unsigned char header[16];
        file.seekg(static_cast<std::streamoff>(at));
        if (!file.read(reinterpret_cast<char*>(header), 8))
            return false;
        std::uint64_t size = (std::uint64_t{header[0]} << 24) | (std::uint64_t{header[1]} << 16) |
                             (std::uint64_t{header[2]} << 8) | header[3];
        if (size == 1) {
            if (at + 16 > length || !file.read(reinterpret_cast<char*>(header + 8), 8))
                return false;
            size = 0;
            for (int i = 8; i < 16; ++i)
                size = (size << 8) | header[i];
        }
        if (size < 8 || at + size > length)
            return false;  // a box still being written
        if (std::memcmp(header + 4, "moof", 4) == 0)
            sawFragment = true;
        else if (sawFragment && std::memcmp(header + 4, "mdat", 4) == 0)
            return true;
        at += size;
    }
    return false;
}

int runRecorder(int argc, char** argv)
{
    using namespace sablewick;
    QCoreApplication app(argc, argv);
    X11CaptureBackend backend;
    Recorder recorder(backend, QString::fromLocal8Bit(argv[2]));
    recorder.start(RecordingOptions{}, [&](bool ok) {
        if (!ok) {
            std::fprintf(stderr, "%s\n", qPrintable(recorder.notice().value_or(QString())));
            QCoreApplication::exit(1);
            return;
        }
        const QByteArray movie = recorder.moviePath().value_or(QString()).toLocal8Bit();
        std::printf("recording %s %.6f\n", movie.constData(), recorder.timeZero());
        std::fflush(stdout);
        auto* watch = new QTimer(&app);
        QObject::connect(watch, &QTimer::timeout, watch, [watch, movie] {
            if (!holdsACompleteFragment(movie.constData()))
                return;
            watch->stop();
            std::printf("fragment\n");
            std::fflush(stdout);
        });
        watch->start(20);
    });
    return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace sablewick;
    if (argc == 3 && std::strcmp(argv[1], "--recorder") == 0)
        return runRecorder(argc, argv);
    if (argc != 3)
        return 2;
    const DisplayLayout layout = DisplayList::current();
    ScreenRecordingSettings settings;
    settings.area = layout.main()->geometry;
    settings.pixelSize = settings.area.size();
    settings.path = argv[1];
    settings.systemAudio = true;
    ScreenRecording recording(settings, {});
    const long frames = std::strtol(argv[2], nullptr, 10);
    while (recording.framesCaptured() < frames || !holdsACompleteFragment(argv[1]))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::printf("captured %lld\n", static_cast<long long>(recording.framesCaptured()));
    std::fflush(stdout);
    while (true)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

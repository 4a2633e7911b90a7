// Makes the background pictures that ship with the application: the pre-rendered picture of every
// gradient preset (drawn by the renderer's own gradient code, so the picture and the drawn gradient
// agree) and the built-in artwork. Run by the build; writes into the folder given as its argument.
#include "Artwork.h"

#include "document/BackgroundArtwork.h"
#include "document/BackgroundPreset.h"
#include "rendering/GradientPainter.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>

#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace {

constexpr QSize kPictureSize(2560, 1440);
constexpr int kJpegQuality = 92;

bool writeJpeg(const QImage& image, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, "jpg");
    writer.setQuality(kJpegQuality);
    writer.setOptimizedWrite(true);
    if (!writer.write(image.convertToFormat(QImage::Format_RGB32)))
        return false;
    return file.commit();
}

}  // namespace

int main(int argc, char** argv)
{
    // Painting needs no display; the offscreen platform keeps the tool runnable on build machines.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    struct Job {
        QString name;
        std::function<QImage()> paint;
    };
    // The artwork takes longest, so it starts first.
    std::vector<Job> jobs;
    for (sablewick::BackgroundArtwork artwork : sablewick::EnumCases<sablewick::BackgroundArtwork>::cases)
        jobs.push_back({sablewick::Artwork::filename(artwork),
                        [artwork] { return sablewick::assetgen::paintArtwork(artwork, kPictureSize); }});
    for (const sablewick::BackgroundPreset& preset : sablewick::BackgroundPreset::all())
        jobs.push_back({QStringLiteral("gradient-") + preset.id,
                        [preset] { return sablewick::paintPresetGradient(kPictureSize, preset); }});

    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        for (size_t i = next++; i < jobs.size(); i = next++) {
            const QString path = folder.filePath(jobs[i].name + QStringLiteral(".jpg"));
            if (!writeJpeg(jobs[i].paint(), path)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                failed = true;
            }
        }
    };
    std::vector<std::thread> workers;
    const unsigned count = std::max(1u, std::min(std::thread::hardware_concurrency(), 16u));
    for (unsigned i = 0; i < count; ++i)
        workers.emplace_back(work);
    for (std::thread& worker : workers)
        worker.join();
    return failed ? 1 : 0;
}

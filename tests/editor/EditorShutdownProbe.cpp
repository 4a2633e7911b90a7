// A program of its own: what it checks is what happens as the application object is destroyed,
// which a test program cannot do to its own. Opens a movie whose thumbnails take long to read,
// and with "export" also starts an export that runs until it is cancelled, then destroys the
// application object, the model either already gone or still alive ("keep-model"). Exits 0 when
// no worker of the model was still running once the application object had gone.
#include "EditorTestSupport.h"

#include "rendering/ExportJob.h"

#include <QApplication>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sablewick::test {
namespace {

std::atomic<int> running{0};
std::atomic<bool> started{false};

// Counts the workers inside our code; what they do is what the real ones do: scale pictures.
struct Busy {
    Busy() { ++running; }
    ~Busy() { --running; }
};

class SlowReader final : public ThumbnailReader {
public:
    QImage frameAt(double, QSize maxSize) override
    {
        const Busy busy;
        started = true;
        QThread::msleep(150);  // a long decode, the state in which the application ended
        QImage frame(1280, 720, QImage::Format_RGB32);
        frame.fill(Qt::darkCyan);
        return frame.scaled(maxSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
};

class SlowInspector final : public MovieInspector {
public:
    bool inspect(const QString&, MovieMetadata* metadata, QString*) override
    {
        metadata->duration = 2;
        metadata->videoTracks = 1;
        metadata->displaySize = QSizeF(1280, 720);
        return true;
    }
    std::unique_ptr<ThumbnailReader> openThumbnails(const QString&) override { return std::make_unique<SlowReader>(); }
};

int run(int argc, char** argv)
{
    bool keepModel = false, exporting = false;
    for (int i = 1; i < argc; ++i) {
        keepModel = keepModel || std::strcmp(argv[i], "keep-model") == 0;
        exporting = exporting || std::strcmp(argv[i], "export") == 0;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    auto* application = new QApplication(argc, argv);

    SlowInspector inspector;
    auto bench = std::make_unique<EditorBench>();
    bench->services.movies = &inspector;
    bench->services.exportRunner = [](const ExportRequest& request, const std::function<void(double)>&) {
        const Busy busy;
        while (!request.job->isCancelled())
            QThread::msleep(5);
        return ExportOutcome{ExportOutcome::Status::cancelled, {}};
    };
    const QString movie = bench->path(QStringLiteral("clip.mp4"));
    QFile file(movie);
    if (!file.open(QIODevice::WriteOnly))
        return 2;
    file.close();
    std::optional<bool> opened;
    bench->model().document().open(QUrl::fromLocalFile(movie), std::nullopt, [&](bool ok) { opened = ok; });
    if (!waitUntil([&] { return opened.has_value() && started; }) || !*opened) {
        std::fprintf(stderr, "the movie did not open\n");
        return 2;
    }
    if (exporting)
        bench->model().exporter().export_(QUrl::fromLocalFile(bench->path(QStringLiteral("out.mp4"))), ExportOptions{});
    if (!keepModel)
        bench->destroyModel();

    delete application;
    const int left = running.load();
    bench.reset();
    if (left != 0) {
        std::fprintf(stderr, "%d worker(s) still running after the application object had gone\n", left);
        std::_Exit(1);  // a worker that never ends would hold up the exit as well
    }
    return 0;
}

}  // namespace
}  // namespace sablewick::test

int main(int argc, char** argv) { return sablewick::test::run(argc, argv); }

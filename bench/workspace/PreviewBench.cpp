// What the live preview does on the main thread for every frame while a movie plays: compose the
// player's decoded picture (opaque RGB32) at the preview's pixel size with the edit's composer,
// then paint it into the window's backing image. The player's picture comes at the recording's
// size (third argument 0, as before the preview asked for less) or, as the preview now asks, scaled
// on the decode thread to the size the view and the edit's strongest zoom can show (1). Making the composer is not
// counted: the preview makes it on a worker when the edit or the view size changes.
//
// The edit has three zooms over a 10-second movie and the frames walk through all of them, so
// frames at rest, zooming in, held and zooming out all appear. Sizes: 1080p and 2160p sources
// into the preview of a 1380 x 900 window (a 16:9 card of about 1000 x 563 pixels) and, for a
// large window, 1600 x 900. The goal: under 8 ms a frame from 1080p and under 12 ms from 2160p.
#include "media/VideoFrameSource.h"
#include "rendering/Compositor.h"
#include "rendering/FrameComposer.h"

#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <vector>

namespace sablewick {
namespace {

// A screen-like recording frame: panels, lines of text-like blocks and a photo-like gradient,
// shifted a little per frame so that no two frames are alike.
QImage screenFrame(QSize size, int index)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(236, 238, 242));
    QPainter p(&image);
    const double u = size.height() / 1080.0;
    p.fillRect(QRectF(0, 0, size.width(), 28 * u), QColor(30, 30, 34));
    p.fillRect(QRectF(0, 28 * u, 260 * u, size.height()), QColor(222, 226, 232));
    for (int line = 0; line < 40; ++line)
        for (int word = 0; word < 12; ++word)
            p.fillRect(QRectF((300 + word * 70 + (index + line) % 9) * u, (60 + line * 24) * u, 56 * u, 10 * u),
                       QColor(60, 64, 72));
    QLinearGradient photo(0, 0, 400 * u, 300 * u);
    photo.setColorAt(0, QColor(40, 120, 200));
    photo.setColorAt(1, QColor(240, 160, 60));
    p.fillRect(QRectF(size.width() - 520 * u, 80 * u + index % 20, 400 * u, 300 * u), photo);
    return image;
}

void previewFrame(benchmark::State& state)
{
    const QSize source(int(state.range(0)), int(state.range(0)) * 9 / 16);
    const QSize preview(int(state.range(1)), int(state.range(1)) * 9 / 16);
    EditSettings settings;
    settings.trimEnd = 10;
    std::vector<FocusPoint> events;
    for (double start : {1.0, 4.0, 7.0})
        events.push_back({QUuid::createUuid(), start, 0.3 + start / 20, 0.6, FocusKind::click});
    Scene scene;
    scene.settings = settings;
    scene.focusPoints = events;
    const auto composer = Compositor::make(scene, preview);
    const QSize delivered = state.range(2) ? VideoFrameSource::outputSizeFor(
                                                 Compositor::detailSize(source, preview, settings, events), source)
                                           : source;
    std::vector<QImage> frames;
    for (int i = 0; i < 8; ++i)
        frames.push_back(screenFrame(source, i).scaled(delivered, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    state.SetLabel(QStringLiteral("picture %1 x %2").arg(delivered.width()).arg(delivered.height()).toStdString());
    QImage target;
    composer->compose(frames[0], source, 0, target);
    QImage window(preview, QImage::Format_ARGB32_Premultiplied);
    int index = 0;
    for (auto _ : state) {
        const double time = (index % 600) / 60.0;
        composer->compose(frames[size_t(index % int(frames.size()))], source, time, target);
        QPainter painter(&window);
        painter.drawImage(QRect(QPoint(0, 0), preview), target);
        painter.end();
        benchmark::DoNotOptimize(window.constBits());
        ++index;
    }
}
BENCHMARK(previewFrame)
    ->ArgsProduct({{1920, 3840}, {1000, 1600}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace sablewick

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

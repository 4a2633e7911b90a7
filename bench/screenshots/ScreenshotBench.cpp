// The screenshot paths at 3840 x 2160, as the product runs them:
// - DisplayCaptureToPng: a display capture of a 4K X screen showing screen-like content (window
//   chrome, text, photos), from the root-window grab through PNG encoding to the atomic write.
//   Needs an X server of at least 3840 x 2160 (run.sh starts one).
// - RenderToPng: a 3840 x 2160 screenshot with twenty marks of every kind on a blurred picture
//   background, rendered at full size and encoded as PNG, as an image export does.
// - PreviewAfterEdit: the preview render that follows one edit of that screenshot (a mark moved),
//   at the preview's size, with the canvas kept from the previous render as the model keeps it.
//   The aim is under 16 ms, so that previews follow a drag.
#include "platform/AtomicFile.h"
#include "rendering/ExportJob.h"
#include "screenshots/ScreenshotModel.h"
#include "screenshots/ScreenshotRenderer.h"
#include "screenshots/X11Screen.h"

#include "ScreenLikeImage.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QWidget>

#include <benchmark/benchmark.h>

namespace sablewick {
namespace {

constexpr QSize kScreen(3840, 2160);
using bench::screenLike;

std::vector<ScreenshotAnnotation> twentyMarks()
{
    const ScreenshotTool tools[] = {ScreenshotTool::arrow,   ScreenshotTool::line,   ScreenshotTool::rectangle,
                                    ScreenshotTool::ellipse, ScreenshotTool::text,   ScreenshotTool::number,
                                    ScreenshotTool::highlight, ScreenshotTool::pixelate};
    std::vector<ScreenshotAnnotation> marks;
    for (int i = 0; i < 20; ++i) {
        ScreenshotAnnotation mark;
        mark.tool = tools[i % 8];
        mark.x = 0.05 + 0.04 * i;
        mark.y = 0.1 + 0.03 * i;
        mark.endX = mark.x + 0.12;
        mark.endY = mark.y + 0.1;
        mark.color = 0xFF3B30;
        mark.weight = 4;
        mark.text = mark.tool == ScreenshotTool::number ? QString::number(i) : QStringLiteral("Click here");
        marks.push_back(mark);
    }
    return marks;
}

struct Edit {
    QTemporaryDir dir;
    QImage source = screenLike(kScreen);
    EditSettings settings;
    std::vector<ScreenshotAnnotation> marks = twentyMarks();

    Edit()
    {
        const QString picture = dir.filePath(QStringLiteral("Background.jpg"));
        screenLike(QSize(1920, 1080)).save(picture);
        settings.aspect = AspectRatio::auto_;
        settings.sourceAspectWidth = kScreen.width();
        settings.sourceAspectHeight = kScreen.height();
        settings.backgroundKind = BackgroundKind::image;
        settings.backgroundImageURL = QUrl::fromLocalFile(picture);
        settings.backgroundBlur = 24;
    }
};

Edit& edit()
{
    static Edit shared;
    return shared;
}

void DisplayCaptureToPng(benchmark::State& state)
{
    QRect root;
    try {
        root = X11Screen::rootRect();
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    if (root.width() < kScreen.width() || root.height() < kScreen.height()) {
        state.SkipWithError("needs an X screen of at least 3840 x 2160 (see run.sh)");
        return;
    }
    QWidget desktop(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    desktop.setGeometry(QRect(QPoint(0, 0), kScreen));
    QPalette palette;
    palette.setBrush(QPalette::Window, QBrush(screenLike(kScreen)));
    desktop.setPalette(palette);
    desktop.setAutoFillBackground(true);
    desktop.show();
    for (int i = 0; i < 50; ++i)
        QApplication::processEvents();

    QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath(QStringLiteral("Screenshot.png")).toStdString();
    for (auto _ : state) {
        const QImage image = X11Screen::grab(QRect(QPoint(0, 0), kScreen), true);
        const QByteArray png = ScreenshotRenderer::data(image, ScreenshotFormat::png, 0.92);
        if (!writeFileAtomically(path, std::span<const char>(png.constData(), size_t(png.size()))))
            state.SkipWithError("could not write the file");
        state.counters["bytes"] = double(png.size());
    }
}

void RenderToPng(benchmark::State& state)
{
    Edit& e = edit();
    const QSize size = ScreenshotRenderer::outputSize(e.source.size(), e.settings, 1);
    for (auto _ : state) {
        ExportJob job;
        const QImage picture = ScreenshotRenderer::render(e.source, e.settings, e.marks, size, &job);
        const QByteArray png = ScreenshotRenderer::data(picture, ScreenshotFormat::png, 0.92);
        benchmark::DoNotOptimize(png.data());
    }
    state.counters["width"] = size.width();
    state.counters["height"] = size.height();
}

void PreviewAfterEdit(benchmark::State& state)
{
    Edit& e = edit();
    const QSize size = ScreenshotModel::previewSize(e.source.size(), e.settings);
    ScreenshotRenderer::CanvasCache canvas;
    std::vector<ScreenshotAnnotation> marks = e.marks;
    ScreenshotRenderer::render(e.source, e.settings, marks, size, nullptr, &canvas);  // the render before the edit
    int step = 0;
    for (auto _ : state) {
        marks[0].endX = 0.3 + 0.001 * (++step % 100);  // one mark dragged
        benchmark::DoNotOptimize(ScreenshotRenderer::render(e.source, e.settings, marks, size, nullptr, &canvas));
    }
    state.counters["width"] = size.width();
    state.counters["height"] = size.height();
}

BENCHMARK(DisplayCaptureToPng)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RenderToPng)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PreviewAfterEdit)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace sablewick

int main(int argc, char** argv)
{
    // Fonts and the grab's window need a GUI application; without a display, the offscreen one.
    if (!qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

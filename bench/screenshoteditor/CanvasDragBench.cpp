// The image editor's canvas while a mark is dragged on a 3840 x 2160 screenshot with ten marks,
// in a canvas widget of 1380 x 900 (a typical editor window), as the product runs it:
// - DragStep: one mouse move with the select tool over the grabbed mark, through the gesture, the
//   model's preview render on its worker and the canvas's paint of the new preview. Wall time is
//   the move-to-picture latency, to be within one frame (16 ms); CPU time counts every thread.
// - RepaintUnchanged: a paint of the canvas while the preview stays as it is, as each move and
//   each change of the selection outline cause before the new preview arrives.
// Both with the background an opened screenshot gets (a gradient) and with none, where the
// canvas shows the checkerboard behind the transparent picture.
#include "screenshoteditor/ImageCanvasGeometry.h"
#include "screenshoteditor/ImageCanvasView.h"
#include "screenshots/ScreenshotModel.h"

#include "ScreenLikeImage.h"
#include "screenshoteditor/AnnotationFixture.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

namespace sablewick {
namespace {

constexpr QSize kScreen(3840, 2160);
constexpr QSize kWindow(1380, 900);

// A mark of the editor's default colour and weight.
ScreenshotAnnotation mark(ScreenshotTool tool, double x, double y, double endX, double endY, QString text = {})
{
    ScreenshotAnnotation a = test::mark(tool, x, y, endX, endY, std::move(text));
    a.color = 0xF05A67;
    a.weight = 4;
    return a;
}

// Ten marks of every kind; the last, on top, is the one dragged.
std::vector<ScreenshotAnnotation> tenMarks()
{
    return {
        mark(ScreenshotTool::pixelate, 0.05, 0.05, 0.25, 0.15),
        mark(ScreenshotTool::arrow, 0.30, 0.10, 0.45, 0.30),
        mark(ScreenshotTool::line, 0.50, 0.08, 0.70, 0.12),
        mark(ScreenshotTool::ellipse, 0.75, 0.05, 0.95, 0.25),
        mark(ScreenshotTool::text, 0.06, 0.40, 0.06, 0.40, QStringLiteral("Click Save to keep it")),
        mark(ScreenshotTool::number, 0.30, 0.45, 0.30, 0.45, QStringLiteral("1")),
        mark(ScreenshotTool::number, 0.36, 0.45, 0.36, 0.45, QStringLiteral("2")),
        mark(ScreenshotTool::highlight, 0.05, 0.70, 0.40, 0.78),
        mark(ScreenshotTool::arrow, 0.80, 0.90, 0.60, 0.70),
        mark(ScreenshotTool::rectangle, 0.50, 0.45, 0.72, 0.62),
    };
}

bool waitFor(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(30000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

// The editor's canvas over a model holding the screenshot, as a user has it after opening a
// 4K PNG and marking it.
struct Canvas : QObject {
    QTemporaryDir dir;
    std::unique_ptr<ScreenshotModel> model;
    std::unique_ptr<ImageCanvasView> view;
    int settled = 0;
    int paints = 0;
    int paintsAtSettle = 0;  // paints before the last settle; the new preview's paint comes after

    explicit Canvas(BackgroundKind background)
    {
        qputenv("SABLEWICK_STATE_DIRECTORY", dir.filePath(QStringLiteral("state")).toUtf8());
        const QString path = dir.filePath(QStringLiteral("Screenshot.png"));
        bench::screenLike(kScreen).save(path);
        model = std::make_unique<ScreenshotModel>(ScreenshotModelServices{});
        connect(model.get(), &ScreenshotModel::previewSettled, this, [this] {
            ++settled;
            paintsAtSettle = paints;
        });
        // The image is read on a worker; the edit below is made on it.
        model->open(QUrl::fromLocalFile(path));
        while (model->isOpening())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        EditSettings settings = model->settings();
        settings.backgroundKind = background;
        model->setSettings(settings);
        model->setAnnotations(tenMarks());
        model->flushEdits();
        view = std::make_unique<ImageCanvasView>(*model);
        view->installEventFilter(this);
        view->resize(kWindow);
        view->show();
        // Every change above was made before the first render came back, so the first settle
        // is the preview of all of them.
        waitForPicture(0);
    }

    // Until a preview render settles after `settledBefore` of them and the canvas then paints:
    // the picture is on screen.
    bool waitForPicture(int settledBefore)
    {
        return waitFor([&] { return settled > settledBefore && paints > paintsAtSettle; });
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == view.get() && event->type() == QEvent::Paint)
            ++paints;
        return false;
    }

    QPointF at(double x, double y) const
    {
        const QRectF canvas = view->canvasRect();
        return canvas.topLeft()
               + ImageCanvasGeometry::previewRect({x, y, 0, 0}, model->sourceSize(), canvas.size(), model->settings())
                     .topLeft();
    }

    void send(QEvent::Type type, QPointF where, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, where, view->mapToGlobal(where), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view.get(), &event);
    }
};

BackgroundKind backgroundOf(const benchmark::State& state)
{
    return state.range(0) == 0 ? BackgroundKind::gradient : BackgroundKind::hidden;
}

void DragStep(benchmark::State& state)
{
    Canvas c(backgroundOf(state));
    c.view->gesture().setTool(ScreenshotTool::select);
    c.send(QEvent::MouseButtonPress, c.at(0.6, 0.5), Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        // Back and forth, so that every move changes the mark.
        const double offset = 0.02 + 0.01 * (++step % 8);
        const int settledBefore = c.settled;
        c.send(QEvent::MouseMove, c.at(0.6 + offset, 0.5 + offset / 2), Qt::LeftButton);
        const bool shown = c.waitForPicture(settledBefore);
        if (!shown) {
            state.SkipWithError("the preview never reached the canvas");
            break;
        }
    }
    c.send(QEvent::MouseButtonRelease, c.at(0.6, 0.5), Qt::NoButton);
    state.counters["preview_width"] = c.model->preview().width();
}

void RepaintUnchanged(benchmark::State& state)
{
    Canvas c(backgroundOf(state));
    for (auto _ : state)
        c.view->repaint();
}

BENCHMARK(DragStep)->Arg(0)->Arg(1)->ArgName("hidden")->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(RepaintUnchanged)->Arg(0)->Arg(1)->ArgName("hidden")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace sablewick

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// What one paint of the timeline strip costs on the main thread with the zooms a long recording
// brings: a 10-minute movie with a zoom every two seconds (300), the strip as wide as the
// workspace of a 1380-point window. Three kinds of paint:
//   PlayheadMoves: the player's clock moved, nothing else (every frame while the movie plays);
//   ZoomEdited:    one zoom changed by the inspector or an undo;
//   ZoomDragged:   one zoom moved by a drag step (every mouse move of a drag);
//   EditChanged:   a setting changed that every part of the strip shows (a trim step).
// Each paint goes through QWidget::render into an image of the strip's size, as the window's
// backing store paints it.
#include "components/StudioKit.h"
#include "editor/EditorModel.h"
#include "editor/EditorServices.h"
#include "media/PlaybackEngine.h"
#include "platform/NumericLocale.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "workspace/TimelineTrack.h"
#include "StallProbe.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <optional>

namespace sablewick {
namespace {

struct Strip {
    QTemporaryDir work;
    MemoryPreferencesStore defaults;
    std::unique_ptr<AppPreferences> preferences;
    PlaybackEngine playback;
    std::unique_ptr<EditorModel> editor;
    std::optional<QUuid> selected;
    std::unique_ptr<TimelineTrack> track;
    QImage target;

    bool make()
    {
        qputenv("SABLEWICK_STATE_DIRECTORY", work.filePath("state").toLocal8Bit());
        const QString movie = work.filePath("movie.mp4");
        QProcess ffmpeg;
        ffmpeg.start("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                "testsrc2=s=320x180:r=2:d=600", "-c:v", "libx264", "-preset", "ultrafast",
                                "-pix_fmt", "yuv420p", movie});
        if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0)
            return false;
        preferences = std::make_unique<AppPreferences>(defaults);
        installStudioKit(*preferences);
        EditorServices services = standardEditorServices(playback);
        services.defaults = &defaults;
        editor = std::make_unique<EditorModel>(services);
        std::optional<bool> opened;
        editor->document().open(QUrl::fromLocalFile(movie), std::nullopt, [&](bool ok) { opened = ok; });
        if (!spinUntil([&] { return opened.has_value(); }, 60000) || !*opened)
            return false;
        std::vector<FocusPoint> events;
        for (int i = 0; i < 300; ++i)
            events.push_back({QUuid::createUuid(), i * 2.0 + 0.25, 0.2 + (i % 7) / 10.0, 0.3 + (i % 5) / 10.0,
                              i % 3 ? FocusKind::click : FocusKind::typing, std::nullopt});
        editor->document().setEvents(events);
        editor->document().flushPendingEdits();
        selected = events[150].id;
        track = std::make_unique<TimelineTrack>(*editor, StudioBinding<std::optional<QUuid>>::to(selected),
                                                [](double) {}, [](const FocusPoint&) {});
        // Not shown: the window would paint it on its own as each change arrives, before the
        // paint measured here.
        track->resize(1300, int(TrackLayout::height));
        spinUntil([&] { return !editor->document().thumbnails().isEmpty(); }, 30000);
        spinUntil([] { return false; }, 300);
        target = QImage(track->size() * track->devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
        target.setDevicePixelRatio(track->devicePixelRatio());
        return !editor->document().thumbnails().isEmpty();
    }

    // The change's own work (the model's, the player's) is not counted: only the paint.
    void paint(benchmark::State& state)
    {
        QApplication::processEvents();
        state.ResumeTiming();
        track->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
};

Strip* strip = nullptr;

void PlayheadMoves(benchmark::State& state)
{
    double t = 0;
    for (auto _ : state) {
        state.PauseTiming();
        t = t >= 590 ? 0 : t + 1.0 / 60;
        strip->editor->playback().seek(t);
        strip->paint(state);
    }
}
BENCHMARK(PlayheadMoves)->Unit(benchmark::kMillisecond);

// A zoom's strength or length changed from the inspector, or an undo: every segment is drawn again.
void ZoomEdited(benchmark::State& state)
{
    const QUuid id = strip->editor->document().events()[150].id;
    const double start = strip->editor->document().events()[150].time;
    int step = 0;
    for (auto _ : state) {
        state.PauseTiming();
        step = (step + 1) % 4;
        strip->editor->focus().moveFocusPoint(id, start + step * 0.01);
        strip->paint(state);
    }
}
BENCHMARK(ZoomEdited)->Unit(benchmark::kMillisecond);

void send(QWidget* widget, QEvent::Type type, QPointF at)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// The selected zoom dragged by the part a press on its middle takes (on a strip this crowded,
// its grip: the zoom is made longer and shorter), two points a move.
void ZoomDragged(benchmark::State& state)
{
    const FocusPoint point = strip->editor->document().events()[150];
    const QPointF body =
        strip->track->layout().segment({point.time, strip->editor->focus().zoomLength(point.id), true}).body.center();
    send(strip->track.get(), QEvent::MouseButtonPress, body);
    bool moved = false;
    int step = 0;
    for (auto _ : state) {
        state.PauseTiming();
        step = (step + 1) % 40;
        send(strip->track.get(), QEvent::MouseMove, body + QPointF(10 + 2 * (step < 20 ? step : 40 - step), 0));
        moved = moved || !(strip->editor->document().events()[150] == point);
        strip->paint(state);
    }
    if (!moved)
        state.SkipWithError("the drag moved nothing");
    send(strip->track.get(), QEvent::MouseButtonRelease, body);
}
BENCHMARK(ZoomDragged)->Unit(benchmark::kMillisecond);

void EditChanged(benchmark::State& state)
{
    int step = 0;
    for (auto _ : state) {
        state.PauseTiming();
        step = (step + 1) % 8;
        EditSettings settings = strip->editor->document().settings();
        settings.trimStart = step * 0.05;
        strip->editor->document().setSettings(settings);
        strip->paint(state);
    }
}
BENCHMARK(EditChanged)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sablewick

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    sablewick::useCNumericLocale();
    benchmark::Initialize(&argc, argv);
    sablewick::Strip strip;
    if (!strip.make()) {
        std::fprintf(stderr, "could not open the generated movie\n");
        return 1;
    }
    sablewick::strip = &strip;
    benchmark::RunSpecifiedBenchmarks();
    sablewick::strip = nullptr;
    return 0;
}

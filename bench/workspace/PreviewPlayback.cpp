// The live preview while a recording plays, in the main window as the application builds it
// (1380 x 900, the workspace's own preview and timeline, the real player): which share of the
// movie's frames reaches the window on time, and what each frame costs the main thread; then how
// soon the window shows each step of a drag on a trim handle and on a zoom.
//
//   sablewick_preview_playback MOVIE [SECONDS] [whole]
//
// The preview asks the player for pictures scaled to what it can show; with "whole" the player is
// asked for the movie's own size again once the preview has asked, as it was before the preview
// asked at all, so that both ways can be measured under the same load.
//
// A frame counts as on time when the window has painted its composition (and, on X11, handed it
// to the server) before the player's clock reaches the next frame's time. Frames never shown
// count as late. The main thread's cost of a frame: the composition at the preview's size (the
// preview's 60 Hz tick) plus the window's repaint that puts it on screen (painting every widget
// that changed and the upload of the backing store), measured per frame.
#include "components/StudioKit.h"
#include "document/FocusPoint.h"
#include "editor/EditorModel.h"
#include "editor/EditorServices.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/StandaloneSession.h"
#include "media/PlaybackEngine.h"
#include "media/PlaybackVideoPlayer.h"
#include "platform/NumericLocale.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "workspace/PreviewCanvas.h"
#include "workspace/TimelineTrack.h"
#include "workspace/TimelineViews.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <vector>

namespace {

using namespace sablewick;

struct Figures {
    std::vector<double> values;
    void add(double value) { values.push_back(value); }
    double at(double q) const
    {
        if (values.empty())
            return 0;
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return sorted[size_t(q * double(sorted.size() - 1))];
    }
    double mean() const
    {
        double sum = 0;
        for (double v : values)
            sum += v;
        return values.empty() ? 0 : sum / double(values.size());
    }
    void print(const char* name) const
    {
        std::printf("  %-34s n %5zu  mean %6.2f  median %6.2f  p99 %6.2f  max %6.2f ms\n", name, values.size(), mean(),
                    at(0.5), at(0.99), at(1.0));
    }
};

// Watches the main thread's deliveries: the preview's compositions (a timer delivery during
// which the preview composed) and the window's repaints (its update requests).
class WatchingApplication final : public QApplication {
public:
    using QApplication::QApplication;

    QWidget* window = nullptr;
    bool composedNow = false;                 // set by the preview's frameComposed
    std::function<void(double composeMs)> onCompose;
    std::function<void(double repaintMs)> onRepaint;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (m_depth > 0 || !window)
            return QApplication::notify(receiver, event);
        const bool repaint = receiver == window && event->type() == QEvent::UpdateRequest;
        // The preview composes on its timer and on the player's new pictures (a queued call).
        const bool timer = event->type() == QEvent::Timer || event->type() == QEvent::MetaCall;
        if (!repaint && !timer)
            return QApplication::notify(receiver, event);
        ++m_depth;
        composedNow = false;
        QElapsedTimer clock;
        clock.start();
        const bool result = QApplication::notify(receiver, event);
        const double ms = clock.nsecsElapsed() / 1e6;
        --m_depth;
        if (repaint && onRepaint)
            onRepaint(ms);
        else if (timer && composedNow && onCompose)
            onCompose(ms);
        return result;
    }

private:
    int m_depth = 0;
};

void spin(int milliseconds, const std::function<bool()>& done = [] { return false; })
{
    QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 2);
}

// Drags from `from` by `steps` moves of `step` points, one every 1/60 s, and notes for each move
// that changed the edit how long until the window has repainted (a move within the drag's
// threshold or against a limit changes nothing and is not repainted).
Figures dragLatency(WatchingApplication& app, EditorModel& editor, QWidget* widget, QPointF from, QPointF step, int steps)
{
    int edits = 0;
    QObject context;
    QObject::connect(&editor.document(), &EditorDocument::settingsChanged, &context, [&] { ++edits; });
    QObject::connect(&editor.document(), &EditorDocument::eventsChanged, &context, [&] { ++edits; });
    Figures latency;
    bool repainted = false;
    app.onRepaint = [&](double) { repainted = true; };
    const auto send = [&](QEvent::Type type, QPointF at) {
        QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    };
    send(QEvent::MouseButtonPress, from);
    spin(50);
    QElapsedTimer pace;
    pace.start();
    for (int i = 1; i <= steps; ++i) {
        spin(std::max(0, int(i * 1000 / 60 - pace.elapsed())));
        QElapsedTimer clock;
        clock.start();
        repainted = false;
        const int before = edits;
        send(QEvent::MouseMove, from + step * i);
        if (edits == before)
            continue;
        spin(1000, [&] { return repainted; });
        latency.add(clock.nsecsElapsed() / 1e6);
    }
    send(QEvent::MouseButtonRelease, from + step * steps);
    spin(100);
    app.onRepaint = {};
    return latency;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MOVIE [SECONDS]\n", argv[0]);
        return 2;
    }
    WatchingApplication app(argc, argv);
    useCNumericLocale();
    const QString movie = QString::fromLocal8Bit(argv[1]);
    const double seconds = argc > 2 ? std::atof(argv[2]) : 12.0;
    const bool whole = argc > 3 && std::strcmp(argv[3], "whole") == 0;

    QTemporaryDir work;
    qputenv("SABLEWICK_STATE_DIRECTORY", work.filePath("state").toLocal8Bit());
    MemoryPreferencesStore defaults;
    AppPreferences preferences(defaults);
    installStudioKit(preferences);
    PlaybackEngine playback;
    EditorServices services = standardEditorServices(playback);
    services.defaults = &defaults;
    EditorModel editor(services);
    StandaloneSession session;
    MainWindow window({&editor, &preferences, &session, nullptr, &defaults, withPreviewAndTimeline({}, preferences)});
    window.resize(MainWindow::defaultWidth, MainWindow::defaultHeight);
    window.show();
    app.window = &window;

    std::optional<bool> opened;
    editor.document().open(QUrl::fromLocalFile(movie), std::nullopt, [&](bool ok) { opened = ok; });
    spin(60000, [&] { return opened.has_value(); });
    if (!opened.value_or(false)) {
        std::fprintf(stderr, "the movie did not open: %s\n", qPrintable(editor.notice().value_or(QString())));
        return 1;
    }
    // Three zooms, each with its own subject, spread over the part that plays.
    std::vector<FocusPoint> zooms;
    for (int i = 0; i < 3; ++i) {
        FocusPoint zoom;
        zoom.id = QUuid::createUuid();
        zoom.time = 1.0 + i * seconds / 3.5;
        zoom.x = 0.3 + 0.2 * i;
        zoom.y = 0.6 - 0.15 * i;
        zoom.kind = FocusKind::click;
        zooms.push_back(zoom);
    }
    editor.document().setEvents(zooms);
    editor.document().flushPendingEdits();
    auto* canvas = window.findChild<PreviewCanvas*>();
    auto* track = window.findChild<TimelineTrack*>();
    auto* player = dynamic_cast<PlaybackVideoPlayer*>(&editor.playback().player());
    if (!canvas || !track || !player) {
        std::fprintf(stderr, "the workspace has no preview, timeline or real player\n");
        return 1;
    }
    spin(3000, [&] { return canvas->isCurrent(); });
    spin(500);
    if (whole)
        player->requestFrameSize({});
    spin(3000, [&] { return !player->isSeeking() && canvas->isCurrent(); });

    const double interval = 1.0 / 60;
    Figures compose, repaint, perFrame;
    std::set<long> onTime;
    std::vector<double> waiting;  // frame times composed and not yet painted
    double pendingCompose = 0;
    QObject::connect(canvas, &PreviewCanvas::frameComposed, [&] {
        app.composedNow = true;
        waiting.push_back(player->currentFrameTime());
    });
    app.onCompose = [&](double ms) {
        compose.add(ms);
        pendingCompose += ms;
    };
    app.onRepaint = [&](double ms) {
        repaint.add(ms);
        const double now = player->currentTime();
        if (!waiting.empty()) {
            perFrame.add(pendingCompose + ms);
            pendingCompose = 0;
        }
        for (double frame : waiting)
            if (now <= frame + interval + 1e-6)
                onTime.insert(std::lround(frame / interval));
        waiting.clear();
    };

    const double start = editor.playback().currentTime();
    editor.playback().togglePlayback();
    timespec cpuStart{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuStart);
    {
        // The application's own loop, so that the thread's processor time is the program's.
        QEventLoop loop;
        QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
        QObject::connect(&editor.playback(), &sablewick::EditorPlayback::isPlayingChanged, &loop, [&] {
            if (!editor.playback().isPlaying())
                loop.quit();
        });
        loop.exec();
    }
    timespec cpuEnd{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuEnd);
    const double played = player->currentTime() - start;
    editor.playback().pausePlayback();
    app.onCompose = {};
    app.onRepaint = {};

    // The first half second settles the clock; the frames after it are counted.
    const long first = std::lround((start + 0.5) / interval);
    const long last = std::lround((start + played) / interval) - 1;
    long shown = 0;
    for (long k = first; k <= last; ++k)
        shown += onTime.count(k);
    const double cpuMs = (cpuEnd.tv_sec - cpuStart.tv_sec) * 1e3 + (cpuEnd.tv_nsec - cpuStart.tv_nsec) / 1e6;
    std::printf("movie %s: %.0f x %.0f, played %.2f s in a %d x %d window, preview %d x %d, pictures %d x %d, "
                "platform %s\n",
                qPrintable(movie), editor.document().sourceSize().width(), editor.document().sourceSize().height(),
                played, window.width(), window.height(), canvas->width(), canvas->height(),
                player->currentFrame().width(), player->currentFrame().height(),
                qPrintable(QGuiApplication::platformName()));
    std::printf("  frames on time                     %ld of %ld (%.2f %%)\n", shown, last - first + 1,
                100.0 * double(shown) / double(std::max(last - first + 1, 1L)));
    compose.print("compose at the preview's size");
    repaint.print("window repaint (paint + upload)");
    perFrame.print("main thread per frame shown");
    std::printf("  %-34s %.2f ms a frame of the movie\n", "main thread processor time", cpuMs / (played * 60));

    // Drags while paused: the trim-in handle (from the trim start), then the first zoom's body.
    editor.playback().seek(0.2 * editor.document().duration());
    spin(500);
    const TrackLayout layout = track->layout();
    const QPointF handle = layout.trimHandle(editor.document().settings().trimStart).center();
    dragLatency(app, editor, track, handle, QPointF(2, 0), 60).print("drag repaint, trim handle");
    const FocusPoint& zoom = editor.document().events().front();
    const QPointF body = layout.segment({zoom.time, editor.focus().zoomLength(zoom.id), false}).body.center();
    dragLatency(app, editor, track, body, QPointF(2, 0), 60).print("drag repaint, zoom body");
    return 0;
}

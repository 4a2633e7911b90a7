// The longest time the main window's thread is kept from its event loop while a movie opens and
// while it exports: the window as the application builds it (real editor model, player, export
// pipeline), a probe timer on the main thread that notes how late each of its 2 ms ticks comes.
//
//   sablewick_main_thread_stalls MOVIE [EXPORT_SECONDS]
#include "components/StudioKit.h"
#include "editor/EditorModel.h"
#include "editor/EditorServices.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/StandaloneSession.h"
#include "media/PlaybackEngine.h"
#include "platform/NumericLocale.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "workspace/TimelineViews.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// The processor time the calling thread has used, in nanoseconds.
qint64 threadCpuTime()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Notes the gap between consecutive ticks of a 2 ms timer: any gap beyond 2 ms is time the
// thread spent on something else without returning to its loop. How much of a gap the thread
// spent working (its own processor time) tells the program's work from time the system gave to
// other threads and processes: on a loaded machine a thread that is ready may still wait.
class StallProbe {
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            const qint64 cpu = threadCpuTime();
            if (m_last >= 0) {
                m_gaps.push_back((now - m_last) / 1e6);
                m_work.push_back((cpu - m_lastCpu) / 1e6);
            }
            m_last = now;
            m_lastCpu = cpu;
        });
    }
    void start()
    {
        m_gaps.clear();
        m_work.clear();
        m_last = -1;
        m_clock.start();
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    void report(const char* phase)
    {
        std::vector<double> gaps = m_gaps;
        std::sort(gaps.begin(), gaps.end());
        const auto at = [&](double q) { return gaps.empty() ? 0.0 : gaps[static_cast<std::size_t>(q * (gaps.size() - 1))]; };
        const auto longest = std::max_element(m_gaps.begin(), m_gaps.end());
        const double longestWork = longest == m_gaps.end() ? 0.0 : m_work[size_t(longest - m_gaps.begin())];
        const double mostWork = m_work.empty() ? 0.0 : *std::max_element(m_work.begin(), m_work.end());
        std::printf("%-8s ticks %6zu  median gap %6.2f ms  p99 %6.2f ms  p99.9 %6.2f ms  longest %7.2f ms "
                    "(%.2f ms of it working)  most work in one gap %6.2f ms\n",
                    phase, gaps.size(), at(0.5), at(0.99), at(0.999), gaps.empty() ? 0.0 : gaps.back(), longestWork,
                    mostWork);
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = -1;
    qint64 m_lastCpu = 0;
    std::vector<double> m_gaps;
    std::vector<double> m_work;
};

// Times every event the main thread delivers, so that a stall can be named by what it was
// delivering (receiver class and event type) when SABLEWICK_STALL_TRACE is set.
class TracingApplication final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        // Paints are timed at any depth: a slow frame is named by the widget that painted it.
        if (!m_trace || (m_depth > 0 && event->type() != QEvent::Paint))
            return QApplication::notify(receiver, event);
        ++m_depth;
        QElapsedTimer t;
        t.start();
        const char* type = receiver->metaObject()->className();
        const int kind = event->type();
        const bool result = QApplication::notify(receiver, event);
        --m_depth;
        const double ms = t.nsecsElapsed() / 1e6;
        if (ms > (m_depth > 0 ? m_paintLimit : 20))
            std::printf("  %*s%7.2f ms delivering event %d to %s\n", 2 * m_depth, "", ms, kind, type);
        return result;
    }
    bool m_trace = qEnvironmentVariableIsSet("SABLEWICK_STALL_TRACE");
    double m_paintLimit = qEnvironmentVariableIntValue("SABLEWICK_STALL_TRACE") > 1 ? qEnvironmentVariableIntValue("SABLEWICK_STALL_TRACE") : 8;

private:
    int m_depth = 0;
};

bool spinUntil(const std::function<bool()>& done, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MOVIE [EXPORT_SECONDS]\n", argv[0]);
        return 2;
    }
    TracingApplication app(argc, argv);
    sablewick::useCNumericLocale();
    const QString movie = QString::fromLocal8Bit(argv[1]);
    const double exportSeconds = argc > 2 ? std::atof(argv[2]) : 20.0;

    QTemporaryDir work;
    qputenv("SABLEWICK_STATE_DIRECTORY", work.filePath("state").toLocal8Bit());
    sablewick::MemoryPreferencesStore defaults;
    sablewick::AppPreferences preferences(defaults);
    sablewick::installStudioKit(preferences);
    sablewick::PlaybackEngine playback;
    sablewick::EditorServices services = sablewick::standardEditorServices(playback);
    services.defaults = &defaults;
    sablewick::EditorModel editor(services);
    sablewick::StandaloneSession session;
    sablewick::MainWindow window(
        {&editor, &preferences, &session, nullptr, &defaults, sablewick::withPreviewAndTimeline({}, preferences)});
    window.show();
    spinUntil([] { return false; }, 300);

    StallProbe probe;
    // Opening: from the request until the movie is shown, its thumbnails made and the first frame
    // decoded, plus a second of the idle window.
    probe.start();
    std::optional<bool> opened;
    editor.open(QUrl::fromLocalFile(movie), std::nullopt, [&](bool ok) { opened = ok; });
    if (!spinUntil([&] { return opened.has_value(); }, 120000) || !*opened) {
        std::fprintf(stderr, "the movie did not open: %s\n", qPrintable(editor.notice().value_or(QString())));
        return 1;
    }
    spinUntil([&] { return editor.thumbnails().size() >= sablewick::EditorModel::thumbnailCount; }, 60000);
    spinUntil([] { return false; }, 1000);
    probe.stop();
    std::printf("movie    %s, %.1f s, %.0f x %.0f\n", qPrintable(movie), editor.duration(),
                editor.sourceSize().width(), editor.sourceSize().height());
    probe.report("open");

    // Exporting the first EXPORT_SECONDS at 1080p, with the progress panel up.
    editor.setTrimEnd(std::min(exportSeconds, editor.duration()));
    editor.flushPendingEdits();
    spinUntil([] { return false; }, 300);
    probe.start();
    QElapsedTimer clock;
    clock.start();
    bool ended = false;
    editor.export_(QUrl::fromLocalFile(work.filePath("export.mp4")), sablewick::ExportOptions{}, [&] { ended = true; });
    const double startCost = clock.nsecsElapsed() / 1e6;
    spinUntil([&] { return ended; }, 3600000);
    probe.stop();
    std::printf("export   %.1f s of movie in %.1f s (the call that starts it: %.2f ms): %s\n",
                std::min(exportSeconds, editor.duration()), clock.elapsed() / 1000.0, startCost,
                qPrintable(editor.notice().value_or(QString())));
    probe.report("export");
    return 0;
}

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

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Notes the gap between consecutive ticks of a 2 ms timer: any gap beyond 2 ms is time the
// thread spent on something else without returning to its loop.
class StallProbe {
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (m_last >= 0)
                m_gaps.push_back((now - m_last) / 1e6);
            m_last = now;
        });
    }
    void start()
    {
        m_gaps.clear();
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
        std::printf("%-8s ticks %6zu  median gap %6.2f ms  p99 %6.2f ms  p99.9 %6.2f ms  longest %7.2f ms\n", phase,
                    gaps.size(), at(0.5), at(0.99), at(0.999), gaps.empty() ? 0.0 : gaps.back());
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = -1;
    std::vector<double> m_gaps;
};

// Times every event the main thread delivers, so that a stall can be named by what it was
// delivering (receiver class and event type) when SABLEWICK_STALL_TRACE is set.
class TracingApplication final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (!m_trace || m_depth > 0)
            return QApplication::notify(receiver, event);
        ++m_depth;
        QElapsedTimer t;
        t.start();
        const char* type = receiver->metaObject()->className();
        const int kind = event->type();
        const bool result = QApplication::notify(receiver, event);
        --m_depth;
        const double ms = t.nsecsElapsed() / 1e6;
        if (ms > 20)
            std::printf("  %7.2f ms delivering event %d to %s\n", ms, kind, type);
        return result;
    }
    bool m_trace = qEnvironmentVariableIsSet("SABLEWICK_STALL_TRACE");

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
    sablewick::MainWindow window({&editor, &preferences, &session, nullptr, &defaults, {}});
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
    spinUntil([&] { return ended; }, 3600000);
    probe.stop();
    std::printf("export   %.1f s of movie in %.1f s: %s\n", std::min(exportSeconds, editor.duration()),
                clock.elapsed() / 1000.0, qPrintable(editor.notice().value_or(QString())));
    probe.report("export");
    return 0;
}

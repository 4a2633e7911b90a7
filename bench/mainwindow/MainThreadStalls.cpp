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
#include "StallProbe.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

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

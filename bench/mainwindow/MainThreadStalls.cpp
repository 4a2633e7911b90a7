// The longest time the main window's thread is kept from its event loop while a movie opens,
// while it exports and while its project is saved: the window as the application builds it (real
// editor model, player, export pipeline, save action), a probe timer on the main thread that notes
// how late each of its 2 ms ticks comes.
//
//   sablewick_main_thread_stalls MOVIE [EXPORT_SECONDS] [ZOOMS]
//
// A movie without a sidecar gets the one a recording of its length would have (the pointer read
// 30 times a second, a click every two seconds), written beside it; the saved project then carries
// that pointer track and ZOOMS zooms (default 300).
#include "components/StudioKit.h"
#include "document/Project.h"
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

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>

#include <algorithm>
#include <cmath>
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
    const int zooms = argc > 3 ? std::max(1, std::atoi(argv[3])) : 300;

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

    if (!QFileInfo::exists(sablewick::FocusSidecar::pathFor(movie))) {
        sablewick::MovieMetadata metadata;
        QString error;
        if (!sablewick::standardMovieInspector().inspect(movie, &metadata, &error)) {
            std::fprintf(stderr, "the movie cannot be read: %s\n", qPrintable(error));
            return 1;
        }
        sablewick::FocusSidecar sidecar;
        std::vector<sablewick::PointerSample> samples;
        for (double t = 0; t <= metadata.duration; t += 1.0 / 30)
            samples.push_back({t, 0.5 + 0.4 * std::sin(t / 3), 0.5 + 0.4 * std::cos(t / 5), true});
        for (double t = 1; t < metadata.duration; t += 2)
            sidecar.events.push_back({QUuid::createUuid(), t, 0.5 + 0.4 * std::sin(t / 3), 0.5 + 0.4 * std::cos(t / 5),
                                      sablewick::FocusKind::click});
        sidecar.pointerSamples = std::move(samples);
        sidecar.editablePointer = true;
        sablewick::ProjectFile::writeSidecar(sablewick::FocusSidecar::pathFor(movie), sidecar);
        std::printf("sidecar  written beside the movie: %zu pointer samples, %zu clicks\n",
                    sidecar.pointerSamples->size(), sidecar.events.size());
    }

    StallProbe probe;
    // Opening: from the request until the movie is shown, its thumbnails made and the first frame
    // decoded, plus a second of the idle window.
    probe.start();
    std::optional<bool> opened;
    editor.document().open(QUrl::fromLocalFile(movie), std::nullopt, [&](bool ok) { opened = ok; });
    if (!spinUntil([&] { return opened.has_value(); }, 120000) || !*opened) {
        std::fprintf(stderr, "the movie did not open: %s\n", qPrintable(editor.notice().value_or(QString())));
        return 1;
    }
    spinUntil([&] { return editor.document().thumbnails().size() >= sablewick::EditorDocument::thumbnailCount; },
              60000);
    spinUntil([] { return false; }, 1000);
    probe.stop();
    std::printf("movie    %s, %.1f s, %.0f x %.0f\n", qPrintable(movie), editor.document().duration(),
                editor.document().sourceSize().width(), editor.document().sourceSize().height());
    probe.report("open");

    // Exporting the first EXPORT_SECONDS at 1080p, with the progress panel up.
    editor.focus().setTrimEnd(std::min(exportSeconds, editor.document().duration()));
    editor.document().flushPendingEdits();
    spinUntil([] { return false; }, 300);
    probe.start();
    QElapsedTimer clock;
    clock.start();
    bool ended = false;
    editor.exporter().export_(QUrl::fromLocalFile(work.filePath("export.mp4")), sablewick::ExportOptions{},
                              [&] { ended = true; });
    const double startCost = clock.nsecsElapsed() / 1e6;
    spinUntil([&] { return ended; }, 3600000);
    probe.stop();
    std::printf("export   %.1f s of movie in %.1f s (the call that starts it: %.2f ms): %s\n",
                std::min(exportSeconds, editor.document().duration()), clock.elapsed() / 1000.0, startCost,
                qPrintable(editor.notice().value_or(QString())));
    probe.report("export");

    // Saving: the project with its zooms, first to a new file, then ten times in place through
    // the window's Save action, each after one change of a zoom, as a user saves as they go.
    std::vector<sablewick::FocusPoint> events;
    for (int i = 0; i < zooms; ++i) {
        const double t = editor.document().duration() * (i + 0.5) / zooms;
        events.push_back({QUuid::createUuid(), t, 0.3 + 0.4 * (i % 7) / 6.0, 0.3 + 0.4 * (i % 5) / 4.0,
                          sablewick::FocusKind::manual, 1.5, 2.0});
    }
    editor.document().setEvents(events);
    const QUrl project = QUrl::fromLocalFile(work.filePath("Stalls.sablewick.json"));
    editor.document().saveProject(project);
    spinUntil([&] { return editor.document().projectURL() == project && !editor.document().hasUnsavedEdits(); }, 60000);
    QAction* save = window.findChild<QAction*>(QStringLiteral("save"));
    if (!save || editor.document().projectURL() != project) {
        std::fprintf(stderr, "the project was not saved: %s\n", qPrintable(editor.notice().value_or(QString())));
        return 1;
    }
    spinUntil([] { return false; }, 300);
    probe.start();
    clock.restart();
    for (int round = 0; round < 10; ++round) {
        events[size_t(round) % events.size()].zoomStrength = 2.0 + 0.1 * (round + 1);
        editor.document().setEvents(events);
        save->trigger();
        spinUntil([&] { return !editor.document().hasUnsavedEdits(); }, 60000);
        spinUntil([] { return false; }, 100);
    }
    probe.stop();
    std::printf("save     %d zooms, %zu pointer samples, %lld bytes, ten saves in %.1f s: %s\n", zooms,
                editor.document().pointerSamples().size(), QFileInfo(project.toLocalFile()).size(),
                clock.elapsed() / 1000.0, qPrintable(editor.notice().value_or(QString())));
    probe.report("save");
    return 0;
}

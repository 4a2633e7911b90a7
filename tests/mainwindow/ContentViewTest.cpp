// The main window's content as the user meets it, offscreen, over a real editor model.
#include "editor/EditorTestSupport.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/ExportProgressPanel.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MainWindowTestSupport.h"
#include "mainwindow/PreviewColumn.h"
#include "mainwindow/StatusBanner.h"
#include "mainwindow/StudioWelcome.h"
#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "components/SymbolPixels.h"
#include "preferences/AppPreferences.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QToolBar>

namespace sablewick::test {
namespace {

class ContentViewTest : public ::testing::Test {
protected:
    ContentViewTest() : preferences(bench.preferences)
    {
        bench.services.exportRunner = standardExportRunner();
        window = std::make_unique<MainWindow>(
            ContentView::Services{&bench.model(), &preferences, &session, &dialogs, &bench.preferences, {}});
        window->show();
    }

    ContentView& view() { return *window->content(); }
    EditorModel& editor() { return bench.model(); }
    bool settle()
    {
        // The view redraws on the next turn of the event loop after the models change.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return true;
    }
    bool openClip(const QString& path)
    {
        dialogs.openAnswers = {QUrl::fromLocalFile(path)};
        view().flow().openMovie();
        return waitUntil(
            [&] { return editor().document().movieURL() == QUrl::fromLocalFile(path) && !view().isShowingWelcome(); });
    }
    bool visibleInToolbar(const QString& name)
    {
        QAction* action = view().action(name);
        QWidget* widget = action ? view().toolbar()->widgetForAction(action) : nullptr;
        return widget && widget->isVisible();
    }

    EditorBench bench;
    AppPreferences preferences;
    FakeSession session;
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

TEST_F(ContentViewTest, FreshWindowShowsTheWelcomeScreen)
{
    settle();
    EXPECT_TRUE(view().isShowingWelcome());
    EXPECT_EQ(window->windowTitle(), "Sablewick");
    EXPECT_EQ(view().subtitle(), "Your local video studio");
    EXPECT_FALSE(view().isInspectorShown()) << "no inspector while nothing is open";
    EXPECT_TRUE(visibleInToolbar("open"));
    EXPECT_TRUE(visibleInToolbar("newRecording"));
    EXPECT_FALSE(visibleInToolbar("undo"));
    EXPECT_FALSE(visibleInToolbar("export"));
    EXPECT_EQ(window->size(), QSize(MainWindow::defaultWidth, MainWindow::defaultHeight));
}

TEST_F(ContentViewTest, OpeningAClipShowsTheWorkspaceWithItsTitleAndInspector)
{
    const QString clip = Clips::get().twoSeconds;
    ASSERT_TRUE(openClip(clip));
    settle();
    EXPECT_EQ(window->windowTitle(), "two");
    EXPECT_EQ(view().subtitle(), "Edits backed up on this computer");
    ASSERT_NE(view().workspace(), nullptr);
    EXPECT_TRUE(view().workspace()->isVisible());
    EXPECT_TRUE(view().isInspectorShown());
    EXPECT_TRUE(visibleInToolbar("undo"));
    EXPECT_TRUE(visibleInToolbar("export"));

    editor().document().saveProject(QUrl::fromLocalFile(bench.path("Two.sablewick.json")));
    editor().document().finishSaving();
    settle();
    EXPECT_EQ(view().subtitle(), "Project saved");

    // A hidden inspector stays hidden for the next movie.
    view().action("inspector")->trigger();
    settle();
    EXPECT_FALSE(view().isInspectorShown());
    ASSERT_TRUE(openClip(Clips::get().threeSeconds));
    settle();
    EXPECT_FALSE(view().isInspectorShown());
    EXPECT_EQ(window->windowTitle(), "three");
}

TEST_F(ContentViewTest, ToolbarAndShortcutsStandDownWhileRecording)
{
    ASSERT_TRUE(openClip(Clips::get().twoSeconds));
    RecorderState recording;
    recording.isRecording = true;
    session.setRecorder(recording);
    settle();
    EXPECT_TRUE(visibleInToolbar("stopRecording"));
    EXPECT_FALSE(visibleInToolbar("open"));
    EXPECT_FALSE(visibleInToolbar("newRecording"));
    EXPECT_TRUE(visibleInToolbar("export"));
    EXPECT_FALSE(view().action("export")->isEnabled());
    for (QAction* a : view().actions())
        if (a->text() == "Forward five seconds" || a->text() == "Back five seconds")
            EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_TRUE(view().action("paste")->isEnabled()) << "paste works whatever runs";

    view().action("stopRecording")->trigger();
    EXPECT_TRUE(session.calls.contains("stopRecording"));
}

TEST_F(ContentViewTest, ShortcutsFollowTheBindingsAndStepAsideWhileOneIsRecorded)
{
    ASSERT_TRUE(openClip(Clips::get().twoSeconds));
    settle();
    const QKeySequence save = view().action("save")->shortcut();
    EXPECT_FALSE(save.isEmpty());
    EXPECT_TRUE(view().action("export")->toolTip().startsWith(QString::fromUtf8("Export video · ")));
    preferences.setShortcutCapture(StudioShortcutAction::save);
    settle();
    EXPECT_TRUE(view().action("save")->shortcut().isEmpty());
    preferences.setShortcutCapture(std::nullopt);
    StudioShortcutOverrides overrides;
    overrides[StudioShortcutAction::export_] = StudioShortcutOverride{std::nullopt};
    preferences.setShortcutOverrides(overrides);
    settle();
    EXPECT_EQ(view().action("save")->shortcut(), save);
    EXPECT_TRUE(view().action("export")->shortcut().isEmpty());
    EXPECT_EQ(view().action("export")->toolTip(), "Export video");
}

TEST_F(ContentViewTest, BannerShowsTheRecorderNoticeAndTheExportButton)
{
    ASSERT_TRUE(openClip(Clips::get().twoSeconds));
    editor().document().saveProject(QUrl::fromLocalFile(bench.path("Two.sablewick.json")));
    editor().document().finishSaving();
    settle();
    StatusBanner* banner = view().previewColumn()->statusBanner();
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->notice(), "Saved Two.sablewick.json");
    // Its symbol is the information symbol, a ring round the letter i (not a light bulb).
    auto* symbol = banner->findChild<StudioSymbolView*>();
    ASSERT_TRUE(symbol);
    QImage drawn(symbol->size(), QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    symbol->render(&drawn, {}, {}, QWidget::DrawChildren);
    EXPECT_EQ(ringSymbolFault(drawn), "");
    RecorderState r;
    r.notice = "Screen recording needs permission.";
    r.needsScreenPermission = true;
    session.setRecorder(r);
    settle();
    EXPECT_EQ(banner->notice(), "Screen recording needs permission.");
    QStringList titles;
    for (auto* b : banner->findChildren<StudioButton*>())
        titles << b->text();
    EXPECT_EQ(titles, QStringList{"Open settings"});
    for (auto* b : banner->findChildren<StudioButton*>())
        b->click();
    EXPECT_TRUE(session.calls.contains("openPrivacySettings Privacy_ScreenCapture"));
}

TEST_F(ContentViewTest, ExportProgressPanelFollowsARealExport)
{
    ASSERT_TRUE(openClip(Clips::get().twoSeconds));
    ExportOptions options;
    options.resolution = ExportResolution::p720;
    view().state().setExportOptions(options);
    const QUrl destination = QUrl::fromLocalFile(bench.path("Out.mp4"));
    dialogs.saveAnswers = {destination};
    view().flow().exportMovie(options);
    ASSERT_TRUE(editor().exporter().isExporting());
    ExportProgressPanel* panel = view().exportProgressPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->title(), "Exporting video");
    QStringList phases{panel->phase()};
    ASSERT_TRUE(waitUntil([&] {
        if (ExportProgressPanel* p = view().exportProgressPanel(); p && !phases.contains(p->phase()))
            phases << p->phase();
        return !editor().exporter().isExporting();
    }, 60000));
    settle();
    EXPECT_TRUE(phases.contains(QString::fromUtf8("Rendering frames…"))) << phases.join(", ").toStdString();
    EXPECT_EQ(view().exportProgressPanel(), nullptr) << "the panel closes itself when the export ends";
    EXPECT_EQ(editor().exporter().exportURL(), destination) << editor().notice().value_or("").toStdString();
}

TEST_F(ContentViewTest, FinishedRecordingKeepsTheUnsavedEditAndDropsAreRefusedMeanwhile)
{
    ASSERT_TRUE(openClip(Clips::get().twoSeconds));
    EditSettings s = editor().document().settings();
    s.cornerRadius += 10;
    editor().document().setSettings(s);
    RecorderState r;
    r.isRecording = true;
    session.setRecorder(r);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(Clips::get().threeSeconds)});
    EXPECT_FALSE(view().flow().drop(mime.urls()));
    r = {};
    r.isFinalizing = true;
    session.setRecorder(r);
    ASSERT_FALSE(editor().document().recentProjects().isEmpty());
    const QUrl kept = editor().document().recentProjects().first();
    EXPECT_TRUE(kept.fileName().startsWith("Edit before recording ")) << kept.fileName().toStdString();
    EXPECT_FALSE(editor().document().hasUnsavedEdits());

    // An edit made while the movie is being finished is kept as well once the recording ends.
    s.cornerRadius += 10;
    editor().document().setSettings(s);
    session.setRecorder({});
    EXPECT_EQ(editor().document().recentProjects().size(), 2);
    EXPECT_NE(editor().document().recentProjects().first(), kept);
    EXPECT_TRUE(dialogs.alerts.empty()) << "the recording's end asks nothing";
}

TEST_F(ContentViewTest, ClickOnThePreviewPlacesANewZoomAndEscapeLeavesPlacement)
{
    ASSERT_TRUE(openClip(Clips::get().twoSeconds));
    view().state().addZoomAndPlace(0.5);
    settle();
    QWidget* overlay = view().previewColumn()->placementOverlay();
    ASSERT_TRUE(overlay->isVisible());
    EXPECT_EQ(overlay->geometry(), view().previewColumn()->canvasGeometry().translated(-overlay->parentWidget()->pos()))
        << "the overlay covers exactly the fitted canvas";
    QTest::mouseClick(overlay, Qt::LeftButton, {}, overlay->rect().center());
    ASSERT_EQ(editor().document().events().size(), 1u);
    EXPECT_NEAR(editor().document().events()[0].x, 0.5, 0.02);
    EXPECT_NEAR(editor().document().events()[0].y, 0.5, 0.02);
    settle();
    EXPECT_FALSE(overlay->isVisible());

    view().state().addZoomAndPlace(1.2);
    settle();
    ASSERT_TRUE(view().action("cancelPlacement")->isEnabled());
    view().action("cancelPlacement")->trigger();
    settle();
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(editor().document().events().size(), 1u);
}

TEST_F(ContentViewTest, RecentProjectsSubmenuListsProjectsByName)
{
    QMenu* recent = nullptr;
    for (QMenu* m : view().findChildren<QMenu*>())
        if (m->title() == "Recent projects")
            recent = m;
    ASSERT_NE(recent, nullptr);
    settle();
    EXPECT_FALSE(recent->menuAction()->isVisible()) << "absent, not empty, without recent projects";
    ASSERT_TRUE(openClip(Clips::get().twoSeconds));
    editor().document().saveProject(QUrl::fromLocalFile(bench.path("Demo.sablewick.json")));
    editor().document().finishSaving();
    settle();
    EXPECT_TRUE(recent->menuAction()->isVisible());
    ASSERT_EQ(recent->actions().size(), 1);
    EXPECT_EQ(recent->actions()[0]->text(), "Demo");
}

TEST_F(ContentViewTest, PermissionsAlertCaptureStripAndPaste)
{
    dialogs.alertAnswers = {1, 0, 2};
    for (int i = 0; i < 3; ++i)
        view().showRecordingHelp();
    ASSERT_EQ(dialogs.alerts.size(), 3u);
    EXPECT_EQ(dialogs.alerts[0].message, "Recording permissions");
    EXPECT_TRUE(dialogs.alerts[0].informativeText.startsWith("Sablewick needs Screen Recording access."));
    EXPECT_EQ(dialogs.alerts[0].buttons,
              (QStringList{"Open Screen Recording Settings", "Open Input Monitoring Settings", "Done"}));
    EXPECT_EQ(dialogs.alerts[0].cancelButton, 2);
    EXPECT_EQ(session.calls, (QStringList{"openPrivacySettings Privacy_ListenEvent",
                                          "openPrivacySettings Privacy_ScreenCapture"}));

    // A desktop without privacy settings pages (X11): only what can act is offered.
    session.privacySettings = false;
    session.calls.clear();
    dialogs.alertAnswers = {0};
    view().showRecordingHelp();
    ASSERT_EQ(dialogs.alerts.size(), 4u);
    EXPECT_EQ(dialogs.alerts[3].message, "Recording permissions");
    EXPECT_EQ(dialogs.alerts[3].buttons, QStringList{"Done"});
    EXPECT_EQ(dialogs.alerts[3].cancelButton, 0);
    EXPECT_TRUE(session.calls.isEmpty());
    session.privacySettings = true;

    session.calls.clear();
    session.capture = {true, QString::fromUtf8("Choose an area…")};
    emit session.captureStateChanged();
    settle();
    QAbstractButton* cancel = nullptr;
    for (auto* b : view().findChildren<StudioButton*>())
        if (b->text() == "Cancel capture" && b->isVisible())
            cancel = b;
    ASSERT_NE(cancel, nullptr) << "the capture strip shows while a capture runs";
    cancel->click();
    QAbstractButton* welcomeShot = nullptr;
    for (auto* b : view().welcome()->findChildren<StudioButton*>())
        if (b->text() == "Take screenshot")
            welcomeShot = b;
    ASSERT_NE(welcomeShot, nullptr);
    EXPECT_FALSE(welcomeShot->isEnabled());
    view().action("paste")->trigger();
    EXPECT_EQ(session.calls, (QStringList{"cancelCapture", "pasteImage"}));
    session.capture = {};
    emit session.captureStateChanged();
    settle();
    EXPECT_FALSE(cancel->isVisible());
}

TEST_F(ContentViewTest, InstalledUpdateRaisesTheBannerOrRelaunchesWhenIdle)
{
    session.installed = QString("2");
    view().checkForInstalledUpdate();
    EXPECT_TRUE(session.calls.contains("reopenAfterSavingRecovery"));
    settle();
    EXPECT_TRUE(view().state().updateAvailable()) << "a failed relaunch falls back to the banner";

    // The window's own 5-second check may run while the clip opens; only what follows counts.
    ASSERT_TRUE(openClip(Clips::get().twoSeconds));
    session.calls.clear();
    view().checkForInstalledUpdate();
    EXPECT_FALSE(session.calls.contains("reopenAfterSavingRecovery")) << "no relaunch over an open movie";
}

TEST_F(ContentViewTest, RestoreFlagsAreResetAndTheRecoveryReopens)
{
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    editor().document().saveRecovery();
    bench.destroyModel();
    window.reset();
    bench.preferences.setValue(ContentView::restoreAfterUpdateKey, true);
    window = std::make_unique<MainWindow>(
        ContentView::Services{&bench.model(), &preferences, &session, &dialogs, &bench.preferences, {}});
    window->show();
    EXPECT_TRUE(waitUntil([&] { return editor().document().movieURL().has_value(); }));
    EXPECT_FALSE(bench.preferences.boolValue(ContentView::restoreAfterUpdateKey));
    EXPECT_FALSE(session.calls.contains("restoreScreenshotEdit"));
    const QString movie = QFileInfo(Clips::get().twoSeconds).fileName();
    EXPECT_TRUE(waitUntil([&] { return editor().notice() == "Opened " + movie; }))
        << editor().notice().value_or("").toStdString();
}

TEST_F(ContentViewTest, ContinueEditingNamesTheMovieNotTheRecoveryCopy)
{
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    editor().document().saveRecovery();
    bench.destroyModel();
    window.reset();
    window = std::make_unique<MainWindow>(
        ContentView::Services{&bench.model(), &preferences, &session, &dialogs, &bench.preferences, {}});
    window->show();
    settle();
    ASSERT_TRUE(view().isShowingWelcome());
    StudioButton* continueEditing = nullptr;
    for (auto* b : view().findChildren<StudioButton*>())
        if (b->text() == "Continue editing" && b->isVisible())
            continueEditing = b;
    ASSERT_NE(continueEditing, nullptr);
    continueEditing->click();
    const QString expected = "Opened " + QFileInfo(Clips::get().twoSeconds).fileName();
    StatusBanner* banner = view().previewColumn()->statusBanner();
    EXPECT_TRUE(waitUntil([&] {
        settle();
        return banner->isVisible() && banner->notice() == expected;
    })) << banner->notice().toStdString();
}

}  // namespace
}  // namespace sablewick::test

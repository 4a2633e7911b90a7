// The main window's decisions, row by row, without a window.
#include "mainwindow/ContentPresenter.h"
#include "mainwindow/DocumentFlow.h"
#include "mainwindow/DropRoute.h"
#include "mainwindow/ExportProgressText.h"
#include "mainwindow/ToolbarState.h"
#include "mainwindow/UpdateDecision.h"
#include "workspace/ContentState.h"
#include "workspace/ZoomPlacement.h"

#include <gtest/gtest.h>

namespace sablewick {
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

using namespace ContentPresenter;

RecorderState starting() { RecorderState r; r.isStarting = true; return r; }
RecorderState recording() { RecorderState r; r.isRecording = true; return r; }
RecorderState finishing() { RecorderState r; r.isFinalizing = true; return r; }

TEST(ContentPresenterTest, TitleAndSubtitleFollowTheOpenMovie)
{
    EXPECT_EQ(windowTitle(std::nullopt), "Sablewick");
    EXPECT_EQ(windowSubtitle(false, true), "Your local video studio");
    EXPECT_EQ(windowTitle(QUrl::fromLocalFile("/m/Demo.mov")), "Demo");
    EXPECT_EQ(windowTitle(QUrl::fromLocalFile("/m/Demo.take.two.mov")), "Demo.take.two");
    EXPECT_EQ(windowTitle(QUrl::fromLocalFile("/m/.mov")), ".mov");
    EXPECT_EQ(windowSubtitle(true, true), "Edits backed up on this computer");
    EXPECT_EQ(windowSubtitle(true, false), "Project saved");
}

TEST(ContentPresenterTest, ProjectNamesLoseUpToTwoExtensions)
{
    struct Row { const char* path; const char* title; const char* folder; };
    for (const Row& row : {Row{"/p/Work/Demo.sablewick.json", "Demo", "Work"}, Row{"/p/Demo.json", "Demo", "p"},
                           Row{"/p/Demo", "Demo", "p"}, Row{"/p/a.b.c.json", "a.b", "p"},
                           Row{"/p/.hidden.json", ".hidden", "p"}}) {
        EXPECT_EQ(recentProjectTitle(QUrl::fromLocalFile(row.path)), row.title) << row.path;
        EXPECT_EQ(recentProjectFolder(QUrl::fromLocalFile(row.path)), row.folder) << row.path;
    }
}

TEST(ContentPresenterTest, BannerShowsTheRecorderNoticeFirstAndButtonsByTheirFlags)
{
    RecorderState r;
    EXPECT_EQ(currentNotice(r, std::nullopt), std::nullopt);
    EXPECT_EQ(currentNotice(r, QString("Saved Demo")), QString("Saved Demo"));
    r.notice = "Screen recording is not allowed.";
    EXPECT_EQ(currentNotice(r, QString("Saved Demo")), r.notice);

    const auto titles = [](const std::vector<StatusButtonInfo>& buttons) {
        QStringList list;
        for (const auto& b : buttons)
            list << b.title;
        return list.join('|');
    };
    EXPECT_EQ(titles(statusButtons(RecorderState{}, false, true)), "");
    RecorderState all;
    all.needsScreenPermission = all.needsMicrophonePermission = all.needsRestart = true;
    EXPECT_EQ(titles(statusButtons(all, true, true)), "Open settings|Microphone settings|Quit Sablewick|Show in Files");
    // Without privacy settings on the desktop their buttons would do nothing.
    EXPECT_EQ(titles(statusButtons(all, true, false)), "Quit Sablewick|Show in Files");
    RecorderState mic;
    mic.needsMicrophonePermission = true;
    EXPECT_EQ(titles(statusButtons(mic, true, true)), "Microphone settings|Show in Files");
}

TEST(ContentPresenterTest, BusyStatesAndInspector)
{
    for (const RecorderState& r : {starting(), recording(), finishing()}) {
        EXPECT_TRUE(r.isBusy());
        EXPECT_TRUE(isCaptureBusy(r, {}));
    }
    EXPECT_FALSE(isCaptureBusy({}, {}));
    EXPECT_TRUE(isCaptureBusy({}, {true, "Capturing"}));
    EXPECT_FALSE(inspectorPresented(false, true));
    EXPECT_TRUE(inspectorPresented(true, true));
    EXPECT_FALSE(inspectorPresented(true, false));

    EXPECT_EQ(inspectorHeader(InspectorTab::cursor).title, "Cursor");
    EXPECT_EQ(inspectorHeader(InspectorTab::cursor).symbol, "cursorarrow.motionlines");
    EXPECT_EQ(inspectorHeader(InspectorTab::audio).subtitle, "Find the right balance.");
    for (InspectorTab tab : allInspectorTabs)
        EXPECT_EQ(inspectorTabFromRawValue(rawValue(tab)), tab);
    EXPECT_EQ(inspectorTabFromRawValue("canvas"), std::nullopt);

    EXPECT_EQ(previewCaption("16:9", 1920.9, 1080), QString::fromUtf8("16:9  ·  1920 × 1080 source"));
}

TEST(ToolbarStateTest, GroupsAndControlsFollowTheModels)
{
    using RC = ToolbarState::RecordingControl;
    struct Row {
        const char* what;
        ToolbarState::Inputs in;
        bool undoRedo, captureGroup, documents, exportEnabled, screenshot;
        RC control;
    };
    ToolbarState::Inputs open;
    open.movieOpen = true;
    ToolbarState::Inputs exporting = open;
    exporting.isExporting = true;
    ToolbarState::Inputs recordingOpen = open;
    recordingOpen.recorder = recording();
    ToolbarState::Inputs finishingIdle;
    finishingIdle.recorder = finishing();
    ToolbarState::Inputs startingOpen = open;
    startingOpen.recorder = starting();
    ToolbarState::Inputs capturing;
    capturing.isCapturing = true;
    for (const Row& row : {
             Row{"nothing open", {}, false, true, false, true, true, RC::openMenu},
             Row{"movie open", open, true, true, true, true, true, RC::openMenu},
             Row{"exporting", exporting, true, true, true, false, true, RC::openMenu},
             Row{"recording over a movie", recordingOpen, true, false, true, false, true, RC::stopRecording},
             Row{"finishing", finishingIdle, false, false, false, false, true, RC::finishing},
             Row{"starting", startingOpen, true, true, true, true, true, RC::openMenu},
             Row{"capturing", capturing, false, true, false, true, false, RC::openMenu},
         }) {
        const ToolbarState s = ToolbarState::make(row.in);
        EXPECT_EQ(s.showsUndoRedo, row.undoRedo) << row.what;
        EXPECT_EQ(s.showsCaptureGroup, row.captureGroup) << row.what;
        EXPECT_EQ(s.showsDocumentGroups, row.documents) << row.what;
        EXPECT_EQ(s.exportEnabled, row.exportEnabled) << row.what;
        EXPECT_EQ(s.screenshotEnabled, row.screenshot) << row.what;
        EXPECT_EQ(s.recordingControl, row.control) << row.what;
    }
    ToolbarState::Inputs recents = open;
    recents.hasRecentProjects = true;
    recents.canUndo = true;
    EXPECT_TRUE(ToolbarState::make(recents).showsRecentProjects);
    EXPECT_TRUE(ToolbarState::make(recents).undoEnabled);
    EXPECT_FALSE(ToolbarState::make(recents).redoEnabled);
    EXPECT_FALSE(ToolbarState::make(open).showsRecentProjects);
}

TEST(ToolbarStateTest, HiddenCommandsStandDownWhileBusy)
{
    HiddenCommandInputs ready;
    ready.movieOpen = ready.canUndo = ready.canRedo = ready.hasSelection = true;
    for (HiddenCommand c : allHiddenCommands)
        EXPECT_TRUE(isEnabled(c, ready)) << title(c).toStdString();
    for (auto block : {&HiddenCommandInputs::recorderBusy, &HiddenCommandInputs::isExporting}) {
        HiddenCommandInputs in = ready;
        in.*block = true;
        for (HiddenCommand c : allHiddenCommands)
            EXPECT_FALSE(isEnabled(c, in)) << title(c).toStdString();
    }
    HiddenCommandInputs closed = ready;
    closed.movieOpen = false;
    EXPECT_FALSE(isEnabled(HiddenCommand::forward, closed));
    HiddenCommandInputs bare;
    bare.movieOpen = true;
    EXPECT_FALSE(isEnabled(HiddenCommand::undo, bare));
    EXPECT_FALSE(isEnabled(HiddenCommand::redo, bare));
    EXPECT_FALSE(isEnabled(HiddenCommand::deleteZoom, bare));
    EXPECT_TRUE(isEnabled(HiddenCommand::backward, bare));
    EXPECT_EQ(title(HiddenCommand::deleteZoom), "Delete selected zoom");
    EXPECT_EQ(shortcutAction(HiddenCommand::backward), StudioShortcutAction::backward);
}

TEST(DropRouteTest, FirstFileDecidesAndBusyStatesRefuse)
{
    const auto url = [](const char* path) { return QUrl::fromLocalFile(path); };
    const auto notImage = [](const QUrl&) { return false; };
    struct Row { const char* what; QList<QUrl> urls; bool exporting; RecorderState recorder; DropRoute route; };
    for (const Row& row : {
             Row{"empty", {}, false, {}, DropRoute::refused},
             Row{"exporting", {url("/a/Demo.mov")}, true, {}, DropRoute::refused},
             Row{"recording", {url("/a/Demo.mov")}, false, recording(), DropRoute::refused},
             Row{"recording starts", {url("/a/Demo.mov")}, false, starting(), DropRoute::refused},
             Row{"recording finishes", {url("/a/Demo.mov")}, false, finishing(), DropRoute::refused},
             Row{"screenshot project", {url("/a/Shot.sableimage.json")}, false, {}, DropRoute::image},
             Row{"upper-case screenshot project", {url("/a/Shot.SABLEIMAGE.JSON")}, false, {}, DropRoute::project},
             Row{"project", {url("/a/Demo.sablewick.json")}, false, {}, DropRoute::project},
             Row{"project in capitals", {url("/a/Demo.JSON")}, false, {}, DropRoute::project},
             Row{"movie", {url("/a/Demo.mov")}, false, {}, DropRoute::movie},
             Row{"only the first counts", {url("/a/Demo.mov"), url("/a/Shot.sableimage.json")}, false, {},
                 DropRoute::movie},
             Row{"unknown type takes the movie road", {url("/a/notes.txt")}, false, {}, DropRoute::movie},
         })
        EXPECT_EQ(classifyDrop(row.urls, row.exporting, row.recorder, notImage), row.route) << row.what;

    EXPECT_EQ(classifyDrop({url("/a/photo.png")}, false, {}, isImageFile), DropRoute::image);
    EXPECT_EQ(classifyDrop({url("/a/photo.JPG")}, false, {}, isImageFile), DropRoute::image);
    EXPECT_EQ(classifyDrop({url("/a/clip.mp4")}, false, {}, isImageFile), DropRoute::movie);
    EXPECT_FALSE(isImageFile(QUrl("https://example.com/a.png")));
}

TEST(ZoomPlacementTest, ClicksBecomeCanvasPoints)
{
    struct Row { QPointF click; QSizeF view; QPointF canvas; };
    const QSizeF canvas(1920, 1080);
    for (const Row& row : {Row{{480, 270}, {960, 540}, {960, 540}}, Row{{0, 0}, {960, 540}, {0, 1080}},
                           Row{{960, 540}, {960, 540}, {1920, 0}}, Row{{5, 7}, {0, 0}, {9600, -6480}},
                           Row{{0, 0}, {0, 0}, {0, 1080}}}) {
        const QPointF p = canvasPointForClick(row.click, row.view, canvas);
        EXPECT_DOUBLE_EQ(p.x(), row.canvas.x());
        EXPECT_DOUBLE_EQ(p.y(), row.canvas.y());
    }
}

TEST(ExportProgressTextTest, PhasesPercentAndButton)
{
    struct Row { double progress; bool cancelling; const char* title; const char* phase; const char* percent; const char* button; };
    for (const Row& row : {
             Row{0, false, "Exporting video", "Preparing export…", "0%", "Cancel export"},
             Row{0.001, false, "Exporting video", "Rendering frames…", "0%", "Cancel export"},
             Row{0.429, false, "Exporting video", "Rendering frames…", "42%", "Cancel export"},
             Row{0.9499, false, "Exporting video", "Rendering frames…", "94%", "Cancel export"},
             Row{0.95, false, "Exporting video", "Finishing file…", "95%", "Cancel export"},
             Row{1.0, false, "Exporting video", "Finishing file…", "100%", "Cancel export"},
             Row{0.5, true, "Cancelling export…", "Stopping and removing the partial file…", "50%", "Cancelling…"},
             Row{-0.2, false, "Exporting video", "Preparing export…", "0%", "Cancel export"},
             Row{std::nan(""), false, "Exporting video", "Preparing export…", "0%", "Cancel export"},
             Row{7, false, "Exporting video", "Finishing file…", "100%", "Cancel export"},
         }) {
        const ExportProgressText t = ExportProgressText::make(row.progress, row.cancelling);
        EXPECT_EQ(t.title, QString::fromUtf8(row.title)) << row.progress;
        EXPECT_EQ(t.phase, QString::fromUtf8(row.phase)) << row.progress;
        EXPECT_EQ(t.percentText, row.percent) << row.progress;
        EXPECT_EQ(t.buttonTitle, QString::fromUtf8(row.button)) << row.progress;
        EXPECT_EQ(t.buttonEnabled, !row.cancelling);
    }
    EXPECT_EQ(ExportProgressText::make(0.42, false).accessibleValue, "42 percent");
}

TEST(UpdateDecisionTest, BannerWhileAnythingIsOpenOrRunningElseRelaunch)
{
    UpdateInputs idle{"41", QString("42")};
    EXPECT_EQ(decideUpdate(idle), UpdateDecision::relaunch);
    UpdateInputs same{"42", QString("42")};
    same.movieOpen = true;
    EXPECT_EQ(decideUpdate(same), UpdateDecision::none);
    EXPECT_EQ(decideUpdate({"", std::nullopt}), UpdateDecision::none);
    EXPECT_EQ(decideUpdate({"", QString("1")}), UpdateDecision::relaunch);
    struct Row { const char* what; bool UpdateInputs::*flag; };
    for (const Row& row : {Row{"movie", &UpdateInputs::movieOpen}, Row{"image", &UpdateInputs::imageOpen},
                           Row{"capture", &UpdateInputs::isCapturing}}) {
        UpdateInputs in = idle;
        in.*row.flag = true;
        EXPECT_EQ(decideUpdate(in), UpdateDecision::showBanner) << row.what;
    }
    for (const RecorderState& r : {starting(), recording(), finishing()}) {
        UpdateInputs in = idle;
        in.recorder = r;
        EXPECT_EQ(decideUpdate(in), UpdateDecision::showBanner);
    }
}

TEST(DocumentTypesTest, DefaultNamesAndPanelTypes)
{
    EXPECT_EQ(DocumentFlow::exportFileName(ExportFormat::gif), "Sablewick Video.gif");
    EXPECT_EQ(DocumentFlow::exportFileName(ExportFormat::mov), "Sablewick Video.mov");
    EXPECT_TRUE(nameFilter(DocumentFlow::exportTypes(ExportFormat::gif).at(0)).endsWith("(*.gif)"));
    ASSERT_EQ(DocumentFlow::exportTypes(ExportFormat::mp4).size(), 1u);
    EXPECT_EQ(DocumentFlow::exportTypes(ExportFormat::mp4)[0].patterns, QStringList{"*.mp4"});
    EXPECT_EQ(DocumentFlow::projectOpenTypes()[0].patterns, QStringList{"*"});
    EXPECT_EQ(DocumentFlow::projectSaveTypes()[0].patterns, QStringList{"*.json"});
    const auto movies = DocumentFlow::movieTypes();
    ASSERT_EQ(movies.size(), 3u);
    EXPECT_EQ(movies[1].name, "MPEG-4 movie");
    EXPECT_EQ(movies[2].name, "QuickTime movie");
    EXPECT_TRUE(movies[0].patterns.contains("*.mov") && movies[0].patterns.contains("*.mp4"));
}

}  // namespace
}  // namespace sablewick

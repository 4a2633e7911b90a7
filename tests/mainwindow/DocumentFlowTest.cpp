// The document flow and the window's view state over a real editor model and real small movies;
// the user's answers to dialogs are scripted.
#include "editor/EditorTestSupport.h"
#include "mainwindow/DocumentFlow.h"
#include "mainwindow/MainWindowTestSupport.h"
#include "media/MediaProbe.h"
#include "workspace/ContentState.h"

#include <QFileInfo>

namespace sablewick::test {
namespace {

class DocumentFlowTest : public ::testing::Test {
protected:
    DocumentFlowTest() : flow(modelWithExports(bench), session, dialogs) {}

    static EditorModel& modelWithExports(EditorBench& bench)
    {
        bench.services.exportRunner = standardExportRunner();
        return bench.model();
    }

    // A movie open with an edit that was never saved.
    void openEdited()
    {
        ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
        EditSettings s = editor().document().settings();
        s.cornerRadius += 6;
        editor().document().setSettings(s);
        editor().document().flushPendingEdits();
        ASSERT_TRUE(editor().document().hasUnsavedEdits());
    }
    EditorModel& editor() { return bench.model(); }
    bool waitForMovie(const QString& path)
    {
        return waitUntil([&] { return editor().document().movieURL() == QUrl::fromLocalFile(path); });
    }

    EditorBench bench;
    FakeSession session;
    ScriptedDialogs dialogs;
    DocumentFlow flow;
};

TEST_F(DocumentFlowTest, NoPromptWithNothingOpenOrNothingUnsaved)
{
    EXPECT_TRUE(flow.confirmReplacingEdit());
    openEdited();
    const QUrl saved = QUrl::fromLocalFile(bench.path("Saved.sablewick.json"));
    editor().document().saveProject(saved);
    editor().document().finishSaving();
    ASSERT_FALSE(editor().document().hasUnsavedEdits());
    editor().playback().togglePlayback();
    ASSERT_TRUE(editor().playback().isPlaying());
    EXPECT_TRUE(flow.confirmReplacingEdit());
    EXPECT_TRUE(dialogs.alerts.empty());
    EXPECT_TRUE(editor().playback().isPlaying()) << "no prompt, so playback goes on";
}

TEST_F(DocumentFlowTest, PromptTextsButtonsAndEachAnswer)
{
    openEdited();
    editor().playback().togglePlayback();

    // Cancel and Escape keep the edit.
    dialogs.alertAnswers = {1, std::nullopt};
    EXPECT_FALSE(flow.confirmReplacingEdit());
    EXPECT_FALSE(editor().playback().isPlaying()) << "the prompt pauses playback";
    EXPECT_FALSE(flow.confirmReplacingEdit());
    ASSERT_EQ(dialogs.alerts.size(), 2u);
    const AlertRequest& alert = dialogs.alerts[0];
    EXPECT_EQ(alert.message, "Save this edit before moving on?");
    EXPECT_EQ(alert.informativeText, "Save the project to keep its zooms, canvas and audio settings.");
    EXPECT_EQ(alert.buttons, (QStringList{"Save project", "Cancel", "Discard changes"}));
    EXPECT_EQ(alert.cancelButton, 1);

    // Discard lets the replacement go on with the edit unsaved.
    dialogs.alertAnswers = {2};
    EXPECT_TRUE(flow.confirmReplacingEdit());
    EXPECT_TRUE(editor().document().hasUnsavedEdits());

    // Save with a cancelled save panel abandons the replacement; the panel proposes the default name.
    dialogs.alertAnswers = {0};
    dialogs.saveAnswers = {std::nullopt};
    EXPECT_FALSE(flow.confirmReplacingEdit());
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].proposedName, "Sablewick Project.sablewick.json");
    EXPECT_EQ(dialogs.saveRequests[0].defaultSuffix, "json");

    // Save to a folder that cannot be written keeps the edit too.
    dialogs.alertAnswers = {0};
    dialogs.saveAnswers = {QUrl::fromLocalFile(bench.path("missing/folder/Demo.sablewick.json"))};
    EXPECT_FALSE(flow.confirmReplacingEdit());
    ASSERT_TRUE(editor().notice().has_value());
    EXPECT_TRUE(editor().notice()->startsWith("Could not save project: "));

    // Save that writes the project lets it go on.
    const QUrl project = QUrl::fromLocalFile(bench.path("Demo.sablewick.json"));
    dialogs.alertAnswers = {0};
    dialogs.saveAnswers = {project};
    EXPECT_TRUE(flow.confirmReplacingEdit());
    EXPECT_TRUE(QFileInfo::exists(project.toLocalFile()));
    EXPECT_EQ(editor().document().projectURL(), project);

    // A known project is saved in place, and its name seeds Save As.
    EditSettings s = editor().document().settings();
    s.shadowStrength += 0.03;
    editor().document().setSettings(s);
    editor().document().flushPendingEdits();
    dialogs.alertAnswers = {0};
    const std::size_t panels = dialogs.saveRequests.size();
    EXPECT_TRUE(flow.confirmReplacingEdit());
    EXPECT_EQ(dialogs.saveRequests.size(), panels) << "saving a known project asks for no file";
    dialogs.saveAnswers = {std::nullopt};
    EXPECT_FALSE(flow.saveProjectAs());
    EXPECT_EQ(dialogs.saveRequests.back().proposedName, "Demo.sablewick.json");
}

TEST_F(DocumentFlowTest, ASaveAskedForJustBeforeAReplacementCountsAndIsKept)
{
    openEdited();
    const double radius = editor().document().settings().cornerRadius;
    const QUrl project = QUrl::fromLocalFile(bench.path("Quick.sablewick.json"));
    dialogs.saveAnswers = {project};
    EXPECT_TRUE(flow.saveProject()) << "a save was asked for";

    // An open at once, before the save's outcome has come back through the event loop.
    dialogs.openAnswers = {QUrl::fromLocalFile(Clips::get().threeSeconds)};
    flow.openMovie();
    EXPECT_TRUE(dialogs.alerts.empty()) << "the saved edit needs no prompt";
    ASSERT_TRUE(waitForMovie(Clips::get().threeSeconds));
    EXPECT_DOUBLE_EQ(ProjectFile::readProject(project.toLocalFile()).settings.cornerRadius, radius);
    EXPECT_EQ(editor().document().recentProjects().value(0), project);
}

TEST_F(DocumentFlowTest, OpenPanelsOpenAfterThePromptAndCancelledPanelsDoNothing)
{
    dialogs.openAnswers = {std::nullopt};
    flow.openMovie();
    ASSERT_EQ(dialogs.openRequests.size(), 1u);
    EXPECT_EQ(dialogs.openRequests[0].types, DocumentFlow::movieTypes());
    EXPECT_FALSE(editor().document().movieURL());

    dialogs.openAnswers = {QUrl::fromLocalFile(Clips::get().twoSeconds)};
    flow.openMovie();
    EXPECT_TRUE(dialogs.alerts.empty()) << "nothing was open, so nothing to ask";
    ASSERT_TRUE(waitForMovie(Clips::get().twoSeconds));

    // Replacing the (never saved) recording asks; Cancel leaves it and shows no panel.
    dialogs.alertAnswers = {1};
    flow.openProject();
    EXPECT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.openRequests.size(), 2u);

    // Discard, then a project from the panel.
    const QUrl project = QUrl::fromLocalFile(bench.path("Three.sablewick.json"));
    ASSERT_TRUE(bench.open(Clips::get().threeSeconds));
    editor().document().saveProject(project);
    editor().document().finishSaving();
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    dialogs.alertAnswers = {2};
    dialogs.openAnswers = {project};
    flow.openProject();
    EXPECT_EQ(dialogs.openRequests.back().types, DocumentFlow::projectOpenTypes());
    ASSERT_TRUE(waitForMovie(Clips::get().threeSeconds));
    EXPECT_EQ(editor().document().projectURL(), project);
}

TEST_F(DocumentFlowTest, AnImageChosenInTheVideoPanelGoesToTheImageEditor)
{
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    // Text under an image's name: the image editor, not the movie loader, reports it.
    QFile fake(bench.path("fake.png"));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("not a picture\n");
    fake.close();
    dialogs.alertAnswers = {2};  // the never saved recording may go
    dialogs.openAnswers = {QUrl::fromLocalFile(fake.fileName())};
    flow.openMovie();
    EXPECT_EQ(session.calls, QStringList{"openImage fake.png"});
    bench.settleBackups();
    EXPECT_EQ(editor().document().movieURL(), QUrl::fromLocalFile(Clips::get().twoSeconds)) << "the open video stays";
    EXPECT_FALSE(editor().notice().value_or("").startsWith("Could not open video"));
}

TEST_F(DocumentFlowTest, DropsRouteByTypeAndAskBeforeReplacing)
{
    EXPECT_FALSE(flow.drop({}));
    EXPECT_TRUE(flow.drop({QUrl::fromLocalFile("/x/Shot.sableimage.json")}));
    EXPECT_TRUE(flow.drop({QUrl::fromLocalFile("/x/photo.png")}));
    EXPECT_EQ(session.calls, (QStringList{"openImage Shot.sableimage.json", "openImage photo.png"}));
    EXPECT_TRUE(dialogs.alerts.empty());

    // Only the first of several files opens.
    EXPECT_TRUE(flow.drop({QUrl::fromLocalFile(Clips::get().twoSeconds), QUrl::fromLocalFile(Clips::get().threeSeconds)}));
    ASSERT_TRUE(waitForMovie(Clips::get().twoSeconds));

    // Over the open recording a drop asks first; Cancel refuses the drop.
    dialogs.alertAnswers = {1};
    EXPECT_FALSE(flow.drop({QUrl::fromLocalFile(Clips::get().threeSeconds)}));
    EXPECT_EQ(dialogs.alerts.size(), 1u);

    // While a recording starts, runs or finishes, nothing is taken and nothing is asked.
    RecorderState busy;
    for (bool RecorderState::*flag : {&RecorderState::isStarting, &RecorderState::isRecording, &RecorderState::isFinalizing}) {
        busy = RecorderState{};
        busy.*flag = true;
        session.setRecorder(busy);
        EXPECT_FALSE(flow.drop({QUrl::fromLocalFile(Clips::get().threeSeconds)}));
    }
    session.setRecorder({});
    EXPECT_EQ(dialogs.alerts.size(), 1u);

    // A project dropped by a name in capitals opens as a project.
    const QString upper = bench.path("Two.JSON");
    editor().document().saveProject(QUrl::fromLocalFile(upper));
    editor().document().finishSaving();
    ASSERT_TRUE(bench.open(Clips::get().threeSeconds));
    dialogs.alertAnswers = {2};
    EXPECT_TRUE(flow.drop({QUrl::fromLocalFile(upper)}));
    ASSERT_TRUE(waitForMovie(Clips::get().twoSeconds));
    EXPECT_EQ(editor().document().projectURL(), QUrl::fromLocalFile(upper));
}

TEST_F(DocumentFlowTest, ExportAsksForTheDestinationAndWritesThere)
{
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    ExportOptions options;
    options.format = ExportFormat::gif;
    options.resolution = ExportResolution::p720;
    dialogs.saveAnswers = {std::nullopt};
    flow.exportMovie(options);
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].proposedName, "Sablewick Video.gif");
    EXPECT_EQ(dialogs.saveRequests[0].types, DocumentFlow::exportTypes(ExportFormat::gif));
    EXPECT_FALSE(editor().exporter().isExporting()) << "a cancelled panel starts no export";

    // A movie's name typed with a GIF chosen: the GIF is written under the GIF's name.
    dialogs.saveAnswers = {QUrl::fromLocalFile(bench.path("Out.mp4"))};
    flow.exportMovie(options);
    EXPECT_TRUE(editor().exporter().isExporting());
    ASSERT_TRUE(waitUntil([&] { return !editor().exporter().isExporting(); }, 60000));
    const QUrl destination = QUrl::fromLocalFile(bench.path("Out.gif"));
    EXPECT_EQ(editor().exporter().exportURL(), destination) << editor().notice().value_or("").toStdString();
    EXPECT_EQ(editor().notice(), "Exported Out.gif");
    EXPECT_FALSE(QFileInfo::exists(bench.path("Out.mp4")));
    QFile file(destination.toLocalFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(6), "GIF89a");
    const MediaInfo gif = probeMedia(destination.toLocalFile().toStdString());
    EXPECT_EQ(gif.container, "gif");
    ASSERT_TRUE(gif.hasVideo());
    EXPECT_EQ(gif.video().codec, "gif");
    EXPECT_GT(gif.duration, 1.5);
}

TEST(DocumentFlowExportTest, TheDestinationAlwaysCarriesTheChosenFormatsExtension)
{
    // What the exporter is handed; the export itself ends at once.
    EditorBench bench;
    std::vector<QString> handed;
    bench.services.exportRunner = [&handed](const ExportRequest& request, const std::function<void(double)>&) {
        handed.push_back(request.destination);
        return ExportOutcome{ExportOutcome::Status::finished, {}};
    };
    FakeSession session;
    ScriptedDialogs dialogs;
    DocumentFlow flow(bench.model(), session, dialogs);
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));

    struct Case {
        ExportFormat format;
        QString typed;
        QString written;
    };
    const Case cases[] = {
        {ExportFormat::gif, "demo.mp4", "demo.gif"}, {ExportFormat::gif, "demo", "demo.gif"},
        {ExportFormat::gif, "demo.gif", "demo.gif"}, {ExportFormat::gif, "Demo.GIF", "Demo.GIF"},
        {ExportFormat::gif, "demo.MOV", "demo.gif"}, {ExportFormat::gif, "take.v2", "take.v2.gif"},
        {ExportFormat::gif, ".mp4", ".mp4.gif"},     {ExportFormat::mp4, "demo.gif", "demo.mp4"},
        {ExportFormat::mp4, "demo.mov", "demo.mp4"}, {ExportFormat::mp4, "demo.mkv", "demo.mp4"},
        {ExportFormat::mp4, "demo.mp4", "demo.mp4"}, {ExportFormat::mp4, "my.demo", "my.demo.mp4"},
        {ExportFormat::mov, "demo.mp4", "demo.mov"}, {ExportFormat::mov, "demo.m4v", "demo.mov"},
        {ExportFormat::mov, "demo", "demo.mov"},
    };
    for (const Case& c : cases) {
        ExportOptions options;
        options.format = c.format;
        dialogs.saveAnswers = {QUrl::fromLocalFile(bench.path(c.typed))};
        const std::size_t before = handed.size();
        flow.exportMovie(options);
        ASSERT_TRUE(waitUntil([&] { return !bench.model().exporter().isExporting(); }));
        ASSERT_EQ(handed.size(), before + 1) << c.typed.toStdString();
        EXPECT_EQ(handed.back(), bench.path(c.written)) << c.typed.toStdString();
        EXPECT_EQ(bench.model().notice(), "Exported " + c.written) << c.typed.toStdString();
    }
    EXPECT_TRUE(dialogs.alerts.empty()) << "nothing was in the way";

    // A corrected name that is taken is replaced only when the user says so.
    QFile taken(bench.path("taken.gif"));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();
    ExportOptions gif;
    gif.format = ExportFormat::gif;
    dialogs.saveAnswers = {QUrl::fromLocalFile(bench.path("taken.mp4")), QUrl::fromLocalFile(bench.path("taken.mp4"))};
    dialogs.alertAnswers = {1, 0};
    const std::size_t before = handed.size();
    flow.exportMovie(gif);
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_TRUE(dialogs.alerts[0].message.contains("taken.gif"));
    EXPECT_EQ(handed.size(), before) << "the user kept the other file";
    flow.exportMovie(gif);
    ASSERT_TRUE(waitUntil([&] { return !bench.model().exporter().isExporting(); }));
    ASSERT_EQ(handed.size(), before + 1);
    EXPECT_EQ(handed.back(), bench.path("taken.gif"));
}

TEST_F(DocumentFlowTest, RecordingOverAnUnsavedEditKeepsItAsAProject)
{
    EXPECT_EQ(flow.keepEditBeforeRecording(), std::nullopt);
    openEdited();
    const EditSettings edited = editor().document().settings();
    const std::optional<QUrl> kept = flow.keepEditBeforeRecording();
    ASSERT_TRUE(kept.has_value());
    EXPECT_TRUE(QFileInfo::exists(kept->toLocalFile()));
    EXPECT_EQ(QFileInfo(kept->toLocalFile()).dir(), QFileInfo(EditorDocument::recoveryPath()).dir());
    EXPECT_EQ(editor().document().recentProjects().value(0), *kept);
    EXPECT_FALSE(editor().document().hasUnsavedEdits());
    EXPECT_EQ(flow.keepEditBeforeRecording(), std::nullopt) << "nothing left to keep";

    // An edit the user chose to discard for the recording is not kept; one changed since is.
    EditSettings s = editor().document().settings();
    s.shadowStrength += 0.05;
    editor().document().setSettings(s);
    dialogs.alertAnswers = {2};
    ASSERT_TRUE(flow.confirmReplacingEdit());
    EXPECT_EQ(flow.keepEditBeforeRecording(), std::nullopt);
    s.shadowStrength += 0.05;
    editor().document().setSettings(s);
    const std::optional<QUrl> second = flow.keepEditBeforeRecording();
    ASSERT_TRUE(second.has_value());
    EXPECT_NE(*second, *kept) << "a second kept edit never replaces the first";
    EXPECT_TRUE(QFileInfo::exists(kept->toLocalFile()));

    // The kept project brings the edit back after the recording replaced it.
    ASSERT_TRUE(bench.open(Clips::get().threeSeconds));
    ASSERT_TRUE(bench.openProject(*kept));
    EXPECT_EQ(editor().document().settings().cornerRadius, edited.cornerRadius);
}

class ContentStateTest : public DocumentFlowTest {
protected:
    ContentStateTest() : state(bench.model()) {}
    ContentState state;
};

TEST_F(ContentStateTest, NewZoomIsPlacedByOneClickAndIsOneUndoStep)
{
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    state.setInspectorVisible(false);
    editor().playback().seek(1.0);
    state.addZoomAndPlace(std::nullopt);
    EXPECT_TRUE(state.isPlacingFocus());
    ASSERT_TRUE(state.pendingZoomTime().has_value());
    EXPECT_EQ(state.inspectorTab(), InspectorTab::focus);
    EXPECT_TRUE(state.inspectorVisible()) << "adding a zoom shows the inspector";

    // A click outside the video (the canvas's padding) keeps the mode.
    const QSizeF view(480, 270);
    state.clickPreview({1, 1}, view);
    EXPECT_TRUE(state.isPlacingFocus());
    EXPECT_TRUE(editor().document().events().empty());

    state.clickPreview({240, 135}, view);
    EXPECT_FALSE(state.isPlacingFocus());
    EXPECT_FALSE(state.pendingZoomTime());
    ASSERT_EQ(editor().document().events().size(), 1u);
    EXPECT_EQ(state.selectedPoint(), editor().document().events()[0].id);
    EXPECT_NEAR(editor().document().events()[0].x, 0.5, 0.01);
    EXPECT_NEAR(editor().document().events()[0].y, 0.5, 0.01);
    editor().document().undo();
    EXPECT_TRUE(editor().document().events().empty());
    EXPECT_FALSE(state.selectedPoint()) << "the undone point is no longer selected";
}

TEST_F(ContentStateTest, EscapeLeavesNoPointAndDeletingTheSelectionLeavesPlacement)
{
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    state.addZoomAndPlace(0.5);
    state.cancelPlacement();
    EXPECT_FALSE(state.isPlacingFocus());
    EXPECT_TRUE(editor().document().events().empty());

    state.addZoomAndPlace(0.2);
    state.clickPreview({100, 100}, {480, 270});
    state.addZoomAndPlace(1.2);
    state.clickPreview({300, 100}, {480, 270});
    ASSERT_EQ(editor().document().events().size(), 2u);
    const FocusPoint first = editor().document().events()[0];
    const FocusPoint second = editor().document().events()[1];

    // Re-aiming the selected point, then deleting another one, keeps the mode.
    state.beginPlacing(second);
    EXPECT_TRUE(state.isPlacingFocus());
    EXPECT_FALSE(state.pendingZoomTime());
    state.removeZoom(first);
    EXPECT_TRUE(state.isPlacingFocus());
    // Deleting the one being re-aimed leaves the mode and the selection.
    state.deleteSelectedZoom();
    EXPECT_FALSE(state.isPlacingFocus());
    EXPECT_FALSE(state.selectedPoint());
    EXPECT_TRUE(editor().document().events().empty());
    // With nothing selected, delete does nothing.
    state.deleteSelectedZoom();
}

TEST_F(ContentStateTest, SelectionShowsTheFocusPageAndANewMovieClearsIt)
{
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    state.addZoomAndPlace(0.2);
    state.clickPreview({240, 135}, {480, 270});
    const QUuid id = *state.selectedPoint();
    state.setSelectedPoint(std::nullopt);
    state.setInspectorTab(InspectorTab::audio);
    state.setInspectorVisible(false);
    state.setSelectedPoint(std::nullopt);
    EXPECT_EQ(state.inspectorTab(), InspectorTab::audio) << "clearing the selection leaves the page";
    state.setSelectedPoint(id);
    EXPECT_EQ(state.inspectorTab(), InspectorTab::focus);
    EXPECT_TRUE(state.inspectorVisible());

    state.addZoomAndPlace(1.0);
    ASSERT_TRUE(bench.open(Clips::get().threeSeconds));
    EXPECT_FALSE(state.selectedPoint());
    EXPECT_FALSE(state.isPlacingFocus());
    EXPECT_FALSE(state.pendingZoomTime());
}

}  // namespace
}  // namespace sablewick::test

// Undo, redo, coalescing and the recovery copy, in fake time over a real movie.
#include "EditorTestSupport.h"

#include "document/Project.h"

#include <QFileInfo>

namespace sablewick::test {
namespace {

class EditorHistoryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bench.open(Clips::get().twoSeconds)); }

    EditorModel& model() { return bench.model(); }
    void setZoom(double value)
    {
        EditSettings s = model().document().settings();
        s.zoomStrength = value;
        model().document().setSettings(s);
    }

    EditorBench bench;
};

TEST_F(EditorHistoryTest, ABurstOfChangesBecomesOneStepAndOneBackup)
{
    QFile::remove(EditorDocument::recoveryPath());
    EXPECT_FALSE(model().document().canUndo());
    EXPECT_TRUE(model().document().hasUnsavedEdits()) << "a newly opened movie counts as unsaved";

    setZoom(2.0);
    EXPECT_TRUE(model().document().canUndo()) << "the pending change can already be undone";
    bench.scheduler.advance(0.1);
    setZoom(2.5);
    bench.scheduler.advance(0.1);
    setZoom(3.0);
    bench.scheduler.advance(0.34);
    bench.settleBackups();
    EXPECT_FALSE(QFile::exists(EditorDocument::recoveryPath())) << "written only after 0.35 s of quiet";
    bench.scheduler.advance(0.02);
    bench.settleBackups();
    ASSERT_TRUE(QFile::exists(EditorDocument::recoveryPath()));
    EXPECT_EQ(ProjectFile::readProject(EditorDocument::recoveryPath()).settings.zoomStrength, 3.0);

    model().document().undo();
    EXPECT_EQ(model().document().settings().zoomStrength, 1.65) << "the three changes were one step";
    EXPECT_FALSE(model().document().canUndo());
    EXPECT_TRUE(model().document().canRedo());
    model().document().redo();
    EXPECT_EQ(model().document().settings().zoomStrength, 3.0);
}

TEST_F(EditorHistoryTest, UndoRightAfterAChangeCommitsAndUndoesIt)
{
    setZoom(2.0);
    bench.scheduler.advance(0.5);
    setZoom(2.5);
    model().document().undo();
    EXPECT_EQ(model().document().settings().zoomStrength, 2.0);
    EXPECT_TRUE(model().document().canRedo());
    EXPECT_TRUE(model().document().canUndo());
    EXPECT_EQ(bench.scheduler.pendingCount(), 0) << "the undo's own commit cancelled the timer";
    model().document().undo();
    EXPECT_EQ(model().document().settings().zoomStrength, 1.65);
    EXPECT_FALSE(model().document().canUndo());
    model().document().undo();  // nothing left: nothing happens
    EXPECT_EQ(model().document().settings().zoomStrength, 1.65);
}

TEST_F(EditorHistoryTest, ANewChangeAfterUndoDropsTheRedoStepsAtOnce)
{
    setZoom(2.0);
    bench.scheduler.advance(0.5);
    model().document().undo();
    ASSERT_TRUE(model().document().canRedo());
    setZoom(3.0);
    EXPECT_FALSE(model().document().canRedo());
    model().document().redo();
    EXPECT_EQ(model().document().settings().zoomStrength, 3.0);
}

TEST_F(EditorHistoryTest, UndoingBackToTheSavedStateClearsTheUnsavedMark)
{
    bench.model().document().saveProject(QUrl::fromLocalFile(bench.path("Edit.sablewick.json")));
    bench.model().document().finishSaving();
    ASSERT_FALSE(model().document().hasUnsavedEdits());
    setZoom(2.0);
    EXPECT_TRUE(model().document().hasUnsavedEdits());
    model().document().undo();
    EXPECT_FALSE(model().document().hasUnsavedEdits());
    model().document().redo();
    EXPECT_TRUE(model().document().hasUnsavedEdits());
}

TEST_F(EditorHistoryTest, TheUndoStackKeepsTheLastHundredSteps)
{
    for (int i = 1; i <= 101; ++i) {
        setZoom(1.0 + i * 0.01);
        bench.scheduler.advance(0.4);
    }
    int undone = 0;
    while (model().document().canUndo()) {
        model().document().undo();
        ++undone;
    }
    EXPECT_EQ(undone, EditorDocument::undoDepthLimit);
    EXPECT_DOUBLE_EQ(model().document().settings().zoomStrength, 1.01) << "the oldest step fell off the stack";
    model().document().undo();
    EXPECT_DOUBLE_EQ(model().document().settings().zoomStrength, 1.01);

    int redone = 0;
    while (model().document().canRedo()) {
        model().document().redo();
        ++redone;
    }
    EXPECT_EQ(redone, EditorDocument::undoDepthLimit);
    EXPECT_DOUBLE_EQ(model().document().settings().zoomStrength, 2.01);
}

TEST_F(EditorHistoryTest, AnUnchangedValueRestartsTheTimerButCommitsNothing)
{
    setZoom(2.0);
    bench.scheduler.advance(0.3);
    setZoom(2.0);
    bench.scheduler.advance(0.3);
    EXPECT_EQ(bench.scheduler.pendingCount(), 1) << "the second assignment restarted the wait";
    bench.scheduler.advance(0.1);
    model().document().setSettings(model().document().settings());
    bench.scheduler.advance(0.5);
    model().document().undo();
    EXPECT_EQ(model().document().settings().zoomStrength, 1.65) << "only one step was pushed";
    EXPECT_FALSE(model().document().canUndo());
}

TEST_F(EditorHistoryTest, UndoAndRedoLeaveThePointerTrackAndPlayheadAlone)
{
    const std::vector<FocusPoint> before = model().document().events();
    model().playback().seek(1.5);
    model().focus().setTrimEnd(1.0);
    EXPECT_DOUBLE_EQ(model().playback().currentTime(), 1.0);
    bench.scheduler.advance(0.5);
    model().focus().setTrimEnd(2.0);
    model().playback().seek(1.8);
    model().document().undo();
    EXPECT_DOUBLE_EQ(model().document().settings().trimEnd, 1.0);
    EXPECT_DOUBLE_EQ(model().playback().currentTime(), 1.0) << "the playhead is clamped into the restored range";
    EXPECT_EQ(model().document().events(), before);
}

class RecoveryTest : public ::testing::Test {
protected:
    EditorBench bench;
};

TEST_F(RecoveryTest, TheRecoveryFolderIsMadeOnTheFirstWrite)
{
    ScopedEnvironment env;
    const QString folder = bench.path("deep/er/state");
    env.set("SABLEWICK_STATE_DIRECTORY", folder.toStdString());
    EXPECT_EQ(EditorDocument::recoveryPath(), QDir(folder).filePath("Session.sablewick.json"));
    EXPECT_FALSE(bench.model().document().recoveryAvailable());

    bench.model().document().saveRecovery();
    EXPECT_FALSE(QFileInfo::exists(folder)) << "no movie open: nothing is written";
    EXPECT_FALSE(bench.model().document().recoveryAvailable());

    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    EXPECT_TRUE(QFileInfo::exists(EditorDocument::recoveryPath()));
    EXPECT_TRUE(bench.model().document().recoveryAvailable());
    const FocusProject saved = ProjectFile::readProject(EditorDocument::recoveryPath());
    EXPECT_FALSE(saved.savedProjectURL.has_value()) << "the edit was never saved";
    EXPECT_EQ(saved.movieURL, QUrl::fromLocalFile(Clips::get().twoSeconds));

    env.set("SABLEWICK_STATE_DIRECTORY", "");
    EXPECT_EQ(EditorDocument::recoveryPath(), QDir::current().filePath("Session.sablewick.json"));
}

TEST_F(RecoveryTest, TheEditSurvivesAQuitAndReopensUnsaved)
{
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    const QUrl project = QUrl::fromLocalFile(bench.path("Demo.sablewick.json"));
    bench.model().document().saveProject(project);
    bench.model().document().finishSaving();
    bench.model().focus().setTrimStart(0.5);
    EditSettings s = bench.model().document().settings();
    s.cornerRadius = 40;
    bench.model().document().setSettings(s);
    // What the shell does when the application quits: no 0.35 s wait.
    bench.model().document().flushPendingEdits();
    bench.model().document().saveRecovery();
    const EditSettings edited = bench.model().document().settings();
    bench.destroyModel();

    EXPECT_TRUE(bench.model().document().recoveryAvailable());
    ASSERT_TRUE(bench.openProject(EditorDocument::recoveryURL()));
    EditorModel& model = bench.model();
    EXPECT_EQ(model.document().settings(), edited);
    EXPECT_EQ(model.document().projectURL(), project);
    EXPECT_TRUE(model.document().hasUnsavedEdits());
    EXPECT_FALSE(model.document().canUndo());
    EXPECT_EQ(model.notice(), QStringLiteral("Opened Session.sablewick.json"));
    ASSERT_FALSE(model.document().recentProjects().isEmpty());
    EXPECT_EQ(model.document().recentProjects().front(), project);
}

TEST_F(RecoveryTest, ADamagedRecoveryFileIsReportedAndKeepsTheOpenEdit)
{
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    bench.model().focus().setTrimEnd(1.5);
    bench.scheduler.advance(0.5);
    bench.settleBackups();
    QFile file(EditorDocument::recoveryPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("{\"version\": 1, \"movieURL\": ");
    file.close();

    EXPECT_FALSE(bench.openProject(EditorDocument::recoveryURL()));
    ASSERT_TRUE(bench.model().notice().has_value());
    EXPECT_TRUE(bench.model().notice()->startsWith("Could not open project: ")) << bench.model().notice()->toStdString();
    EXPECT_DOUBLE_EQ(bench.model().document().settings().trimEnd, 1.5);
    EXPECT_TRUE(bench.model().document().canUndo());
}

TEST_F(RecoveryTest, AFailedBackupSaysSoAndKeepsTheEdit)
{
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    // The state folder's place is taken by a file, so the folder cannot be made.
    ScopedEnvironment env;
    QFile blocker(bench.path("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    env.set("SABLEWICK_STATE_DIRECTORY", bench.path("blocker/state").toStdString());

    bench.model().focus().setTrimEnd(1.0);
    bench.scheduler.advance(0.5);
    bench.settleBackups();
    EXPECT_EQ(bench.model().notice(), QStringLiteral("Could not back up this edit. Save the project to keep your changes."));
    EXPECT_DOUBLE_EQ(bench.model().document().settings().trimEnd, 1.0);
    EXPECT_TRUE(bench.model().document().canUndo());
    EXPECT_TRUE(bench.model().document().recoveryAvailable()) << "the earlier backup is still on disk";
}

}  // namespace
}  // namespace sablewick::test

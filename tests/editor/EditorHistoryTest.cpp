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
        EditSettings s = model().settings();
        s.zoomStrength = value;
        model().setSettings(s);
    }

    EditorBench bench;
};

TEST_F(EditorHistoryTest, ABurstOfChangesBecomesOneStepAndOneBackup)
{
    QFile::remove(EditorModel::recoveryPath());
    EXPECT_FALSE(model().canUndo());
    EXPECT_TRUE(model().hasUnsavedEdits()) << "a newly opened movie counts as unsaved";

    setZoom(2.0);
    EXPECT_TRUE(model().canUndo()) << "the pending change can already be undone";
    bench.scheduler.advance(0.1);
    setZoom(2.5);
    bench.scheduler.advance(0.1);
    setZoom(3.0);
    bench.scheduler.advance(0.34);
    bench.settleBackups();
    EXPECT_FALSE(QFile::exists(EditorModel::recoveryPath())) << "written only after 0.35 s of quiet";
    bench.scheduler.advance(0.02);
    bench.settleBackups();
    ASSERT_TRUE(QFile::exists(EditorModel::recoveryPath()));
    EXPECT_EQ(ProjectFile::readProject(EditorModel::recoveryPath()).settings.zoomStrength, 3.0);

    model().undo();
    EXPECT_EQ(model().settings().zoomStrength, 1.65) << "the three changes were one step";
    EXPECT_FALSE(model().canUndo());
    EXPECT_TRUE(model().canRedo());
    model().redo();
    EXPECT_EQ(model().settings().zoomStrength, 3.0);
}

TEST_F(EditorHistoryTest, UndoRightAfterAChangeCommitsAndUndoesIt)
{
    setZoom(2.0);
    bench.scheduler.advance(0.5);
    setZoom(2.5);
    model().undo();
    EXPECT_EQ(model().settings().zoomStrength, 2.0);
    EXPECT_TRUE(model().canRedo());
    EXPECT_TRUE(model().canUndo());
    EXPECT_EQ(bench.scheduler.pendingCount(), 0) << "the undo's own commit cancelled the timer";
    model().undo();
    EXPECT_EQ(model().settings().zoomStrength, 1.65);
    EXPECT_FALSE(model().canUndo());
    model().undo();  // nothing left: nothing happens
    EXPECT_EQ(model().settings().zoomStrength, 1.65);
}

TEST_F(EditorHistoryTest, ANewChangeAfterUndoDropsTheRedoStepsAtOnce)
{
    setZoom(2.0);
    bench.scheduler.advance(0.5);
    model().undo();
    ASSERT_TRUE(model().canRedo());
    setZoom(3.0);
    EXPECT_FALSE(model().canRedo());
    model().redo();
    EXPECT_EQ(model().settings().zoomStrength, 3.0);
}

TEST_F(EditorHistoryTest, UndoingBackToTheSavedStateClearsTheUnsavedMark)
{
    bench.model().saveProject(QUrl::fromLocalFile(bench.path("Edit.sablewick.json")));
    bench.model().finishSaving();
    ASSERT_FALSE(model().hasUnsavedEdits());
    setZoom(2.0);
    EXPECT_TRUE(model().hasUnsavedEdits());
    model().undo();
    EXPECT_FALSE(model().hasUnsavedEdits());
    model().redo();
    EXPECT_TRUE(model().hasUnsavedEdits());
}

TEST_F(EditorHistoryTest, TheUndoStackKeepsTheLastHundredSteps)
{
    for (int i = 1; i <= 101; ++i) {
        setZoom(1.0 + i * 0.01);
        bench.scheduler.advance(0.4);
    }
    int undone = 0;
    while (model().canUndo()) {
        model().undo();
        ++undone;
    }
    EXPECT_EQ(undone, EditorModel::undoDepthLimit);
    EXPECT_DOUBLE_EQ(model().settings().zoomStrength, 1.01) << "the oldest step fell off the stack";
    model().undo();
    EXPECT_DOUBLE_EQ(model().settings().zoomStrength, 1.01);

    int redone = 0;
    while (model().canRedo()) {
        model().redo();
        ++redone;
    }
    EXPECT_EQ(redone, EditorModel::undoDepthLimit);
    EXPECT_DOUBLE_EQ(model().settings().zoomStrength, 2.01);
}

TEST_F(EditorHistoryTest, AnUnchangedValueRestartsTheTimerButCommitsNothing)
{
    setZoom(2.0);
    bench.scheduler.advance(0.3);
    setZoom(2.0);
    bench.scheduler.advance(0.3);
    EXPECT_EQ(bench.scheduler.pendingCount(), 1) << "the second assignment restarted the wait";
    bench.scheduler.advance(0.1);
    model().setSettings(model().settings());
    bench.scheduler.advance(0.5);
    model().undo();
    EXPECT_EQ(model().settings().zoomStrength, 1.65) << "only one step was pushed";
    EXPECT_FALSE(model().canUndo());
}

TEST_F(EditorHistoryTest, UndoAndRedoLeaveThePointerTrackAndPlayheadAlone)
{
    const std::vector<FocusPoint> before = model().events();
    model().seek(1.5);
    model().setTrimEnd(1.0);
    EXPECT_DOUBLE_EQ(model().currentTime(), 1.0);
    bench.scheduler.advance(0.5);
    model().setTrimEnd(2.0);
    model().seek(1.8);
    model().undo();
    EXPECT_DOUBLE_EQ(model().settings().trimEnd, 1.0);
    EXPECT_DOUBLE_EQ(model().currentTime(), 1.0) << "the playhead is clamped into the restored range";
    EXPECT_EQ(model().events(), before);
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
    EXPECT_EQ(EditorModel::recoveryPath(), QDir(folder).filePath("Session.sablewick.json"));
    EXPECT_FALSE(bench.model().recoveryAvailable());

    bench.model().saveRecovery();
    EXPECT_FALSE(QFileInfo::exists(folder)) << "no movie open: nothing is written";
    EXPECT_FALSE(bench.model().recoveryAvailable());

    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    EXPECT_TRUE(QFileInfo::exists(EditorModel::recoveryPath()));
    EXPECT_TRUE(bench.model().recoveryAvailable());
    const FocusProject saved = ProjectFile::readProject(EditorModel::recoveryPath());
    EXPECT_FALSE(saved.savedProjectURL.has_value()) << "the edit was never saved";
    EXPECT_EQ(saved.movieURL, QUrl::fromLocalFile(Clips::get().twoSeconds));

    env.set("SABLEWICK_STATE_DIRECTORY", "");
    EXPECT_EQ(EditorModel::recoveryPath(), QDir::current().filePath("Session.sablewick.json"));
}

TEST_F(RecoveryTest, TheEditSurvivesAQuitAndReopensUnsaved)
{
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    const QUrl project = QUrl::fromLocalFile(bench.path("Demo.sablewick.json"));
    bench.model().saveProject(project);
    bench.model().finishSaving();
    bench.model().setTrimStart(0.5);
    EditSettings s = bench.model().settings();
    s.cornerRadius = 40;
    bench.model().setSettings(s);
    // What the shell does when the application quits: no 0.35 s wait.
    bench.model().flushPendingEdits();
    bench.model().saveRecovery();
    const EditSettings edited = bench.model().settings();
    bench.destroyModel();

    EXPECT_TRUE(bench.model().recoveryAvailable());
    ASSERT_TRUE(bench.openProject(EditorModel::recoveryURL()));
    EditorModel& model = bench.model();
    EXPECT_EQ(model.settings(), edited);
    EXPECT_EQ(model.projectURL(), project);
    EXPECT_TRUE(model.hasUnsavedEdits());
    EXPECT_FALSE(model.canUndo());
    EXPECT_EQ(model.notice(), QStringLiteral("Opened Session.sablewick.json"));
    ASSERT_FALSE(model.recentProjects().isEmpty());
    EXPECT_EQ(model.recentProjects().front(), project);
}

TEST_F(RecoveryTest, ADamagedRecoveryFileIsReportedAndKeepsTheOpenEdit)
{
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    bench.model().setTrimEnd(1.5);
    bench.scheduler.advance(0.5);
    bench.settleBackups();
    QFile file(EditorModel::recoveryPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("{\"version\": 1, \"movieURL\": ");
    file.close();

    EXPECT_FALSE(bench.openProject(EditorModel::recoveryURL()));
    ASSERT_TRUE(bench.model().notice().has_value());
    EXPECT_TRUE(bench.model().notice()->startsWith("Could not open project: ")) << bench.model().notice()->toStdString();
    EXPECT_DOUBLE_EQ(bench.model().settings().trimEnd, 1.5);
    EXPECT_TRUE(bench.model().canUndo());
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

    bench.model().setTrimEnd(1.0);
    bench.scheduler.advance(0.5);
    bench.settleBackups();
    EXPECT_EQ(bench.model().notice(), QStringLiteral("Could not back up this edit. Save the project to keep your changes."));
    EXPECT_DOUBLE_EQ(bench.model().settings().trimEnd, 1.0);
    EXPECT_TRUE(bench.model().canUndo());
    EXPECT_TRUE(bench.model().recoveryAvailable()) << "the earlier backup is still on disk";
}

}  // namespace
}  // namespace sablewick::test

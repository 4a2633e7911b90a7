// Snapshot undo in fake time.
#include "document/EditHistory.h"
#include "support/FakeScheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sablewick {
namespace {

constexpr double delay = 0.18;

// A document that is one string; the history sees it only through its hooks.
class EditHistoryTest : public ::testing::Test {
protected:
    explicit EditHistoryTest(int depth = 100)
        : history(scheduler, delay, depth,
                  {.current = [this] { return document; },
                   .restore =
                       [this](const std::string& snapshot) {
                           document = snapshot;
                           ++restores;
                           edit(document);  // a view echoing the restored value must not record it
                       },
                   .changed = [this] { ++changes; },
                   .settled = [this] { ++settles; }})
    {
    }

    void edit(const std::string& value)
    {
        document = value;
        history.note();
    }
    // Undoes until nothing is left, returning each state reached.
    std::vector<std::string> undoAll()
    {
        std::vector<std::string> seen;
        while (history.undo())
            seen.push_back(document);
        return seen;
    }

    test::FakeScheduler scheduler;
    std::string document = "a";
    int restores = 0;
    int changes = 0;
    int settles = 0;
    EditHistory<std::string> history;
};

TEST_F(EditHistoryTest, ChangesWithinTheDelayBecomeOneStep)
{
    history.reset(true);
    edit("ab");
    scheduler.advance(delay - 0.01);
    edit("abc");  // restarts the wait
    scheduler.advance(delay - 0.01);
    EXPECT_TRUE(history.hasPendingChange());
    EXPECT_EQ(settles, 0);
    scheduler.advance(0.02);
    EXPECT_FALSE(history.hasPendingChange());
    EXPECT_EQ(settles, 1);

    edit("abcd");
    scheduler.advance(delay + 0.01);
    EXPECT_EQ(settles, 2);

    EXPECT_EQ(undoAll(), (std::vector<std::string>{"abc", "a"}));
    EXPECT_EQ(restores, 2);
    EXPECT_FALSE(history.canUndo());
    EXPECT_TRUE(history.canRedo());
}

TEST_F(EditHistoryTest, UndoCommitsThePendingChangeFirstAndRedoReturnsToIt)
{
    history.reset(true);
    edit("b");
    EXPECT_TRUE(history.canUndo()) << "undo is offered before the step is committed";
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(document, "a");
    EXPECT_EQ(scheduler.pendingCount(), 0) << "the undo's commit ended the wait";
    EXPECT_EQ(settles, 0);
    ASSERT_TRUE(history.redo());
    EXPECT_EQ(document, "b");
    EXPECT_FALSE(history.redo());
    EXPECT_TRUE(history.undo());
    EXPECT_EQ(document, "a");
}

TEST_F(EditHistoryTest, AChangeAfterAnUndoDropsTheRedoSteps)
{
    history.reset(true);
    for (const char* value : {"b", "c"}) {
        edit(value);
        history.commit();
    }
    ASSERT_TRUE(history.undo());
    ASSERT_TRUE(history.canRedo());
    edit("x");
    EXPECT_FALSE(history.canRedo());
    EXPECT_FALSE(history.redo());
    EXPECT_EQ(undoAll(), (std::vector<std::string>{"b", "a"}));
}

TEST_F(EditHistoryTest, AChangeUndoneByHandWithinTheDelayLeavesNoStep)
{
    history.reset(true);
    edit("b");
    edit("a");
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.hasUnsavedChanges());
    scheduler.advance(1);
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.undo());
    EXPECT_EQ(restores, 0);
}

TEST_F(EditHistoryTest, UnsavedFollowsTheSavedSnapshot)
{
    history.reset(false);
    EXPECT_TRUE(history.hasUnsavedChanges()) << "a document that was never saved";
    history.markSaved();
    EXPECT_FALSE(history.hasUnsavedChanges());
    edit("b");
    EXPECT_TRUE(history.hasUnsavedChanges());
    history.undo();
    EXPECT_FALSE(history.hasUnsavedChanges()) << "back at the saved state";
    history.redo();
    EXPECT_TRUE(history.hasUnsavedChanges());
    history.reset(true);
    EXPECT_FALSE(history.hasUnsavedChanges());
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.canRedo());
}

TEST_F(EditHistoryTest, NothingIsRecordedUntilResetOrWhileSuspended)
{
    edit("b");
    EXPECT_FALSE(history.isTracking());
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(scheduler.pendingCount(), 0);

    history.reset(true);
    history.suspend();
    edit("c");
    history.commit();
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.undo());

    history.reset(true);
    edit("d");
    EXPECT_EQ(undoAll(), (std::vector<std::string>{"c"})) << "history starts at the reset";
}

TEST_F(EditHistoryTest, ChangedIsAnnouncedOnlyWhenAFlagChanges)
{
    history.reset(true);
    const int afterReset = changes;
    edit("b");
    EXPECT_EQ(changes, afterReset + 1) << "undo offered and unsaved together";
    edit("c");
    scheduler.advance(1);
    EXPECT_EQ(changes, afterReset + 1);
    history.undo();
    EXPECT_EQ(changes, afterReset + 2);
}

class EditHistoryDepthTest : public EditHistoryTest {
protected:
    EditHistoryDepthTest() : EditHistoryTest(3) {}
};

TEST_F(EditHistoryDepthTest, TheOldestStepsBeyondTheLimitAreForgotten)
{
    history.reset(true);
    for (const char* value : {"b", "c", "d", "e", "f"}) {
        edit(value);
        scheduler.advance(delay);
    }
    EXPECT_EQ(undoAll(), (std::vector<std::string>{"e", "d", "c"}));
    // Redo goes all the way back even though the undo side is full again.
    int redone = 0;
    while (history.redo())
        ++redone;
    EXPECT_EQ(redone, 3);
    EXPECT_EQ(document, "f");
    EXPECT_EQ(undoAll().size(), 3u);
}

}  // namespace
}  // namespace sablewick

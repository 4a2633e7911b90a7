// The real scheduler on Qt's timers.
#include "platform/TaskScheduler.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <memory>

namespace sablewick {
namespace {

void spin(int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(QtTaskSchedulerTest, RunsOnceUnlessCancelledOrDropped)
{
    QtTaskScheduler scheduler;
    int ran = 0;
    int cancelled = 0;
    int dropped = 0;
    std::unique_ptr<ScheduledTask> task = scheduler.schedule(0.01, [&] { ++ran; });
    std::unique_ptr<ScheduledTask> cancelledTask = scheduler.schedule(0.01, [&] { ++cancelled; });
    scheduler.schedule(0.01, [&] { ++dropped; });  // the handle goes at once
    cancelledTask->cancel();
    EXPECT_TRUE(task->isPending());
    EXPECT_FALSE(cancelledTask->isPending());
    spin(100);
    EXPECT_EQ(ran, 1);
    EXPECT_FALSE(task->isPending());
    EXPECT_EQ(cancelled, 0);
    EXPECT_EQ(dropped, 0);
}

TEST(QtTaskSchedulerTest, ATaskMayReplaceItsOwnHandle)
{
    QtTaskScheduler scheduler;
    std::unique_ptr<ScheduledTask> handle;
    int runs = 0;
    std::function<void()> again = [&] {
        ++runs;
        if (runs < 3)
            handle = scheduler.schedule(0, again);  // destroys the running task's handle
    };
    handle = scheduler.schedule(0, again);
    spin(100);
    EXPECT_EQ(runs, 3);
}

}  // namespace
}  // namespace sablewick

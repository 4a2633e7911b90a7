#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace sablewick {

// A one-shot delayed task. Destroying or cancelling the handle before the delay has passed keeps
// the task from running. Main thread only.
class ScheduledTask {
public:
    virtual ~ScheduledTask() = default;
    virtual void cancel() = 0;
    // True until the task has run or been cancelled.
    virtual bool isPending() const = 0;
};

// Runs work on the main thread after a delay measured on a monotonic clock. Models take one by
// injection so that their coalescing and audition timers can run in fake time under test.
class TaskScheduler {
public:
    virtual ~TaskScheduler() = default;
    virtual std::unique_ptr<ScheduledTask> schedule(double seconds, std::function<void()> task) = 0;
};

// The real scheduler: precise single-shot Qt timers on the calling thread's event loop (Qt's
// timers run on the monotonic clock, so a change of the wall clock does not disturb them).
class QtTaskScheduler final : public TaskScheduler {
public:
    std::unique_ptr<ScheduledTask> schedule(double seconds, std::function<void()> task) override;
};

}  // namespace sablewick

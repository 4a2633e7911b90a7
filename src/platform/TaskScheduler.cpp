#include "platform/TaskScheduler.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

namespace sablewick {

namespace {

// The timer itself belongs to Qt and fires in any case; the handle only decides whether the task
// still runs. So a task may drop or replace its own handle while it runs.
struct TimerState {
    bool pending = true;
    std::function<void()> task;
};

class TimerTask final : public ScheduledTask {
public:
    explicit TimerTask(std::shared_ptr<TimerState> state) : m_state(std::move(state)) {}
    ~TimerTask() override { cancel(); }

    void cancel() override
    {
        m_state->pending = false;
        m_state->task = nullptr;
    }
    bool isPending() const override { return m_state->pending; }

private:
    std::shared_ptr<TimerState> m_state;
};

}  // namespace

std::unique_ptr<ScheduledTask> QtTaskScheduler::schedule(double seconds, std::function<void()> task)
{
    auto state = std::make_shared<TimerState>();
    state->task = std::move(task);
    const double ms = std::isfinite(seconds) ? std::clamp(seconds * 1000.0, 0.0, 2.0e9) : 0.0;
    QTimer::singleShot(static_cast<int>(std::lround(ms)), Qt::PreciseTimer, [state] {
        if (!state->pending)
            return;
        state->pending = false;
        auto run = std::move(state->task);
        run();
    });
    return std::make_unique<TimerTask>(std::move(state));
}

}  // namespace sablewick

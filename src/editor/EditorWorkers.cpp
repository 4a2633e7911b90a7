#include "editor/EditorWorkers.h"

#include "rendering/ExportJob.h"

#include <QThread>

#include <algorithm>
#include <map>
#include <vector>

namespace sablewick {
namespace {

struct Workers {
    QThreadPool* pool = nullptr;
    std::map<const void*, std::function<void()>> cancellers;
    std::vector<std::weak_ptr<ExportJob>> orphanedExports;
};

Workers& workerState()
{
    static Workers state;
    return state;
}

void stopWorkers()
{
    Workers& state = workerState();
    for (const auto& [owner, cancel] : state.cancellers)
        cancel();
    for (const std::weak_ptr<ExportJob>& orphan : state.orphanedExports)
        if (const std::shared_ptr<ExportJob> job = orphan.lock())
            job->cancel();
    state.orphanedExports.clear();
    if (state.pool) {
        state.pool->waitForDone();
        delete state.pool;
        state.pool = nullptr;
    }
}

}  // namespace

QThreadPool& editorWorkers()
{
    Workers& state = workerState();
    if (!state.pool) {
        state.pool = new QThreadPool;
        state.pool->setMaxThreadCount(std::max(8, QThread::idealThreadCount()));
        qAddPostRoutine(stopWorkers);
    }
    return *state.pool;
}

WorkerGroup::WorkerGroup()
    : m_state(std::make_shared<State>())
{
}

WorkerGroup::~WorkerGroup()
{
    waitForDone();
}

void WorkerGroup::start(std::function<void()> task)
{
    {
        const std::lock_guard lock(m_state->mutex);
        ++m_state->running;
    }
    editorWorkers().start([state = m_state, task = std::move(task)] {
        // Counted down however the task ends.
        const std::unique_ptr<State, void (*)(State*)> done(state.get(), [](State* s) {
            const std::lock_guard lock(s->mutex);
            --s->running;
            s->idle.notify_all();
        });
        task();
    });
}

void WorkerGroup::waitForDone()
{
    std::unique_lock lock(m_state->mutex);
    m_state->idle.wait(lock, [this] { return m_state->running == 0; });
}

void cancelWorkersAtExit(const void* owner, std::function<void()> cancel)
{
    workerState().cancellers[owner] = std::move(cancel);
}

void forgetWorkers(const void* owner)
{
    workerState().cancellers.erase(owner);
}

void cancelAtExit(const std::shared_ptr<ExportJob>& orphan)
{
    Workers& state = workerState();
    std::erase_if(state.orphanedExports, [](const std::weak_ptr<ExportJob>& job) { return job.expired(); });
    state.orphanedExports.push_back(orphan);
}

}  // namespace sablewick

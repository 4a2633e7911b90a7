#include "editor/OrderedWrites.h"

#include "editor/EditorWorkers.h"

#include <QCoreApplication>

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

namespace sablewick {

namespace {

std::optional<QString> run(const OrderedWrites::Write& write)
{
    // A write that throws past its own handling (out of memory) still ends as a failure, so that
    // its outcome runs and the queue goes on.
    try {
        return write();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    }
}

}  // namespace

struct OrderedWrites::State : std::enable_shared_from_this<State> {
    struct Waiting {
        QString path;
        Write write;
        Outcome outcome;
    };
    struct Ended {
        Outcome outcome;
        std::optional<QString> failure;
    };

    explicit State(bool replaces) : newestReplacesWaiting(replaces) {}

    const bool newestReplacesWaiting;
    mutable std::mutex mutex;
    std::condition_variable idle;
    std::deque<Waiting> waiting;
    std::deque<Ended> ended;
    bool writing = false;  // a worker, or writeNow, holds the files

    void dropWaiting(const QString& path)
    {
        std::erase_if(waiting, [&path](const Waiting& w) { return w.path == path; });
    }

    // On a worker: writes what waits until nothing does.
    void drain()
    {
        for (;;) {
            Waiting next;
            {
                std::lock_guard lock(mutex);
                if (waiting.empty()) {
                    writing = false;
                    idle.notify_all();
                    return;
                }
                next = std::move(waiting.front());
                waiting.pop_front();
            }
            std::optional<QString> failure = run(next.write);
            {
                std::lock_guard lock(mutex);
                ended.push_back({std::move(next.outcome), std::move(failure)});
            }
            if (QCoreApplication* application = QCoreApplication::instance())
                QMetaObject::invokeMethod(
                    application, [state = shared_from_this()] { state->deliver(); }, Qt::QueuedConnection);
        }
    }

    // On the main thread. One outcome at a time, so that an outcome that itself asks to finish
    // runs the later ones in their order too.
    void deliver()
    {
        for (;;) {
            Ended next;
            {
                std::lock_guard lock(mutex);
                if (ended.empty())
                    return;
                next = std::move(ended.front());
                ended.pop_front();
            }
            if (next.outcome)
                next.outcome(next.failure);
        }
    }

    void waitUntilIdle()
    {
        std::unique_lock lock(mutex);
        idle.wait(lock, [this] { return !writing; });
    }
};

OrderedWrites::OrderedWrites(bool newestReplacesWaiting) : m_state(std::make_shared<State>(newestReplacesWaiting)) {}

OrderedWrites::~OrderedWrites() = default;

void OrderedWrites::write(const QString& path, Write write, Outcome outcome)
{
    std::lock_guard lock(m_state->mutex);
    if (m_state->newestReplacesWaiting)
        m_state->dropWaiting(path);
    m_state->waiting.push_back({path, std::move(write), std::move(outcome)});
    if (m_state->writing)
        return;  // the worker under way takes it in its turn
    m_state->writing = true;
    editorWorkers().start([state = m_state] { state->drain(); });
}

std::optional<QString> OrderedWrites::writeNow(const QString& path, const Write& write)
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->dropWaiting(path);
    }
    finish();
    {
        // An outcome run by finish() may have asked for another write meanwhile.
        std::unique_lock lock(m_state->mutex);
        m_state->idle.wait(lock, [this] { return !m_state->writing; });
        m_state->writing = true;
    }
    std::optional<QString> failure = run(write);
    {
        std::lock_guard lock(m_state->mutex);
        m_state->writing = false;
    }
    m_state->idle.notify_all();
    return failure;
}

void OrderedWrites::finish()
{
    m_state->waitUntilIdle();
    m_state->deliver();
}

bool OrderedWrites::isBusy() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->writing || !m_state->waiting.empty() || !m_state->ended.empty();
}

}  // namespace sablewick

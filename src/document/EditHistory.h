#pragma once

#include "platform/TaskScheduler.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace sablewick {

// Snapshot undo for a document whose whole edit state fits in one comparable value. Changes that
// follow one another within the coalescing delay become one undo step, so that a slider drag or
// a burst of typing is undone at once; the oldest steps beyond the depth limit are forgotten.
//
// The history reads the document through `current` and puts undone or redone states back through
// `restore`; it never keeps a reference to the document itself. Main thread only.
template <typename Snapshot>
class EditHistory {
public:
    struct Hooks {
        std::function<Snapshot()> current;
        // Puts a snapshot back. Changes noted while it runs are not recorded.
        std::function<void(const Snapshot&)> restore;
        // canUndo(), canRedo() or hasUnsavedChanges() may have changed.
        std::function<void()> changed;
        // The coalescing delay has passed and the pending change was committed as a step.
        std::function<void()> settled;
    };

    EditHistory(TaskScheduler& scheduler, double coalesceDelay, int depthLimit, Hooks hooks)
        : m_scheduler(scheduler)
        , m_coalesceDelay(coalesceDelay)
        , m_depthLimit(depthLimit > 0 ? static_cast<std::size_t>(depthLimit) : 1)
        , m_hooks(std::move(hooks))
    {
    }
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    bool canUndo() const { return m_canUndo; }
    bool canRedo() const { return m_canRedo; }
    bool hasUnsavedChanges() const { return m_hasUnsavedChanges; }
    bool isTracking() const { return m_tracking; }
    bool hasPendingChange() const { return m_task && m_task->isPending(); }

    // Forgets every step and starts recording from the current document, which counts as saved
    // or not as told.
    void reset(bool saved)
    {
        cancelTimer();
        m_committed = m_hooks.current();
        m_saved = saved ? m_committed : std::nullopt;
        m_undo.clear();
        m_redo.clear();
        m_tracking = true;
        update(false, false, !saved);
    }

    // Stops recording until the next reset, while the document is replaced piece by piece.
    void suspend() { m_tracking = false; }

    // The document has changed: the change joins the pending step and the wait starts again.
    void note()
    {
        if (!m_tracking)
            return;
        const Snapshot snapshot = m_hooks.current();
        const bool undoable = !(m_committed && *m_committed == snapshot) || !m_undo.empty();
        m_redo.clear();
        update(undoable, false, differsFromSaved(snapshot));
        m_task = m_scheduler.schedule(m_coalesceDelay, [this] {
            commit();
            if (m_hooks.settled)
                m_hooks.settled();
        });
    }

    // Ends the pending step now (before an undo, a save or a compound change).
    void commit()
    {
        cancelTimer();
        if (!m_tracking)
            return;
        Snapshot snapshot = m_hooks.current();
        if (m_committed && !(*m_committed == snapshot)) {
            if (m_undo.size() >= m_depthLimit)
                m_undo.erase(m_undo.begin());
            m_undo.push_back(std::move(*m_committed));
        }
        m_committed = std::move(snapshot);
        update(!m_undo.empty(), m_canRedo, m_hasUnsavedChanges);
    }

    // Returns whether a step was undone (and the document restored).
    bool undo()
    {
        commit();
        return step(m_undo, m_redo);
    }

    // Returns whether a step was redone (and the document restored).
    bool redo() { return step(m_redo, m_undo); }

    // The current document has been saved: pending changes are committed and it counts as clean.
    void markSaved()
    {
        commit();
        m_saved = m_hooks.current();
        update(m_canUndo, m_canRedo, false);
    }

    // A state of the document has been saved, perhaps while the document changed further (a
    // write that ends later): the document counts as clean whenever it equals that state.
    void markSaved(Snapshot saved)
    {
        m_saved = std::move(saved);
        update(m_canUndo, m_canRedo, differsFromSaved(m_hooks.current()));
    }

private:
    // Goes one step back or forward: the current document is kept on the opposite side.
    bool step(std::vector<Snapshot>& from, std::vector<Snapshot>& to)
    {
        if (from.empty())
            return false;
        Snapshot snapshot = std::move(from.back());
        from.pop_back();
        to.push_back(m_hooks.current());
        restore(snapshot);
        return true;
    }

    void restore(const Snapshot& snapshot)
    {
        m_tracking = false;
        m_hooks.restore(snapshot);
        m_committed = snapshot;
        m_tracking = true;
        update(!m_undo.empty(), !m_redo.empty(), differsFromSaved(snapshot));
    }

    bool differsFromSaved(const Snapshot& snapshot) const { return !m_saved || !(*m_saved == snapshot); }

    void cancelTimer()
    {
        if (m_task)
            m_task->cancel();
    }

    void update(bool canUndo, bool canRedo, bool unsaved)
    {
        if (canUndo == m_canUndo && canRedo == m_canRedo && unsaved == m_hasUnsavedChanges)
            return;
        m_canUndo = canUndo;
        m_canRedo = canRedo;
        m_hasUnsavedChanges = unsaved;
        if (m_hooks.changed)
            m_hooks.changed();
    }

    TaskScheduler& m_scheduler;
    double m_coalesceDelay;
    std::size_t m_depthLimit;
    Hooks m_hooks;
    bool m_tracking = false;
    bool m_canUndo = false;
    bool m_canRedo = false;
    bool m_hasUnsavedChanges = false;
    std::optional<Snapshot> m_committed;
    std::optional<Snapshot> m_saved;
    std::vector<Snapshot> m_undo;
    std::vector<Snapshot> m_redo;
    std::unique_ptr<ScheduledTask> m_task;
};

}  // namespace sablewick

#pragma once

#include "platform/TaskScheduler.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace sablewick::test {

// A scheduler in fake time: tasks run only when the test advances the clock.
class FakeScheduler final : public TaskScheduler {
public:
    std::unique_ptr<ScheduledTask> schedule(double seconds, std::function<void()> task) override
    {
        auto entry = std::make_shared<Entry>(Entry{m_now + seconds, m_nextOrder++, true, std::move(task)});
        m_entries.push_back(entry);
        return std::make_unique<Handle>(entry);
    }

    double now() const { return m_now; }
    int pendingCount() const
    {
        return static_cast<int>(std::count_if(m_entries.begin(), m_entries.end(),
                                              [](const auto& e) { return e->pending; }));
    }

    // Moves the clock forward, running each task that falls due, in time order.
    void advance(double seconds)
    {
        const double target = m_now + seconds;
        for (;;) {
            std::erase_if(m_entries, [](const auto& e) { return !e->pending; });
            auto next = std::min_element(m_entries.begin(), m_entries.end(), [](const auto& a, const auto& b) {
                return a->due < b->due || (a->due == b->due && a->order < b->order);
            });
            if (next == m_entries.end() || (*next)->due > target + 1e-12)
                break;
            std::shared_ptr<Entry> entry = *next;
            m_now = std::max(m_now, entry->due);
            entry->pending = false;
            auto task = std::move(entry->task);
            task();
        }
        m_now = target;
    }

private:
    struct Entry {
        double due;
        long order;
        bool pending;
        std::function<void()> task;
    };
    class Handle final : public ScheduledTask {
    public:
        explicit Handle(std::shared_ptr<Entry> entry) : m_entry(std::move(entry)) {}
        ~Handle() override { cancel(); }
        void cancel() override { m_entry->pending = false; }
        bool isPending() const override { return m_entry->pending; }

    private:
        std::shared_ptr<Entry> m_entry;
    };

    double m_now = 0;
    long m_nextOrder = 0;
    std::vector<std::shared_ptr<Entry>> m_entries;
};

}  // namespace sablewick::test

#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace sablewick {

// Data shared between threads together with the mutex that guards it: the data is reachable only
// through lock(), so an access without the lock does not compile.
//
//     Guarded<Queue> m_queue;
//     m_queue.lock()->push(item);                        // one access
//     auto locked = m_queue.lock();                      // several under one lock
//     locked.wait(m_changed, [](Queue& q) { return !q.empty(); });
//
// Waiting takes a condition variable and a predicate on the data, so that the predicate too reads
// the data only under the lock. Notify after the lock has gone where possible.
template <typename T>
class Guarded {
public:
    class Locked {
    public:
        T* operator->() const { return m_value; }
        T& operator*() const { return *m_value; }

        // Waits until `ready(data)` holds; the lock is let go while waiting.
        template <typename Predicate>
        void wait(std::condition_variable& changed, Predicate ready)
        {
            changed.wait(m_lock, [&] { return ready(*m_value); });
        }
        // The same, until `deadline` at most; whether `ready(data)` holds.
        template <typename Clock, typename Duration, typename Predicate>
        bool waitUntil(std::condition_variable& changed, const std::chrono::time_point<Clock, Duration>& deadline,
                       Predicate ready)
        {
            return changed.wait_until(m_lock, deadline, [&] { return ready(*m_value); });
        }

    private:
        friend class Guarded;
        Locked(std::mutex& mutex, T& value)
            : m_lock(mutex)
            , m_value(&value)
        {
        }
        std::unique_lock<std::mutex> m_lock;
        T* m_value;
    };

    class ConstLocked {
    public:
        const T* operator->() const { return m_value; }
        const T& operator*() const { return *m_value; }

    private:
        friend class Guarded;
        ConstLocked(std::mutex& mutex, const T& value)
            : m_lock(mutex)
            , m_value(&value)
        {
        }
        std::unique_lock<std::mutex> m_lock;
        const T* m_value;
    };

    template <typename... Args>
    explicit Guarded(Args&&... args)
        : m_value(std::forward<Args>(args)...)
    {
    }
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;

    [[nodiscard]] Locked lock() { return Locked(m_mutex, m_value); }
    [[nodiscard]] ConstLocked lock() const { return ConstLocked(m_mutex, m_value); }

private:
    mutable std::mutex m_mutex;
    T m_value;
};

}  // namespace sablewick

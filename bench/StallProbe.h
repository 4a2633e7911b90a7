#pragma once

// What the main-thread stall benchmarks share: a probe timer that notes how late each of its
// 2 ms ticks comes and how much of each gap the thread spent working, an application that names
// slow event deliveries, and a wait that keeps the event loop running.

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

// The processor time the calling thread has used, in nanoseconds.
qint64 threadCpuTime()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Notes the gap between consecutive ticks of a 2 ms timer: any gap beyond 2 ms is time the
// thread spent on something else without returning to its loop. How much of a gap the thread
// spent working (its own processor time) tells the program's work from time the system gave to
// other threads and processes: on a loaded machine a thread that is ready may still wait.
class StallProbe {
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            const qint64 cpu = threadCpuTime();
            if (m_last >= 0) {
                m_gaps.push_back((now - m_last) / 1e6);
                m_work.push_back((cpu - m_lastCpu) / 1e6);
            }
            m_last = now;
            m_lastCpu = cpu;
        });
    }
    void start()
    {
        m_gaps.clear();
        m_work.clear();
        m_last = -1;
        m_clock.start();
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    void report(const char* phase)
    {
        std::vector<double> gaps = m_gaps;
        std::sort(gaps.begin(), gaps.end());
        const auto at = [&](double q) { return gaps.empty() ? 0.0 : gaps[static_cast<std::size_t>(q * (gaps.size() - 1))]; };
        const auto longest = std::max_element(m_gaps.begin(), m_gaps.end());
        const double longestWork = longest == m_gaps.end() ? 0.0 : m_work[size_t(longest - m_gaps.begin())];
        const double mostWork = m_work.empty() ? 0.0 : *std::max_element(m_work.begin(), m_work.end());
        std::printf("%-8s ticks %6zu  median gap %6.2f ms  p99 %6.2f ms  p99.9 %6.2f ms  longest %7.2f ms "
                    "(%.2f ms of it working)  most work in one gap %6.2f ms\n",
                    phase, gaps.size(), at(0.5), at(0.99), at(0.999), gaps.empty() ? 0.0 : gaps.back(), longestWork,
                    mostWork);
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = -1;
    qint64 m_lastCpu = 0;
    std::vector<double> m_gaps;
    std::vector<double> m_work;
};

// Times every event the main thread delivers, so that a stall can be named by what it was
// delivering (receiver class and event type) when SABLEWICK_STALL_TRACE is set.
class TracingApplication final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        // Paints are timed at any depth: a slow frame is named by the widget that painted it.
        if (!m_trace || (m_depth > 0 && event->type() != QEvent::Paint))
            return QApplication::notify(receiver, event);
        ++m_depth;
        QElapsedTimer t;
        t.start();
        const char* type = receiver->metaObject()->className();
        const int kind = event->type();
        const bool result = QApplication::notify(receiver, event);
        --m_depth;
        const double ms = t.nsecsElapsed() / 1e6;
        if (ms > (m_depth > 0 ? m_paintLimit : 20))
            std::printf("  %*s%7.2f ms delivering event %d to %s\n", 2 * m_depth, "", ms, kind, type);
        return result;
    }
    bool m_trace = qEnvironmentVariableIsSet("SABLEWICK_STALL_TRACE");
    double m_paintLimit = qEnvironmentVariableIntValue("SABLEWICK_STALL_TRACE") > 1 ? qEnvironmentVariableIntValue("SABLEWICK_STALL_TRACE") : 8;

private:
    int m_depth = 0;
};

bool spinUntil(const std::function<bool()>& done, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

}  // namespace

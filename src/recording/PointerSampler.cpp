#include "recording/PointerSampler.h"

#include "platform/ThreadName.h"

#include <chrono>
#include <cstdint>
#include <utility>

namespace sablewick {

PointerSampler::PointerSampler(double interval, std::function<PointerReading()> read)
    : m_interval(interval)
    , m_read(std::move(read))
    , m_thread([this] { run(); })
{
}

PointerSampler::~PointerSampler()
{
    stop();
}

void PointerSampler::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_stopChanged.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

std::vector<PointerReading> PointerSampler::take()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_readings, {});
}

void PointerSampler::run()
{
    nameCurrentThread("pointer sampler");
    using Clock = std::chrono::steady_clock;
    const auto step = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(m_interval));
    const Clock::time_point start = Clock::now();
    std::int64_t tick = 0;
    while (true) {
        const PointerReading reading = m_read();
        std::unique_lock lock(m_mutex);
        m_readings.push_back(reading);
        // A reading that waited (a display server busy with the capture, a machine short of
        // processors) is followed at once by those whose times passed meanwhile, so the path keeps
        // its rate; after a long stall (a suspended machine) the sampling starts afresh.
        const std::int64_t due = (Clock::now() - start) / step;
        tick = due - tick > maxCatchUp ? due + 1 : tick + 1;
        if (m_stopChanged.wait_until(lock, start + tick * step, [this] { return m_stop; }))
            return;
    }
}

}  // namespace sablewick

#include "recording/PointerSampler.h"

#include "platform/ThreadName.h"
#include "platform/WorkerThread.h"

#include <chrono>
#include <cstdint>
#include <utility>

namespace sablewick {

PointerSampler::PointerSampler(double interval, std::function<PointerReading()> read,
                               std::function<void(const std::string&)> failed)
    : m_interval(interval)
    , m_read(std::move(read))
    , m_failed(std::move(failed))
    , m_thread([this] { run(); })
{
}

PointerSampler::~PointerSampler()
{
    stop();
}

void PointerSampler::stop()
{
    m_shared.lock()->stop = true;
    m_stopChanged.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

std::vector<PointerReading> PointerSampler::take()
{
    return std::exchange(m_shared.lock()->readings, {});
}

void PointerSampler::run()
{
    nameCurrentThread("pointer sampler");
    runCatchingAll([this] { sample(); }, "The pointer could not be read.", m_failed);
}

void PointerSampler::sample()
{
    using Clock = std::chrono::steady_clock;
    const auto step = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(m_interval));
    const Clock::time_point start = Clock::now();
    std::int64_t tick = 0;
    while (true) {
        const PointerReading reading = m_read();
        auto shared = m_shared.lock();
        shared->readings.push_back(reading);
        // A reading that waited (a display server busy with the capture, a machine short of
        // processors) is followed at once by those whose times passed meanwhile, so the path keeps
        // its rate; after a long stall (a suspended machine) the sampling starts afresh.
        const std::int64_t due = (Clock::now() - start) / step;
        tick = due - tick > maxCatchUp ? due + 1 : tick + 1;
        if (shared.waitUntil(m_stopChanged, start + tick * step, [](const Shared& s) { return s.stop; }))
            return;
    }
}

}  // namespace sablewick

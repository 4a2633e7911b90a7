#include "recording/PointerSampler.h"

#include "platform/ThreadName.h"

#include <chrono>
#include <cstdint>
#include <utility>

namespace sablewick {

PointerSampler::PointerSampler(double interval, std::function<PointerReading()> read)
    : interval_(interval)
    , read_(std::move(read))
    , thread_([this] { run(); })
{
}

PointerSampler::~PointerSampler()
{
    stop();
}

void PointerSampler::stop()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    stopChanged_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

std::vector<PointerReading> PointerSampler::take()
{
    std::lock_guard lock(mutex_);
    return std::exchange(readings_, {});
}

void PointerSampler::run()
{
    nameCurrentThread("pointer sampler");
    using Clock = std::chrono::steady_clock;
    const auto step = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(interval_));
    const Clock::time_point start = Clock::now();
    std::int64_t tick = 0;
    while (true) {
        const PointerReading reading = read_();
        std::unique_lock lock(mutex_);
        readings_.push_back(reading);
        // A reading that waited (a display server busy with the capture, a machine short of
        // processors) is followed at once by those whose times passed meanwhile, so the path keeps
        // its rate; after a long stall (a suspended machine) the sampling starts afresh.
        const std::int64_t due = (Clock::now() - start) / step;
        tick = due - tick > maxCatchUp ? due + 1 : tick + 1;
        if (stopChanged_.wait_until(lock, start + tick * step, [this] { return stop_; }))
            return;
    }
}

}  // namespace sablewick

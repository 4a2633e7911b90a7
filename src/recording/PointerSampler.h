#pragma once

#include "platform/Guarded.h"
#include "recording/CaptureBackend.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace sablewick {

// Reads the pointer at a steady rate on a thread of its own, so that the pointer's path keeps its
// rate however long the main thread is busy painting windows or handling input. The readings wait
// in the sampler until the owner takes them.
//
// Threading: construct, take and destroy on one thread; `read` runs on the sampler's thread.
class PointerSampler {
public:
    // The most readings made at once for times that passed while a reading waited.
    static constexpr std::int64_t maxCatchUp = 5;

    // A reading that throws ends the sampling: `failed` runs then, on the sampler's thread, with
    // the reason.
    PointerSampler(double interval, std::function<PointerReading()> read,
                   std::function<void(const std::string& reason)> failed = {});
    ~PointerSampler();
    PointerSampler(const PointerSampler&) = delete;
    PointerSampler& operator=(const PointerSampler&) = delete;

    // Ends the readings; none runs after it returns. Idempotent.
    void stop();
    // The readings since the last call, oldest first.
    std::vector<PointerReading> take();

private:
    struct Shared {
        bool stop = false;
        std::vector<PointerReading> readings;
    };

    void run();
    void sample();

    const double m_interval;
    const std::function<PointerReading()> m_read;
    const std::function<void(const std::string&)> m_failed;
    Guarded<Shared> m_shared;
    std::condition_variable m_stopChanged;
    std::thread m_thread;  // last: it starts once the rest is ready
};

}  // namespace sablewick

#include "platform/SoundArrivalClock.h"

#include <algorithm>

namespace sablewick {

SoundArrivalClock::SoundArrivalClock(int sampleRate)
    : rate_(sampleRate)
{
}

void SoundArrivalClock::arrived(std::size_t frames, double arrivedAt)
{
    count_ += static_cast<std::int64_t>(frames);
    // The last sample of the piece was there by the time the piece arrived.
    const double bound = arrivedAt - static_cast<double>(count_) / rate_;
    if (!started_) {
        started_ = true;
        origin_ = bound;
        lastArrival_ = arrivedAt;
        return;
    }
    if (bound <= origin_ + pauseSeconds) {
        lateSince_ = -1;
        // Never later than a piece allows; a little later each second, for a slow sound clock.
        origin_ = std::min(bound, origin_ + driftPerSecond * std::max(0.0, arrivedAt - lastArrival_));
    } else if (lateSince_ < 0) {
        lateSince_ = arrivedAt;
        lateOrigin_ = bound;
    } else {
        lateOrigin_ = std::min(lateOrigin_, bound);
        if (arrivedAt - lateSince_ >= pauseHoldSeconds) {
            origin_ = lateOrigin_;
            lateSince_ = -1;
        }
    }
    lastArrival_ = arrivedAt;
}

double SoundArrivalClock::timeOf(std::int64_t index) const { return origin_ + static_cast<double>(index) / rate_; }

void SoundArrivalClock::restart()
{
    count_ = 0;
    started_ = false;
    lateSince_ = -1;
}

}  // namespace sablewick

#pragma once

#include <cstddef>
#include <cstdint>

namespace sablewick {

// When each sample of a live sound stream happened, on the monotonic clock, from when its pieces
// arrive. A sample is never handed on before it was captured (or, from a monitor, before it was
// played: the server keeps what it could still rewind), so the earliest arrivals, less the
// samples before them, give the time of the stream's first sample; later arrivals are late by
// scheduling, not by the sound. The server's own latency figures were not used: right after a
// stream opens, or when another program starts playing and the output changes its latency, they
// are off by a tenth of a second and more while the sound itself runs on unbroken.
//
// The samples are counted, so every piece lands right after the one before it. The estimate
// follows a sound clock that runs slower than the monotonic one a little at a time, and starts
// anew after the stream paused (a suspended output): then every arrival is late by the pause.
//
// One thread at a time.
class SoundArrivalClock {
public:
    static constexpr double pauseSeconds = 0.1;    // later than this throughout...
    static constexpr double pauseHoldSeconds = 0.5;  // ...for this long: the stream paused
    static constexpr double driftPerSecond = 1e-3;   // how fast the estimate may move later

    explicit SoundArrivalClock(int sampleRate);

    // Notes a piece of `frames` samples that arrived at `arrivedAt` (monotonic seconds).
    void arrived(std::size_t frames, double arrivedAt);
    // The time of sample `index` (counted from the stream's first), by what has arrived so far.
    double timeOf(std::int64_t index) const;
    std::int64_t samplesArrived() const { return m_count; }
    // Starts anew: samples were lost (the server's buffer overflowed).
    void restart();

private:
    int m_rate;
    std::int64_t m_count = 0;
    bool m_started = false;
    double m_origin = 0;       // the time of sample 0
    double m_lastArrival = 0;
    double m_lateSince = -1;   // the first of an unbroken run of late arrivals, or -1
    double m_lateOrigin = 0;   // the earliest origin that run allows
};

}  // namespace sablewick

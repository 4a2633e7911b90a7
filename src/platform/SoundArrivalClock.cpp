#include "platform/SoundArrivalClock.h"

#include <algorithm>

namespace sablewick {

SoundArrivalClock::SoundArrivalClock(int sampleRate)
    : m_rate(sampleRate)
{
}

void SoundArrivalClock::arrived(std::size_t frames, double arrivedAt)
{
    m_count += static_cast<std::int64_t>(frames);
    // The last sample of the piece was there by the time the piece arrived.
    const double bound = arrivedAt - static_cast<double>(m_count) / m_rate;
    if (!m_started) {
        m_started = true;
        m_origin = bound;
        m_lastArrival = arrivedAt;
        return;
    }
    if (bound <= m_origin + pauseSeconds) {
        m_lateSince = -1;
        // Never later than a piece allows; a little later each second, for a slow sound clock.
        m_origin = std::min(bound, m_origin + driftPerSecond * std::max(0.0, arrivedAt - m_lastArrival));
    } else if (m_lateSince < 0) {
        m_lateSince = arrivedAt;
        m_lateOrigin = bound;
    } else {
        m_lateOrigin = std::min(m_lateOrigin, bound);
        if (arrivedAt - m_lateSince >= pauseHoldSeconds) {
            m_origin = m_lateOrigin;
            m_lateSince = -1;
        }
    }
    m_lastArrival = arrivedAt;
}

double SoundArrivalClock::timeOf(std::int64_t index) const { return m_origin + static_cast<double>(index) / m_rate; }

void SoundArrivalClock::restart()
{
    m_count = 0;
    m_started = false;
    m_lateSince = -1;
}

}  // namespace sablewick

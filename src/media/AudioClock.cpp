#include "media/AudioClock.h"

#include <algorithm>

namespace sablewick {

AudioClock::AudioClock(double systemOffset)
    : m_systemOffset(systemOffset)
{
}

double AudioClock::followSystem(double system)
{
    m_now = std::max(m_now, system + m_systemOffset);
    return m_now;
}

double AudioClock::followStream(std::optional<double> stream, double system)
{
    if (!stream) {
        // Waits a moment for the sound to start; then the system clock moves the clock on.
        m_now = std::max(m_now, system + m_systemOffset - maxWait);
        return m_now;
    }
    const double t = *stream + m_streamOffset;
    if (t > m_now) {
        m_now = t;
        m_systemOffset = t - system;
    } else if (m_now - t > maxWait) {
        m_streamOffset += m_now - t;
    }
    return m_now;
}

void AudioClock::restartStream(double written)
{
    m_streamOffset = m_now - written;
}

void AudioClock::detachStream(double system)
{
    m_systemOffset = m_now - system;
}

}  // namespace sablewick

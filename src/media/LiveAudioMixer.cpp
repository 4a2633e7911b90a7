#include "media/LiveAudioMixer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace sablewick {

LiveAudioMixer::LiveAudioMixer(int sources, double timeZero)
    : m_zero(timeZero)
    , m_sources(static_cast<std::size_t>(std::max(sources, 0)))
{
}

std::int64_t LiveAudioMixer::position(double time) const { return std::llround((time - m_zero) * sampleRate); }

void LiveAudioMixer::add(int index, const float* samples, std::size_t frames, double capturedAt, double now)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_sources.size() || frames == 0)
        return;
    Source& source = m_sources[static_cast<std::size_t>(index)];
    const std::int64_t measured = position(capturedAt);
    if (!source.started || std::llabs(measured - source.next) > std::llround(resyncSeconds * sampleRate))
        source.next = measured;
    source.started = true;
    source.lastPiece = now;
    std::int64_t at = source.next;
    source.next += static_cast<std::int64_t>(frames);
    if (source.next <= m_taken)
        return;
    // What falls before the part still held has been handed out already.
    std::size_t skip = 0;
    if (at < m_taken) {
        skip = static_cast<std::size_t>(std::min<std::int64_t>(m_taken - at, static_cast<std::int64_t>(frames)));
        at += static_cast<std::int64_t>(skip);
    }
    const std::size_t end = static_cast<std::size_t>(source.next - m_taken) * channels;
    if (m_mix.size() < end)
        m_mix.resize(end, 0.0f);
    const std::size_t offset = static_cast<std::size_t>(at - m_taken) * channels;
    for (std::size_t i = skip * channels; i < frames * channels; ++i)
        m_mix[offset + i - skip * channels] += samples[i];
}

std::vector<float> LiveAudioMixer::take(double now, double notAfter)
{
    std::int64_t ready = std::numeric_limits<std::int64_t>::max();
    bool anyLive = false;
    for (const Source& source : m_sources) {
        if (source.started && now - source.lastPiece < stallSeconds) {
            ready = std::min(ready, source.next);
            anyLive = true;
        }
    }
    // Nothing holds the track back: it follows the clock, late by the stall allowance, so the
    // movie keeps a sound track that is level with the picture.
    const std::int64_t byClock = position(now - stallSeconds);
    if (!anyLive)
        ready = byClock;
    ready = std::max(ready, byClock);
    if (std::isfinite(notAfter))
        ready = std::min(ready, position(notAfter));
    return takeTo(ready);
}

double LiveAudioMixer::heardUntil(double now) const
{
    std::optional<std::int64_t> end;
    for (const Source& source : m_sources) {
        if (source.started)
            end = std::max(end.value_or(source.next), source.next);
    }
    const double seconds = end ? static_cast<double>(*end) / sampleRate : now - m_zero;
    return std::max(seconds, 0.0);
}

std::vector<float> LiveAudioMixer::takeUntil(double end)
{
    std::vector<float> out = takeTo(position(end));
    m_mix.clear();
    return out;
}

std::vector<float> LiveAudioMixer::takeTo(std::int64_t ready)
{
    if (ready <= m_taken)
        return {};
    const std::size_t count = static_cast<std::size_t>(ready - m_taken) * channels;
    if (m_mix.size() < count)
        m_mix.resize(count, 0.0f);
    std::vector<float> out(m_mix.begin(), m_mix.begin() + static_cast<std::ptrdiff_t>(count));
    m_mix.erase(m_mix.begin(), m_mix.begin() + static_cast<std::ptrdiff_t>(count));
    for (float& sample : out)
        sample = std::clamp(sample, -1.0f, 1.0f);
    m_taken = ready;
    return out;
}

}  // namespace sablewick

#include "media/PlaybackMovieSound.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sablewick {

namespace {
// Closer than this the sound plays on without a jump; a larger difference from the picture's
// clock (a stalled decoder, a drifting sound card) makes the sound skip to where it belongs.
constexpr std::int64_t kResyncFrames = PlaybackMovieSound::sampleRate * 40 / 1000;
}  // namespace

void PlaybackMovieSound::reset(std::int64_t movieFrame)
{
    std::lock_guard lock(m_mutex);
    m_buffer.clear();
    m_consumed = 0;
    m_bufferStart = movieFrame;
    m_cursorValid = false;
}

void PlaybackMovieSound::append(const float* samples, std::int64_t frames)
{
    std::lock_guard lock(m_mutex);
    // Drop what has been played before growing, so the buffer stays about as long as the
    // decoder's lead.
    if (m_consumed > 0 && m_consumed * 2 >= m_buffer.size() / channels) {
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_consumed * channels));
        m_bufferStart += static_cast<std::int64_t>(m_consumed);
        m_consumed = 0;
    }
    m_buffer.insert(m_buffer.end(), samples, samples + frames * channels);
}

std::int64_t PlaybackMovieSound::framesAhead() const
{
    std::lock_guard lock(m_mutex);
    const std::int64_t end = m_bufferStart + static_cast<std::int64_t>(m_buffer.size() / channels);
    const std::int64_t from = std::max(m_bufferStart + static_cast<std::int64_t>(m_consumed), m_cursorValid ? m_cursor : 0);
    return std::max<std::int64_t>(end - from, 0);
}

void PlaybackMovieSound::start(double movieTime, double clockTime)
{
    std::lock_guard lock(m_mutex);
    m_playing = true;
    m_movieTime = movieTime;
    m_clockTime = clockTime;
    m_cursorValid = false;
}

void PlaybackMovieSound::stop()
{
    std::lock_guard lock(m_mutex);
    m_playing = false;
}

void PlaybackMovieSound::setVolume(float volume)
{
    std::lock_guard lock(m_mutex);
    m_volume = clampPlaybackVolume(volume);
}

bool PlaybackMovieSound::mixInto(float* mix, int frames, double heardAt)
{
    std::lock_guard lock(m_mutex);
    if (!m_playing)
        return false;
    const auto due = static_cast<std::int64_t>(std::llround((m_movieTime + (heardAt - m_clockTime)) * sampleRate));
    if (!m_cursorValid || std::llabs(due - m_cursor) > kResyncFrames) {
        m_cursor = due;
        m_cursorValid = true;
    }
    const std::int64_t bufferFrames = static_cast<std::int64_t>(m_buffer.size() / channels);
    // Frames of the buffer before the cursor are never heard.
    const std::int64_t cursorIndex = m_cursor - m_bufferStart;
    m_consumed = static_cast<std::size_t>(std::clamp<std::int64_t>(cursorIndex, static_cast<std::int64_t>(m_consumed), bufferFrames));
    // Where the buffer starts after the cursor, the first frames are silence.
    const std::int64_t lead = std::clamp<std::int64_t>(-cursorIndex, 0, frames);
    const std::int64_t available = std::clamp<std::int64_t>(bufferFrames - static_cast<std::int64_t>(m_consumed), 0, frames - lead);
    if (available > 0) {
        addScaledSamples(mix + lead * channels, m_buffer.data() + m_consumed * channels,
                         static_cast<std::size_t>(available * channels), m_volume);
        m_consumed += static_cast<std::size_t>(available);
    }
    m_cursor += frames;
    return true;
}

}  // namespace sablewick

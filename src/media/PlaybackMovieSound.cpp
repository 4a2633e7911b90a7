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
    std::lock_guard lock(mutex_);
    buffer_.clear();
    consumed_ = 0;
    bufferStart_ = movieFrame;
    cursorValid_ = false;
}

void PlaybackMovieSound::append(const float* samples, std::int64_t frames)
{
    std::lock_guard lock(mutex_);
    // Drop what has been played before growing, so the buffer stays about as long as the
    // decoder's lead.
    if (consumed_ > 0 && consumed_ * 2 >= buffer_.size() / channels) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(consumed_ * channels));
        bufferStart_ += static_cast<std::int64_t>(consumed_);
        consumed_ = 0;
    }
    buffer_.insert(buffer_.end(), samples, samples + frames * channels);
}

std::int64_t PlaybackMovieSound::framesAhead() const
{
    std::lock_guard lock(mutex_);
    const std::int64_t end = bufferStart_ + static_cast<std::int64_t>(buffer_.size() / channels);
    const std::int64_t from = std::max(bufferStart_ + static_cast<std::int64_t>(consumed_), cursorValid_ ? cursor_ : 0);
    return std::max<std::int64_t>(end - from, 0);
}

void PlaybackMovieSound::start(double movieTime, double clockTime)
{
    std::lock_guard lock(mutex_);
    playing_ = true;
    movieTime_ = movieTime;
    clockTime_ = clockTime;
    cursorValid_ = false;
}

void PlaybackMovieSound::stop()
{
    std::lock_guard lock(mutex_);
    playing_ = false;
}

void PlaybackMovieSound::setVolume(float volume)
{
    std::lock_guard lock(mutex_);
    volume_ = clampPlaybackVolume(volume);
}

bool PlaybackMovieSound::mixInto(float* mix, int frames, double heardAt)
{
    std::lock_guard lock(mutex_);
    if (!playing_)
        return false;
    const auto due = static_cast<std::int64_t>(std::llround((movieTime_ + (heardAt - clockTime_)) * sampleRate));
    if (!cursorValid_ || std::llabs(due - cursor_) > kResyncFrames) {
        cursor_ = due;
        cursorValid_ = true;
    }
    const std::int64_t bufferFrames = static_cast<std::int64_t>(buffer_.size() / channels);
    // Frames of the buffer before the cursor are never heard.
    const std::int64_t cursorIndex = cursor_ - bufferStart_;
    consumed_ = static_cast<std::size_t>(std::clamp<std::int64_t>(cursorIndex, static_cast<std::int64_t>(consumed_), bufferFrames));
    // Where the buffer starts after the cursor, the first frames are silence.
    const std::int64_t lead = std::clamp<std::int64_t>(-cursorIndex, 0, frames);
    const std::int64_t available = std::clamp<std::int64_t>(bufferFrames - static_cast<std::int64_t>(consumed_), 0, frames - lead);
    if (available > 0) {
        addScaledSamples(mix + lead * channels, buffer_.data() + consumed_ * channels,
                         static_cast<std::size_t>(available * channels), volume_);
        consumed_ += static_cast<std::size_t>(available);
    }
    cursor_ += frames;
    return true;
}

}  // namespace sablewick

#include "media/PlaybackDecoder.h"

#include "media/AudioDecoder.h"
#include "media/MediaError.h"
#include "media/PlaybackError.h"
#include "media/PlaybackMovieSound.h"
#include "media/VideoFrameSource.h"

#include <chrono>
#include <utility>
#include <cmath>
#include <vector>

namespace sablewick {

namespace {
// Converted frames kept ahead of the playhead: enough to ride out an uneven decode, few enough
// that four 1080p frames (33 MB) are the most a movie holds.
constexpr std::size_t kQueuedFrames = 4;
// The sound is decoded this far ahead of what is heard; below the minimum it goes first.
constexpr std::int64_t kSoundLead = PlaybackMovieSound::sampleRate / 2;
constexpr std::int64_t kSoundMinimum = PlaybackMovieSound::sampleRate * 15 / 100;
constexpr std::int64_t kSoundChunk = 2048;
}  // namespace

PlaybackDecoder::PlaybackDecoder(const std::string& path, std::shared_ptr<PlaybackMovieSound> sound)
    : video_(std::make_unique<VideoFrameSource>(path))
{
    if (sound && video_->info().hasAudio()) {
        try {
            audio_ = std::make_unique<AudioDecoder>(path, AudioFormat{PlaybackMovieSound::sampleRate, PlaybackMovieSound::channels});
            sound_ = std::move(sound);
        } catch (const MediaError&) {
            // A movie whose sound cannot be decoded still plays its picture.
        }
    }
    soundEnded_ = !audio_;
}

PlaybackDecoder::~PlaybackDecoder()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

const MediaInfo& PlaybackDecoder::info() const
{
    return video_->info();
}

QSize PlaybackDecoder::frameSize() const
{
    return {video_->width(), video_->height()};
}

void PlaybackDecoder::setOutputSize(QSize size)
{
    std::lock_guard lock(mutex_);
    outputSize_ = size;
}

void PlaybackDecoder::start(std::function<void(std::uint64_t)> seekFinished)
{
    seekFinished_ = std::move(seekFinished);
    thread_ = std::thread([this] { run(); });
}

void PlaybackDecoder::seek(double seconds, std::uint64_t serial)
{
    {
        std::lock_guard lock(mutex_);
        pendingSeek_ = seconds;
        pendingSerial_ = serial;
    }
    wake_.notify_all();
}

std::optional<PlaybackFrame> PlaybackDecoder::takeSeekResult(std::uint64_t serial)
{
    std::optional<PlaybackFrame> frame;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty() || queue_.front().serial != serial)
            return std::nullopt;
        frame = std::move(queue_.front());
        queue_.pop_front();
    }
    wake_.notify_all();
    return frame;
}

std::optional<PlaybackFrame> PlaybackDecoder::takeUpTo(double seconds, std::uint64_t serial)
{
    std::optional<PlaybackFrame> frame;
    {
        std::lock_guard lock(mutex_);
        while (!queue_.empty() && queue_.front().serial == serial && queue_.front().time <= seconds) {
            frame = std::move(queue_.front());
            queue_.pop_front();
        }
    }
    if (frame)
        wake_.notify_all();
    return frame;
}

std::optional<double> PlaybackDecoder::nextFrameTime(std::uint64_t serial) const
{
    std::lock_guard lock(mutex_);
    if (queue_.empty() || queue_.front().serial != serial)
        return std::nullopt;
    return queue_.front().time;
}

QString PlaybackDecoder::failure() const
{
    std::lock_guard lock(mutex_);
    return failure_;
}

void PlaybackDecoder::run()
{
    std::unique_lock lock(mutex_);
    std::optional<double> soundRestart;
    auto soundWanted = [&] { return !soundEnded_ && (soundRestart || sound_->framesAhead() < kSoundLead); };
    // Decodes a frame with the lock released (turning it upright takes time too, and the player's
    // tick waits on the lock) and queues it; without a frame the picture has ended, failed or not.
    auto decodeUnlocked = [&](std::uint64_t serial, auto decode) {
        lock.unlock();
        std::optional<PlaybackFrame> frame;
        QString error;
        try {
            if (std::optional<VideoFrame> decoded = decode())
                frame = PlaybackFrame{std::move(decoded->image), decoded->time.seconds(), serial};
        } catch (const std::exception& e) {
            error = describePlaybackError(e);
        }
        lock.lock();
        if (frame) {
            queue_.push_back(std::move(*frame));
        } else {
            videoEnded_ = true;
            if (!error.isEmpty())
                failure_ = error;
        }
    };
    for (;;) {
        // The sound is consumed by the output's thread, which does not wake us: look again soon.
        wake_.wait_for(lock, std::chrono::milliseconds(20), [&] {
            return quit_ || pendingSeek_ || (!videoEnded_ && queue_.size() < kQueuedFrames) || soundWanted();
        });
        if (quit_)
            return;
        // Only this thread uses the source; the new size applies from its next picture.
        video_->setOutputSize(outputSize_);

        if (pendingSeek_) {
            const double target = *pendingSeek_;
            const std::uint64_t serial = pendingSerial_;
            pendingSeek_.reset();
            serial_ = serial;
            if (sound_) {
                sound_->reset(std::llround(target * PlaybackMovieSound::sampleRate));
                soundRestart = target;
                soundEnded_ = false;
            }
            // Stepping forward while paused usually lands on a frame that is already decoded.
            std::size_t hit = queue_.size();
            const double shownBy = target + kPlaybackTimeSlack;
            for (std::size_t i = 0; i + 1 < queue_.size() && queue_[i].time <= shownBy; ++i)
                if (queue_[i + 1].time > shownBy)
                    hit = i;
            // A picture queued before the size changed is no answer to a seek.
            if (hit < queue_.size() && queue_[hit].image.size() != video_->outputSize())
                hit = queue_.size();
            if (hit < queue_.size()) {
                queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(hit));
                for (auto& frame : queue_)
                    frame.serial = serial;
            } else {
                queue_.clear();
                videoEnded_ = false;
                decodeUnlocked(serial, [&] {
                    return std::optional<VideoFrame>(
                        video_->frameAt(MediaTime(std::llround((target + kPlaybackTimeSlack) * 1e9), 1'000'000'000)));
                });
            }
            lock.unlock();
            seekFinished_(serial);
            lock.lock();
            continue;
        }

        const bool videoWanted = !videoEnded_ && queue_.size() < kQueuedFrames;
        if (sound_ && soundWanted() && (!videoWanted || soundRestart || sound_->framesAhead() < kSoundMinimum)) {
            const std::optional<double> restart = std::exchange(soundRestart, std::nullopt);
            lock.unlock();
            bool ended = false;
            try {
                if (restart)
                    audio_->restart(*restart);
                ended = !decodeSoundAhead(kSoundChunk);
            } catch (const std::exception&) {
                ended = true;  // the picture plays on without sound
            }
            lock.lock();
            // A seek waiting to be taken starts the sound afresh, whatever happened here.
            if (ended && !pendingSeek_)
                soundEnded_ = true;
            continue;
        }

        if (videoWanted)
            decodeUnlocked(serial_, [&] { return video_->nextFrame(); });
    }
}

bool PlaybackDecoder::decodeSoundAhead(std::int64_t frames)
{
    std::vector<float> samples(static_cast<std::size_t>(frames * PlaybackMovieSound::channels));
    const std::int64_t got = audio_->read(samples.data(), frames);
    if (got <= 0)
        return false;
    sound_->append(samples.data(), got);
    return true;
}

}  // namespace sablewick

#include "media/PlaybackDecoder.h"

#include "media/AudioDecoder.h"
#include "media/MediaError.h"
#include "media/PlaybackError.h"
#include "media/PlaybackMovieSound.h"
#include "media/VideoFrameSource.h"
#include "platform/ThreadName.h"

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
    : m_video(std::make_unique<VideoFrameSource>(path))
{
    if (sound && m_video->info().hasAudio()) {
        try {
            m_audio = std::make_unique<AudioDecoder>(path, AudioFormat{PlaybackMovieSound::sampleRate, PlaybackMovieSound::channels});
            m_sound = std::move(sound);
        } catch (const MediaError&) {
            // A movie whose sound cannot be decoded still plays its picture.
        }
    }
    m_soundEnded = !m_audio;
}

PlaybackDecoder::~PlaybackDecoder()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

const MediaInfo& PlaybackDecoder::info() const
{
    return m_video->info();
}

QSize PlaybackDecoder::frameSize() const
{
    return {m_video->width(), m_video->height()};
}

void PlaybackDecoder::setOutputSize(QSize size)
{
    std::lock_guard lock(m_mutex);
    m_outputSize = size;
}

void PlaybackDecoder::start(std::function<void(std::uint64_t)> seekFinished)
{
    m_seekFinished = std::move(seekFinished);
    m_thread = std::thread([this] { run(); });
}

void PlaybackDecoder::seek(double seconds, std::uint64_t serial)
{
    {
        std::lock_guard lock(m_mutex);
        m_pendingSeek = seconds;
        m_pendingSerial = serial;
    }
    m_wake.notify_all();
}

std::optional<PlaybackFrame> PlaybackDecoder::takeSeekResult(std::uint64_t serial)
{
    std::optional<PlaybackFrame> frame;
    {
        std::lock_guard lock(m_mutex);
        if (m_queue.empty() || m_queue.front().serial != serial)
            return std::nullopt;
        frame = std::move(m_queue.front());
        m_queue.pop_front();
    }
    m_wake.notify_all();
    return frame;
}

std::optional<PlaybackFrame> PlaybackDecoder::takeUpTo(double seconds, std::uint64_t serial)
{
    std::optional<PlaybackFrame> frame;
    {
        std::lock_guard lock(m_mutex);
        while (!m_queue.empty() && m_queue.front().serial == serial && m_queue.front().time <= seconds) {
            frame = std::move(m_queue.front());
            m_queue.pop_front();
        }
    }
    if (frame)
        m_wake.notify_all();
    return frame;
}

std::optional<double> PlaybackDecoder::nextFrameTime(std::uint64_t serial) const
{
    std::lock_guard lock(m_mutex);
    if (m_queue.empty() || m_queue.front().serial != serial)
        return std::nullopt;
    return m_queue.front().time;
}

QString PlaybackDecoder::failure() const
{
    std::lock_guard lock(m_mutex);
    return m_failure;
}

void PlaybackDecoder::run()
{
    nameCurrentThread("playback decode");
    std::unique_lock lock(m_mutex);
    std::optional<double> soundRestart;
    auto soundWanted = [&] { return !m_soundEnded && (soundRestart || m_sound->framesAhead() < kSoundLead); };
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
            m_queue.push_back(std::move(*frame));
        } else {
            m_videoEnded = true;
            if (!error.isEmpty())
                m_failure = error;
        }
    };
    for (;;) {
        // The sound is consumed by the output's thread, which does not wake us: look again soon.
        m_wake.wait_for(lock, std::chrono::milliseconds(20), [&] {
            return m_quit || m_pendingSeek || (!m_videoEnded && m_queue.size() < kQueuedFrames) || soundWanted();
        });
        if (m_quit)
            return;
        // Only this thread uses the source; the new size applies from its next picture.
        m_video->setOutputSize(m_outputSize);

        if (m_pendingSeek) {
            const double target = *m_pendingSeek;
            const std::uint64_t serial = m_pendingSerial;
            m_pendingSeek.reset();
            m_serial = serial;
            if (m_sound) {
                m_sound->reset(std::llround(target * PlaybackMovieSound::sampleRate));
                soundRestart = target;
                m_soundEnded = false;
            }
            // Stepping forward while paused usually lands on a frame that is already decoded.
            std::size_t hit = m_queue.size();
            const double shownBy = target + kPlaybackTimeSlack;
            for (std::size_t i = 0; i + 1 < m_queue.size() && m_queue[i].time <= shownBy; ++i)
                if (m_queue[i + 1].time > shownBy)
                    hit = i;
            // A picture queued before the size changed is no answer to a seek.
            if (hit < m_queue.size() && m_queue[hit].image.size() != m_video->outputSize())
                hit = m_queue.size();
            if (hit < m_queue.size()) {
                m_queue.erase(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(hit));
                for (auto& frame : m_queue)
                    frame.serial = serial;
            } else {
                m_queue.clear();
                m_videoEnded = false;
                decodeUnlocked(serial, [&] {
                    return std::optional<VideoFrame>(
                        m_video->frameAt(MediaTime(std::llround((target + kPlaybackTimeSlack) * 1e9), 1'000'000'000)));
                });
            }
            lock.unlock();
            m_seekFinished(serial);
            lock.lock();
            continue;
        }

        const bool videoWanted = !m_videoEnded && m_queue.size() < kQueuedFrames;
        if (m_sound && soundWanted() && (!videoWanted || soundRestart || m_sound->framesAhead() < kSoundMinimum)) {
            const std::optional<double> restart = std::exchange(soundRestart, std::nullopt);
            lock.unlock();
            bool ended = false;
            try {
                if (restart)
                    m_audio->restart(*restart);
                ended = !decodeSoundAhead(kSoundChunk);
            } catch (const std::exception&) {
                ended = true;  // the picture plays on without sound
            }
            lock.lock();
            // A seek waiting to be taken starts the sound afresh, whatever happened here.
            if (ended && !m_pendingSeek)
                m_soundEnded = true;
            continue;
        }

        if (videoWanted)
            decodeUnlocked(m_serial, [&] { return m_video->nextFrame(); });
    }
}

bool PlaybackDecoder::decodeSoundAhead(std::int64_t frames)
{
    std::vector<float> samples(static_cast<std::size_t>(frames * PlaybackMovieSound::channels));
    const std::int64_t got = m_audio->read(samples.data(), frames);
    if (got <= 0)
        return false;
    m_sound->append(samples.data(), got);
    return true;
}

}  // namespace sablewick

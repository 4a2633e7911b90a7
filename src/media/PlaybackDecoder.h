#pragma once

#include "media/MediaProbe.h"

#include <QImage>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace sablewick {

class AudioDecoder;
class PlaybackMovieSound;
class VideoFrameSource;

// A frame counts as shown at time t when its own time is at most t plus this. Times reach the
// player as doubles (1/30 is not exact), and a frame must not be missed by a rounding error.
constexpr double kPlaybackTimeSlack = 1e-6;

struct PlaybackFrame {
    QImage image;
    double time = 0;             // seconds on the movie's timeline
    std::uint64_t serial = 0;    // the seek request this frame follows
};

// The movie player's decode thread: it keeps a few converted frames ahead of the playhead and,
// when the movie has sound and someone listens, the sound half a second ahead. A seek decodes
// the exact frame at its time. Seeks coalesce: while one runs, a newer request replaces the one
// that waits, so scrubbing shows frames at a steady pace instead of falling behind.
//
// Threads: construct, seek, take* and destroy on one thread (the player's); seekFinished is
// called on the decode thread.
class PlaybackDecoder {
public:
    // Opens the movie. `sound` may be null (no sound is decoded). Throws MediaError.
    PlaybackDecoder(const std::string& path, std::shared_ptr<PlaybackMovieSound> sound);
    ~PlaybackDecoder();
    PlaybackDecoder(const PlaybackDecoder&) = delete;
    PlaybackDecoder& operator=(const PlaybackDecoder&) = delete;

    const MediaInfo& info() const;
    // The size of the frames as shown: turned upright when the movie says it is rotated.
    QSize frameSize() const;
    // Frames decoded from now on are scaled to `size` (see VideoFrameSource::setOutputSize);
    // frames already queued keep theirs, except that a seek never reuses them.
    void setOutputSize(QSize size);

    // Starts the thread. `seekFinished(serial)` reports that the frame of that request is ready.
    void start(std::function<void(std::uint64_t serial)> seekFinished);

    // Asks for the frame shown at `seconds`; later frames follow it. `serial` identifies the
    // request and must grow from call to call.
    void seek(double seconds, std::uint64_t serial);

    // The frame that seek request `serial` produced, when it is still first in line.
    std::optional<PlaybackFrame> takeSeekResult(std::uint64_t serial);
    // The latest frame at or before `seconds` of request `serial`; earlier ones are dropped.
    std::optional<PlaybackFrame> takeUpTo(double seconds, std::uint64_t serial);
    // The time of the next frame waiting, if any.
    std::optional<double> nextFrameTime(std::uint64_t serial) const;
    // A decoding failure part-way through the movie; empty while none.
    QString failure() const;

private:
    void run();
    // Appends up to `frames` frames of sound; false at the end of the track.
    bool decodeSoundAhead(std::int64_t frames);

    std::unique_ptr<VideoFrameSource> m_video;
    std::unique_ptr<AudioDecoder> m_audio;
    std::shared_ptr<PlaybackMovieSound> m_sound;
    std::function<void(std::uint64_t)> m_seekFinished;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_quit = false;
    QSize m_outputSize;                // asked for; the decode thread hands it to the source
    std::optional<double> m_pendingSeek;
    std::uint64_t m_pendingSerial = 0;
    std::uint64_t m_serial = 0;        // the request whose frames are queued
    std::deque<PlaybackFrame> m_queue;
    bool m_videoEnded = false;
    bool m_soundEnded = false;
    QString m_failure;
};

}  // namespace sablewick

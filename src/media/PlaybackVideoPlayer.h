#pragma once

#include "media/PlaybackInterfaces.h"

#include <cstdint>
#include <memory>

namespace sablewick {

class AudioOutput;
class PlaybackClock;
class PlaybackDecoder;
class PlaybackMovieSound;
class PlaybackTimer;

// The editor's movie player. A decode thread keeps a few frames ahead; the picture follows the
// playback clock (the sound card's, or the system's), and the movie's sound goes to the shared
// audio output in step with it. A seek shows the exact frame at its time: while paused that
// frame, and nothing in between, becomes currentFrame(); while playing, the clock waits at the
// seek's time until its frame is there. Main thread only.
class PlaybackVideoPlayer : public VideoPlayer {
    Q_OBJECT
public:
    // `output` may be null (no sound). `clock` is what the picture follows; `timer` paces the
    // frames and the time reports.
    PlaybackVideoPlayer(std::shared_ptr<AudioOutput> output, std::shared_ptr<PlaybackClock> clock,
                        std::unique_ptr<PlaybackTimer> timer, QObject* parent = nullptr);
    ~PlaybackVideoPlayer() override;

    bool open(const QString& path, QString* error) override;
    MoviePreparer preparer() const override;
    bool openPrepared(std::unique_ptr<PreparedMovie> movie, QString* error) override;
    void close() override;
    bool isOpen() const override;

    double duration() const override;
    QSize frameSize() const override;
    void requestFrameSize(QSize size) override;

    void play() override;
    void pause() override;
    bool isPlaying() const override;
    void seek(double seconds) override;
    double currentTime() const override;
    void setVolume(float volume) override;

    QImage currentFrame() const override;

    // The time of the frame in currentFrame(); negative before the first.
    double currentFrameTime() const { return m_frameTime; }
    // True while a seek has been asked for and its frame is not shown yet.
    bool isSeeking() const { return m_waitingSerial != 0; }
    // A decoding failure part-way through the movie; empty while none.
    QString playbackError() const;

    // How often timeChanged reports the time while playing.
    static constexpr double timeReportInterval = 0.1;

private:
    void adopt(std::unique_ptr<PlaybackDecoder> decoder);
    void seekFinished(std::uint64_t serial);
    void startClockAt(double movieTime);
    double movieTimeAt(double clockTime) const;
    void tick();
    void scheduleTick(double clockNow, double movieNow);
    void present(QImage image, double time);

    std::shared_ptr<AudioOutput> m_output;
    std::shared_ptr<PlaybackClock> m_clock;
    std::unique_ptr<PlaybackTimer> m_timer;
    std::shared_ptr<PlaybackMovieSound> m_sound;
    std::unique_ptr<PlaybackDecoder> m_decoder;

    double m_duration = 0;
    QSize m_frameSize;
    bool m_playing = false;
    double m_position = 0;       // the playhead while paused or waiting for a seek
    double m_anchorMovie = 0;    // while playing: movie time m_anchorMovie at clock time m_anchorClock
    double m_anchorClock = 0;
    double m_nextReport = 0;     // clock time of the next timeChanged
    std::uint64_t m_serial = 0;  // the newest seek request
    std::uint64_t m_waitingSerial = 0;
    float m_volume = 1;
    QSize m_requestedSize;
    QImage m_frame;
    double m_frameTime = -1;
};

}  // namespace sablewick

#include "media/PlaybackVideoPlayer.h"

#include "media/AudioOutput.h"
#include "media/PlaybackClock.h"
#include "media/PlaybackDecoder.h"
#include "media/PlaybackError.h"
#include "media/PlaybackMovieSound.h"
#include "media/VideoFrameSource.h"

#include <algorithm>
#include <cmath>

namespace sablewick {

namespace {
// How often the player looks for a frame when the decoder has none waiting.
constexpr double kPollInterval = 0.005;
}  // namespace

PlaybackVideoPlayer::PlaybackVideoPlayer(std::shared_ptr<AudioOutput> output, std::shared_ptr<PlaybackClock> clock,
                                         std::unique_ptr<PlaybackTimer> timer, QObject* parent)
    : VideoPlayer(parent)
    , m_output(std::move(output))
    , m_clock(std::move(clock))
    , m_timer(std::move(timer))
{
    // Without an audio server nobody hears the movie's sound, so it is not decoded at all.
    if (m_output && m_output->mode() == AudioOutput::Mode::server) {
        m_sound = std::make_shared<PlaybackMovieSound>();
        m_output->addSource(m_sound);
    }
}

PlaybackVideoPlayer::~PlaybackVideoPlayer()
{
    m_timer->stop();
    // Joins the decode thread, so no seek result is posted to this object any more.
    m_decoder.reset();
    if (m_sound)
        m_output->removeSource(m_sound.get());
}

namespace {
// A movie whose decoder is made but not started: nothing runs until a player adopts it.
struct DecoderMovie final : PreparedMovie {
    using PreparedMovie::PreparedMovie;
    std::unique_ptr<PlaybackDecoder> decoder;
};
}  // namespace

MoviePreparer PlaybackVideoPlayer::preparer() const
{
    // The sound only stores what the decoder hands it once started, so an unused decoder
    // holding it is harmless.
    return [sound = m_sound](const QString& path, QString* error) -> std::unique_ptr<PreparedMovie> {
        auto movie = std::make_unique<DecoderMovie>(path);
        try {
            movie->decoder = std::make_unique<PlaybackDecoder>(path.toStdString(), sound);
        } catch (const std::exception& e) {
            if (error)
                *error = describePlaybackError(e);
            return nullptr;
        }
        return movie;
    };
}

bool PlaybackVideoPlayer::open(const QString& path, QString* error)
{
    std::unique_ptr<PreparedMovie> movie = preparer()(path, error);
    if (!movie) {
        close();
        return false;
    }
    return openPrepared(std::move(movie), error);
}

bool PlaybackVideoPlayer::openPrepared(std::unique_ptr<PreparedMovie> movie, QString* error)
{
    auto* prepared = dynamic_cast<DecoderMovie*>(movie.get());
    if (!prepared || !prepared->decoder)
        return open(movie->path, error);
    adopt(std::move(prepared->decoder));
    return true;
}

void PlaybackVideoPlayer::adopt(std::unique_ptr<PlaybackDecoder> decoder)
{
    close();
    m_decoder = std::move(decoder);
    m_duration = std::max(m_decoder->info().duration, 0.0);
    m_frameSize = m_decoder->frameSize();
    m_decoder->setOutputSize(m_requestedSize);
    m_decoder->start([this](std::uint64_t serial) {
        QMetaObject::invokeMethod(this, [this, serial] { seekFinished(serial); }, Qt::QueuedConnection);
    });
    // The first frame, so that the preview shows the movie before it plays.
    seek(0);
}

void PlaybackVideoPlayer::close()
{
    m_timer->stop();
    m_decoder.reset();
    if (m_sound)
        m_sound->stop();
    m_duration = 0;
    m_frameSize = QSize();
    m_playing = false;
    m_position = 0;
    m_waitingSerial = 0;
    m_frame = QImage();
    m_frameTime = -1;
}

bool PlaybackVideoPlayer::isOpen() const
{
    return m_decoder != nullptr;
}

double PlaybackVideoPlayer::duration() const
{
    return m_duration;
}

QSize PlaybackVideoPlayer::frameSize() const
{
    return m_frameSize;
}

void PlaybackVideoPlayer::requestFrameSize(QSize size)
{
    if (size == m_requestedSize)
        return;
    m_requestedSize = size;
    if (!m_decoder)
        return;
    m_decoder->setOutputSize(size);
    // While playing the next pictures come at the new size. Paused, the picture on show is
    // decoded again at it: larger, so that the view is sharp, or smaller, so that every change
    // of the edit composes the small one.
    const QSize wanted = VideoFrameSource::outputSizeFor(size, m_frameSize);
    if (!m_playing && m_waitingSerial == 0 && !m_frame.isNull() && m_frame.size() != wanted)
        seek(m_position);
}

void PlaybackVideoPlayer::play()
{
    if (!m_decoder || m_playing)
        return;
    m_playing = true;
    // After a seek the clock starts once its frame is there (seekFinished). The first tick
    // comes from the timer, so that no signal is emitted from inside play().
    if (m_waitingSerial == 0) {
        startClockAt(m_position);
        m_timer->start(0, [this] { tick(); });
    }
}

void PlaybackVideoPlayer::pause()
{
    if (!m_playing)
        return;
    m_position = currentTime();
    m_playing = false;
    m_timer->stop();
    if (m_sound)
        m_sound->stop();
    // Paused, the preview shows the frame at the playhead, even if the last tick came early.
    // When no later frame is decoded yet, which one that is cannot be told: an exact seek does.
    if (m_waitingSerial == 0) {
        if (auto frame = m_decoder->takeUpTo(m_position + kPlaybackTimeSlack, m_serial))
            present(std::move(frame->image), frame->time);
        if (!m_decoder->nextFrameTime(m_serial))
            seek(m_position);
    }
}

bool PlaybackVideoPlayer::isPlaying() const
{
    return m_playing;
}

void PlaybackVideoPlayer::seek(double seconds)
{
    if (!m_decoder || !std::isfinite(seconds))
        return;
    m_position = std::clamp(seconds, 0.0, m_duration);
    m_waitingSerial = ++m_serial;
    m_timer->stop();
    if (m_sound)
        m_sound->stop();
    m_decoder->seek(m_position, m_serial);
}

double PlaybackVideoPlayer::currentTime() const
{
    if (m_playing && m_waitingSerial == 0)
        return movieTimeAt(m_clock->now());
    return m_position;
}

void PlaybackVideoPlayer::setVolume(float volume)
{
    m_volume = clampPlaybackVolume(volume);
    if (m_sound)
        m_sound->setVolume(m_volume);
}

QImage PlaybackVideoPlayer::currentFrame() const
{
    return m_frame;
}

QString PlaybackVideoPlayer::playbackError() const
{
    return m_decoder ? m_decoder->failure() : QString();
}

void PlaybackVideoPlayer::seekFinished(std::uint64_t serial)
{
    if (!m_decoder)
        return;
    // While paused an older seek's frame is worth showing (scrubbing stays live); while playing
    // only the newest one counts, since the clock waits for it.
    if (serial == m_waitingSerial || !m_playing) {
        if (auto frame = m_decoder->takeSeekResult(serial))
            present(std::move(frame->image), frame->time);
    }
    if (serial != m_waitingSerial)
        return;
    m_waitingSerial = 0;
    if (m_playing) {
        startClockAt(m_position);
        tick();
    }
}

void PlaybackVideoPlayer::startClockAt(double movieTime)
{
    m_anchorClock = m_clock->now();
    m_anchorMovie = movieTime;
    m_nextReport = m_anchorClock + timeReportInterval;
    if (m_sound) {
        m_sound->start(movieTime, m_anchorClock);
        m_output->wake();
    }
}

double PlaybackVideoPlayer::movieTimeAt(double clockTime) const
{
    return std::clamp(m_anchorMovie + std::max(clockTime - m_anchorClock, 0.0), 0.0, m_duration);
}

void PlaybackVideoPlayer::tick()
{
    if (!m_playing || m_waitingSerial != 0 || !m_decoder)
        return;
    const double now = m_clock->now();
    const double t = movieTimeAt(now);
    if (auto frame = m_decoder->takeUpTo(t + kPlaybackTimeSlack, m_serial))
        present(std::move(frame->image), frame->time);
    if (!m_playing || m_waitingSerial != 0)
        return;  // a frameChanged handler paused or seeked

    if (t >= m_duration) {
        m_playing = false;
        m_position = m_duration;
        m_timer->stop();
        if (m_sound)
            m_sound->stop();
        // The last report lets a time observer apply its own end rule (loop or stop) first.
        emit timeChanged(m_duration);
        if (!m_playing && m_waitingSerial == 0 && m_position == m_duration)
            emit reachedEnd();
        return;
    }
    if (now + kPlaybackTimeSlack >= m_nextReport) {
        m_nextReport += timeReportInterval;
        if (m_nextReport <= now)
            m_nextReport = now + timeReportInterval;
        emit timeChanged(t);
        if (!m_playing || m_waitingSerial != 0)
            return;
    }
    scheduleTick(now, t);
}

void PlaybackVideoPlayer::scheduleTick(double clockNow, double movieNow)
{
    double delay = std::min(m_nextReport - clockNow, m_duration - movieNow);
    if (const auto next = m_decoder->nextFrameTime(m_serial))
        delay = std::min(delay, *next - kPlaybackTimeSlack - movieNow);
    else
        delay = std::min(delay, kPollInterval);
    m_timer->start(std::max(delay, 0.001), [this] { tick(); });
}

void PlaybackVideoPlayer::present(QImage image, double time)
{
    m_frame = std::move(image);
    m_frameTime = time;
    emit frameChanged();
}

}  // namespace sablewick

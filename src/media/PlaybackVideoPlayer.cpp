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
    , output_(std::move(output))
    , clock_(std::move(clock))
    , timer_(std::move(timer))
{
    // Without an audio server nobody hears the movie's sound, so it is not decoded at all.
    if (output_ && output_->mode() == AudioOutput::Mode::server) {
        sound_ = std::make_shared<PlaybackMovieSound>();
        output_->addSource(sound_);
    }
}

PlaybackVideoPlayer::~PlaybackVideoPlayer()
{
    timer_->stop();
    // Joins the decode thread, so no seek result is posted to this object any more.
    decoder_.reset();
    if (sound_)
        output_->removeSource(sound_.get());
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
    return [sound = sound_](const QString& path, QString* error) -> std::unique_ptr<PreparedMovie> {
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
    decoder_ = std::move(decoder);
    duration_ = std::max(decoder_->info().duration, 0.0);
    frameSize_ = decoder_->frameSize();
    decoder_->setOutputSize(requestedSize_);
    decoder_->start([this](std::uint64_t serial) {
        QMetaObject::invokeMethod(this, [this, serial] { seekFinished(serial); }, Qt::QueuedConnection);
    });
    // The first frame, so that the preview shows the movie before it plays.
    seek(0);
}

void PlaybackVideoPlayer::close()
{
    timer_->stop();
    decoder_.reset();
    if (sound_)
        sound_->stop();
    duration_ = 0;
    frameSize_ = QSize();
    playing_ = false;
    position_ = 0;
    waitingSerial_ = 0;
    frame_ = QImage();
    frameTime_ = -1;
}

bool PlaybackVideoPlayer::isOpen() const
{
    return decoder_ != nullptr;
}

double PlaybackVideoPlayer::duration() const
{
    return duration_;
}

QSize PlaybackVideoPlayer::frameSize() const
{
    return frameSize_;
}

void PlaybackVideoPlayer::requestFrameSize(QSize size)
{
    if (size == requestedSize_)
        return;
    requestedSize_ = size;
    if (!decoder_)
        return;
    decoder_->setOutputSize(size);
    // While playing the next pictures come at the new size. Paused, the picture on show is
    // decoded again at it: larger, so that the view is sharp, or smaller, so that every change
    // of the edit composes the small one.
    const QSize wanted = VideoFrameSource::outputSizeFor(size, frameSize_);
    if (!playing_ && waitingSerial_ == 0 && !frame_.isNull() && frame_.size() != wanted)
        seek(position_);
}

void PlaybackVideoPlayer::play()
{
    if (!decoder_ || playing_)
        return;
    playing_ = true;
    // After a seek the clock starts once its frame is there (seekFinished). The first tick
    // comes from the timer, so that no signal is emitted from inside play().
    if (waitingSerial_ == 0) {
        startClockAt(position_);
        timer_->start(0, [this] { tick(); });
    }
}

void PlaybackVideoPlayer::pause()
{
    if (!playing_)
        return;
    position_ = currentTime();
    playing_ = false;
    timer_->stop();
    if (sound_)
        sound_->stop();
    // Paused, the preview shows the frame at the playhead, even if the last tick came early.
    // When no later frame is decoded yet, which one that is cannot be told: an exact seek does.
    if (waitingSerial_ == 0) {
        if (auto frame = decoder_->takeUpTo(position_ + kPlaybackTimeSlack, serial_))
            present(std::move(frame->image), frame->time);
        if (!decoder_->nextFrameTime(serial_))
            seek(position_);
    }
}

bool PlaybackVideoPlayer::isPlaying() const
{
    return playing_;
}

void PlaybackVideoPlayer::seek(double seconds)
{
    if (!decoder_ || !std::isfinite(seconds))
        return;
    position_ = std::clamp(seconds, 0.0, duration_);
    waitingSerial_ = ++serial_;
    timer_->stop();
    if (sound_)
        sound_->stop();
    decoder_->seek(position_, serial_);
}

double PlaybackVideoPlayer::currentTime() const
{
    if (playing_ && waitingSerial_ == 0)
        return movieTimeAt(clock_->now());
    return position_;
}

void PlaybackVideoPlayer::setVolume(float volume)
{
    volume_ = clampPlaybackVolume(volume);
    if (sound_)
        sound_->setVolume(volume_);
}

QImage PlaybackVideoPlayer::currentFrame() const
{
    return frame_;
}

QString PlaybackVideoPlayer::playbackError() const
{
    return decoder_ ? decoder_->failure() : QString();
}

void PlaybackVideoPlayer::seekFinished(std::uint64_t serial)
{
    if (!decoder_)
        return;
    // While paused an older seek's frame is worth showing (scrubbing stays live); while playing
    // only the newest one counts, since the clock waits for it.
    if (serial == waitingSerial_ || !playing_) {
        if (auto frame = decoder_->takeSeekResult(serial))
            present(std::move(frame->image), frame->time);
    }
    if (serial != waitingSerial_)
        return;
    waitingSerial_ = 0;
    if (playing_) {
        startClockAt(position_);
        tick();
    }
}

void PlaybackVideoPlayer::startClockAt(double movieTime)
{
    anchorClock_ = clock_->now();
    anchorMovie_ = movieTime;
    nextReport_ = anchorClock_ + timeReportInterval;
    if (sound_) {
        sound_->start(movieTime, anchorClock_);
        output_->wake();
    }
}

double PlaybackVideoPlayer::movieTimeAt(double clockTime) const
{
    return std::clamp(anchorMovie_ + std::max(clockTime - anchorClock_, 0.0), 0.0, duration_);
}

void PlaybackVideoPlayer::tick()
{
    if (!playing_ || waitingSerial_ != 0 || !decoder_)
        return;
    const double now = clock_->now();
    const double t = movieTimeAt(now);
    if (auto frame = decoder_->takeUpTo(t + kPlaybackTimeSlack, serial_))
        present(std::move(frame->image), frame->time);
    if (!playing_ || waitingSerial_ != 0)
        return;  // a frameChanged handler paused or seeked

    if (t >= duration_) {
        playing_ = false;
        position_ = duration_;
        timer_->stop();
        if (sound_)
            sound_->stop();
        // The last report lets a time observer apply its own end rule (loop or stop) first.
        emit timeChanged(duration_);
        if (!playing_ && waitingSerial_ == 0 && position_ == duration_)
            emit reachedEnd();
        return;
    }
    if (now + kPlaybackTimeSlack >= nextReport_) {
        nextReport_ += timeReportInterval;
        if (nextReport_ <= now)
            nextReport_ = now + timeReportInterval;
        emit timeChanged(t);
        if (!playing_ || waitingSerial_ != 0)
            return;
    }
    scheduleTick(now, t);
}

void PlaybackVideoPlayer::scheduleTick(double clockNow, double movieNow)
{
    double delay = std::min(nextReport_ - clockNow, duration_ - movieNow);
    if (const auto next = decoder_->nextFrameTime(serial_))
        delay = std::min(delay, *next - kPlaybackTimeSlack - movieNow);
    else
        delay = std::min(delay, kPollInterval);
    timer_->start(std::max(delay, 0.001), [this] { tick(); });
}

void PlaybackVideoPlayer::present(QImage image, double time)
{
    frame_ = std::move(image);
    frameTime_ = time;
    emit frameChanged();
}

}  // namespace sablewick

#include "media/PlaybackAudioPlayer.h"

#include "media/AudioDecoder.h"
#include "media/AudioOutput.h"
#include "media/MediaError.h"
#include "media/PlaybackError.h"

#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

namespace sablewick {

namespace {

// Samples of a sound whose memory is returned on a worker: about a minute of stereo.
constexpr std::size_t largeSound = std::size_t(AudioOutput::sampleRate) * AudioOutput::channels * 60;

}  // namespace

// The player's state, shared with the output's thread that consumes it.
struct PlaybackAudioPlayer::Source : AudioSource {
    static constexpr int channels = AudioOutput::channels;

    Source(std::vector<float> pcm, std::int64_t length)
        : samples(std::move(pcm))
        , held(static_cast<std::int64_t>(samples.size() / channels))
        , frames(std::max(length, held))
    {
    }

    bool mixInto(float* mix, int count, double) override
    {
        std::lock_guard lock(mutex);
        const bool wasPlaying = playing;
        std::int64_t done = 0;
        while (playing && done < count) {
            if (position >= frames) {
                // At the end a looping player starts again; another one stops and rewinds.
                position = 0;
                if (!looping || frames == 0) {
                    playing = false;
                    break;
                }
            }
            const std::int64_t n = std::min<std::int64_t>(count - done, frames - position);
            // Past the decoded start of a long file the player keeps time in silence: the
            // editor reads only as much of a file as it will play.
            if (const std::int64_t heard = std::min(n, held - position); heard > 0)
                addScaledSamples(mix + done * channels, samples.data() + position * channels,
                                 static_cast<std::size_t>(heard * channels), volume);
            position += n;
            done += n;
        }
        return wasPlaying;
    }

    const std::vector<float> samples;
    const std::int64_t held;    // frames in `samples`
    const std::int64_t frames;  // the sound's length, which may go on past `held`
    mutable std::mutex mutex;
    std::int64_t position = 0;
    bool playing = false;
    bool looping = false;
    float volume = 1;
};

std::shared_ptr<DecodedAudio> PlaybackAudioPlayer::decode(const QString& path, double reach,
                                                          const std::function<bool()>& cancelled, QString* error)
{
    try {
        AudioDecoderOptions options;
        options.cancel = cancelled;
        const AudioFormat format{AudioOutput::sampleRate, AudioOutput::channels};
        AudioDecoder decoder(path.toStdString(), format, options);
        const double stated = decoder.track().duration > 0 ? decoder.track().duration : decoder.info().duration;
        const std::int64_t limit = reach >= 0 && std::isfinite(reach) ? format.framesFor(reach) : INT64_MAX;
        // Sized up front when the file says how long it is, so that a long sound is not copied
        // while it grows, nor held twice.
        const std::int64_t expected = std::isfinite(stated) && stated > 0 ? format.framesFor(stated) + 4096 : 0;
        AudioBuffer buffer = readAll(decoder, limit, std::min(expected, limit));
        // A file that ended before the reach was read whole and its length is exact; of a longer
        // one only its stated length is known.
        const double length = buffer.frameCount() < limit || !std::isfinite(stated) ? buffer.duration()
                                                                                     : std::max(stated, buffer.duration());
        return std::make_shared<DecodedAudio>(DecodedAudio{path, std::move(buffer.samples), length});
    } catch (const MediaError& e) {
        if (error)
            *error = e.kind() == MediaErrorKind::cancelled ? QString() : describePlaybackError(e);
    } catch (const std::exception& e) {
        if (error)
            *error = describePlaybackError(e);
    }
    return nullptr;
}

std::unique_ptr<PlaybackAudioPlayer> PlaybackAudioPlayer::open(const QString& path, std::shared_ptr<AudioOutput> output,
                                                               QString* error, QObject* parent)
{
    const std::shared_ptr<DecodedAudio> audio = decode(path, std::numeric_limits<double>::infinity(), {}, error);
    if (!audio)
        return nullptr;
    return std::make_unique<PlaybackAudioPlayer>(std::move(*audio), std::move(output), parent);
}

PlaybackAudioPlayer::PlaybackAudioPlayer(std::vector<float> samples, std::shared_ptr<AudioOutput> output, QObject* parent)
    : AudioPlayer(parent)
    , m_output(std::move(output))
    , m_source(std::make_shared<Source>(std::move(samples), 0))
{
    m_output->addSource(m_source);
}

PlaybackAudioPlayer::PlaybackAudioPlayer(DecodedAudio&& audio, std::shared_ptr<AudioOutput> output, QObject* parent)
    : AudioPlayer(parent)
    , m_output(std::move(output))
    , m_source(std::make_shared<Source>(std::move(audio.samples),
                                       std::isfinite(audio.length) && audio.length > 0
                                           ? static_cast<std::int64_t>(std::llround(audio.length * AudioOutput::sampleRate))
                                           : 0))
{
    m_output->addSource(m_source);
}

PlaybackAudioPlayer::~PlaybackAudioPlayer()
{
    m_output->removeSource(m_source.get());
    // Handing hundreds of megabytes back to the system takes tens of milliseconds, which the
    // thread that owns the player (the window's) should not spend.
    if (m_source->samples.size() > largeSound)
        QThreadPool::globalInstance()->start([source = std::move(m_source)] {});
}

double PlaybackAudioPlayer::length() const
{
    return static_cast<double>(m_source->frames) / AudioOutput::sampleRate;
}

void PlaybackAudioPlayer::setLooping(bool loopForever)
{
    std::lock_guard lock(m_source->mutex);
    m_source->looping = loopForever;
}

void PlaybackAudioPlayer::setPosition(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    const auto frame = static_cast<std::int64_t>(std::llround(seconds * AudioOutput::sampleRate));
    std::lock_guard lock(m_source->mutex);
    m_source->position = std::clamp<std::int64_t>(frame, 0, m_source->frames);
}

double PlaybackAudioPlayer::position() const
{
    std::lock_guard lock(m_source->mutex);
    return static_cast<double>(m_source->position) / AudioOutput::sampleRate;
}

void PlaybackAudioPlayer::play()
{
    {
        std::lock_guard lock(m_source->mutex);
        m_source->playing = m_source->frames > 0;
    }
    m_output->wake();
}

void PlaybackAudioPlayer::pause()
{
    std::lock_guard lock(m_source->mutex);
    m_source->playing = false;
}

void PlaybackAudioPlayer::stop()
{
    std::lock_guard lock(m_source->mutex);
    m_source->playing = false;
    m_source->position = 0;
}

bool PlaybackAudioPlayer::isPlaying() const
{
    std::lock_guard lock(m_source->mutex);
    return m_source->playing;
}

void PlaybackAudioPlayer::setVolume(float volume)
{
    std::lock_guard lock(m_source->mutex);
    m_source->volume = clampPlaybackVolume(volume);
}

float PlaybackAudioPlayer::volume() const
{
    std::lock_guard lock(m_source->mutex);
    return m_source->volume;
}

}  // namespace sablewick

#include "media/PlaybackAudioPlayer.h"

#include "media/AudioDecoder.h"
#include "media/AudioOutput.h"
#include "media/MediaError.h"
#include "media/PlaybackError.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace sablewick {

// The player's state, shared with the output's thread that consumes it.
struct PlaybackAudioPlayer::Source : AudioSource {
    static constexpr int channels = AudioOutput::channels;

    explicit Source(std::vector<float> pcm)
        : samples(std::move(pcm))
        , frames(static_cast<std::int64_t>(samples.size() / channels))
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
            addScaledSamples(mix + done * channels, samples.data() + position * channels,
                             static_cast<std::size_t>(n * channels), volume);
            position += n;
            done += n;
        }
        return wasPlaying;
    }

    const std::vector<float> samples;
    const std::int64_t frames;
    mutable std::mutex mutex;
    std::int64_t position = 0;
    bool playing = false;
    bool looping = false;
    float volume = 1;
};

std::shared_ptr<DecodedAudio> PlaybackAudioPlayer::decode(const QString& path, const std::function<bool()>& cancelled,
                                                          QString* error)
{
    try {
        AudioDecoderOptions options;
        options.cancel = cancelled;
        AudioBuffer buffer = AudioDecoder::decode(path.toStdString(),
                                                  AudioFormat{AudioOutput::sampleRate, AudioOutput::channels}, options);
        return std::make_shared<DecodedAudio>(DecodedAudio{path, std::move(buffer.samples)});
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
    const std::shared_ptr<DecodedAudio> audio = decode(path, {}, error);
    if (!audio)
        return nullptr;
    return std::make_unique<PlaybackAudioPlayer>(std::move(audio->samples), std::move(output), parent);
}

PlaybackAudioPlayer::PlaybackAudioPlayer(std::vector<float> samples, std::shared_ptr<AudioOutput> output, QObject* parent)
    : AudioPlayer(parent)
    , output_(std::move(output))
    , source_(std::make_shared<Source>(std::move(samples)))
{
    output_->addSource(source_);
}

PlaybackAudioPlayer::~PlaybackAudioPlayer()
{
    output_->removeSource(source_.get());
}

double PlaybackAudioPlayer::length() const
{
    return static_cast<double>(source_->frames) / AudioOutput::sampleRate;
}

void PlaybackAudioPlayer::setLooping(bool loopForever)
{
    std::lock_guard lock(source_->mutex);
    source_->looping = loopForever;
}

void PlaybackAudioPlayer::setPosition(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    const auto frame = static_cast<std::int64_t>(std::llround(seconds * AudioOutput::sampleRate));
    std::lock_guard lock(source_->mutex);
    source_->position = std::clamp<std::int64_t>(frame, 0, source_->frames);
}

double PlaybackAudioPlayer::position() const
{
    std::lock_guard lock(source_->mutex);
    return static_cast<double>(source_->position) / AudioOutput::sampleRate;
}

void PlaybackAudioPlayer::play()
{
    {
        std::lock_guard lock(source_->mutex);
        source_->playing = source_->frames > 0;
    }
    output_->wake();
}

void PlaybackAudioPlayer::pause()
{
    std::lock_guard lock(source_->mutex);
    source_->playing = false;
}

void PlaybackAudioPlayer::stop()
{
    std::lock_guard lock(source_->mutex);
    source_->playing = false;
    source_->position = 0;
}

bool PlaybackAudioPlayer::isPlaying() const
{
    std::lock_guard lock(source_->mutex);
    return source_->playing;
}

void PlaybackAudioPlayer::setVolume(float volume)
{
    std::lock_guard lock(source_->mutex);
    source_->volume = clampPlaybackVolume(volume);
}

float PlaybackAudioPlayer::volume() const
{
    std::lock_guard lock(source_->mutex);
    return source_->volume;
}

}  // namespace sablewick

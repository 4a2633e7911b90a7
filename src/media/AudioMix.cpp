#include "media/AudioMix.h"

#include "media/MediaError.h"

#include <algorithm>
#include <cmath>

namespace sablewick {

namespace {

// Repeats up to this long are decoded once and tiled from memory (about 21 MB at 44.1 kHz
// stereo); longer ones are decoded again per repeat, which bounds the repeats to length / 60 s.
constexpr double kTileFromMemoryUpTo = 60.0;

}  // namespace

struct LoopedAudio::State {
    AudioFormat format;
    std::int64_t period = 0;    // frames per repeat
    std::int64_t length = 0;    // frames in all
    std::int64_t position = 0;  // frames handed out
    AudioBuffer tile;           // one repeat, when short enough
    std::unique_ptr<AudioDecoder> decoder;  // otherwise
    std::int64_t periodPosition = 0;
};

LoopedAudio::LoopedAudio(const std::string& path, AudioFormat format, double period, double length, MediaCancelCheck cancel)
    : m_state(std::make_unique<State>())
{
    State& s = *m_state;
    s.format = format;
    s.period = format.framesFor(period);
    if (!std::isfinite(length) || length <= 0 || s.period < 1)
        throw MediaError(MediaErrorKind::invalidArgument, path, "a repeat and the length must be positive");
    s.length = format.framesFor(length);
    AudioDecoderOptions options;
    options.duration = static_cast<double>(s.period) / format.sampleRate;
    options.cancel = std::move(cancel);
    if (period <= kTileFromMemoryUpTo || s.period >= s.length) {
        AudioDecoder decoder(path, format, options);
        s.tile = readAll(decoder, std::min(s.period, s.length));
    } else {
        s.decoder = std::make_unique<AudioDecoder>(path, format, options);
    }
}

LoopedAudio::~LoopedAudio() = default;

AudioFormat LoopedAudio::format() const { return m_state->format; }

std::int64_t LoopedAudio::read(float* out, std::int64_t frames)
{
    State& s = *m_state;
    const int channels = s.format.channels;
    std::int64_t written = 0;
    while (written < frames && s.position < s.length) {
        const std::int64_t wanted = std::min({frames - written, s.length - s.position, s.period - s.periodPosition});
        std::int64_t got = 0;
        if (s.decoder) {
            got = s.decoder->read(out + written * channels, wanted);
            if (got < wanted) {  // cannot happen with a fixed duration; pad to stay in step
                std::fill_n(out + (written + got) * channels, (wanted - got) * channels, 0.0f);
                got = wanted;
            }
        } else {
            const std::int64_t available = std::max<std::int64_t>(s.tile.frameCount() - s.periodPosition, 0);
            const std::int64_t copied = std::min(wanted, available);
            std::copy_n(s.tile.samples.data() + s.periodPosition * channels, copied * channels, out + written * channels);
            std::fill_n(out + (written + copied) * channels, (wanted - copied) * channels, 0.0f);
            got = wanted;
        }
        written += got;
        s.position += got;
        s.periodPosition += got;
        if (s.periodPosition == s.period) {
            s.periodPosition = 0;
            if (s.decoder)
                s.decoder->restart(0);
        }
    }
    return written;
}

AudioMix::AudioMix(AudioFormat format, double length, std::vector<Input> inputs)
    : m_format(format), m_length(format.framesFor(length))
{
    for (Input& input : inputs) {
        if (!input.stream)
            continue;
        if (!(input.stream->format() == format))
            throw MediaError(MediaErrorKind::invalidArgument, {}, "a mixed stream has another format");
        const std::int64_t offset = format.framesFor(std::max(input.offset, 0.0));
        m_sources.push_back(Source{std::move(input.stream), input.volume, offset});
    }
}

AudioMix::~AudioMix() = default;

float AudioMix::clampVolume(double volume)
{
    if (std::isnan(volume))
        return 1.0f;
    return static_cast<float>(std::clamp(volume, 0.0, 1.0));
}

std::int64_t AudioMix::read(float* out, std::int64_t frames)
{
    const int channels = m_format.channels;
    const std::int64_t count = std::clamp<std::int64_t>(m_length - m_position, 0, std::max<std::int64_t>(frames, 0));
    std::fill_n(out, count * channels, 0.0f);
    const std::int64_t end = m_position + count;
    for (Source& source : m_sources) {
        if (source.ended || source.offset >= end)
            continue;
        const std::int64_t from = std::max(m_position, source.offset);
        const std::int64_t wanted = end - from;
        m_scratch.resize(static_cast<std::size_t>(wanted * channels));
        const std::int64_t got = source.stream->read(m_scratch.data(), wanted);
        if (got < wanted)
            source.ended = true;
        float* target = out + (from - m_position) * channels;
        const float volume = source.volume;
        for (std::int64_t i = 0; i < got * channels; ++i)
            target[i] += m_scratch[static_cast<std::size_t>(i)] * volume;
    }
    for (std::int64_t i = 0; i < count * channels; ++i)
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
    m_position = end;
    return count;
}

}  // namespace sablewick

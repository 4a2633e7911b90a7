#include "media/AudioStream.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace sablewick {

std::int64_t AudioFormat::framesFor(double seconds) const
{
    if (!std::isfinite(seconds) || seconds <= 0 || sampleRate <= 0)
        return 0;
    return static_cast<std::int64_t>(std::llround(seconds * sampleRate));
}

double AudioBuffer::rms() const
{
    if (samples.empty())
        return 0;
    double sum = 0;
    for (float s : samples)
        sum += static_cast<double>(s) * s;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

float AudioBuffer::peak() const
{
    float peak = 0;
    for (float s : samples)
        peak = std::max(peak, std::fabs(s));
    return peak;
}

AudioBuffer readAll(AudioStream& stream, std::int64_t maxFrames, std::int64_t expectedFrames)
{
    AudioBuffer buffer;
    buffer.format = stream.format();
    const int channels = buffer.format.channels;
    if (expectedFrames > 0) {
        try {
            buffer.samples.reserve(static_cast<std::size_t>(std::min(expectedFrames, maxFrames) * channels));
        } catch (const std::exception&) {
            // A length the system cannot give at once is grown to as the sound comes.
        }
    }
    constexpr std::int64_t kChunk = 8192;
    std::int64_t total = 0;
    while (total < maxFrames) {
        const std::int64_t want = std::min(kChunk, maxFrames - total);
        buffer.samples.resize(static_cast<std::size_t>((total + want) * channels));
        const std::int64_t got = stream.read(buffer.samples.data() + total * channels, want);
        total += got;
        if (got < want)
            break;
    }
    buffer.samples.resize(static_cast<std::size_t>(total * channels));
    // A file that promised more than it held does not keep the room it asked for.
    if (expectedFrames > 0 && buffer.samples.capacity() - buffer.samples.size() >
                                  static_cast<std::size_t>(kChunk * channels) + buffer.samples.size() / 4)
        buffer.samples.shrink_to_fit();
    return buffer;
}

AudioBufferStream::AudioBufferStream(AudioBuffer buffer) : m_buffer(std::move(buffer)) {}

std::int64_t AudioBufferStream::read(float* out, std::int64_t frames)
{
    const std::int64_t count = std::clamp<std::int64_t>(m_buffer.frameCount() - m_position, 0, std::max<std::int64_t>(frames, 0));
    const int channels = m_buffer.format.channels;
    std::copy_n(m_buffer.samples.data() + m_position * channels, count * channels, out);
    m_position += count;
    return count;
}

}  // namespace sablewick

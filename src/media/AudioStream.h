#pragma once

#include <cstdint>
#include <vector>

namespace sablewick {

// Interleaved 32-bit float PCM at a fixed rate and channel count.
struct AudioFormat {
    int sampleRate = 44100;
    int channels = 2;

    std::int64_t framesFor(double seconds) const;  // rounded to nearest, never negative
    friend bool operator==(const AudioFormat&, const AudioFormat&) = default;
};

// A pull source of interleaved float frames. Not thread-safe: one reader at a time.
class AudioStream {
public:
    virtual ~AudioStream() = default;
    virtual AudioFormat format() const = 0;
    // Writes up to `frames` frames (frames × channels floats) to `out`; returns how many were
    // written. Fewer than asked only at the end; 0 once the stream has ended.
    // May throw MediaError (decodeFailed, cancelled).
    virtual std::int64_t read(float* out, std::int64_t frames) = 0;
};

// Decoded audio held in memory.
struct AudioBuffer {
    AudioFormat format;
    std::vector<float> samples;  // interleaved

    std::int64_t frameCount() const { return format.channels > 0 ? static_cast<std::int64_t>(samples.size()) / format.channels : 0; }
    double duration() const { return format.sampleRate > 0 ? static_cast<double>(frameCount()) / format.sampleRate : 0; }
    // Root mean square and peak over all samples (0 for an empty buffer).
    double rms() const;
    float peak() const;
};

// Reads a stream to its end (or at most maxFrames frames) into memory, with room for
// `expectedFrames` made at once.
AudioBuffer readAll(AudioStream& stream, std::int64_t maxFrames = INT64_MAX, std::int64_t expectedFrames = 0);

// Plays an in-memory buffer once.
class AudioBufferStream : public AudioStream {
public:
    explicit AudioBufferStream(AudioBuffer buffer);
    AudioFormat format() const override { return m_buffer.format; }
    std::int64_t read(float* out, std::int64_t frames) override;

private:
    AudioBuffer m_buffer;
    std::int64_t m_position = 0;
};

}  // namespace sablewick

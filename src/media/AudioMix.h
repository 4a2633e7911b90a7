#pragma once

#include "media/AudioDecoder.h"
#include "media/AudioStream.h"

#include <memory>
#include <string>
#include <vector>

namespace sablewick {

// Repeats the first `period` seconds of a file end to end, each repetition exactly `period`
// long (silence fills a repetition whose decoded sound is shorter), for `length` seconds in all.
// The repeats are decoded once when short, so a file that decodes to almost nothing costs
// nothing per repeat and can never make the loop run forever.
class LoopedAudio : public AudioStream {
public:
    // Throws MediaError from the decoder, or invalidArgument when period or length is not a
    // finite positive number (period must be at least one sample long).
    LoopedAudio(const std::string& path, AudioFormat format, double period, double length, MediaCancelCheck cancel = {});
    ~LoopedAudio() override;

    AudioFormat format() const override;
    std::int64_t read(float* out, std::int64_t frames) override;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Sums several streams of the same format, each scaled by its own volume and starting at its
// own offset, into one stream of a fixed length. Every input plays at full weight (no 1/N
// scaling); the sum is clipped to -1...1.
class AudioMix : public AudioStream {
public:
    struct Input {
        std::unique_ptr<AudioStream> stream;
        float volume = 1;        // use clampVolume() on user values
        double offset = 0;       // seconds from the mix's start where the input begins
    };

    // Throws MediaError(invalidArgument) when an input's format differs from `format`.
    AudioMix(AudioFormat format, double length, std::vector<Input> inputs);
    ~AudioMix() override;

    AudioFormat format() const override { return m_format; }
    std::int64_t read(float* out, std::int64_t frames) override;
    std::int64_t lengthInFrames() const { return m_length; }

    // A user volume made safe: NaN counts as 1, then clamped to 0...1.
    static float clampVolume(double volume);

private:
    struct Source {
        std::unique_ptr<AudioStream> stream;
        float volume;
        std::int64_t offset;
        bool ended = false;
    };
    AudioFormat m_format;
    std::int64_t m_length;
    std::int64_t m_position = 0;
    std::vector<Source> m_sources;
    std::vector<float> m_scratch;
};

}  // namespace sablewick

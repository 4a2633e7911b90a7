#pragma once

#include "media/AudioStream.h"
#include "media/MediaProbe.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace sablewick {

// Returns true when a long operation should stop; it then throws MediaError(cancelled).
using MediaCancelCheck = std::function<bool()>;

struct AudioDecoderOptions {
    int streamIndex = -1;          // -1: the file's best audio track
    double start = 0;              // seconds on the file's timeline where output begins
    std::optional<double> duration;  // seconds of output; absent: to the end of the track
    MediaCancelCheck cancel;       // polled once per decoded packet
};

// Decodes one audio track of a file and converts it (swresample) to the requested format.
// Output is sample-exact on the file's timeline: output frame n is the sound at
// start + n / sampleRate. A track that begins after `start` is preceded by silence, gaps in the
// track are filled with silence, and with a duration the output is exactly that long (padded
// with silence when the track ends sooner).
class AudioDecoder : public AudioStream {
public:
    // Throws MediaError: notLocalFile, notFound, unreadable, noAudioTrack, invalidArgument.
    AudioDecoder(const std::string& path, AudioFormat format, AudioDecoderOptions options = {});
    ~AudioDecoder() override;
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    AudioFormat format() const override;
    std::int64_t read(float* out, std::int64_t frames) override;

    const MediaInfo& info() const;
    const AudioTrackInfo& track() const;
    // Starts output again at `start` seconds of the file (the duration limit counts afresh).
    void restart(double start);

    // Convenience: decodes a whole range into memory.
    static AudioBuffer decode(const std::string& path, AudioFormat format, AudioDecoderOptions options = {});

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace sablewick

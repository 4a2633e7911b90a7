#pragma once

#include <functional>
#include <memory>
#include <string>

struct pa_stream;

namespace sablewick {

class PulseConnection;

// Records one source of the audio server (a microphone, or "<sink>.monitor" for what an output
// plays) as 48 kHz interleaved stereo float.
class PulseRecordStream {
public:
    static constexpr int sampleRate = 48000;
    static constexpr int channels = 2;

    // Called on the connection's loop thread with each piece as it arrives: the samples and the
    // monotonic time (monotonicSeconds()) at which the first of them was captured.
    using Consumer = std::function<void(const float* samples, std::size_t frames, double capturedAt)>;
    // Called on the loop thread when the stream fails (the server went away, the device vanished).
    using Failure = std::function<void(const std::string& reason)>;

    // Throws PulseError.
    PulseRecordStream(PulseConnection& connection, const std::string& source, Consumer consumer, Failure failure);
    // Ends the stream; no callback runs after it returns.
    ~PulseRecordStream();
    PulseRecordStream(const PulseRecordStream&) = delete;
    PulseRecordStream& operator=(const PulseRecordStream&) = delete;

private:
    void read();

    PulseConnection& connection_;
    pa_stream* stream_ = nullptr;
    Consumer consumer_;
    Failure failure_;
    bool failed_ = false;
};

}  // namespace sablewick

#pragma once

#include "platform/SoundArrivalClock.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

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
    // monotonic time (monotonicSeconds()) at which the first of them was captured (from a
    // monitor: played). The pieces follow one another without gaps; the first tenth of a second
    // is handed on at once, when its time is known.
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
    void handOn(const float* samples, std::size_t frames, double arrivedAt);

    PulseConnection& m_connection;
    pa_stream* m_stream = nullptr;
    Consumer m_consumer;
    Failure m_failure;
    bool m_failed = false;
    SoundArrivalClock m_clock{sampleRate};
    std::vector<float> m_held;   // the first pieces, until their time is known
    double m_firstArrival = -1;  // of the pieces held, or -1 once they went on
    std::int64_t m_handed = 0;   // samples handed on since the clock (re)started
};

}  // namespace sablewick

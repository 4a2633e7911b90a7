#include "platform/PulseRecordStream.h"

#include "platform/MonotonicClock.h"
#include "platform/PulseConnection.h"

#include <pulse/pulseaudio.h>

#include <vector>

namespace sablewick {

namespace {

constexpr double kOpenTimeout = 2.0;
constexpr std::size_t kBytesPerFrame = sizeof(float) * PulseRecordStream::channels;

}  // namespace

PulseRecordStream::PulseRecordStream(PulseConnection& connection, const std::string& source, Consumer consumer,
                                     Failure failure)
    : connection_(connection)
    , consumer_(std::move(consumer))
    , failure_(std::move(failure))
{
    PulseConnection::Lock lock(connection_);
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, sampleRate, channels};
    stream_ = pa_stream_new(connection_.context(), "Sablewick recording", &spec, nullptr);
    if (!stream_)
        throw PulseError(connection_.errorText("Could not create a recording stream"));
    pa_stream_set_read_callback(
        stream_, [](pa_stream*, size_t, void* self) { static_cast<PulseRecordStream*>(self)->read(); }, this);
    pa_stream_set_state_callback(
        stream_,
        [](pa_stream* stream, void* data) {
            auto* self = static_cast<PulseRecordStream*>(data);
            if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) && !self->failed_) {
                self->failed_ = true;
                if (self->failure_)
                    self->failure_(self->connection_.errorText("The sound recording stopped"));
            }
        },
        this);
    // Pieces of about 20 ms: small enough to keep the sound close to the picture, large enough
    // not to wake the encoder all the time.
    pa_buffer_attr attributes;
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = static_cast<uint32_t>(-1);
    attributes.prebuf = static_cast<uint32_t>(-1);
    attributes.minreq = static_cast<uint32_t>(-1);
    attributes.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(20'000, &spec));
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                                      PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_record(stream_, source.c_str(), &attributes, flags) < 0) {
        pa_stream_unref(stream_);
        stream_ = nullptr;
        throw PulseError(connection_.errorText("Could not record from the audio server"));
    }
    const bool ready = connection_.waitUnlocked(kOpenTimeout, [this] {
        const pa_stream_state_t state = pa_stream_get_state(stream_);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    if (!ready || pa_stream_get_state(stream_) != PA_STREAM_READY) {
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_read_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
        throw PulseError(ready ? connection_.errorText("Could not record from \"" + source + "\"")
                               : std::string("The audio server did not open the recording stream"));
    }
}

PulseRecordStream::~PulseRecordStream()
{
    if (!stream_)
        return;
    PulseConnection::Lock lock(connection_);
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
}

void PulseRecordStream::read()
{
    while (pa_stream_readable_size(stream_) > 0) {
        const void* data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(stream_, &data, &bytes) < 0)
            return;
        if (bytes == 0)
            return;
        const std::size_t frames = bytes / kBytesPerFrame;
        // A record stream's latency is the age of the sample at the read pointer: the first of
        // this piece.
        pa_usec_t latency = 0;
        int negative = 0;
        double delay = 0;
        if (pa_stream_get_latency(stream_, &latency, &negative) == 0)
            delay = negative ? -static_cast<double>(latency) / 1e6 : static_cast<double>(latency) / 1e6;
        const double capturedAt = monotonicSeconds() - delay;
        if (data) {
            consumer_(static_cast<const float*>(data), frames, capturedAt);
        } else {
            // A hole in the stream: pass it on as silence, so later pieces keep their place.
            std::vector<float> silence(frames * channels, 0.0f);
            consumer_(silence.data(), frames, capturedAt);
        }
        pa_stream_drop(stream_);
    }
}

}  // namespace sablewick

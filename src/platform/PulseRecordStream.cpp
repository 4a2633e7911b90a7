#include "platform/PulseRecordStream.h"

#include "platform/MonotonicClock.h"
#include "platform/PulseConnection.h"

#include <pulse/pulseaudio.h>

#include <vector>

namespace sablewick {

namespace {

constexpr double kOpenTimeout = 2.0;
constexpr std::size_t kBytesPerFrame = sizeof(float) * PulseRecordStream::channels;
constexpr double kSettleSeconds = 0.1;

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
    // Samples the server threw away break the count: the time is measured anew.
    pa_stream_set_overflow_callback(
        stream_,
        [](pa_stream*, void* data) {
            auto* self = static_cast<PulseRecordStream*>(data);
            self->clock_.restart();
            self->held_.clear();
            self->firstArrival_ = -1;
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
    // The pieces are timed by their arrival (SoundArrivalClock), not by the server's latency.
    const auto flags = PA_STREAM_ADJUST_LATENCY;
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
        pa_stream_set_overflow_callback(stream_, nullptr, nullptr);
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
    pa_stream_set_overflow_callback(stream_, nullptr, nullptr);
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
        const double arrivedAt = monotonicSeconds();
        if (data) {
            handOn(static_cast<const float*>(data), frames, arrivedAt);
        } else {
            // A hole in the stream: pass it on as silence, so later pieces keep their place.
            std::vector<float> silence(frames * channels, 0.0f);
            handOn(silence.data(), frames, arrivedAt);
        }
        pa_stream_drop(stream_);
    }
}

void PulseRecordStream::handOn(const float* samples, std::size_t frames, double arrivedAt)
{
    clock_.arrived(frames, arrivedAt);
    if (firstArrival_ < 0 && clock_.samplesArrived() == static_cast<std::int64_t>(frames)) {
        firstArrival_ = arrivedAt;
        handed_ = 0;
    }
    if (firstArrival_ >= 0) {
        // The first pieces of a stream often come late or in a burst; the ones after them say
        // when the sound really began.
        held_.insert(held_.end(), samples, samples + frames * channels);
        if (arrivedAt - firstArrival_ < kSettleSeconds)
            return;
        const std::size_t count = held_.size() / channels;
        consumer_(held_.data(), count, clock_.timeOf(0));
        handed_ = static_cast<std::int64_t>(count);
        held_.clear();
        firstArrival_ = -1;
        return;
    }
    consumer_(samples, frames, clock_.timeOf(handed_));
    handed_ += static_cast<std::int64_t>(frames);
}

}  // namespace sablewick

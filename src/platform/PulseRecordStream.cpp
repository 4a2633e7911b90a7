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
    : m_connection(connection)
    , m_consumer(std::move(consumer))
    , m_failure(std::move(failure))
{
    PulseConnection::Lock lock(m_connection);
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, sampleRate, channels};
    m_stream = pa_stream_new(m_connection.context(), "Sablewick recording", &spec, nullptr);
    if (!m_stream)
        throw PulseError(m_connection.errorText("Could not create a recording stream"));
    pa_stream_set_read_callback(
        m_stream, [](pa_stream*, size_t, void* self) { static_cast<PulseRecordStream*>(self)->read(); }, this);
    pa_stream_set_state_callback(
        m_stream,
        [](pa_stream* stream, void* data) {
            auto* self = static_cast<PulseRecordStream*>(data);
            if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) && !self->m_failed) {
                self->m_failed = true;
                if (self->m_failure)
                    self->m_failure(self->m_connection.errorText("The sound recording stopped"));
            }
        },
        this);
    // Samples the server threw away break the count: the time is measured anew.
    pa_stream_set_overflow_callback(
        m_stream,
        [](pa_stream*, void* data) {
            auto* self = static_cast<PulseRecordStream*>(data);
            self->m_clock.restart();
            self->m_held.clear();
            self->m_firstArrival = -1;
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
    if (pa_stream_connect_record(m_stream, source.c_str(), &attributes, flags) < 0) {
        pa_stream_unref(m_stream);
        m_stream = nullptr;
        throw PulseError(m_connection.errorText("Could not record from the audio server"));
    }
    const bool ready = m_connection.waitUnlocked(kOpenTimeout, [this] {
        const pa_stream_state_t state = pa_stream_get_state(m_stream);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    if (!ready || pa_stream_get_state(m_stream) != PA_STREAM_READY) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_read_callback(m_stream, nullptr, nullptr);
        pa_stream_set_overflow_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
        throw PulseError(ready ? m_connection.errorText("Could not record from \"" + source + "\"")
                               : std::string("The audio server did not open the recording stream"));
    }
}

PulseRecordStream::~PulseRecordStream()
{
    if (!m_stream)
        return;
    PulseConnection::Lock lock(m_connection);
    pa_stream_set_state_callback(m_stream, nullptr, nullptr);
    pa_stream_set_read_callback(m_stream, nullptr, nullptr);
    pa_stream_set_overflow_callback(m_stream, nullptr, nullptr);
    pa_stream_disconnect(m_stream);
    pa_stream_unref(m_stream);
}

void PulseRecordStream::read()
{
    while (pa_stream_readable_size(m_stream) > 0) {
        const void* data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(m_stream, &data, &bytes) < 0)
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
        pa_stream_drop(m_stream);
    }
}

void PulseRecordStream::handOn(const float* samples, std::size_t frames, double arrivedAt)
{
    m_clock.arrived(frames, arrivedAt);
    if (m_firstArrival < 0 && m_clock.samplesArrived() == static_cast<std::int64_t>(frames)) {
        m_firstArrival = arrivedAt;
        m_handed = 0;
    }
    if (m_firstArrival >= 0) {
        // The first pieces of a stream often come late or in a burst; the ones after them say
        // when the sound really began.
        m_held.insert(m_held.end(), samples, samples + frames * channels);
        if (arrivedAt - m_firstArrival < kSettleSeconds)
            return;
        const std::size_t count = m_held.size() / channels;
        m_consumer(m_held.data(), count, m_clock.timeOf(0));
        m_handed = static_cast<std::int64_t>(count);
        m_held.clear();
        m_firstArrival = -1;
        return;
    }
    m_consumer(samples, frames, m_clock.timeOf(m_handed));
    m_handed += static_cast<std::int64_t>(frames);
}

}  // namespace sablewick

#include "media/AudioOutput.h"

#include "media/AudioMix.h"
#include "platform/PulseConnection.h"
#include "platform/ThreadName.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace sablewick {

void addScaledSamples(float* mix, const float* samples, std::size_t count, float volume)
{
    if (volume == 0.0f)
        return;
    for (std::size_t i = 0; i < count; ++i)
        mix[i] += samples[i] * volume;
}

void clipSamples(float* samples, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = std::clamp(samples[i], -1.0f, 1.0f);
}

float clampPlaybackVolume(float volume)
{
    return AudioMix::clampVolume(volume);
}

// The audio server connection and one playback stream. Every call into libpulse from another
// thread holds the main loop's lock.
struct AudioOutput::Pulse {
    std::unique_ptr<PulseConnection> connection;
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;

    ~Pulse()
    {
        if (!connection)
            return;
        connection->stop();  // no callback runs while the stream goes
        if (stream) {
            pa_stream_set_write_callback(stream, nullptr, nullptr);
            pa_stream_set_state_callback(stream, nullptr, nullptr);
            pa_stream_disconnect(stream);
            pa_stream_unref(stream);
        }
    }
};

namespace {

constexpr std::size_t kBytesPerFrame = sizeof(float) * AudioOutput::channels;

QString pulseError(const PulseConnection& connection, const char* what)
{
    return QString::fromStdString(connection.errorText(what));
}

}  // namespace

AudioOutput::AudioOutput(Mode mode, std::shared_ptr<PlaybackClock> clock)
    : m_clock(std::move(clock))
    , m_mode(mode)
{
}

std::shared_ptr<AudioOutput> AudioOutput::connect(double timeoutSeconds)
{
    std::shared_ptr<AudioOutput> output(new AudioOutput(Mode::server, std::make_shared<SystemPlaybackClock>()));
    QString error;
    if (!output->startServer(timeoutSeconds, &error)) {
        output->m_pulse.reset();
        std::lock_guard lock(output->m_stateMutex);
        output->m_mode = Mode::systemClock;
        output->m_error = error;
        output->startPacer();
    }
    return output;
}

std::shared_ptr<AudioOutput> AudioOutput::manual(std::shared_ptr<PlaybackClock> clock)
{
    return std::shared_ptr<AudioOutput>(new AudioOutput(Mode::manual, std::move(clock)));
}

AudioOutput::~AudioOutput()
{
    stopPacer();
    m_pulse.reset();
}

bool AudioOutput::startServer(double timeoutSeconds, QString* error)
{
    m_pulse = std::make_unique<Pulse>();
    Pulse& p = *m_pulse;
    try {
        p.connection = std::make_unique<PulseConnection>("Sablewick", timeoutSeconds);
    } catch (const PulseError& failure) {
        *error = QString::fromStdString(failure.what());
        return false;
    }
    p.loop = p.connection->loop();
    p.context = p.connection->context();
    PulseConnection::Lock lock(*p.connection);

    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, sampleRate, channels};
    p.stream = pa_stream_new(p.context, "Sablewick playback", &spec, nullptr);
    if (!p.stream) {
        *error = pulseError(*p.connection, "Could not create an audio stream");
        return false;
    }
    pa_stream_set_write_callback(
        p.stream,
        [](pa_stream* stream, size_t bytes, void* self) {
            auto* output = static_cast<AudioOutput*>(self);
            while (bytes >= kBytesPerFrame) {
                void* data = nullptr;
                size_t size = bytes;
                if (pa_stream_begin_write(stream, &data, &size) < 0 || !data)
                    return;
                const int frames = static_cast<int>(std::min(size, bytes) / kBytesPerFrame);
                if (frames == 0) {
                    pa_stream_cancel_write(stream);
                    return;
                }
                output->render(static_cast<float*>(data), frames);
                pa_stream_write(stream, data, static_cast<size_t>(frames) * kBytesPerFrame, nullptr, 0, PA_SEEK_RELATIVE);
                bytes -= static_cast<size_t>(frames) * kBytesPerFrame;
            }
        },
        this);
    pa_stream_set_state_callback(
        p.stream,
        [](pa_stream* stream, void* self) {
            if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
                static_cast<AudioOutput*>(self)->m_serverFailed = true;
        },
        this);

    // A short buffer keeps the sound close to the picture after a seek; the clock's timing
    // updates let pa_stream_get_time interpolate between the server's reports.
    pa_buffer_attr attributes;
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = static_cast<uint32_t>(pa_usec_to_bytes(50'000, &spec));
    attributes.prebuf = static_cast<uint32_t>(-1);
    attributes.minreq = static_cast<uint32_t>(pa_usec_to_bytes(10'000, &spec));
    attributes.fragsize = static_cast<uint32_t>(-1);
    // The stream starts idle: nothing plays yet. Its time is taken as libpulse reports it, also
    // when that goes back (AudioClock decides what to make of it): libpulse's own guard against
    // that would hide the real time behind an invented one for seconds.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE
                                                      | PA_STREAM_NOT_MONOTONIC | PA_STREAM_ADJUST_LATENCY
                                                      | PA_STREAM_START_CORKED);
    if (pa_stream_connect_playback(p.stream, nullptr, &attributes, flags, nullptr, nullptr) < 0) {
        *error = pulseError(*p.connection, "Could not open an audio stream");
        return false;
    }
    const bool ready = p.connection->waitUnlocked(timeoutSeconds, [&] {
        const pa_stream_state_t state = pa_stream_get_state(p.stream);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    if (!ready || pa_stream_get_state(p.stream) != PA_STREAM_READY) {
        *error = ready ? pulseError(*p.connection, "Could not open an audio stream")
                       : QStringLiteral("The audio server did not open a stream");
        return false;
    }
    {
        std::lock_guard lock(m_stateMutex);
        m_idle = true;
        m_time = AudioClock(-m_clock->now());
    }
    // From here on a failing context also means the server is gone.
    pa_context_set_state_callback(
        p.context,
        [](pa_context* context, void* self) {
            if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
                static_cast<AudioOutput*>(self)->m_serverFailed = true;
        },
        this);
    return true;
}

AudioOutput::Mode AudioOutput::mode() const
{
    if (m_serverFailed)
        fallBackToSystemClock(QStringLiteral("The audio server went away"));
    std::lock_guard lock(m_stateMutex);
    return m_mode;
}

QString AudioOutput::serverError() const
{
    std::lock_guard lock(m_stateMutex);
    return m_error;
}

std::int64_t AudioOutput::serverStreamIndex() const
{
    if (mode() != Mode::server)
        return -1;
    pa_threaded_mainloop_lock(m_pulse->loop);
    const uint32_t index = pa_stream_get_index(m_pulse->stream);
    pa_threaded_mainloop_unlock(m_pulse->loop);
    return index == PA_INVALID_INDEX ? -1 : static_cast<std::int64_t>(index);
}

std::optional<double> AudioOutput::serverTimeLocked() const
{
    pa_usec_t usec = 0;
    if (pa_stream_get_time(m_pulse->stream, &usec) != 0)
        return std::nullopt;
    const double played = static_cast<double>(usec) / 1e6;
    const double written = static_cast<double>(m_framesRendered) / sampleRate;
    // More than was ever written cannot have been played: libpulse made it up from the system
    // clock, as it does before the stream's first sound. Nor can the server hold a second of what
    // was written without playing it (it asks for 50 ms): that time is stale.
    if (played > written + 0.01 || played < written - 1.0)
        return std::nullopt;
    return played;
}

double AudioOutput::now() const
{
    if (m_serverFailed)
        fallBackToSystemClock(QStringLiteral("The audio server went away"));
    {
        std::lock_guard lock(m_stateMutex);
        if (m_mode != Mode::server || m_idle)
            return m_time.followSystem(m_clock->now());
    }
    // The main loop's lock comes first, as on the server's thread, which may go idle meanwhile.
    PulseConnection::Lock loopLock(*m_pulse->connection);
    std::lock_guard lock(m_stateMutex);
    if (m_mode != Mode::server || m_idle)
        return m_time.followSystem(m_clock->now());
    return m_time.followStream(serverTimeLocked(), m_clock->now());
}

void AudioOutput::wake()
{
    if (mode() != Mode::server)
        return;
    {
        PulseConnection::Lock loopLock(*m_pulse->connection);
        std::lock_guard lock(m_stateMutex);
        if (m_idle) {
            // The clock goes on from the system clock's reading, and so does what is written
            // from now on; the stream's time only tells how far the server has got since.
            m_time.followSystem(m_clock->now());
            m_time.restartStream(static_cast<double>(m_framesRendered) / sampleRate);
            m_idle = false;
            pa_operation* operation = pa_stream_cork(m_pulse->stream, 0, nullptr, nullptr);
            if (operation)
                pa_operation_unref(operation);
        }
    }
    std::lock_guard lock(m_sourcesMutex);
    m_framesSilent = 0;
}

void AudioOutput::goIdleLocked()
{
    {
        std::lock_guard lock(m_stateMutex);
        if (m_idle || m_mode != Mode::server)
            return;
        const double system = m_clock->now();
        m_time.followStream(serverTimeLocked(), system);
        m_time.detachStream(system);
        m_idle = true;
    }
    pa_operation* operation = pa_stream_cork(m_pulse->stream, 1, nullptr, nullptr);
    if (operation)
        pa_operation_unref(operation);
}

void AudioOutput::fallBackToSystemClock(const QString& reason) const
{
    {
        std::lock_guard lock(m_stateMutex);
        if (m_mode != Mode::server)
            return;
        // Continue from the last reported time so that a playing movie does not jump.
        m_time.detachStream(m_clock->now());
        m_mode = Mode::systemClock;
        m_idle = false;
        m_error = reason;
    }
    const_cast<AudioOutput*>(this)->startPacer();
}

void AudioOutput::addSource(std::shared_ptr<AudioSource> source)
{
    std::lock_guard lock(m_sourcesMutex);
    m_sources.push_back(std::move(source));
}

void AudioOutput::removeSource(const AudioSource* source)
{
    std::lock_guard lock(m_sourcesMutex);
    std::erase_if(m_sources, [&](const auto& s) { return s.get() == source; });
}

void AudioOutput::render(float* out, int frames)
{
    std::fill(out, out + static_cast<std::size_t>(frames) * channels, 0.0f);
    Mode mode;
    double streamOffset;
    {
        std::lock_guard lock(m_stateMutex);
        mode = m_mode;
        streamOffset = m_time.streamOffset();
    }
    std::lock_guard lock(m_sourcesMutex);
    // The server's clock counts the frames it has played, so frame n is heard at n / rate (the
    // stream's time and its frames stand still together while it is corked). The pacer and a
    // manual output render just in time.
    const double heardAt = mode == Mode::server ? static_cast<double>(m_framesRendered) / sampleRate + streamOffset
                                                : now();
    bool playing = false;
    for (const auto& source : m_sources)
        playing = source->mixInto(out, frames, heardAt) || playing;
    clipSamples(out, static_cast<std::size_t>(frames) * channels);
    m_framesRendered += frames;
    m_framesSilent = playing ? 0 : m_framesSilent + frames;
    // Only the server's own thread renders in server mode, and it holds the main loop's lock.
    if (mode == Mode::server && m_framesSilent > static_cast<std::int64_t>(idleSeconds * sampleRate))
        goIdleLocked();
}

void AudioOutput::startPacer()
{
    std::lock_guard lock(m_pacerMutex);
    if (m_pacer.joinable())
        return;
    m_pacerQuit = false;
    m_pacer = std::thread([this] {
        nameCurrentThread("audio pacer");
        std::vector<float> scratch;
        const double start = now();
        std::int64_t done = 0;
        while (!m_pacerQuit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const auto due = static_cast<std::int64_t>((now() - start) * sampleRate);
            // After a long stall (a suspended machine) skip ahead instead of rendering minutes.
            if (due - done > sampleRate)
                done = due - sampleRate / 10;
            while (done < due && !m_pacerQuit) {
                const int frames = static_cast<int>(std::min<std::int64_t>(due - done, 4800));
                scratch.resize(static_cast<std::size_t>(frames) * channels);
                render(scratch.data(), frames);
                done += frames;
            }
        }
    });
}

void AudioOutput::stopPacer()
{
    std::lock_guard lock(m_pacerMutex);
    m_pacerQuit = true;
    if (m_pacer.joinable())
        m_pacer.join();
}

}  // namespace sablewick

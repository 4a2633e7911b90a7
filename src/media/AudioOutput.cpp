#include "media/AudioOutput.h"

#include "media/AudioMix.h"
#include "platform/PulseConnection.h"

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
    : clock_(std::move(clock))
    , mode_(mode)
{
}

std::shared_ptr<AudioOutput> AudioOutput::connect(double timeoutSeconds)
{
    std::shared_ptr<AudioOutput> output(new AudioOutput(Mode::server, std::make_shared<SystemPlaybackClock>()));
    QString error;
    if (!output->startServer(timeoutSeconds, &error)) {
        output->pulse_.reset();
        std::lock_guard lock(output->stateMutex_);
        output->mode_ = Mode::systemClock;
        output->error_ = error;
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
    pulse_.reset();
}

bool AudioOutput::startServer(double timeoutSeconds, QString* error)
{
    pulse_ = std::make_unique<Pulse>();
    Pulse& p = *pulse_;
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
                static_cast<AudioOutput*>(self)->serverFailed_ = true;
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
    // The stream starts idle: nothing plays yet.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE
                                                      | PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
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
        std::lock_guard lock(stateMutex_);
        idle_ = true;
        systemOffset_ = -clock_->now();
    }
    // From here on a failing context also means the server is gone.
    pa_context_set_state_callback(
        p.context,
        [](pa_context* context, void* self) {
            if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
                static_cast<AudioOutput*>(self)->serverFailed_ = true;
        },
        this);
    return true;
}

AudioOutput::Mode AudioOutput::mode() const
{
    if (serverFailed_)
        fallBackToSystemClock(QStringLiteral("The audio server went away"));
    std::lock_guard lock(stateMutex_);
    return mode_;
}

QString AudioOutput::serverError() const
{
    std::lock_guard lock(stateMutex_);
    return error_;
}

std::int64_t AudioOutput::serverStreamIndex() const
{
    if (mode() != Mode::server)
        return -1;
    pa_threaded_mainloop_lock(pulse_->loop);
    const uint32_t index = pa_stream_get_index(pulse_->stream);
    pa_threaded_mainloop_unlock(pulse_->loop);
    return index == PA_INVALID_INDEX ? -1 : static_cast<std::int64_t>(index);
}

double AudioOutput::serverTimeLocked() const
{
    pa_usec_t usec = 0;
    return pa_stream_get_time(pulse_->stream, &usec) == 0 ? static_cast<double>(usec) / 1e6 : 0.0;
}

double AudioOutput::now() const
{
    if (serverFailed_)
        fallBackToSystemClock(QStringLiteral("The audio server went away"));
    Mode mode;
    bool idle;
    {
        std::lock_guard lock(stateMutex_);
        mode = mode_;
        idle = idle_;
    }
    double t = 0;
    if (mode == Mode::server && !idle) {
        pa_threaded_mainloop_lock(pulse_->loop);
        const double streamTime = serverTimeLocked();
        pa_threaded_mainloop_unlock(pulse_->loop);
        std::lock_guard lock(stateMutex_);
        t = streamTime + serverOffset_;
    } else if (mode == Mode::manual) {
        t = clock_->now();
    } else {
        std::lock_guard lock(stateMutex_);
        t = clock_->now() + systemOffset_;
    }
    std::lock_guard lock(stateMutex_);
    lastNow_ = std::max(lastNow_, t);
    return lastNow_;
}

void AudioOutput::wake()
{
    if (mode() != Mode::server)
        return;
    pa_threaded_mainloop_lock(pulse_->loop);
    {
        std::lock_guard lock(stateMutex_);
        if (idle_) {
            // The stream's time stood still while it was corked; the clock continues from the
            // system clock's reading.
            serverOffset_ = std::max(lastNow_, clock_->now() + systemOffset_) - serverTimeLocked();
            idle_ = false;
            pa_operation* operation = pa_stream_cork(pulse_->stream, 0, nullptr, nullptr);
            if (operation)
                pa_operation_unref(operation);
        }
    }
    pa_threaded_mainloop_unlock(pulse_->loop);
    std::lock_guard lock(sourcesMutex_);
    framesSilent_ = 0;
}

void AudioOutput::goIdleLocked()
{
    {
        std::lock_guard lock(stateMutex_);
        if (idle_ || mode_ != Mode::server)
            return;
        systemOffset_ = std::max(lastNow_, serverTimeLocked() + serverOffset_) - clock_->now();
        idle_ = true;
    }
    pa_operation* operation = pa_stream_cork(pulse_->stream, 1, nullptr, nullptr);
    if (operation)
        pa_operation_unref(operation);
}

void AudioOutput::fallBackToSystemClock(const QString& reason) const
{
    {
        std::lock_guard lock(stateMutex_);
        if (mode_ != Mode::server)
            return;
        // Continue from the last reported time so that a playing movie does not jump.
        systemOffset_ = lastNow_ - clock_->now();
        mode_ = Mode::systemClock;
        idle_ = false;
        error_ = reason;
    }
    const_cast<AudioOutput*>(this)->startPacer();
}

void AudioOutput::addSource(std::shared_ptr<AudioSource> source)
{
    std::lock_guard lock(sourcesMutex_);
    sources_.push_back(std::move(source));
}

void AudioOutput::removeSource(const AudioSource* source)
{
    std::lock_guard lock(sourcesMutex_);
    std::erase_if(sources_, [&](const auto& s) { return s.get() == source; });
}

void AudioOutput::render(float* out, int frames)
{
    std::fill(out, out + static_cast<std::size_t>(frames) * channels, 0.0f);
    Mode mode;
    double serverOffset;
    {
        std::lock_guard lock(stateMutex_);
        mode = mode_;
        serverOffset = serverOffset_;
    }
    std::lock_guard lock(sourcesMutex_);
    // The server's clock counts the frames it has played, so frame n is heard at n / rate (the
    // stream's time and its frames stand still together while it is corked). The pacer and a
    // manual output render just in time.
    const double heardAt = mode == Mode::server ? static_cast<double>(framesRendered_) / sampleRate + serverOffset : now();
    bool playing = false;
    for (const auto& source : sources_)
        playing = source->mixInto(out, frames, heardAt) || playing;
    clipSamples(out, static_cast<std::size_t>(frames) * channels);
    framesRendered_ += frames;
    framesSilent_ = playing ? 0 : framesSilent_ + frames;
    // Only the server's own thread renders in server mode, and it holds the main loop's lock.
    if (mode == Mode::server && framesSilent_ > static_cast<std::int64_t>(idleSeconds * sampleRate))
        goIdleLocked();
}

void AudioOutput::startPacer()
{
    std::lock_guard lock(pacerMutex_);
    if (pacer_.joinable())
        return;
    pacerQuit_ = false;
    pacer_ = std::thread([this] {
        std::vector<float> scratch;
        const double start = now();
        std::int64_t done = 0;
        while (!pacerQuit_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const auto due = static_cast<std::int64_t>((now() - start) * sampleRate);
            // After a long stall (a suspended machine) skip ahead instead of rendering minutes.
            if (due - done > sampleRate)
                done = due - sampleRate / 10;
            while (done < due && !pacerQuit_) {
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
    std::lock_guard lock(pacerMutex_);
    pacerQuit_ = true;
    if (pacer_.joinable())
        pacer_.join();
}

}  // namespace sablewick

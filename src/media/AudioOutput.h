#pragma once

#include "media/AudioClock.h"
#include "media/PlaybackClock.h"

#include <QString>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace sablewick {

// One sound that the output mixes: the movie's track, a music preview, the interaction sounds.
// mixInto() runs on the output's own thread, with the output's source lock held, so a source that
// has been removed is never called again once removeSource() has returned.
class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Adds `frames` interleaved stereo frames of this source, scaled by its volume, to `mix`.
    // `heardAt` is the clock time at which the first of them will reach the listener. Returns
    // whether the source is playing (an output where nothing plays for a while goes idle).
    virtual bool mixInto(float* mix, int frames, double heardAt) = 0;
};

// Adds count samples times volume to mix.
void addScaledSamples(float* mix, const float* samples, std::size_t count, float volume);
// Limits every sample to -1...1, so that loud sources clip instead of wrapping in the server.
void clipSamples(float* samples, std::size_t count);
// A player volume made safe: NaN counts as 1, then clamped to 0...1.
float clampPlaybackVolume(float volume);

// The application's one sound output: 48 kHz stereo float, every source mixed at its own volume,
// and the clock that playback follows. With an audio server the clock is what the sound card
// has actually played, as far as the server can tell it (AudioClock); with none (or when the
// server goes away) it is the system clock and a thread consumes the sources at real time, so
// positions still advance.
//
// The server's stream is paused (corked) while nothing has played for a few seconds, so that an
// idle editor neither shows up as playing in the desktop's sound settings nor keeps the sound
// card awake; the clock then follows the system clock, continuing without a jump. A source that
// starts playing calls wake().
class AudioOutput : public PlaybackClock {
public:
    static constexpr int sampleRate = 48000;
    static constexpr int channels = 2;

    enum class Mode {
        server,       // PulseAudio plays the mix
        systemClock,  // no audio server: silent, paced by the system clock
        manual,       // nothing pulls the mix: render() is called by hand (tests)
    };

    // Connects to the audio server named by the environment (never starting one) and falls back
    // to the system clock when it does not answer within the timeout. Main thread.
    static std::shared_ptr<AudioOutput> connect(double timeoutSeconds = 2.0);
    // An output that nothing plays; render() advances it. `clock` is what now() reports.
    static std::shared_ptr<AudioOutput> manual(std::shared_ptr<PlaybackClock> clock);

    ~AudioOutput() override;
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    Mode mode() const;
    // Why the audio server is not used; empty while it is. Any thread.
    QString serverError() const;

    // The server's index of this output's playback stream (its sink input); -1 without one.
    // Lets a recorder listen to this output alone.
    std::int64_t serverStreamIndex() const;

    // Seconds; never runs backwards, also across a fall-back to the system clock. Any thread
    // except the output's own.
    double now() const override;

    // Any thread except the output's own.
    void addSource(std::shared_ptr<AudioSource> source);
    void removeSource(const AudioSource* source);
    // A source has started playing: resumes the server's stream if it was idle. Any thread
    // except the output's own.
    void wake();

    // How long nothing must play before the stream goes idle.
    static constexpr double idleSeconds = 3.0;

    // Fills `out` with the next `frames` frames of the mix (silence when nothing plays). The
    // backend calls it on its own thread; tests of a manual output call it directly.
    void render(float* out, int frames);

private:
    struct Pulse;
    explicit AudioOutput(Mode mode, std::shared_ptr<PlaybackClock> clock);
    bool startServer(double timeoutSeconds, QString* error);
    void startPacer();
    void stopPacer();
    void fallBackToSystemClock(const QString& reason) const;
    // The server's time for the stream, when it can tell and when it is not invented. With the
    // main loop's lock held.
    std::optional<double> serverTimeLocked() const;
    void goIdleLocked();  // on the main loop's thread

    std::shared_ptr<PlaybackClock> m_clock;
    std::unique_ptr<Pulse> m_pulse;

    mutable std::mutex m_stateMutex;  // m_mode, m_error, m_time, m_idle
    mutable Mode m_mode;
    mutable QString m_error;
    // The server's time while its stream plays, the system clock otherwise.
    mutable AudioClock m_time;
    mutable bool m_idle = false;  // the stream is corked
    std::atomic<bool> m_serverFailed{false};

    std::mutex m_sourcesMutex;
    std::vector<std::shared_ptr<AudioSource>> m_sources;
    std::atomic<std::int64_t> m_framesRendered{0};  // written with m_sourcesMutex held
    std::int64_t m_framesSilent = 0;                // since a source last played; guarded by m_sourcesMutex

    mutable std::mutex m_pacerMutex;
    mutable std::thread m_pacer;
    std::atomic<bool> m_pacerQuit{false};
};

}  // namespace sablewick

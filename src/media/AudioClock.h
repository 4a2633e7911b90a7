#pragma once

#include <optional>

namespace sablewick {

// The audio output's clock, in seconds: while the output's stream plays, the audio server's time
// for it (what the sound card has played); otherwise the system clock. It continues without a jump
// when the source changes and never runs backwards.
//
// The server's time cannot always be taken at its word. Before a stream's first sound libpulse
// (15 and later) invents its time from the system clock and takes it back once the sound comes
// out; the output does not pass such a time on, and a clock anchored on it would stand still for
// as long as the stream waited before its first playback. A time that cannot be told is waited
// for briefly (the sound is about to start) and then bridged with the system clock. A time that
// steps back a little, or stands still, is the sound card's truth: the picture waits for the
// sound. A time that jumps far back has started over (a new device, a reset): the clock goes on
// from where it is.
//
// A plain value: the output guards it with its own lock.
class AudioClock {
public:
    // How long the clock waits for a server's time that cannot be told, and how far back a time
    // may step before it counts as started over.
    static constexpr double maxWait = 0.5;

    // The clock reads `systemOffset` plus the system clock until a stream drives it.
    explicit AudioClock(double systemOffset = 0);

    // Follows the system clock from the last reading on; returns the clock.
    double followSystem(double system);
    // Follows the server's time for the stream, `stream` (none when it cannot be told right now);
    // returns the clock.
    double followStream(std::optional<double> stream, double system);
    // The stream starts or resumes playing with `written` seconds of sound given to it so far:
    // what is written from now on is heard from the clock's present reading on, so the clock
    // waits while the server still plays what it held before.
    void restartStream(double written);
    // The stream no longer drives the clock: the system clock continues it from its last reading.
    void detachStream(double system);

    // The last reading; the clock is never less than it.
    double now() const { return m_now; }
    // A stream time plus this is the clock time at which it is heard.
    double streamOffset() const { return m_streamOffset; }

private:
    double m_now = 0;
    double m_systemOffset = 0;  // the system clock plus this: the clock, carried on since it last advanced
    double m_streamOffset = 0;
};

}  // namespace sablewick

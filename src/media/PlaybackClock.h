#pragma once

#include <QObject>

#include <functional>

class QTimer;

namespace sablewick {

// The time that playback follows, in seconds from an arbitrary origin. It never runs backwards.
// The real one is driven by what the sound card has played (AudioOutput); tests use a fake.
// Any thread.
class PlaybackClock {
public:
    virtual ~PlaybackClock() = default;
    virtual double now() const = 0;
};

// The monotonic system clock; what playback follows when no audio server answers.
class SystemPlaybackClock : public PlaybackClock {
public:
    double now() const override;
};

// A one-shot timer on the thread that owns it. The player re-arms it after every tick, so a fake
// can fire it by hand and tests run in fake time.
class PlaybackTimer {
public:
    virtual ~PlaybackTimer() = default;
    // Calls `fire` once, about `seconds` from now; replaces any earlier arming.
    virtual void start(double seconds, std::function<void()> fire) = 0;
    virtual void stop() = 0;
};

// PlaybackTimer on a precise QTimer. Main thread.
class QtPlaybackTimer : public PlaybackTimer {
public:
    QtPlaybackTimer();
    ~QtPlaybackTimer() override;
    void start(double seconds, std::function<void()> fire) override;
    void stop() override;

private:
    QTimer* m_timer;
    std::function<void()> m_fire;
};

}  // namespace sablewick

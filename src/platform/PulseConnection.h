#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

struct pa_context;
struct pa_threaded_mainloop;

namespace sablewick {

// The audio server failed or is missing; the text is readable by a user.
class PulseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One connection to the PulseAudio server (or PipeWire's pulse service) with its own threaded
// main loop, shared by playback and capture. Every libpulse call from another thread holds the
// loop's lock (Lock); callbacks run on the loop's thread with the lock held.
class PulseConnection {
public:
    // Connects to the server the environment names, never starting one (a daemon we started
    // would outlive us). Throws PulseError when none answers within the timeout.
    PulseConnection(const char* clientName, double timeoutSeconds);
    // Stops the loop's thread first, so no callback runs while the owner's streams go.
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    pa_threaded_mainloop* loop() const { return m_loop; }
    pa_context* context() const { return m_context; }
    bool isGood() const;  // with the lock held

    // Stops the loop's thread; afterwards streams can be torn down without the lock. Idempotent.
    void stop();

    // Calls `lost` once when the server goes away (it quit or crashed, the connection broke): on
    // the loop's thread with the lock held, or at once when it is gone already. Every stream of
    // the connection fails with it. Not called after stop().
    void onLost(std::function<void()> lost);

    class Lock {
    public:
        explicit Lock(const PulseConnection& connection);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* m_loop;
    };

    // With the lock held: releases it while waiting, so the loop can make progress, until
    // `done` says so or the timeout passes. Returns whether `done` said so.
    bool waitUnlocked(double timeoutSeconds, const std::function<bool()>& done) const;

    // "what: the server's reason", for the last failed call.
    std::string errorText(const std::string& what) const;

    struct ServerNames {
        std::string defaultSink;
        std::string defaultSource;
        std::string defaultSourceDescription;
        bool defaultSourceIsMonitor = false;
    };
    // The server's default output and input. Throws PulseError.
    ServerNames serverNames(double timeoutSeconds) const;

private:
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    bool m_stopped = false;
    std::function<void()> m_lost;  // used on the loop's thread, with the lock held
};

}  // namespace sablewick

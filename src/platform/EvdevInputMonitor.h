#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace sablewick {

class EvdevError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Watches left clicks and key presses on the kernel's input devices (/dev/input/event*), which a
// Wayland session hides from its applications but lets members of the input group read. Keys that
// are only modifiers are left out. Times are seconds of the monotonic clock. The devices are those
// present when monitoring starts. Callbacks run on the monitor's own thread.
class EvdevInputMonitor {
public:
    struct Callbacks {
        std::function<void(double time)> leftClick;
        std::function<void(double time)> keyDown;
        // The monitoring ended by itself: handling an event threw, or the devices cannot be waited on.
        std::function<void(const std::string& reason)> failed;
    };

    // Whether any pointer or keyboard device can be read; never prompts.
    static bool available();

    // Throws EvdevError when no pointer or keyboard device can be read.
    explicit EvdevInputMonitor(Callbacks callbacks);
    // Stops the thread; no callback runs after it returns.
    ~EvdevInputMonitor();
    EvdevInputMonitor(const EvdevInputMonitor&) = delete;
    EvdevInputMonitor& operator=(const EvdevInputMonitor&) = delete;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace sablewick

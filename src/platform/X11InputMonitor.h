#pragma once

#include <QPoint>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sablewick {

// A key combination that belongs to the application (its system-wide hot keys).
struct X11KeyChord {
    unsigned keycode = 0;
    unsigned modifiers = 0;  // X11 masks: ShiftMask, ControlMask, Mod1Mask (Alt), Mod4Mask (Super)
    bool operator==(const X11KeyChord&) const = default;
};

// The chord of a key named by its keysym on this server's keyboard, with keycode 0 when the
// keyboard has no such key. Throws X11Error when there is no X server.
X11KeyChord x11KeyChord(unsigned keysym, unsigned modifiers);

// Watches every left click and key press on the X server through XInput 2 raw events, on a
// thread of its own. Left out: presses in this process's own windows (the pointer's window for
// clicks, the focused window for keys), keys that are only modifiers, and the given chords.
// Callbacks run on the monitor's thread with the moment of the press on the monotonic clock
// (the server's own stamp when it shares this machine's clock, else the moment the event was
// read) and the pointer's position in root pixels.
class X11InputMonitor {
public:
    struct Callbacks {
        std::function<void(double time, QPoint pointer)> leftClick;
        std::function<void(double time, QPoint pointer)> keyDown;
        // The monitoring ended by itself: the X server went away, or handling an event threw.
        std::function<void(const std::string& reason)> failed;
    };

    // Throws X11Error when there is no X server or no XInput 2.
    X11InputMonitor(Callbacks callbacks, std::vector<X11KeyChord> ignoredChords);
    // Stops the thread; no callback runs after it returns.
    ~X11InputMonitor();
    X11InputMonitor(const X11InputMonitor&) = delete;
    X11InputMonitor& operator=(const X11InputMonitor&) = delete;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The pointer's position in root pixels, read on a connection of its own. One thread at a time.
class X11Pointer {
public:
    X11Pointer();  // throws X11Error
    ~X11Pointer();
    QPoint position();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace sablewick

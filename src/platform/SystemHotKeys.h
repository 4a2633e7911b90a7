#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

namespace sablewick {

// Keys that reach this program whichever application is in front. A key is named by its X11
// keysym and modifier mask (ShiftMask, ControlMask, Mod1Mask for Alt, Mod4Mask for Super); Caps
// Lock and Num Lock never matter.
//
// Main thread only: grabs, releases and the handler all happen there.
class SystemHotKeys {
public:
    // Called once per press (down true) and once per release of a grabbed key, with the id it was
    // grabbed under. A key held down reports one press, not one per auto-repeat.
    using Handler = std::function<void(quint32 id, bool down)>;

    virtual ~SystemHotKeys() = default;

    // Takes the key for this id. False when the key cannot be had: another program holds it, the
    // keyboard has no such key, or there is no display to take it on.
    virtual bool grab(quint32 id, quint32 keysym, quint32 modifiers) = 0;
    // Gives back every key taken so far.
    virtual void releaseAll() = 0;

    void setHandler(Handler handler) { m_handler = std::move(handler); }

protected:
    void deliver(quint32 id, bool down) const
    {
        if (m_handler)
            m_handler(id, down);
    }

private:
    Handler m_handler;
};

// The hot keys of the desktop session: X11 grabs on the root window when an X display is there,
// otherwise an object that refuses every key.
std::unique_ptr<SystemHotKeys> makeSystemHotKeys();

}  // namespace sablewick

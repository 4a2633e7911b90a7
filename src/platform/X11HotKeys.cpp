#include "platform/X11HotKeys.h"

#include "platform/DisplayList.h"

#include <QSocketNotifier>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <array>

namespace sablewick {
namespace {

// Xlib reports a refused grab through the process's error handler, after a round trip. While a
// grab is checked the handler notes errors of our connection and passes any other connection's
// errors on to the handler that was there before.
Display* checkedDisplay = nullptr;
bool grabRefused = false;
XErrorHandler previousHandler = nullptr;

int noteError(Display* display, XErrorEvent* error)
{
    if (display == checkedDisplay) {
        grabRefused = true;
        return 0;
    }
    return previousHandler ? previousHandler(display, error) : 0;
}

// The modifiers a binding can hold; lock keys and mouse buttons in an event's state are not part
// of the key.
constexpr unsigned kBindingModifiers = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;

unsigned numLockMask(Display* display)
{
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    XModifierKeymap* map = XGetModifierMapping(display);
    unsigned mask = 0;
    if (map && numLock != 0) {
        for (int modifier = 0; modifier < 8 && mask == 0; ++modifier) {
            for (int i = 0; i < map->max_keypermod; ++i) {
                if (map->modifiermap[modifier * map->max_keypermod + i] == numLock) {
                    mask = 1u << modifier;
                    break;
                }
            }
        }
    }
    if (map)
        XFreeModifiermap(map);
    return mask;
}

}  // namespace

std::unique_ptr<X11HotKeys> X11HotKeys::open()
{
    try {
        return std::unique_ptr<X11HotKeys>(new X11HotKeys(openX11Connection()));
    } catch (const X11Error&) {
        return nullptr;
    }
}

X11HotKeys::X11HotKeys(X11Connection connection)
    : m_connection(std::move(connection))
    , m_display(m_connection.get())
    , m_root(DefaultRootWindow(m_display))
    , m_numLockMask(numLockMask(m_display))
{
    // A held key then repeats as presses alone instead of release-and-press pairs, so a hold is
    // one press until the real release.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(m_display, True, &supported);
    m_notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(m_display), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readEvents(); });
}

X11HotKeys::~X11HotKeys()
{
    m_notifier.reset();
    releaseAll();
}

std::vector<unsigned> X11HotKeys::lockVariants() const
{
    std::vector<unsigned> variants{0, LockMask};
    if (m_numLockMask != 0 && m_numLockMask != LockMask) {
        variants.push_back(m_numLockMask);
        variants.push_back(m_numLockMask | LockMask);
    }
    return variants;
}

bool X11HotKeys::grab(quint32 id, quint32 keysym, quint32 modifiers)
{
    const KeyCode keycode = keysym == 0 ? 0 : XKeysymToKeycode(m_display, keysym);
    if (keycode == 0)
        return false;
    const unsigned base = modifiers & kBindingModifiers;

    XSync(m_display, False);
    checkedDisplay = m_display;
    grabRefused = false;
    previousHandler = XSetErrorHandler(noteError);
    for (unsigned lock : lockVariants())
        XGrabKey(m_display, keycode, base | lock, m_root, False, GrabModeAsync, GrabModeAsync);
    XSync(m_display, False);
    XSetErrorHandler(previousHandler);
    checkedDisplay = nullptr;

    if (grabRefused) {
        // Some variants may have been ours; ungrabbing touches only this client's grabs.
        for (unsigned lock : lockVariants())
            XUngrabKey(m_display, keycode, base | lock, m_root);
        XFlush(m_display);
        return false;
    }
    m_grabs.push_back({id, keycode, base});
    return true;
}

void X11HotKeys::releaseAll()
{
    for (const Grab& grab : m_grabs) {
        for (unsigned lock : lockVariants())
            XUngrabKey(m_display, grab.keycode, grab.modifiers | lock, m_root);
    }
    m_grabs.clear();
    XFlush(m_display);
}

void X11HotKeys::readEvents()
{
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type != KeyPress && event.type != KeyRelease)
            continue;
        const XKeyEvent& key = event.xkey;
        const bool down = event.type == KeyPress;
        if (!down && XPending(m_display) > 0) {
            // Where the server cannot report repeats as presses alone, a repeat is a release and
            // a press with the same time stamp: drop the release.
            XEvent next;
            XPeekEvent(m_display, &next);
            if (next.type == KeyPress && next.xkey.keycode == key.keycode && next.xkey.time == key.time)
                continue;
        }
        const unsigned modifiers = key.state & kBindingModifiers;
        for (const Grab& grab : m_grabs) {
            // The modifiers may already be up when the key is released; the key alone ends it.
            if (grab.keycode == key.keycode && (!down || grab.modifiers == modifiers))
                deliver(grab.id, down);
        }
    }
}

}  // namespace sablewick

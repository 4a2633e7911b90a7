#include "platform/X11InputMonitor.h"

#include "platform/DisplayList.h"
#include "platform/MonotonicClock.h"
#include "platform/ThreadName.h"
#include "platform/WorkerThread.h"
#include "platform/X11Connection.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <atomic>
#include <thread>

namespace sablewick {

namespace {

constexpr unsigned kChordModifiers = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;

struct PointerState {
    QPoint position;
    Window child = None;  // the top-level window under the pointer
    unsigned mask = 0;
};

PointerState queryPointer(Display* d)
{
    Window root = None, child = None;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rootX, &rootY, &x, &y, &mask);
    return {QPoint(rootX, rootY), child, mask};
}

bool hasOurPid(Display* d, Window w, Atom pidAtom)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) != Success)
        return false;
    bool ours = false;
    if (data && type == XA_CARDINAL && format == 32 && count == 1)
        ours = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == ::getpid();
    if (data)
        XFree(data);
    return ours;
}

// Whether a window belongs to this process: the window, its top-level ancestor, or (under a
// window manager, whose frame is the top level) one of the frame's children carries our pid.
bool ownedByThisProcess(Display* d, Window w, Atom pidAtom)
{
    const Window root = DefaultRootWindow(d);
    if (w == None || w == PointerRoot || w == root)
        return false;
    Window top = w;
    for (int depth = 0; depth < 64; ++depth) {
        if (hasOurPid(d, top, pidAtom))
            return true;
        Window rootReturn = None, parent = None, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(d, top, &rootReturn, &parent, &children, &count))
            return false;
        if (children)
            XFree(children);
        if (parent == root || parent == None)
            break;
        top = parent;
    }
    Window rootReturn = None, parent = None, *children = nullptr;
    unsigned count = 0;
    bool ours = false;
    if (XQueryTree(d, top, &rootReturn, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !ours; ++i)
            ours = hasOurPid(d, children[i], pidAtom);
        if (children)
            XFree(children);
    }
    return ours;
}

}  // namespace

X11KeyChord x11KeyChord(unsigned keysym, unsigned modifiers)
{
    const X11Connection connection = openX11Connection();
    return {keysym == 0 ? 0u : XKeysymToKeycode(connection.get(), keysym), modifiers & kChordModifiers};
}

namespace {

// A local X server stamps input with its monotonic clock in milliseconds (32 bits, wrapping),
// the clock the frames use: the press is dated when it happened, not when this thread got to it
// on a busy machine. A stamp far from now comes from some other clock and is not used.
double eventSeconds(Time serverTime)
{
    constexpr std::uint32_t kLargestDelayMilliseconds = 5000;
    const double now = monotonicSeconds();
    const auto nowMilliseconds = static_cast<std::uint32_t>(static_cast<std::uint64_t>(now * 1000.0));
    const std::uint32_t behind = nowMilliseconds - static_cast<std::uint32_t>(serverTime);
    if (behind > kLargestDelayMilliseconds)
        return now;
    return now - behind / 1000.0;
}

}  // namespace

struct X11InputMonitor::State {
    X11Connection connection;
    Callbacks callbacks;
    std::vector<X11KeyChord> ignored;
    int opcode = 0;
    int wake[2] = {-1, -1};
    std::atomic<bool> quit{false};
    std::thread thread;
    Atom pidAtom = None;

    ~State()
    {
        for (int fd : wake)
            if (fd >= 0)
                ::close(fd);
    }

    void handle(XGenericEventCookie* cookie)
    {
        Display* d = connection.get();
        const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
        if (cookie->evtype == XI_RawButtonPress) {
            if (raw->detail != 1)
                return;
            const PointerState p = queryPointer(d);
            if (ownedByThisProcess(d, p.child, pidAtom))
                return;
            if (callbacks.leftClick)
                callbacks.leftClick(eventSeconds(raw->time), p.position);
        } else if (cookie->evtype == XI_RawKeyPress) {
            const auto keycode = static_cast<unsigned>(raw->detail);
            const KeySym sym = XkbKeycodeToKeysym(d, static_cast<KeyCode>(keycode), 0, 0);
            if (sym == NoSymbol || IsModifierKey(sym))
                return;
            const PointerState p = queryPointer(d);
            const X11KeyChord chord{keycode, p.mask & kChordModifiers};
            if (std::find(ignored.begin(), ignored.end(), chord) != ignored.end())
                return;
            Window focus = None;
            int revert = 0;
            XGetInputFocus(d, &focus, &revert);
            if (ownedByThisProcess(d, focus, pidAtom))
                return;
            if (callbacks.keyDown)
                callbacks.keyDown(eventSeconds(raw->time), p.position);
        }
    }

    void run()
    {
        nameCurrentThread("x11 input");
        runCatchingAll([this] { watch(); }, "Clicks and typing could not be read.", callbacks.failed);
    }

    // Reads events until asked to quit. Throws X11Error when the X server goes.
    void watch()
    {
        Display* d = connection.get();
        pollfd fds[2] = {{ConnectionNumber(d), POLLIN, 0}, {wake[0], POLLIN, 0}};
        while (!quit.load()) {
            while (XPending(d) > 0 && !quit.load()) {
                XEvent event;
                XNextEvent(d, &event);
                XGenericEventCookie* cookie = &event.xcookie;
                if (cookie->type == GenericEvent && cookie->extension == opcode && XGetEventData(d, cookie)) {
                    handle(cookie);
                    XFreeEventData(d, cookie);
                }
                takeX11Error();  // a window that vanished while we looked at it is no failure
            }
            if (quit.load())
                break;
            fds[0].revents = fds[1].revents = 0;
            const bool lost = (::poll(fds, 2, -1) < 0 && errno != EINTR) || (fds[0].revents & (POLLERR | POLLHUP));
            if (lost && !quit.load())
                throw X11Error("The X server went away.");
        }
    }
};

X11InputMonitor::X11InputMonitor(Callbacks callbacks, std::vector<X11KeyChord> ignoredChords)
    : m_state(std::make_unique<State>())
{
    State& s = *m_state;
    s.connection = openX11Connection();
    s.callbacks = std::move(callbacks);
    s.ignored = std::move(ignoredChords);
    Display* d = s.connection.get();
    int event = 0, error = 0;
    int major = 2, minor = 0;
    if (!XQueryExtension(d, "XInputExtension", &s.opcode, &event, &error) || XIQueryVersion(d, &major, &minor) != Success)
        throw X11Error("The X server has no XInput 2, so clicks and typing cannot be seen.");
    s.pidAtom = XInternAtom(d, "_NET_WM_PID", False);
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawKeyPress);
    XIEventMask mask{XIAllMasterDevices, sizeof(bits), bits};
    XISelectEvents(d, DefaultRootWindow(d), &mask, 1);
    XSync(d, False);
    if (takeX11Error())
        throw X11Error("The X server refused to report clicks and typing.");
    if (::pipe2(s.wake, O_CLOEXEC) != 0)
        throw X11Error("The input monitor cannot be started.");
    s.thread = std::thread([&s] { s.run(); });
}

X11InputMonitor::~X11InputMonitor()
{
    State& s = *m_state;
    s.quit.store(true);
    const char byte = 0;
    [[maybe_unused]] const auto written = ::write(s.wake[1], &byte, 1);
    if (s.thread.joinable())
        s.thread.join();
}

struct X11Pointer::State {
    X11Connection connection;
};

X11Pointer::X11Pointer()
    : m_state(std::make_unique<State>())
{
    m_state->connection = openX11Connection();
}

X11Pointer::~X11Pointer() = default;

QPoint X11Pointer::position() { return queryPointer(m_state->connection.get()).position; }

}  // namespace sablewick

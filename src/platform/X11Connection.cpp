#include "platform/X11Connection.h"

#include "platform/DisplayList.h"

#include <X11/Xlib.h>

#include <cstdlib>
#include <mutex>

namespace sablewick {

namespace {

thread_local bool t_x11Error = false;

int noteError(Display*, XErrorEvent*)
{
    t_x11Error = true;
    return 0;
}

// A server that went away would otherwise end the whole process, movie half written and all:
// the loss is noted like an error of the request that met it, and the connection stays dead
// (every later request fails at once) so that its owner can finish what it holds.
int noteConnectionLost(Display*)
{
    t_x11Error = true;
    return 0;
}

void keepGoing(Display*, void*) {}

}  // namespace

bool takeX11Error()
{
    const bool noted = t_x11Error;
    t_x11Error = false;
    return noted;
}

X11Connection openX11Connection()
{
    static std::once_flag once;
    std::call_once(once, [] {
        XInitThreads();
        XSetErrorHandler(noteError);
        XSetIOErrorHandler(noteConnectionLost);
    });
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        const char* name = std::getenv("DISPLAY");
        throw X11Error(name && *name ? std::string("The X display ") + name + " cannot be opened."
                                     : std::string("No X display is set."));
    }
    XSetIOErrorExitHandler(display, keepGoing, nullptr);
    return X11Connection(display, [](Display* d) { XCloseDisplay(d); });
}

}  // namespace sablewick

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
    });
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        const char* name = std::getenv("DISPLAY");
        throw X11Error(name && *name ? std::string("The X display ") + name + " cannot be opened."
                                     : std::string("No X display is set."));
    }
    return X11Connection(display, [](Display* d) { XCloseDisplay(d); });
}

}  // namespace sablewick

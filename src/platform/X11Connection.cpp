#include "platform/X11Connection.h"

#include "platform/DisplayList.h"

#include <X11/Xlib.h>

#include <cstdlib>
#include <mutex>

namespace sablewick {

X11Connection openX11Connection()
{
    static std::once_flag threads;
    std::call_once(threads, [] { XInitThreads(); });
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        const char* name = std::getenv("DISPLAY");
        throw X11Error(name && *name ? std::string("The X display ") + name + " cannot be opened."
                                     : std::string("No X display is set."));
    }
    return X11Connection(display, [](Display* d) { XCloseDisplay(d); });
}

}  // namespace sablewick

#include "platform/X11SystemTray.h"

#include "platform/DisplayList.h"
#include "platform/X11Connection.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <string>

namespace sablewick {

std::optional<std::uint32_t> systemTrayForeground()
{
    X11Connection connection;
    try {
        connection = openX11Connection();
    } catch (const X11Error&) {
        return std::nullopt;
    }
    Display* display = connection.get();
    const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
    const Window tray = XGetSelectionOwner(display, XInternAtom(display, selection.c_str(), False));
    if (tray == None)
        return std::nullopt;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    // Twelve cardinals: foreground, error, warning and success, each as 16-bit red, green, blue.
    const int status = XGetWindowProperty(display, tray, XInternAtom(display, "_NET_SYSTEM_TRAY_COLORS", False), 0, 12,
                                          False, XA_CARDINAL, &type, &format, &count, &remaining, &data);
    std::optional<std::uint32_t> foreground;
    if (status == Success && type == XA_CARDINAL && format == 32 && count >= 3) {
        // Xlib hands 32-bit items as longs.
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        const auto channel = [values](int i) { return std::uint32_t((values[i] & 0xFFFF) >> 8); };
        foreground = channel(0) << 16 | channel(1) << 8 | channel(2);
    }
    if (data)
        XFree(data);
    XSync(display, False);
    // The tray may have gone between the two requests; that is no tray.
    if (takeX11Error())
        return std::nullopt;
    return foreground;
}

}  // namespace sablewick

#pragma once

#include <QImage>
#include <QRect>

#include <vector>

namespace sablewick {

// The X server's screen as the screenshot capture sees it: the pixels of any part of the root
// window and the application windows that a click can pick. Each call opens its own connection
// to the display named by DISPLAY, so it may run on any thread. Throw X11Error when no X server
// answers or the pixels cannot be read.
namespace X11Screen {

// The root window's rectangle: the whole X screen in pixels.
QRect rootRect();

// The pixels of `area` (root pixels, clipped to the screen) as an opaque RGB32 image, with the
// pointer drawn in when asked.
QImage grab(const QRect& area, bool includePointer);

// The visible application windows, topmost first, each as the rectangle a user sees as the window:
// the window manager's frame with its title bar, but without the transparent shadow margin that
// client-drawn decorations leave around themselves. Pop-up menus and tooltips are left out.
std::vector<QRect> applicationWindows();

}  // namespace X11Screen
}  // namespace sablewick

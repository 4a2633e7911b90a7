#include "platform/DisplayList.h"

#include "platform/X11Connection.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cmath>

namespace sablewick {

const DisplayInfo* DisplayLayout::main() const
{
    if (displays.empty())
        return nullptr;
    auto primary = std::find_if(displays.begin(), displays.end(), [](const DisplayInfo& d) { return d.primary; });
    return primary != displays.end() ? &*primary : &displays.front();
}

const DisplayInfo* DisplayLayout::find(std::uint32_t id) const
{
    auto it = std::find_if(displays.begin(), displays.end(), [id](const DisplayInfo& d) { return d.id == id; });
    return it != displays.end() ? &*it : nullptr;
}

QRectF DisplayLayout::globalFrame(const QRect& geometry) const
{
    return QRectF(geometry.x(), root.height() - geometry.y() - geometry.height(), geometry.width(), geometry.height());
}

QPointF DisplayLayout::globalPoint(QPoint pixel) const
{
    return {pixel.x() + 0.5, root.height() - pixel.y() - 0.5};
}

QPoint DisplayLayout::pixelAt(QPointF global) const
{
    return {static_cast<int>(std::floor(global.x())), static_cast<int>(std::floor(root.height() - global.y()))};
}

namespace {

QString atomName(Display* display, Atom atom)
{
    if (atom == None)
        return {};
    char* name = XGetAtomName(display, atom);
    if (!name)
        return {};
    QString text = QString::fromUtf8(name);
    XFree(name);
    return text;
}

}  // namespace

namespace DisplayList {

DisplayLayout current()
{
    const X11Connection connection = openX11Connection();
    Display* display = connection.get();
    const Window root = DefaultRootWindow(display);
    DisplayLayout layout;
    layout.root = QSize(DisplayWidth(display, DefaultScreen(display)), DisplayHeight(display, DefaultScreen(display)));

    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    const bool monitors = XRRQueryExtension(display, &eventBase, &errorBase) &&
                          XRRQueryVersion(display, &major, &minor) && (major > 1 || (major == 1 && minor >= 5));
    if (monitors) {
        int count = 0;
        XRRMonitorInfo* infos = XRRGetMonitors(display, root, True, &count);
        // Monitors without an output (made with xrandr --setmonitor) get numbers above any
        // output's, which are 29-bit X resource ids.
        std::uint32_t virtualID = 0x20000000;
        for (int i = 0; i < count; ++i) {
            const XRRMonitorInfo& m = infos[i];
            if (m.width <= 0 || m.height <= 0)
                continue;
            DisplayInfo info;
            info.id = m.noutput > 0 ? static_cast<std::uint32_t>(m.outputs[0]) : virtualID + static_cast<std::uint32_t>(i);
            info.name = atomName(display, m.name);
            info.geometry = QRect(m.x, m.y, m.width, m.height);
            info.primary = m.primary;
            layout.displays.push_back(info);
        }
        if (infos)
            XRRFreeMonitors(infos);
    }
    if (layout.displays.empty()) {
        // A server without monitors (or without XRandR) is one display: the whole screen.
        layout.displays.push_back({1, QStringLiteral("Screen"), QRect(QPoint(0, 0), layout.root), true});
    }
    std::stable_sort(layout.displays.begin(), layout.displays.end(), [](const DisplayInfo& a, const DisplayInfo& b) {
        if (a.primary != b.primary)
            return a.primary;
        if (a.geometry.x() != b.geometry.x())
            return a.geometry.x() < b.geometry.x();
        return a.geometry.y() < b.geometry.y();
    });
    return layout;
}

}  // namespace DisplayList
}  // namespace sablewick

#include "screenshots/X11Screen.h"

#include "platform/DisplayList.h"
#include "platform/X11Connection.h"

#include <QPainter>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

#include <cstring>
#include <memory>

namespace sablewick {
namespace X11Screen {
namespace {

template <class T>
struct XDeleter {
    void operator()(T* p) const
    {
        if (p)
            XFree(p);
    }
};
template <class T>
using XPointer = std::unique_ptr<T, XDeleter<T>>;

struct ImageDeleter {
    void operator()(XImage* image) const
    {
        if (image)
            XDestroyImage(image);
    }
};

QRect rootOf(Display* display)
{
    const int screen = DefaultScreen(display);
    return {0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
}

// The channel's value scaled to 8 bits, for any TrueColor mask.
struct Channel {
    int shift = 0;
    int bits = 0;

    explicit Channel(unsigned long mask)
    {
        if (!mask)
            return;
        while (!(mask & 1)) {
            mask >>= 1;
            ++shift;
        }
        while (mask & 1) {
            mask >>= 1;
            ++bits;
        }
    }
    quint32 read(unsigned long pixel) const
    {
        if (bits == 0)
            return 0;
        const unsigned long value = (pixel >> shift) & ((1ul << bits) - 1);
        return bits >= 8 ? quint32(value >> (bits - 8)) : quint32(value * 255 / ((1ul << bits) - 1));
    }
};

QImage toImage(XImage* image)
{
    QImage out(image->width, image->height, QImage::Format_RGB32);
    if (out.isNull())
        throw X11Error("There is not enough memory for the screenshot.");
    const bool direct = image->bits_per_pixel == 32 && image->red_mask == 0xFF0000 && image->green_mask == 0xFF00
                        && image->blue_mask == 0xFF && image->byte_order == LSBFirst;
    if (direct) {
        // The common visual: the bytes are already RGB32 apart from the unused top byte.
        for (int y = 0; y < image->height; ++y) {
            const auto* src = reinterpret_cast<const quint32*>(image->data + std::ptrdiff_t(y) * image->bytes_per_line);
            auto* dst = reinterpret_cast<quint32*>(out.scanLine(y));
            for (int x = 0; x < image->width; ++x)
                dst[x] = src[x] | 0xFF000000u;
        }
        return out;
    }
    const Channel red(image->red_mask), green(image->green_mask), blue(image->blue_mask);
    for (int y = 0; y < image->height; ++y) {
        auto* dst = reinterpret_cast<quint32*>(out.scanLine(y));
        for (int x = 0; x < image->width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            dst[x] = 0xFF000000u | (red.read(pixel) << 16) | (green.read(pixel) << 8) | blue.read(pixel);
        }
    }
    return out;
}

void drawPointer(Display* display, QImage& image, const QRect& area)
{
    int eventBase = 0, errorBase = 0;
    if (!XFixesQueryExtension(display, &eventBase, &errorBase))
        return;
    XPointer<XFixesCursorImage> cursor(XFixesGetCursorImage(display));
    if (!cursor || cursor->width == 0 || cursor->height == 0)
        return;
    // XFixes hands out premultiplied ARGB in longs, whatever their width.
    QImage bitmap(cursor->width, cursor->height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < cursor->height; ++y) {
        auto* row = reinterpret_cast<quint32*>(bitmap.scanLine(y));
        for (int x = 0; x < cursor->width; ++x)
            row[x] = quint32(cursor->pixels[std::ptrdiff_t(y) * cursor->width + x]);
    }
    QPainter painter(&image);
    painter.drawImage(QPoint(cursor->x - cursor->xhot - area.x(), cursor->y - cursor->yhot - area.y()), bitmap);
}

bool property(Display* display, Window window, Atom name, Atom type, std::vector<long>& values)
{
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, name, 0, 16, False, type, &actualType, &format, &count, &after, &data)
            != Success
        || !data) {
        return false;
    }
    XPointer<unsigned char> owned(data);
    if (actualType != type || format != 32)
        return false;
    const auto* longs = reinterpret_cast<const long*>(data);
    values.assign(longs, longs + count);
    return true;
}

// The application's own window inside a window manager's frame (the frame itself without a
// window manager): the first window, breadth first, that carries WM_STATE.
Window clientOf(Display* display, Window top, Atom wmState)
{
    std::vector<Window> level{top};
    for (int depth = 0; depth < 3 && !level.empty(); ++depth) {
        std::vector<Window> next;
        for (Window window : level) {
            std::vector<long> state;
            Atom type = None;
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display, window, wmState, 0, 0, False, AnyPropertyType, &type, &format, &count,
                                   &after, &data)
                    == Success) {
                XPointer<unsigned char> owned(data);
                if (type != None)
                    return window;
            }
            Window root = 0, parent = 0;
            Window* children = nullptr;
            unsigned int childCount = 0;
            if (XQueryTree(display, window, &root, &parent, &children, &childCount)) {
                XPointer<Window> owned(children);
                next.insert(next.end(), children, children + childCount);
            }
        }
        level = std::move(next);
    }
    return top;
}

// The window without the shadow margin its client says it draws (left, right, top, bottom). The
// values come from another program: margins that are negative or leave nothing of the window are
// not believed, and the window keeps its own rectangle.
QRect withoutShadow(const QRect& window, const std::vector<long>& extents)
{
    const auto fits = [](long margin, int side) { return margin >= 0 && margin < side; };
    const long left = extents[0], right = extents[1], top = extents[2], bottom = extents[3];
    if (!fits(left, window.width()) || !fits(right, window.width()) || !fits(top, window.height())
        || !fits(bottom, window.height()) || left + right >= window.width() || top + bottom >= window.height())
        return window;
    return QRect(window.x() + int(left), window.y() + int(top), window.width() - int(left + right),
                 window.height() - int(top + bottom));
}

}  // namespace

QRect rootRect()
{
    const X11Connection connection = openX11Connection();
    return rootOf(connection.get());
}

QImage grab(const QRect& wanted, bool includePointer)
{
    const X11Connection connection = openX11Connection();
    Display* display = connection.get();
    const QRect area = wanted & rootOf(display);
    if (area.isEmpty())
        throw X11Error("The display lies outside the X screen.");
    const std::unique_ptr<XImage, ImageDeleter> image(XGetImage(display, DefaultRootWindow(display), area.x(),
                                                                 area.y(), unsigned(area.width()),
                                                                 unsigned(area.height()), AllPlanes, ZPixmap));
    if (!image)
        throw X11Error("The X server did not hand out the screen's pixels.");
    QImage out = toImage(image.get());
    if (includePointer)
        drawPointer(display, out, area);
    return out;
}

std::vector<QRect> applicationWindows()
{
    const X11Connection connection = openX11Connection();
    Display* display = connection.get();
    const Window rootWindow = DefaultRootWindow(display);
    const Atom wmState = XInternAtom(display, "WM_STATE", False);
    const Atom gtkExtents = XInternAtom(display, "_GTK_FRAME_EXTENTS", False);

    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, rootWindow, &root, &parent, &children, &count))
        return {};
    XPointer<Window> owned(children);

    std::vector<QRect> windows;
    // XQueryTree lists the children bottom first.
    for (unsigned int i = count; i-- > 0;) {
        XWindowAttributes attributes {};
        if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable
            || attributes.c_class != InputOutput || attributes.override_redirect)
            continue;
        QRect shown(attributes.x, attributes.y, attributes.width + 2 * attributes.border_width,
                    attributes.height + 2 * attributes.border_width);
        // Client-side decorations draw their shadow inside the window and say how wide it is.
        const Window client = clientOf(display, children[i], wmState);
        std::vector<long> extents;
        if (property(display, client, gtkExtents, XA_CARDINAL, extents) && extents.size() == 4) {
            XWindowAttributes clientAttributes {};
            int x = 0, y = 0;
            Window child = 0;
            if (XGetWindowAttributes(display, client, &clientAttributes)
                && XTranslateCoordinates(display, client, rootWindow, 0, 0, &x, &y, &child)) {
                shown = QRect(x, y, clientAttributes.width, clientAttributes.height);
                shown = withoutShadow(shown, extents);
            }
        }
        if (!shown.isEmpty())
            windows.push_back(shown);
    }
    return windows;
}

}  // namespace X11Screen
}  // namespace sablewick

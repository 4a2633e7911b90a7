// The windows a click can pick, read from the private X server, where another client's properties
// may hold anything.
#include "screenshots/X11Screen.h"

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <array>

namespace sablewick {
namespace {

// A top-level window of a client of the test's own, with the shadow margins it claims.
class ClientWindow {
public:
    ClientWindow(const QRect& rect, const std::array<long, 4>& extents)
        : m_display(XOpenDisplay(nullptr))
    {
        if (!m_display)
            return;
        XSetWindowAttributes attributes{};
        attributes.event_mask = StructureNotifyMask;
        m_window = XCreateWindow(m_display, DefaultRootWindow(m_display), rect.x(), rect.y(), unsigned(rect.width()),
                                 unsigned(rect.height()), 0, CopyFromParent, InputOutput, CopyFromParent, CWEventMask,
                                 &attributes);
        const Atom name = XInternAtom(m_display, "_GTK_FRAME_EXTENTS", False);
        XChangeProperty(m_display, m_window, name, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(extents.data()), int(extents.size()));
        XMapWindow(m_display, m_window);
        // Viewable once the server has mapped it.
        XEvent event{};
        do {
            XWindowEvent(m_display, m_window, StructureNotifyMask, &event);
        } while (event.type != MapNotify);
        XSync(m_display, False);
    }
    ~ClientWindow()
    {
        if (!m_display)
            return;
        XDestroyWindow(m_display, m_window);
        XCloseDisplay(m_display);
    }
    ClientWindow(const ClientWindow&) = delete;
    ClientWindow& operator=(const ClientWindow&) = delete;

    bool isOpen() const { return m_display != nullptr; }

private:
    Display* m_display;
    Window m_window = 0;
};

TEST(X11ScreenTest, ShadowMarginsOfAnotherClientNeverTakeAWindowBeyondItsOwnRectangle)
{
    const QRect own(120, 90, 400, 300);
    constexpr long big = 0x80000000L;      // 2^31, which negated overflows an int
    constexpr long most = 0x7FFFFFFFL;     // 2^31 - 1, which overflows QRect's arithmetic
    constexpr long minus50 = 0xFFFFFFCEL;  // -50 as a cardinal
    const struct {
        const char* name;
        std::array<long, 4> extents;
        QRect expected;
    } cases[] = {
        {"an ordinary shadow", {10, 20, 30, 40}, QRect(130, 120, 370, 230)},
        {"2^31 on every side", {big, big, big, big}, own},
        {"2^31 - 1 on one side", {most, 0, 0, 0}, own},
        {"2^31 - 1 on the far sides", {0, most, 0, most}, own},
        {"negative margins", {minus50, minus50, 0, 0}, own},
        {"margins that leave nothing", {200, 200, 0, 0}, own},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClientWindow window(own, c.extents);
        ASSERT_TRUE(window.isOpen()) << "no X server";
        const std::vector<QRect> windows = X11Screen::applicationWindows();
        ASSERT_FALSE(windows.empty());
        // Topmost first: the window just mapped.
        EXPECT_EQ(windows.front(), c.expected);
    }
}

}  // namespace
}  // namespace sablewick

// The tray icon's colour on the real X server, against a tray that embeds icons and says which
// colour it wants them in.
#include "app/FakeSystemHotKeys.h"
#include "app/SablewickMenuBar.h"
#include "app/StudioSession.h"
#include "editor/EditorTestSupport.h"
#include "platform/PreferencesStore.h"
#include "platform/X11SystemTray.h"
#include "preferences/AppPreferences.h"
#include "preferences/FakeSystemAppearance.h"

#include <QApplication>
#include <QImage>
#include <QPalette>

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <memory>
#include <string>

namespace sablewick {
namespace {

// The tray's manager window: owns the screen's tray selection and states its colours. No icon is
// ever embedded; the application only reads what the tray says.
class FakeTrayManager {
public:
    explicit FakeTrayManager(std::optional<QColor> foreground)
        : m_display(XOpenDisplay(nullptr))
    {
        if (!m_display)
            return;
        m_window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, 1, 1, 0, 0, 0);
        if (foreground) {
            // Foreground, error, warning and success, each as 16-bit red, green, blue.
            long colours[12] = {};
            colours[0] = foreground->red() * 257;
            colours[1] = foreground->green() * 257;
            colours[2] = foreground->blue() * 257;
            XChangeProperty(m_display, m_window, XInternAtom(m_display, "_NET_SYSTEM_TRAY_COLORS", False), XA_CARDINAL,
                            32, PropModeReplace, reinterpret_cast<unsigned char*>(colours), 12);
        }
        const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(m_display));
        XSetSelectionOwner(m_display, XInternAtom(m_display, selection.c_str(), False), m_window, CurrentTime);
        XSync(m_display, False);
    }
    ~FakeTrayManager()
    {
        if (!m_display)
            return;
        XDestroyWindow(m_display, m_window);
        XCloseDisplay(m_display);
    }
    bool isRunning() const { return m_display != nullptr; }

private:
    Display* m_display;
    Window m_window = 0;
};

// The colour of the icon's painted pixels (the most opaque one).
QColor paintedColour(const QIcon& icon)
{
    const QImage image = icon.pixmap(22).toImage().convertToFormat(QImage::Format_ARGB32);
    QColor found;
    int alpha = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const QColor c = image.pixelColor(x, y); c.alpha() > alpha) {
                found = c;
                alpha = c.alpha();
            }
    return found;
}

TEST(TrayX11Test, TheIconTakesTheColourTheTrayAsksFor)
{
    ASSERT_NE(qgetenv("DISPLAY"), QByteArray()) << "x11 tests run under the test command's Xvfb";
    test::EditorBench bench;
    MemoryPreferencesStore defaults;
    // Dark windows, chosen in the application: the tray's panel is light.
    AppPreferences preferences{defaults, std::make_shared<test::FakeSystemAppearance>()};
    preferences.setAppearance(StudioAppearance::dark);
    test::FakeSystemHotKeys::State keys;
    StudioSessionServices services;
    services.defaults = &defaults;
    services.preferences = &preferences;
    services.editor = bench.services;
    services.makeHotKeys = [&keys] { return std::make_unique<test::FakeSystemHotKeys>(keys); };
    StudioSession session(std::move(services));

    const QColor panelText(0x20, 0x30, 0x40);
    FakeTrayManager tray(panelText);
    ASSERT_TRUE(tray.isRunning());
    ASSERT_EQ(systemTrayForeground(), std::optional<std::uint32_t>(0x203040));

    SablewickMenuBar menuBar(session, {});
    const QColor painted = paintedColour(menuBar.icon());
    ASSERT_TRUE(painted.isValid());
    EXPECT_EQ(painted.rgb(), panelText.rgb());
    EXPECT_NE(painted.rgb(), QApplication::palette().color(QPalette::WindowText).rgb())
        << "drawn in the windows' colour";
    preferences.setAppearance(StudioAppearance::system);
}

TEST(TrayX11Test, ATrayThatNamesNoColourLeavesItToTheDesktop)
{
    ASSERT_NE(qgetenv("DISPLAY"), QByteArray());
    {
        FakeTrayManager tray(std::nullopt);
        ASSERT_TRUE(tray.isRunning());
        EXPECT_EQ(systemTrayForeground(), std::nullopt);
    }
    EXPECT_EQ(systemTrayForeground(), std::nullopt) << "no tray at all";
}

}  // namespace
}  // namespace sablewick

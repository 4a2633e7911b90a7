// The main of every test program. gtest discovery runs test binaries outside the test command's
// environment, so a program without a platform set falls back to Qt's offscreen platform (x11 tests
// to xcb on the private X server). The choice is not left in the environment: programs that a test
// launches pick their own platform.
#include "platform/NumericLocale.h"

#include <gtest/gtest.h>

#ifdef SABLEWICK_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <cstdlib>

#ifdef SABLEWICK_TEST_WAYLAND
#include "support/WaylandTestSession.h"
#endif

int main(int argc, char** argv)
{
#ifdef SABLEWICK_TEST_WAYLAND
    // Before anything opens the session bus: it is read from the environment once.
    sablewick::test::enterWaylandSession();
#endif
    const bool platformChosen = std::getenv("QT_QPA_PLATFORM") != nullptr;
#ifdef SABLEWICK_TEST_X11
    // Without a display (test discovery outside the test command) xcb cannot start at all.
    const char* fallbackPlatform = std::getenv("DISPLAY") ? "xcb" : "offscreen";
#else
    const char* fallbackPlatform = "offscreen";
#endif
    if (!platformChosen)
        ::setenv("QT_QPA_PLATFORM", fallbackPlatform, 1);
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    if (!platformChosen)
        ::unsetenv("QT_QPA_PLATFORM");
    sablewick::useCNumericLocale();
    return RUN_ALL_TESTS();
}

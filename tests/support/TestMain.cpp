// The main of every test program. gtest discovery runs test binaries outside the test command's
// environment, so a program without a platform set falls back to Qt's offscreen platform (x11 tests
// to xcb on the private X server). The choice is not left in the environment: programs that a test
// launches pick their own platform. A program that changes the X screen runs on a server of its own.
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

#ifdef SABLEWICK_TEST_OWN_X11
#include "support/PrivateXServer.h"

#include <cstdio>
#include <optional>
#endif

int main(int argc, char** argv)
{
#ifdef SABLEWICK_TEST_WAYLAND
    // Before anything opens the session bus: it is read from the environment once.
    sablewick::test::enterWaylandSession();
#endif
    ::testing::InitGoogleTest(&argc, argv);
#ifdef SABLEWICK_TEST_OWN_X11
    // Declared before the application, so that it goes after the application's connection to it.
    // Listing the tests needs no server.
    std::optional<sablewick::test::PrivateXServer> server;
    if (!::testing::GTEST_FLAG(list_tests)) {
        server.emplace();
        if (server->display().empty()) {
            std::fprintf(stderr, "%s\n", server->error().c_str());
            return 1;
        }
        ::setenv("DISPLAY", server->display().c_str(), 1);
    }
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
    TestApplication app(argc, argv);
    if (!platformChosen)
        ::unsetenv("QT_QPA_PLATFORM");
    sablewick::useCNumericLocale();
    return RUN_ALL_TESTS();
}

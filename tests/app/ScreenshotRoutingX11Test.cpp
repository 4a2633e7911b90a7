#include "app/FakeSystemHotKeys.h"
#include "app/SablewickLifecycle.h"
#include "app/StudioSession.h"
#include "app/TopLevelWindows.h"
#include "editor/EditorTestSupport.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "preferences/FakeSystemAppearance.h"
#include "screenshots/ScreenshotCapture.h"
#include "screenshots/ScreenshotModel.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace sablewick {
namespace {

// A display screenshot taken through the session on the real X server: the application's own
// window is hidden for it, the file lands in the screenshots folder and the picture in the image
// editor, whose window is asked forward.
TEST(ScreenshotRoutingX11Test, DisplayCaptureOpensThePictureInTheImageEditor)
{
    test::EditorBench bench;
    MemoryPreferencesStore defaults;
    AppPreferences preferences{defaults, std::make_shared<test::FakeSystemAppearance>()};
    test::FakeSystemHotKeys::State keys;
    TopLevelWindows windows;

    StudioSessionServices services;
    services.defaults = &defaults;
    services.preferences = &preferences;
    services.editor = bench.services;
    services.makeHotKeys = [&keys] { return std::make_unique<test::FakeSystemHotKeys>(keys); };
    services.screenshotCapture.windows = &windows;
    services.screenshotCapture.folder = bench.path("shots");
    StudioSession session(std::move(services));
    QStringList opened;
    session.configureWindows([&opened](const QString& id) { opened.append(id); });

    // A magenta window over the middle of the screen: were it not hidden, the capture would show it.
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::magenta);
    window.setPalette(palette);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect area(screen.center() - QPoint(100, 100), QSize(200, 200));
    window.setGeometry(area);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    session.captureScreenshot({ScreenshotCaptureMode::display, std::nullopt, false, 0});
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.screenshot().sourceURL().has_value(); }, 10000))
        << session.screenshot().notice().value_or(session.screenshotCapture().error().value_or("no message")).toStdString();

    const QString path = session.screenshot().sourceURL()->toLocalFile();
    EXPECT_EQ(QFileInfo(path).absolutePath(), QDir(bench.path("shots")).absolutePath());
    EXPECT_TRUE(QFileInfo(path).fileName().startsWith("Screenshot-"));
    EXPECT_TRUE(path.endsWith(".png"));
    const QImage written(path, "PNG");
    ASSERT_FALSE(written.isNull());
    EXPECT_EQ(written.size(), screen.size() * QGuiApplication::primaryScreen()->devicePixelRatio());
    EXPECT_EQ(session.screenshot().source().size(), written.size());
    EXPECT_NE(written.pixelColor(area.center()).rgb(), QColor(Qt::magenta).rgb())
        << "the application's window was in the picture";
    EXPECT_EQ(opened, QStringList{"screenshot"});
    EXPECT_TRUE(window.isVisible()) << "the hidden window comes back";
    EXPECT_FALSE(session.editor().notice());
}

}  // namespace
}  // namespace sablewick

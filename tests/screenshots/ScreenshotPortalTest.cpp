// Screenshots of a headless Wayland desktop (sway) through xdg-desktop-portal.
#include "support/WaylandTestSession.h"

#include "screenshots/ScreenshotCapture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

namespace sablewick {
namespace {

bool waitUntilIdle(const ScreenshotCapture& capture)
{
    QElapsedTimer timer;
    timer.start();
    while (capture.isCapturing()) {
        if (timer.elapsed() > 20000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

TEST(ScreenshotPortalTest, ADisplayScreenshotIsAPictureOfTheWholeOutputInTheScreenshotsFolder)
{
    if (const std::optional<QString> problem = test::waylandSessionProblem())
        FAIL() << problem->toStdString();
    QTemporaryDir dir;
    ScreenshotCaptureServices services;
    services.portal = true;
    services.folder = dir.filePath("Sablewick Screenshots");
    ScreenshotCapture capture(services);

    std::optional<QString> written;
    ScreenshotCaptureOptions options;
    options.mode = ScreenshotCaptureMode::display;
    capture.capture(options, [&](const QString& path) { written = path; });
    ASSERT_TRUE(waitUntilIdle(capture));
    ASSERT_FALSE(capture.error()) << capture.error()->toStdString();
    ASSERT_TRUE(written);
    EXPECT_EQ(QFileInfo(*written).absolutePath(), QFileInfo(services.folder).absoluteFilePath());
    EXPECT_TRUE(QFileInfo(*written).fileName().startsWith("Screenshot-"));
    const QImage picture(*written, "PNG");
    EXPECT_EQ(picture.size(), QSize(1280, 720));
}

}  // namespace
}  // namespace sablewick

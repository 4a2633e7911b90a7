// Screenshots of a headless Wayland desktop (sway) through xdg-desktop-portal.
#include "support/WaylandTestSession.h"

#include "screenshots/ScreenshotCapture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
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

class ScreenshotPortalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::optional<QString> problem = test::waylandSessionProblem())
            FAIL() << problem->toStdString();
        services.portal = true;
        services.folder = dir.filePath("Sablewick Screenshots");
    }
    QTemporaryDir dir;
    ScreenshotCaptureServices services;
};

TEST_F(ScreenshotPortalTest, ADisplayScreenshotIsAPictureOfTheChosenOutputInTheScreenshotsFolder)
{
    ScreenshotCapture capture(services);
    // What the setup sheet offers: the compositor's outputs, not XWayland's screens.
    const DisplayLayout layout = capture.displays();
    ASSERT_EQ(layout.displays.size(), 1u);
    EXPECT_EQ(layout.displays[0].name, "HEADLESS-1");
    EXPECT_EQ(layout.displays[0].geometry, QRect(0, 0, 1280, 720));
    ASSERT_TRUE(layout.main());

    // The output picked, none (the main one), or one that has gone since (the main one too).
    const std::optional<std::uint32_t> choices[] = {layout.main()->id, std::nullopt, layout.main()->id + 1000};
    for (const std::optional<std::uint32_t>& choice : choices) {
        SCOPED_TRACE(choice ? std::to_string(*choice) : "none");
        std::optional<QString> written;
        ScreenshotCaptureOptions options;
        options.mode = ScreenshotCaptureMode::display;
        options.displayID = choice;
        capture.capture(options, [&](const QString& path) { written = path; });
        ASSERT_TRUE(waitUntilIdle(capture));
        ASSERT_FALSE(capture.error()) << capture.error()->toStdString();
        ASSERT_TRUE(written);
        EXPECT_EQ(QFileInfo(*written).absolutePath(), QFileInfo(services.folder).absoluteFilePath());
        EXPECT_TRUE(QFileInfo(*written).fileName().startsWith("Screenshot-"));
        const QImage picture(*written, "PNG");
        EXPECT_EQ(picture.size(), QSize(1280, 720));
    }
}

// Escape in the portal's area picker (slurp, under xdg-desktop-portal-wlr) is the user's cancel:
// no message, no picture.
TEST_F(ScreenshotPortalTest, EscapeInThePortalsAreaPickerCancelsWithoutAnError)
{
    ScreenshotCapture capture(services);
    bool completed = false;
    ScreenshotCaptureOptions options;
    options.mode = ScreenshotCaptureMode::area;
    capture.capture(options, [&](const QString&) { completed = true; });

    // The picker takes the keyboard only once it is up, so Escape is pressed until the capture
    // ends; the pause inside each press lets the picker see the new keyboard first.
    QProcess keyboard;
    keyboard.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer timer;
    timer.start();
    while (capture.isCapturing() && timer.elapsed() < 30000) {
        if (keyboard.state() == QProcess::NotRunning) {
            keyboard.start(QStringLiteral("wtype"), {"-s", "700", "-k", "Escape", "-s", "200"});
            ASSERT_TRUE(keyboard.waitForStarted()) << keyboard.errorString().toStdString();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    keyboard.waitForFinished();
    ASSERT_FALSE(capture.isCapturing());
    EXPECT_FALSE(capture.error()) << capture.error()->toStdString();
    EXPECT_FALSE(completed);
    EXPECT_TRUE(QDir(services.folder).entryList(QDir::Files).isEmpty());
}

}  // namespace
}  // namespace sablewick

#include "support/FakeScheduler.h"
#include "support/TemporaryEnvironment.h"

#include "screenshots/ScreenshotCapture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <stdexcept>

namespace sablewick {
namespace {

class FakeGrabber final : public ScreenGrabber {
public:
    bool allowed = true;
    bool granted = true;
    int requests = 0;
    DisplayLayout layout;
    std::optional<QString> failure;
    std::vector<QRect> grabbed;

    FakeGrabber()
    {
        layout.root = QSize(300, 100);
        layout.displays = {DisplayInfo{7, QStringLiteral("Left"), QRect(0, 0, 200, 100), true},
                           DisplayInfo{9, QStringLiteral("Right"), QRect(200, 0, 100, 80), false}};
    }
    bool screenCaptureAllowed() override { return allowed; }
    bool requestScreenCapture() override
    {
        ++requests;
        return granted;
    }
    DisplayLayout displays() override { return layout; }
    QImage grab(const QRect& area, bool) override
    {
        if (failure)
            throw std::runtime_error(failure->toStdString());
        grabbed.push_back(area);
        QImage image(area.size(), QImage::Format_RGB32);
        image.fill(0xFF204060);
        return image;
    }
};

class FakeWindows final : public ApplicationWindows {
public:
    std::vector<QString> calls;
    void hide() override { calls.push_back(QStringLiteral("hide")); }
    void show(bool activate) override { calls.push_back(activate ? QStringLiteral("show+activate") : QStringLiteral("show")); }
};

class ScreenshotCaptureTest : public ::testing::Test {
protected:
    ScreenshotCaptureTest()
    {
        m_services.scheduler = &m_scheduler;
        m_services.grabber = &m_grabber;
        m_services.windows = &m_windows;
        m_services.folder = m_dir.filePath(QStringLiteral("Pictures/Sablewick Screenshots"));
    }

    // A stand-in for the selection program that reaches its failure paths.
    QString script(const char* name, const QByteArray& body)
    {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + body + "\n");
        file.close();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return path;
    }

    // Runs a capture to its end; the completion's path, if it was called.
    std::optional<QString> run(ScreenshotCapture& capture, const ScreenshotCaptureOptions& options)
    {
        std::optional<QString> result;
        capture.capture(options, [&](const QString& path) {
            EXPECT_TRUE(capture.isCapturing());  // the completion runs before the clean-up
            result = path;
        });
        m_scheduler.advance(std::max(options.delay, 0) + ScreenshotCapture::hidePause);
        QSignalSpy ended(&capture, &ScreenshotCapture::isCapturingChanged);
        if (capture.isCapturing()) {
            EXPECT_TRUE(ended.wait(10000));
        }
        EXPECT_FALSE(capture.isCapturing());
        EXPECT_TRUE(capture.status().isEmpty());
        return result;
    }

    QTemporaryDir m_dir;
    test::FakeScheduler m_scheduler;
    FakeGrabber m_grabber;
    FakeWindows m_windows;
    ScreenshotCaptureServices m_services;
};

TEST_F(ScreenshotCaptureTest, ModesAndFileNames)
{
    EXPECT_EQ(title(ScreenshotCaptureMode::area), QStringLiteral("Area"));
    EXPECT_EQ(title(ScreenshotCaptureMode::window), QStringLiteral("Window"));
    EXPECT_EQ(title(ScreenshotCaptureMode::display), QStringLiteral("Display"));
    EXPECT_EQ(fromStoredValue<ScreenshotCaptureMode>("Display"), ScreenshotCaptureMode::display);
    EXPECT_FALSE(fromStoredValue<ScreenshotCaptureMode>("display"));
    const QDateTime moment(QDate(2026, 3, 4), QTime(5, 6, 7), Qt::UTC);
    EXPECT_EQ(ScreenshotCapture::fileName(moment, QStringLiteral("a1b2c3d4-0000")),
              QStringLiteral("Screenshot-2026-03-04T05-06-07Z-A1B2.png"));
}

TEST_F(ScreenshotCaptureTest, CountdownThenDisplayCaptureOfTheChosenDisplay)
{
    ScreenshotCapture capture(m_services);
    std::vector<QString> statuses;
    QObject::connect(&capture, &ScreenshotCapture::statusChanged, [&] { statuses.push_back(capture.status()); });
    ScreenshotCaptureOptions options;
    options.mode = ScreenshotCaptureMode::display;
    options.displayID = 9;
    options.delay = 3;
    const std::optional<QString> path = run(capture, options);

    const std::vector<QString> expected = {QStringLiteral("Screenshot in 3…"), QStringLiteral("Screenshot in 2…"),
                                           QStringLiteral("Screenshot in 1…"), QStringLiteral("Capturing display…"),
                                           QString()};
    EXPECT_EQ(statuses, expected);
    ASSERT_TRUE(path);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Screenshot-\\d{4}-\\d\\d-\\d\\dT\\d\\d-\\d\\d-\\d\\dZ-[0-9A-F]{4}\\.png$"))
                    .match(QFileInfo(*path).fileName())
                    .hasMatch());
    EXPECT_EQ(QFileInfo(*path).absolutePath(), m_services.folder);
    EXPECT_EQ(QImage(*path).size(), QSize(100, 80));
    EXPECT_EQ(m_grabber.grabbed, std::vector<QRect>{QRect(200, 0, 100, 80)});
    // Hidden for the grab, shown again after it without stealing the focus.
    EXPECT_EQ(m_windows.calls, (std::vector<QString>{QStringLiteral("hide"), QStringLiteral("show")}));
    EXPECT_FALSE(capture.error());
}

TEST_F(ScreenshotCaptureTest, DisplayFallbacks)
{
    ScreenshotCapture capture(m_services);
    ScreenshotCaptureOptions options;
    options.mode = ScreenshotCaptureMode::display;
    options.displayID = 1234;  // gone: the main display instead
    ASSERT_TRUE(run(capture, options));
    EXPECT_EQ(m_grabber.grabbed.back(), QRect(0, 0, 200, 100));

    // A display whose size cannot be told is taken at the screen's size, never as nothing.
    m_grabber.layout.displays = {DisplayInfo{3, QStringLiteral("Odd"), QRect(), true}};
    const std::optional<QString> path = run(capture, options);
    ASSERT_TRUE(path);
    EXPECT_EQ(QImage(*path).size(), QSize(300, 100));

    m_grabber.layout.displays.clear();
    EXPECT_FALSE(run(capture, options));
    EXPECT_EQ(capture.error(), QStringLiteral("Could not capture screenshot: No display is available to record."));
}

TEST_F(ScreenshotCaptureTest, FailuresAreToldAndTheWindowsComeBack)
{
    ScreenshotCapture capture(m_services);
    ScreenshotCaptureOptions display;
    display.mode = ScreenshotCaptureMode::display;
    display.delay = 2;

    m_grabber.allowed = false;
    m_grabber.granted = false;
    std::vector<QString> statuses;
    QObject::connect(&capture, &ScreenshotCapture::statusChanged, [&] { statuses.push_back(capture.status()); });
    EXPECT_FALSE(run(capture, display));
    EXPECT_TRUE(statuses.empty());  // refused before any countdown
    EXPECT_EQ(m_grabber.requests, 1);
    EXPECT_TRUE(capture.error()->startsWith(QStringLiteral("Allow Sablewick under Settings")));
    EXPECT_TRUE(m_windows.calls.empty());

    m_grabber.allowed = true;
    m_grabber.failure = QStringLiteral("The X server did not hand out the screen's pixels.");
    EXPECT_FALSE(run(capture, display));
    EXPECT_EQ(capture.error(),
              QStringLiteral("Could not capture screenshot: The X server did not hand out the screen's pixels."));
    EXPECT_EQ(m_windows.calls, (std::vector<QString>{QStringLiteral("hide"), QStringLiteral("show+activate")}));
    EXPECT_TRUE(QDir(m_services.folder).entryList(QDir::Files).isEmpty());

    // A folder that cannot be made (a file is in its way).
    m_grabber.failure.reset();
    QFile blocker(m_dir.filePath(QStringLiteral("blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ScreenshotCaptureServices blocked = m_services;
    blocked.folder = m_dir.filePath(QStringLiteral("blocked/Sablewick Screenshots"));
    ScreenshotCapture second(blocked);
    EXPECT_FALSE(run(second, display));
    EXPECT_TRUE(second.error()->startsWith(QStringLiteral("Could not capture screenshot: The folder")));
}

TEST_F(ScreenshotCaptureTest, CancelAndRepeatedRequests)
{
    ScreenshotCapture capture(m_services);
    ScreenshotCaptureOptions options;
    options.mode = ScreenshotCaptureMode::display;
    options.delay = 5;
    int completions = 0;
    capture.capture(options, [&](const QString&) { ++completions; });
    m_scheduler.advance(1);
    EXPECT_EQ(capture.status(), QStringLiteral("Screenshot in 4…"));
    // A second request while one runs is dropped.
    capture.capture(options, [&](const QString&) { completions += 100; });
    capture.cancel();
    EXPECT_FALSE(capture.isCapturing());
    EXPECT_TRUE(capture.status().isEmpty());
    EXPECT_FALSE(capture.error());
    m_scheduler.advance(10);
    EXPECT_EQ(completions, 0);
    EXPECT_TRUE(m_grabber.grabbed.empty());
}

TEST_F(ScreenshotCaptureTest, SelectionProgramOutcomes)
{
    struct Case {
        const char* name;
        QByteArray body;
        bool completes;
        std::optional<QString> error;
        const char* lastWindowCall;
    };
    const Case cases[] = {
        {"chosen", "printf 'png' > \"$6\"; exit 0", true, std::nullopt, "show"},
        {"escape", "exit 1", false, std::nullopt, "show+activate"},
        {"failure", "echo '  The screen is locked.  ' >&2; exit 2", false,
         QStringLiteral("Could not capture screenshot: The screen is locked."), "show+activate"},
        {"success without a file", "exit 0", false, std::nullopt, "show+activate"},
        {"crash", "kill -SEGV $$", false,
         QStringLiteral("Could not capture screenshot: The selection program ended unexpectedly."), "show+activate"},
        {"crash with a report", "echo '==1==ERROR: AddressSanitizer' >&2; kill -ABRT $$", false,
         QStringLiteral("Could not capture screenshot: The selection program ended unexpectedly."), "show+activate"},
        {"crash through a shell", "exit 134", false,
         QStringLiteral("Could not capture screenshot: The selection program ended unexpectedly."), "show+activate"},
        {"unknown exit code", "exit 2", false,
         QStringLiteral("Could not capture screenshot: The selection program ended unexpectedly."), "show+activate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_windows.calls.clear();
        ScreenshotCaptureServices services = m_services;
        services.selectionProgram = script(c.name, c.body);
        ScreenshotCapture capture(services);
        ScreenshotCaptureOptions options;
        options.mode = ScreenshotCaptureMode::window;
        std::vector<QString> statuses;
        QObject::connect(&capture, &ScreenshotCapture::statusChanged, [&] { statuses.push_back(capture.status()); });
        const std::optional<QString> path = run(capture, options);
        EXPECT_EQ(path.has_value(), c.completes);
        EXPECT_EQ(capture.error(), c.error);
        ASSERT_FALSE(m_windows.calls.empty());
        EXPECT_EQ(m_windows.calls.front(), QStringLiteral("hide"));
        EXPECT_EQ(m_windows.calls.back(), QString::fromLatin1(c.lastWindowCall));
        EXPECT_EQ(statuses.front(), QStringLiteral("Select a window · Escape cancels"));
    }

    // The program gets the command line of the interactive capture tools.
    ScreenshotCaptureServices services = m_services;
    const QString arguments = m_dir.filePath(QStringLiteral("arguments"));
    services.selectionProgram = script("echo", "echo \"$@\" > '" + QFile::encodeName(arguments) + "'; exit 1");
    ScreenshotCapture capture(services);
    run(capture, ScreenshotCaptureOptions{});
    QFile written(arguments);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(written.readAll())
                    .startsWith(QStringLiteral("-i -s -x -t png ") + m_services.folder + QStringLiteral("/Screenshot-")));
}

TEST_F(ScreenshotCaptureTest, CancelEndsTheSelectionProgramSilently)
{
    ScreenshotCaptureServices services = m_services;
    services.selectionProgram = script("waiting", "exec sleep 30");
    ScreenshotCapture capture(services);
    capture.capture(ScreenshotCaptureOptions{}, [](const QString&) { ADD_FAILURE() << "completed"; });
    m_scheduler.advance(ScreenshotCapture::hidePause);
    ASSERT_TRUE(capture.isCapturing());
    capture.cancel();
    EXPECT_FALSE(capture.isCapturing());
    EXPECT_FALSE(capture.error());
    EXPECT_EQ(m_windows.calls.back(), QStringLiteral("show+activate"));
}

TEST_F(ScreenshotCaptureTest, MissingSelectionProgramIsAFailure)
{
    ScreenshotCaptureServices services = m_services;
    services.selectionProgram = m_dir.filePath(QStringLiteral("no-such-program"));
    ScreenshotCapture capture(services);
    EXPECT_FALSE(run(capture, ScreenshotCaptureOptions{}));
    ASSERT_TRUE(capture.error());
    EXPECT_TRUE(capture.error()->startsWith(QStringLiteral("Could not capture screenshot: The selection program could not be started")));
    EXPECT_EQ(m_windows.calls.back(), QStringLiteral("show+activate"));
}

}  // namespace
}  // namespace sablewick

// Launches the real application on the private X server and drives it with xdotool.
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Polls until xdotool finds a visible window with exactly this title.
QString waitForWindow(const QString& title, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const QString ids = run("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"});
        if (!ids.isEmpty())
            return ids.split('\n').first();
        QThread::msleep(100);
    }
    return {};
}

TEST(ApplicationLaunchTest, ShowsMainWindowAndQuitsCleanly)
{
    ASSERT_NE(qgetenv("DISPLAY"), QByteArray()) << "x11 tests run under the test command's Xvfb";
    QProcess app;
    app.start(SABLEWICK_EXECUTABLE, {});
    ASSERT_TRUE(app.waitForStarted(10000));

    const QString window = waitForWindow("Sablewick", std::chrono::seconds(20));
    ASSERT_FALSE(window.isEmpty()) << "no window titled Sablewick appeared; the application "
                                   << (app.state() == QProcess::Running ? "is running" : "has ended")
                                   << ", its errors: " << app.readAllStandardError().toStdString();

    const QString geometry = run("xdotool", {"getwindowgeometry", window});
    EXPECT_TRUE(geometry.contains("Geometry: 1380x900")) << geometry.toStdString();

    // No window manager runs on the private server: focus the window directly, then type through
    // XTEST so that Qt sees a real key press rather than a synthetic event.
    run("xdotool", {"windowfocus", "--sync", window});
    run("xdotool", {"key", "ctrl+q"});
    if (!app.waitForFinished(10000)) {
        app.kill();
        app.waitForFinished();
        FAIL() << "the application did not quit on Ctrl+Q";
    }
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0);
}

}  // namespace

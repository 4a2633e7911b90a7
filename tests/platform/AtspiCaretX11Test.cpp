// The caret read from the accessibility bus of a private session: a real Qt program with a text
// field, focused and typed into through XTEST.
#include "platform/AtspiCaret.h"

#include "support/PrivateSessionBus.h"
#include "support/TemporaryEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

namespace sablewick {
namespace {

using namespace std::chrono_literals;

QString run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

enum class MainLoop { Idle, Runs };

// The caret is followed on a thread of its own, whatever this thread is doing: unless a step needs
// this thread's own window, the waits below leave its event loop alone, as a busy main thread does.
bool waitFor(const std::function<bool()>& condition, int milliseconds = 15000, MainLoop loop = MainLoop::Idle)
{
    QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        if (loop == MainLoop::Runs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return true;
}

class AtspiCaretX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
        environment.set("DBUS_SESSION_BUS_ADDRESS", bus.address.toStdString());
    }
    void TearDown() override
    {
        if (helper.state() != QProcess::NotRunning) {
            helper.kill();
            helper.waitForFinished();
        }
    }
    // Starts the text field with its accessibility on and focuses it.
    QString startField()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        env.remove("QT_QPA_PLATFORM");
        helper.setProcessEnvironment(env);
        helper.start(CARET_HELPER, {});
        QString id;
        waitFor([&] {
            id = run("xdotool", {"search", "--onlyvisible", "--pid", QString::number(helper.processId()), "--name",
                                 "^Caret helper$"});
            return !id.isEmpty();
        });
        if (!id.isEmpty())
            run("xdotool", {"windowfocus", "--sync", id});
        return id;
    }
    // Where the field last said its caret is.
    QPoint reportedCaret()
    {
        while (helper.canReadLine()) {
            const QStringList parts = QString::fromUtf8(helper.readLine()).trimmed().split(' ');
            if (parts.size() == 2)
                lastReport = QPoint(parts[0].toInt(), parts[1].toInt());
        }
        return lastReport;
    }

    test::PrivateSessionBus bus;
    test::ScopedEnvironment environment;
    QProcess helper;
    QPoint lastReport;
};

TEST_F(AtspiCaretX11Test, FollowsTheCaretOfTheFocusedField)
{
    AtspiCaret caret;
    ASSERT_TRUE(caret.waitUntilFollowing(15s)) << "no accessibility bus on the private session";
    EXPECT_FALSE(caret.locate(200ms)) << "nothing has the focus yet";

    ASSERT_FALSE(startField().isEmpty());
    // After typing the caret stands after the last character; two steps left it stands inside.
    const struct {
        const char* keys;
        const char* where;
    } steps[] = {{"hello", "at the end"}, {"Left Left", "inside the text"}, {"Home", "at the start"}};
    for (const auto& step : steps) {
        if (QString(step.keys) == "hello")
            run("xdotool", {"type", "--delay", "30", step.keys});
        else
            run("xdotool", QStringList{"key"} + QString(step.keys).split(' '));
        std::optional<QPoint> found;
        QPoint expected;
        const bool matched = waitFor([&] {
            helper.waitForReadyRead(20);
            expected = reportedCaret();
            found = caret.locate(500ms);
            // Across: where the caret stands between characters. Down: the field's own report of
            // its characters' boxes, which lies within the 40-pixel field at (200, 300).
            return found && std::abs(found->x() - expected.x()) <= 3 && found->y() > 300 && found->y() < 340;
        });
        EXPECT_TRUE(matched) << step.where << ": expected " << expected.x() << "," << expected.y() << ", found "
                             << (found ? QString("%1,%2").arg(found->x()).arg(found->y()).toStdString() : "none");
    }

    // A window of a program without accessibility takes the focus: the old caret is not reported.
    QWidget plain;
    plain.setWindowTitle("Plain");
    plain.setGeometry(800, 300, 200, 100);
    plain.show();
    ASSERT_TRUE(waitFor([&] { return plain.isVisible() && plain.winId() != 0; }, 15000, MainLoop::Runs));
    run("xdotool", {"windowfocus", "--sync", QString::number(plain.winId())});
    EXPECT_TRUE(waitFor([&] { return !caret.locate(500ms); })) << "a caret was reported after the focus left";
}

TEST_F(AtspiCaretX11Test, AnswersNothingWithoutASessionBus)
{
    environment.unset("DBUS_SESSION_BUS_ADDRESS");
    AtspiCaret caret;
    EXPECT_FALSE(caret.waitUntilFollowing(100ms));
    EXPECT_FALSE(caret.locate(10ms));
}

// A session bus named but not there (a stale address after the desktop's bus restarted, or a
// mistyped one) is answered the same way, instead of the accessibility library aborting the process.
TEST_F(AtspiCaretX11Test, AnswersNothingWhenTheNamedBusIsNotThere)
{
    const std::string missing = (QDir::tempPath() + "/sablewick-no-bus-" + QString::number(QCoreApplication::applicationPid())).toStdString();
    for (const std::string& address : {"unix:path=" + missing, std::string("unix:abstract=") + "sablewick-no-bus", std::string("nonsense")}) {
        SCOPED_TRACE(address);
        environment.set("DBUS_SESSION_BUS_ADDRESS", address);
        AtspiCaret caret;
        EXPECT_FALSE(caret.waitUntilFollowing(5000ms));
        EXPECT_FALSE(caret.locate(10ms));
    }
}

}  // namespace
}  // namespace sablewick

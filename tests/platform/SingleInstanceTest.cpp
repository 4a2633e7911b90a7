#include "platform/SingleInstance.h"

#include "support/PrivateSessionBus.h"
#include "support/TemporaryEnvironment.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace sablewick {
namespace {

using namespace std::chrono_literals;

// What a later launch hands over: its own relative paths must not be read against the first
// process's working directory, and only "file:" arguments are URLs.
TEST(SingleInstanceTest, CommandLineFilesBecomeAbsoluteFileUrls)
{
    const std::pair<QString, QString> cases[] = {
        {"clip.mp4", "file:///home/ada/Videos/clip.mp4"},
        {"../Desktop/My Project.sablewick.json", "file:///home/ada/Desktop/My%20Project.sablewick.json"},
        {"/tmp/a b/c.png", "file:///tmp/a%20b/c.png"},
        {"notes:draft.mp4", "file:///home/ada/Videos/notes:draft.mp4"},
        {":clip.mp4", "file:///home/ada/Videos/:clip.mp4"},
        {":/clip.mp4", "file:///home/ada/Videos/:/clip.mp4"},
        {"https://example.com/a.mp4", "file:///home/ada/Videos/https:/example.com/a.mp4"},
        {"a#b?c%20d.mp4", "file:///home/ada/Videos/a%23b%3Fc%2520d.mp4"},
        {"file:///tmp/given.mov", "file:///tmp/given.mov"},
        {"FILE:///tmp/Given%20Too.mov", "file:///tmp/Given%20Too.mov"},
        {"./sub/../x.gif", "file:///home/ada/Videos/x.gif"},
    };
    for (const auto& [argument, url] : cases)
        EXPECT_EQ(SingleInstance::fileUrls({argument}, "/home/ada/Videos").join('\n').toStdString(), url.toStdString())
            << argument.toStdString();
    EXPECT_TRUE(SingleInstance::fileUrls({""}, "/home/ada").isEmpty());
}

class SingleInstanceBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(bus.address.isEmpty()) << "no dbus-daemon";
        ASSERT_TRUE(state.isValid());
        // Before the first use of the session bus: Qt reads its address once.
        environment.set("DBUS_SESSION_BUS_ADDRESS", bus.address.toStdString());
        environment.set("SABLEWICK_STATE_DIRECTORY", state.path().toStdString());
    }
    void TearDown() override
    {
        for (QProcess* launch : {&holder, &later}) {
            launch->closeWriteChannel();
            if (launch->state() != QProcess::NotRunning && !launch->waitForFinished(10000))
                launch->kill();
        }
    }

    // Starts a launch of the helper; its first line is the role it got.
    static void start(QProcess& launch, const QStringList& arguments, const QProcessEnvironment& environment = {})
    {
        if (!environment.isEmpty())
            launch.setProcessEnvironment(environment);
        launch.start(QStringLiteral(SINGLE_INSTANCE_HELPER), arguments);
    }
    static QString role(QProcess& launch)
    {
        while (!launch.canReadLine()) {
            if (!launch.waitForReadyRead(30000))
                return QStringLiteral("(no answer)");
        }
        return QString::fromUtf8(launch.readLine()).trimmed();
    }

    test::PrivateSessionBus bus;
    QTemporaryDir state;
    test::ScopedEnvironment environment;
    QProcess holder;
    QProcess later;
};

// The first process gives its name up for a relaunch that then cannot start, takes it back, and
// must still serve the launches that come after.
TEST_F(SingleInstanceBusTest, TheNameTakenBackAfterAFailedRelaunchStillServes)
{
    SingleInstance first;
    ASSERT_EQ(first.claim({}), SingleInstance::Role::primary);
    QCoreApplication::processEvents();  // QtDBus sets the served object up on the event loop
    first.release();
    QCoreApplication::processEvents();
    ASSERT_EQ(first.claim({}), SingleInstance::Role::primary);
    QCoreApplication::processEvents();

    QSignalSpy activated(&first, &SingleInstance::activated);
    start(later, {"launch", "/tmp/shot #1.png"});
    ASSERT_TRUE(activated.wait(30000)) << later.readAllStandardError().toStdString();
    EXPECT_EQ(activated.front().front().toStringList(), QStringList{"file:///tmp/shot%20%231.png"});
    EXPECT_EQ(role(later), QStringLiteral("secondary"));
}

// A first process that is alive but does not answer keeps a later launch out, whether it owns the
// bus name or (still starting, or without a bus) only the lock; once it is gone the next launch
// runs as the first.
TEST_F(SingleInstanceBusTest, AFirstProcessThatDoesNotAnswerKeepsLaterLaunchesOut)
{
    struct Case {
        const char* name;
        bool holderOnTheBus;
    };
    const Case cases[] = {{"serving the name", true}, {"holding only the lock", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QProcessEnvironment holderEnvironment = QProcessEnvironment::systemEnvironment();
        if (!c.holderOnTheBus)
            holderEnvironment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        start(holder, {"hold"}, holderEnvironment);
        ASSERT_EQ(role(holder), c.holderOnTheBus ? QStringLiteral("primary") : QStringLiteral("alone"));

        SingleInstance second;
        second.setAnswerTimeout(300ms);
        EXPECT_EQ(second.claim({"clip.mp4"}), SingleInstance::Role::unresponsive);
        EXPECT_FALSE(SingleInstance::unresponsiveMessage.isEmpty());

        // The kernel drops the lock of a process however it ends.
        holder.kill();
        ASSERT_TRUE(holder.waitForFinished(30000));
        SingleInstance third;
        EXPECT_EQ(third.claim({"clip.mp4"}), SingleInstance::Role::primary);
        third.release();
    }
}

// Without a session bus a process runs on its own rather than refusing to start, unless another
// one already runs: nobody could take its files, and the two would share the recovery files.
TEST(SingleInstanceTest, WithoutASessionBusTheFirstProcessRunsAloneAndTheNextRefuses)
{
    QTemporaryDir state;
    test::ScopedEnvironment environment;
    environment.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    environment.set("SABLEWICK_STATE_DIRECTORY", state.path().toStdString());
    SingleInstance first;
    EXPECT_EQ(first.claim({"clip.mp4"}), SingleInstance::Role::alone);
    SingleInstance second;
    EXPECT_EQ(second.claim({"clip.mp4"}), SingleInstance::Role::unresponsive);
    first.release();
    EXPECT_EQ(second.claim({"clip.mp4"}), SingleInstance::Role::alone);
}

}  // namespace
}  // namespace sablewick

// A connection whose X server goes away, on a server of the test's own: the shared one must stay.
#include "platform/X11Connection.h"

#include "platform/DisplayList.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <X11/Xlib.h>  // after gtest: its macros (None, Bool) clash with gtest's names

#include <unistd.h>

namespace sablewick {
namespace {

TEST(X11ConnectionTest, ALostServerIsNotedAndTheProcessGoesOn)
{
    const int number = 300 + static_cast<int>(::getpid() % 600);
    const QString name = QStringLiteral(":%1").arg(number);
    QProcess server;
    server.start(QStringLiteral("Xvfb"), {name, "-nolisten", "tcp", "-screen", "0", "320x240x24"});
    ASSERT_TRUE(server.waitForStarted());
    const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
    QElapsedTimer waited;
    waited.start();
    while (!QFileInfo::exists(socket) && server.state() == QProcess::Running && waited.elapsed() < 20000)
        QThread::msleep(10);
    ASSERT_TRUE(QFileInfo::exists(socket)) << server.readAllStandardError().toStdString();

    const QByteArray shared = qgetenv("DISPLAY");
    qputenv("DISPLAY", name.toLatin1());
    X11Connection connection;
    // The socket may appear a moment before the server answers on it.
    while (!connection && waited.elapsed() < 20000) {
        try {
            connection = openX11Connection();
        } catch (const X11Error&) {
            QThread::msleep(10);
        }
    }
    qputenv("DISPLAY", shared);
    ASSERT_TRUE(connection);
    XSync(connection.get(), False);
    EXPECT_FALSE(takeX11Error());

    server.kill();
    ASSERT_TRUE(server.waitForFinished());
    // Xlib's own handling would end this process here.
    XSync(connection.get(), False);
    EXPECT_TRUE(takeX11Error());
    // Requests on the dead connection return at once, and its close does not end the process.
    XNoOp(connection.get());
    XSync(connection.get(), False);
    connection.reset();
}

}  // namespace
}  // namespace sablewick

#pragma once

#include <QProcess>
#include <QString>

namespace sablewick::test {

// A session bus of the test's own (dbus-daemon --session), so that processes of the test can find
// each other and the services the bus starts on demand end with it.
class PrivateSessionBus {
public:
    PrivateSessionBus()
    {
        m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (m_daemon.waitForStarted(10000) && m_daemon.waitForReadyRead(10000))
            address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateSessionBus()
    {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000))
            m_daemon.kill();
        m_daemon.waitForFinished();
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    QString address;  // empty when the daemon did not start

private:
    QProcess m_daemon;
};

}  // namespace sablewick::test

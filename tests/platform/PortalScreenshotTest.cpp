// The Screenshot portal's answers, from a stand-in portal on a private session bus: the ways a
// desktop can end a request that the real portal of the test desktop does not produce at will.
#include "platform/PortalScreenshot.h"

#include "support/PrivateSessionBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QMutex>
#include <QSemaphore>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>


namespace sablewick {
namespace {

// What the stand-in portal answers next, and what it was asked last.
struct PortalScript {
    QMutex mutex;
    uint code = 0;
    QString uri;
    bool lastInteractive = false;
};

// Answers every Screenshot call with the response code and picture of its script.
class FakeScreenshotPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")

public:
    explicit FakeScreenshotPortal(PortalScript& script) : m_script(script) {}

public slots:
    QDBusObjectPath Screenshot(const QString&, const QVariantMap& options, const QDBusMessage& call)
    {
        QMutexLocker lock(&m_script.mutex);
        m_script.lastInteractive = options.value(QStringLiteral("interactive")).toBool();
        QString sender = call.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                 .arg(sender, options.value(QStringLiteral("handle_token")).toString());
        QVariantMap results;
        if (!m_script.uri.isEmpty())
            results.insert(QStringLiteral("uri"), m_script.uri);
        const uint answer = m_script.code;
        // The answer comes after the call's reply, as from a portal that showed a dialog.
        QTimer::singleShot(0, this, [path, answer, results] {
            QDBusMessage response = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"),
                                                               QStringLiteral("Response"));
            response << answer << results;
            QDBusConnection(QStringLiteral("fake-screenshot-portal")).send(response);
        });
        return QDBusObjectPath(path);
    }

private:
    PortalScript& m_script;
};

// Serves the portal from a thread of its own, as its own process would.
class PortalThread : public QThread {
public:
    PortalThread(QString address, PortalScript& script)
        : m_address(std::move(address))
        , m_script(script)
    {
    }
    bool waitUntilServing()
    {
        m_ready.acquire();
        return m_serving;
    }

protected:
    void run() override
    {
        {
            QDBusConnection bus = QDBusConnection::connectToBus(m_address, QStringLiteral("fake-screenshot-portal"));
            FakeScreenshotPortal portal(m_script);
            m_serving = bus.isConnected() &&
                        bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                           QDBusConnection::ExportAllSlots) &&
                        bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
            m_ready.release();
            if (m_serving)
                exec();
            bus.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-screenshot-portal"));
    }

private:
    QString m_address;
    PortalScript& m_script;
    QSemaphore m_ready;
    bool m_serving = false;
};

TEST(PortalScreenshotTest, TheDesktopsAnswerBecomesAPictureACancelOrAFailure)
{
    test::PrivateSessionBus bus;
    ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
    ASSERT_TRUE(qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address.toUtf8()));
    PortalScript script;
    PortalThread serving(bus.address, script);
    serving.start();
    ASSERT_TRUE(serving.waitUntilServing());

    using Outcome = PortalResponse::Outcome;
    struct Row {
        const char* name;
        bool interactive;
        uint code;
        QString uri;
        Outcome expected;
    };
    const Row rows[] = {
        {"a picture", false, 0, "file:///tmp/picture.png", Outcome::success},
        {"a picture the application cannot read", false, 0, "https://example.org/picture.png", Outcome::failed},
        {"the user's cancel", true, 1, {}, Outcome::cancelled},
        // The wlroots portal ends its picker this way when the user presses Escape.
        {"a picker left another way", true, 2, {}, Outcome::cancelled},
        // Without a dialog, nothing but a failure ends a request this way.
        {"a whole screen refused", false, 2, {}, Outcome::ended},
        {"an unknown answer", true, 3, {}, Outcome::failed},
    };
    QObject context;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        {
            QMutexLocker lock(&script.mutex);
            script.code = row.code;
            script.uri = row.uri;
        }
        std::optional<PortalScreenshotResult> result;
        PortalScreenshot::take(row.interactive, &context, [&](PortalScreenshotResult r) { result = std::move(r); });
        QElapsedTimer timer;
        timer.start();
        while (!result && timer.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        ASSERT_TRUE(result);
        {
            QMutexLocker lock(&script.mutex);
            EXPECT_EQ(script.lastInteractive, row.interactive);
        }
        EXPECT_EQ(result->outcome, row.expected);
        if (row.expected == Outcome::success) {
            EXPECT_EQ(result->file, "/tmp/picture.png");
        }
        // A failure always says something; a cancel has nothing to say.
        const bool failure = row.expected == Outcome::failed || row.expected == Outcome::ended;
        EXPECT_EQ(result->error.isEmpty(), !failure) << result->error.toStdString();
    }
    serving.quit();
    serving.wait();
}

}  // namespace
}  // namespace sablewick

#include "PortalScreenshotTest.moc"

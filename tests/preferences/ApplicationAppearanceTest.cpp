// The appearance applied to a running GUI application, and the settings portal on a private bus.
#include "preferences/AppPreferences.h"

#include "platform/PreferencesStore.h"
#include "preferences/FakeSystemAppearance.h"
#include "preferences/SystemAppearance.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QSemaphore>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

namespace sablewick {
namespace {

using Scheme = StudioColorScheme;

QRgb windowOf(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Window).rgb() & 0xFFFFFF;
}

class ApplicationAppearanceTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(qobject_cast<QGuiApplication*>(QCoreApplication::instance()));
        m_saved = QGuiApplication::palette();
        // A desktop palette of its own shade, so keeping it can be told from building one.
        desktop->palette = QPalette(QColor::fromRgb(0xFCFCFC), QColor::fromRgb(0xEFF0F1));
        desktop->palette.setColor(QPalette::Highlight, QColor::fromRgb(0x3DAEE9));
    }
    void TearDown() override { QGuiApplication::setPalette(m_saved); }

    MemoryPreferencesStore store;
    std::shared_ptr<test::FakeSystemAppearance> desktop = std::make_shared<test::FakeSystemAppearance>();

private:
    QPalette m_saved;
};

TEST_F(ApplicationAppearanceTest, DarkBuildsTheDarkPaletteAndKeepsTheDesktopHighlight)
{
    AppPreferences prefs(store, desktop);
    std::vector<Scheme> applied;
    QObject::connect(&prefs, &AppPreferences::applicationAppearanceApplied, [&](Scheme s) { applied.push_back(s); });

    prefs.setAppearance(StudioAppearance::dark);
    EXPECT_EQ(windowOf(QGuiApplication::palette()), 0x323232u);
    EXPECT_EQ(QGuiApplication::palette().color(QPalette::Base).rgb() & 0xFFFFFF, 0x1E1E1Eu);
    EXPECT_EQ(QGuiApplication::palette().color(QPalette::Highlight).rgb() & 0xFFFFFF, 0x3DAEE9u);
    EXPECT_EQ(applied, std::vector<Scheme>{Scheme::dark});

    // Back to light on a light desktop: the desktop's own palette returns.
    prefs.setAppearance(StudioAppearance::light);
    EXPECT_EQ(windowOf(QGuiApplication::palette()), 0xEFF0F1u);
    EXPECT_EQ(applied, (std::vector<Scheme>{Scheme::dark, Scheme::light}));
}

TEST_F(ApplicationAppearanceTest, SystemFollowsThePortalEvenWhenThePaletteDisagrees)
{
    AppPreferences prefs(store, desktop);
    desktop->scheme = Scheme::dark;  // the portal prefers dark, the palette Qt was given is light
    prefs.applyApplicationAppearance();
    EXPECT_EQ(windowOf(QGuiApplication::palette()), 0x323232u);
    EXPECT_EQ(colorSchemeOfPalette(QGuiApplication::palette()), Scheme::dark);

    desktop->scheme = Scheme::light;
    prefs.applyApplicationAppearance();
    EXPECT_EQ(windowOf(QGuiApplication::palette()), 0xEFF0F1u);
}

TEST_F(ApplicationAppearanceTest, DesktopChangesApplyThemselvesOnlyUnderSystem)
{
    AppPreferences prefs(store, desktop);
    int applied = 0;
    QObject::connect(&prefs, &AppPreferences::applicationAppearanceApplied, [&] { ++applied; });
    desktop->scheme = Scheme::dark;
    emit desktop->changed();
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(windowOf(QGuiApplication::palette()), 0x323232u);

    prefs.setAppearance(StudioAppearance::light);
    EXPECT_EQ(applied, 2);
    emit desktop->changed();
    EXPECT_EQ(applied, 2);
    EXPECT_EQ(windowOf(QGuiApplication::palette()), 0xEFF0F1u);
}

TEST_F(ApplicationAppearanceTest, TheDesktopPaletteIsCapturedBeforeTheApplicationChangesIt)
{
    QPalette startPalette(QColor::fromRgb(0xFFFFFF), QColor::fromRgb(0xF6F5F4));
    startPalette.setColor(QPalette::Highlight, QColor::fromRgb(0x3584E4));
    QGuiApplication::setPalette(startPalette);
    auto real = std::make_shared<DesktopSystemAppearance>(nullptr);
    AppPreferences prefs(store, real);
    prefs.setAccent(StudioAccent::system);

    prefs.setAppearance(StudioAppearance::dark);
    ASSERT_EQ(windowOf(QGuiApplication::palette()), 0x323232u);
    // The desktop is still seen as it was: light, with its own accent.
    EXPECT_EQ(windowOf(real->desktopPalette()), 0xF6F5F4u);
    EXPECT_EQ(real->colorScheme(), Scheme::light);
    EXPECT_EQ(prefs.nativeAccent().dark.rgb() & 0xFFFFFF, 0x3584E4u);
    prefs.setAppearance(StudioAppearance::system);
    EXPECT_EQ(windowOf(QGuiApplication::palette()), 0xF6F5F4u);
}

// ---- the settings portal on a private session bus ----

using PortalNamespaces = QMap<QString, QVariantMap>;

class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    explicit FakePortal(QVariantMap appearance)
        : m_appearance(std::move(appearance))
    {
    }

public slots:
    PortalNamespaces ReadAll(const QStringList& namespaces)
    {
        PortalNamespaces reply;
        if (namespaces.contains(QStringLiteral("org.freedesktop.appearance")))
            reply.insert(QStringLiteral("org.freedesktop.appearance"), m_appearance);
        return reply;
    }

private:
    QVariantMap m_appearance;
};

// Serves the portal from its own thread, as a separate process would, so blocking calls from the
// test's thread get their answer.
class PortalThread : public QThread {
public:
    PortalThread(QString address, QVariantMap appearance)
        : m_address(std::move(address))
        , m_appearance(std::move(appearance))
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
            QDBusConnection bus = QDBusConnection::connectToBus(m_address, QStringLiteral("fake-portal"));
            FakePortal portal(m_appearance);
            m_serving = bus.isConnected()
                && bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                      QDBusConnection::ExportAllSlots)
                && bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
            m_ready.release();
            if (m_serving)
                exec();
            bus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
    }

private:
    QString m_address;
    QVariantMap m_appearance;
    QSemaphore m_ready;
    bool m_serving = false;
};

class PrivateBus {
public:
    PrivateBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return;
        m_process.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!m_process.waitForStarted(5000))
            return;
        QDeadlineTimer deadline(5000);
        while (!m_process.canReadLine() && !deadline.hasExpired())
            m_process.waitForReadyRead(100);
        m_address = QString::fromUtf8(m_process.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        m_process.terminate();
        m_process.waitForFinished(3000);
    }
    const QString& address() const { return m_address; }

private:
    QProcess m_process;
    QString m_address;
};

TEST(SettingsPortalTest, ReadsAndFollowsTheAppearanceNamespace)
{
    qDBusRegisterMetaType<PortalNamespaces>();
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";

    // No portal on the bus yet: no answer, no error.
    EXPECT_EQ(makePortalSettingsSource(200, bus.address())->read(), DesktopSettings{});

    PortalThread portal(bus.address(), {{QStringLiteral("color-scheme"), 1u}, {QStringLiteral("reduced-motion"), 1u}});
    portal.start();
    ASSERT_TRUE(portal.waitUntilServing());

    const auto source = makePortalSettingsSource(2000, bus.address());
    const DesktopSettings settings = source->read();
    EXPECT_EQ(settings.colorScheme, Scheme::dark);
    EXPECT_EQ(settings.reduceMotion, true);
    EXPECT_EQ(settings.highContrast, std::nullopt);

    // A change signal makes the source read again and report.
    int reports = 0;
    source->watch([&](const DesktopSettings& s) {
        ++reports;
        EXPECT_EQ(s.colorScheme, Scheme::dark);
    });
    {
        // Sent by the portal's own connection: listeners match the sender against the service.
        QDBusConnection sender(QStringLiteral("fake-portal"));
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                                         QStringLiteral("org.freedesktop.portal.Settings"),
                                                         QStringLiteral("SettingChanged"));
        signal << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme")
               << QVariant::fromValue(QDBusVariant(1u));
        // The match rule is added asynchronously; repeat until the report arrives.
        QDeadlineTimer deadline(10000);
        while (reports == 0 && !deadline.hasExpired()) {
            sender.send(signal);
            QDeadlineTimer pause(100);
            while (reports == 0 && !pause.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    }
    EXPECT_GE(reports, 1);

    portal.quit();
    portal.wait();
}

}  // namespace
}  // namespace sablewick

#include "ApplicationAppearanceTest.moc"

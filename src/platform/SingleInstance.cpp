#include "platform/SingleInstance.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace sablewick {

// The standard interface of a desktop application on the bus: Activate for a plain launch, Open
// for a launch with files.
class SingleInstanceAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    explicit SingleInstanceAdaptor(SingleInstance* owner) : QDBusAbstractAdaptor(owner), m_owner(owner) {}

public slots:
    void Activate(const QVariantMap&) { emit m_owner->activated({}); }
    void Open(const QStringList& uris, const QVariantMap&) { emit m_owner->activated(uris); }

private:
    SingleInstance* m_owner;
};

namespace {

constexpr int kCallTimeoutMs = 10000;
const QString kInterface = QStringLiteral("org.freedesktop.Application");

}  // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
{
}

SingleInstance::~SingleInstance()
{
    release();
}

void SingleInstance::release()
{
    if (m_role != Role::primary)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(objectPath);
    bus.unregisterService(serviceName);
    delete findChild<SingleInstanceAdaptor*>();
    m_role = Role::alone;
}

QStringList SingleInstance::fileUrls(const QStringList& arguments, const QString& workingDirectory)
{
    QStringList urls;
    for (const QString& argument : arguments) {
        if (argument.isEmpty())
            continue;
        // A desktop may pass URLs (%U); anything else is a path, even one with a colon in it.
        if (argument.startsWith(QLatin1String("file:")) || argument.contains(QLatin1String("://"))) {
            urls.append(QUrl(argument).toString(QUrl::FullyEncoded));
            continue;
        }
        const QString path = QFileInfo(QDir(workingDirectory), argument).absoluteFilePath();
        urls.append(QUrl::fromLocalFile(QDir::cleanPath(path)).toString(QUrl::FullyEncoded));
    }
    return urls;
}

bool SingleInstance::registerName()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.interface())
        return false;
    const auto reply = bus.interface()->registerService(serviceName, QDBusConnectionInterface::DontQueueService,
                                                        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered)
        return false;
    new SingleInstanceAdaptor(this);
    bus.registerObject(objectPath, this);
    return true;
}

SingleInstance::Role SingleInstance::claim(const QStringList& files)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) {
        m_role = Role::alone;
        return m_role;
    }
    const QStringList urls = fileUrls(files, QDir::currentPath());
    // Twice: the owner may end between our failed claim and our call, and then the name is free.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (registerName()) {
            m_role = Role::primary;
            return m_role;
        }
        QDBusMessage call = urls.isEmpty()
            ? QDBusMessage::createMethodCall(serviceName, objectPath, kInterface, QStringLiteral("Activate"))
            : QDBusMessage::createMethodCall(serviceName, objectPath, kInterface, QStringLiteral("Open"));
        QVariantMap platformData;
        const QByteArray startupId = qgetenv("DESKTOP_STARTUP_ID");
        if (!startupId.isEmpty())
            platformData.insert(QStringLiteral("desktop-startup-id"), QString::fromUtf8(startupId));
        if (urls.isEmpty())
            call << platformData;
        else
            call << urls << platformData;
        const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage) {
            m_role = Role::secondary;
            return m_role;
        }
    }
    // The name is held by a process that does not answer; running beside it beats not starting.
    m_role = Role::alone;
    return m_role;
}

}  // namespace sablewick

#include "SingleInstance.moc"

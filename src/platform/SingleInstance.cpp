#include "platform/SingleInstance.h"

#include "platform/StandardFolders.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUrl>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace sablewick {

// The standard interface of a desktop application on the bus: Activate for a plain launch, Open
// for a launch with files.
class SingleInstanceAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    explicit SingleInstanceAdaptor(SingleInstance* owner) : QDBusAbstractAdaptor(owner), m_owner(owner) {}

public slots:
    void Activate(const QVariantMap&) { announce({}); }
    void Open(const QStringList& uris, const QVariantMap&) { announce(uris); }

private:
    // Answered first, handled after: what the launch asks for may wait on the user (a save
    // prompt), and the waiting launch would otherwise take the silence for a hung instance.
    void announce(const QStringList& uris)
    {
        QMetaObject::invokeMethod(
            m_owner, [owner = m_owner, uris] { emit owner->activated(uris); }, Qt::QueuedConnection);
    }

    SingleInstance* m_owner;
};

namespace {

const QString kInterface = QStringLiteral("org.freedesktop.Application");

QDBusMessage launchCall(const QStringList& urls)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(SingleInstance::serviceName, SingleInstance::objectPath, kInterface,
                                       urls.isEmpty() ? QStringLiteral("Activate") : QStringLiteral("Open"));
    QVariantMap platformData;
    const QByteArray startupId = qgetenv("DESKTOP_STARTUP_ID");
    if (!startupId.isEmpty())
        platformData.insert(QStringLiteral("desktop-startup-id"), QString::fromUtf8(startupId));
    if (urls.isEmpty())
        call << platformData;
    else
        call << urls << platformData;
    return call;
}

// The owner took the call and let it go unanswered (or ended before answering).
bool unanswered(const QDBusMessage& reply)
{
    const QDBusError::ErrorType type = QDBusError(reply).type();
    return type == QDBusError::NoReply || type == QDBusError::Timeout || type == QDBusError::TimedOut;
}

}  // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
    // One adaptor for the object's whole life: QtDBus keeps pointers to the adaptors of an object
    // it has served, even after the object is unregistered, and follows them on the next register.
    , m_adaptor(new SingleInstanceAdaptor(this))
{
}

SingleInstance::~SingleInstance()
{
    release();
}

QString SingleInstance::lockPath()
{
    return StandardFolders::recovery() + QStringLiteral("/instance.lock");
}

SingleInstance::Lock SingleInstance::takeLock()
{
    if (m_lockFile >= 0)
        return Lock::taken;
    const QString path = lockPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Not inherited by the programs this process starts (a relaunch): the lock would outlive us.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0)
        return Lock::unavailable;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Lock::unavailable;
    }
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        m_lockFile = fd;
        return Lock::taken;
    }
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held ? Lock::heldElsewhere : Lock::unavailable;
}

void SingleInstance::dropLock()
{
    if (m_lockFile < 0)
        return;
    // Closing the only descriptor of the open file releases its lock.
    ::close(m_lockFile);
    m_lockFile = -1;
}

void SingleInstance::release()
{
    if (m_role == Role::primary) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(serviceName);
        bus.unregisterObject(objectPath);
    }
    // After the name, so that a process that finds the lock free also finds the name free.
    dropLock();
    m_role = Role::alone;
}

QStringList SingleInstance::fileUrls(const QStringList& arguments, const QString& workingDirectory)
{
    QStringList urls;
    for (const QString& argument : arguments) {
        if (argument.isEmpty())
            continue;
        // A desktop may pass file URLs (%U); anything else is a path, even one with a colon in it or
        // one that starts with one (which Qt's file classes would take for a resource).
        if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            const QUrl url(argument);
            if (url.isValid() && url.isLocalFile()) {
                urls.append(url.toString(QUrl::FullyEncoded));
                continue;
            }
        }
        const QString path = argument.startsWith(QLatin1Char('/')) ? argument
                                                                   : workingDirectory + QLatin1Char('/') + argument;
        urls.append(QUrl::fromLocalFile(QDir::cleanPath(path)).toString(QUrl::FullyEncoded));
    }
    return urls;
}

bool SingleInstance::registerName()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    // The object first: a launch that finds the name owned must find something to call there.
    if (!bus.registerObject(objectPath, this, QDBusConnection::ExportAdaptors))
        return false;
    const auto reply = bus.interface()->registerService(serviceName, QDBusConnectionInterface::DontQueueService,
                                                        QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return true;
    bus.unregisterObject(objectPath);
    return false;
}

SingleInstance::Role SingleInstance::claim(const QStringList& files)
{
    if (m_role == Role::primary)
        return m_role;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const bool busUp = bus.isConnected() && bus.interface();
    const QStringList urls = fileUrls(files, QDir::currentPath());
    QDeadlineTimer deadline(m_answerTimeout);
    for (;;) {
        // A lock that cannot be had at all (a read-only folder) is no reason not to start.
        const Lock lock = takeLock();
        if (!busUp) {
            // Nobody to hand the files to: a process that holds the lock keeps it alone.
            if (lock == Lock::heldElsewhere)
                break;
            m_role = Role::alone;
            return m_role;
        }
        if (lock != Lock::heldElsewhere && registerName()) {
            m_role = Role::primary;
            return m_role;
        }
        const qint64 remaining = deadline.remainingTime();
        const QDBusMessage reply =
            bus.call(launchCall(urls), QDBus::Block, int(std::clamp<qint64>(remaining, 1, INT_MAX)));
        if (reply.type() == QDBusMessage::ReplyMessage) {
            dropLock();
            m_role = Role::secondary;
            return m_role;
        }
        if (deadline.hasExpired())
            break;
        if (unanswered(reply)) {
            // Worth another try only when the silent owner has gone meanwhile.
            const bool ownerGone = takeLock() != Lock::heldElsewhere
                && !bus.interface()->isServiceRegistered(serviceName);
            if (!ownerGone)
                break;
            continue;
        }
        // The name had no owner, or not yet its object: the first process is starting or ending.
        QThread::msleep(50);
    }
    dropLock();
    m_role = Role::unresponsive;
    return m_role;
}

}  // namespace sablewick

#include "SingleInstance.moc"

#include "platform/PortalRequest.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>

#include <atomic>
#include <memory>

namespace sablewick {

namespace {

constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";

// Receives the Response of one request, then removes itself.
class PendingRequest : public QObject {
    Q_OBJECT

public:
    PendingRequest(QObject* context, std::function<void(PortalResponse)> done)
        : m_context(context)
        , m_done(std::move(done))
    {
    }

    bool listen(const QString& path)
    {
        if (path == m_path)
            return true;
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!m_path.isEmpty())
            bus.disconnect(Portal::service, m_path, kRequestInterface, QStringLiteral("Response"), this,
                           SLOT(response(uint, QVariantMap)));
        m_path = path;
        return bus.connect(Portal::service, m_path, kRequestInterface, QStringLiteral("Response"), this,
                           SLOT(response(uint, QVariantMap)));
    }

    void finish(PortalResponse answer)
    {
        if (m_finished)
            return;
        m_finished = true;
        QDBusConnection::sessionBus().disconnect(Portal::service, m_path, kRequestInterface, QStringLiteral("Response"),
                                                 this, SLOT(response(uint, QVariantMap)));
        if (m_context && m_done)
            m_done(std::move(answer));
        deleteLater();
    }

public slots:
    void response(uint code, const QVariantMap& results)
    {
        PortalResponse answer;
        answer.results = results;
        if (code == 0) {
            answer.outcome = PortalResponse::Outcome::success;
        } else if (code == 1) {
            answer.outcome = PortalResponse::Outcome::cancelled;
        } else if (code == 2) {
            answer.outcome = PortalResponse::Outcome::ended;
            answer.error = QStringLiteral("The desktop refused the request.");
        } else {
            answer.outcome = PortalResponse::Outcome::failed;
            answer.error = QStringLiteral("The desktop refused the request.");
        }
        finish(std::move(answer));
    }

private:
    QPointer<QObject> m_context;
    std::function<void(PortalResponse)> m_done;
    QString m_path;
    bool m_finished = false;
};

QString senderPart()
{
    // ":1.42" becomes "1_42" in request paths.
    QString name = QDBusConnection::sessionBus().baseService();
    if (name.startsWith(QLatin1Char(':')))
        name.remove(0, 1);
    return name.replace(QLatin1Char('.'), QLatin1Char('_'));
}

}  // namespace

namespace Portal {

QString newToken()
{
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("sablewick%1").arg(++counter);
}

QString failureText(const QDBusMessage& reply)
{
    const QString name = reply.errorName();
    if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        name == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface") ||
        name == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
        name == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
        name == QLatin1String("org.freedesktop.DBus.Error.NoServer") ||
        name == QLatin1String("org.freedesktop.DBus.Error.Spawn.ServiceNotFound"))
        return QStringLiteral("Screen capture on Wayland needs the desktop portal: install xdg-desktop-portal and "
                              "the portal of your desktop (xdg-desktop-portal-gnome, xdg-desktop-portal-kde or "
                              "xdg-desktop-portal-wlr).");
    if (name == QLatin1String("org.freedesktop.DBus.Error.NotSupported") ||
        name == QLatin1String("org.freedesktop.DBus.Error.AccessDenied") ||
        name == QLatin1String("org.freedesktop.portal.Error.NotAllowed"))
        return QStringLiteral("The desktop does not allow screen capture: %1").arg(reply.errorMessage());
    if (name == QLatin1String("org.freedesktop.DBus.Error.Disconnected"))
        return QStringLiteral("Screen capture on Wayland needs a D-Bus session bus, and there is none.");
    return QStringLiteral("The desktop portal failed: %1").arg(reply.errorMessage());
}

void request(const QString& interface, const QString& method, const QVariantList& arguments, QVariantMap options,
             QObject* context, std::function<void(PortalResponse)> done)
{
    auto* pending = new PendingRequest(context, std::move(done));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        pending->finish({PortalResponse::Outcome::failed, {},
                         QStringLiteral("Screen capture on Wayland needs a D-Bus session bus, and there is none.")});
        return;
    }
    const QString token = newToken();
    options.insert(QStringLiteral("handle_token"), token);
    pending->listen(QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(senderPart(), token));

    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    QVariantList all = arguments;
    all.append(options);
    call.setArguments(all);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), pending);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, pending, [pending](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        if (reply.type() == QDBusMessage::ErrorMessage) {
            pending->finish({PortalResponse::Outcome::failed, {}, failureText(reply)});
            return;
        }
        // Portals older than the handle_token option answer on a path of their own choosing.
        const QDBusPendingReply<QDBusObjectPath> handle = *w;
        if (handle.isValid())
            pending->listen(handle.value().path());
    });
}

}  // namespace Portal
}  // namespace sablewick

#include "PortalRequest.moc"

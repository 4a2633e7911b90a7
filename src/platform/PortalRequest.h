#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace sablewick {

// What a desktop portal said to one request.
struct PortalResponse {
    // `ended`: the desktop ended the interaction some other way. For most requests that is a
    // failure; after a dialog of the desktop's own it may be how the user left it.
    enum class Outcome { success, cancelled, ended, failed };
    Outcome outcome = Outcome::failed;
    QVariantMap results;
    QString error;  // readable, when failed
};

namespace Portal {

inline constexpr const char* service = "org.freedesktop.portal.Desktop";
inline constexpr const char* path = "/org/freedesktop/portal/desktop";

// Calls a portal method that answers through a Request object: `arguments` are the method's
// leading arguments, `options` its trailing a{sv} (a handle token is added). The Response signal
// is subscribed to before the call goes out, so a fast answer is not missed. `done` runs once on
// the thread of `context`, unless `context` is gone by then. Main thread (an event loop is needed).
void request(const QString& interface, const QString& method, const QVariantList& arguments, QVariantMap options,
             QObject* context, std::function<void(PortalResponse)> done);

// A readable reason for a failed portal call; a portal that is not there names what to install.
QString failureText(const QDBusMessage& reply);

// A token for handle_token and session_handle_token options, unique within the process.
QString newToken();

}  // namespace Portal
}  // namespace sablewick

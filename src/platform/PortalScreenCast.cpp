#include "platform/PortalScreenCast.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>

#include <fcntl.h>
#include <unistd.h>

namespace sablewick {

namespace {

constexpr const char* kScreenCastInterface = "org.freedesktop.portal.ScreenCast";
constexpr uint kMonitor = 1;
constexpr uint kCursorHidden = 1;
constexpr uint kCursorEmbedded = 2;
constexpr uint kCursorMetadata = 4;
constexpr uint kPersistUntilRevoked = 2;
constexpr int kPropertyTimeoutMs = 2000;

// The portal's cursor modes, none when it does not say.
std::optional<uint> availableCursorModes()
{
    QDBusMessage get = QDBusMessage::createMethodCall(Portal::service, Portal::path,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get.setArguments({QString::fromLatin1(kScreenCastInterface), QStringLiteral("AvailableCursorModes")});
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, kPropertyTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt();
}

std::optional<QPoint> pair(const QVariant& value)
{
    if (!value.canConvert<QDBusArgument>())
        return std::nullopt;
    const QDBusArgument argument = value.value<QDBusArgument>();
    int x = 0;
    int y = 0;
    argument.beginStructure();
    argument >> x >> y;
    argument.endStructure();
    return QPoint(x, y);
}

// The first stream of a Start response: a(ua{sv}).
std::optional<PortalScreenCastStream> firstStream(const QVariantMap& results)
{
    const QVariant streams = results.value(QStringLiteral("streams"));
    if (!streams.canConvert<QDBusArgument>())
        return std::nullopt;
    const QDBusArgument argument = streams.value<QDBusArgument>();
    std::optional<PortalScreenCastStream> first;
    argument.beginArray();
    while (!argument.atEnd()) {
        uint node = 0;
        QVariantMap properties;
        argument.beginStructure();
        argument >> node >> properties;
        argument.endStructure();
        if (first)
            continue;
        PortalScreenCastStream stream;
        stream.node = node;
        if (const auto size = pair(properties.value(QStringLiteral("size"))))
            stream.size = QSize(size->x(), size->y());
        stream.position = pair(properties.value(QStringLiteral("position")));
        first = stream;
    }
    argument.endArray();
    return first;
}

}  // namespace

PortalScreenCast::PortalScreenCast(QObject* parent) : QObject(parent) {}

PortalScreenCastSession::~PortalScreenCastSession()
{
    QDBusMessage close = QDBusMessage::createMethodCall(Portal::service, m_handle,
                                                        QStringLiteral("org.freedesktop.portal.Session"),
                                                        QStringLiteral("Close"));
    QDBusConnection::sessionBus().call(close, QDBus::NoBlock);
}

PortalScreenCast::~PortalScreenCast()
{
    if (!m_session.isEmpty())
        PortalScreenCastSession closing(m_session);
}

std::optional<bool> PortalScreenCast::offersPointerMetadata()
{
    const std::optional<uint> modes = availableCursorModes();
    if (!modes)
        return std::nullopt;
    return (*modes & kCursorMetadata) != 0;
}

void PortalScreenCast::start(const QString& restoreToken, bool showPointer,
                             std::function<void(PortalScreenCastResult)> done)
{
    m_done = std::move(done);
    m_showPointer = showPointer;
    const std::optional<uint> modes = availableCursorModes();
    m_pointerMetadata = modes && (*modes & kCursorMetadata);
    QVariantMap options;
    options.insert(QStringLiteral("session_handle_token"), Portal::newToken());
    Portal::request(kScreenCastInterface, QStringLiteral("CreateSession"), {}, options, this,
                    [this, restoreToken, modes](PortalResponse response) {
                        if (response.outcome != PortalResponse::Outcome::success)
                            return complete({response.outcome, nullptr, std::nullopt, {}, response.error});
                        m_session = response.results.value(QStringLiteral("session_handle")).toString();
                        if (m_session.isEmpty())
                            return complete({PortalResponse::Outcome::failed, nullptr, std::nullopt, {},
                                             QStringLiteral("The desktop portal opened no screen-cast session.")});
                        selectSources(restoreToken, modes);
                    });
}

void PortalScreenCast::selectSources(const QString& restoreToken, std::optional<uint> cursorModes)
{
    QVariantMap options;
    options.insert(QStringLiteral("types"), kMonitor);
    options.insert(QStringLiteral("multiple"), false);
    // Only a mode the portal offers: some cancel the whole session over one they do not know. A
    // portal that names none gets to keep its own default.
    const uint wanted = m_pointerMetadata ? kCursorMetadata : m_showPointer ? kCursorEmbedded : kCursorHidden;
    if (cursorModes && (*cursorModes & wanted))
        options.insert(QStringLiteral("cursor_mode"), wanted);
    options.insert(QStringLiteral("persist_mode"), kPersistUntilRevoked);
    if (!restoreToken.isEmpty())
        options.insert(QStringLiteral("restore_token"), restoreToken);
    Portal::request(kScreenCastInterface, QStringLiteral("SelectSources"),
                    {QVariant::fromValue(QDBusObjectPath(m_session))}, options, this, [this](PortalResponse response) {
                        if (response.outcome != PortalResponse::Outcome::success)
                            return complete({response.outcome, nullptr, std::nullopt, {}, response.error});
                        startSession();
                    });
}

void PortalScreenCast::startSession()
{
    Portal::request(
        kScreenCastInterface, QStringLiteral("Start"), {QVariant::fromValue(QDBusObjectPath(m_session)), QString()}, {}, this,
        [this](PortalResponse response) {
            if (response.outcome != PortalResponse::Outcome::success)
                return complete({response.outcome, nullptr, std::nullopt, {}, response.error});
            std::optional<PortalScreenCastStream> stream = firstStream(response.results);
            if (!stream)
                return complete({PortalResponse::Outcome::failed, nullptr, std::nullopt, {},
                                 QStringLiteral("The desktop portal shared no display.")});
            QDBusMessage open = QDBusMessage::createMethodCall(Portal::service, Portal::path, kScreenCastInterface,
                                                               QStringLiteral("OpenPipeWireRemote"));
            open.setArguments({QVariant::fromValue(QDBusObjectPath(m_session)), QVariantMap()});
            const QDBusMessage reply = QDBusConnection::sessionBus().call(open, QDBus::Block, kPropertyTimeoutMs);
            if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
                return complete({PortalResponse::Outcome::failed, nullptr, std::nullopt, {}, Portal::failureText(reply)});
            const QDBusUnixFileDescriptor fd = reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
            // The descriptor object closes its copy; the stream gets one of its own.
            stream->remote = fd.isValid() ? ::fcntl(fd.fileDescriptor(), F_DUPFD_CLOEXEC, 3) : -1;
            if (stream->remote < 0)
                return complete({PortalResponse::Outcome::failed, nullptr, std::nullopt, {},
                                 QStringLiteral("The desktop portal gave no PipeWire connection.")});
            stream->pointerInMetadata = m_pointerMetadata;
            auto session = std::make_shared<PortalScreenCastSession>(std::exchange(m_session, QString()));
            complete({PortalResponse::Outcome::success, session, stream,
                      response.results.value(QStringLiteral("restore_token")).toString(), {}});
        });
}

void PortalScreenCast::complete(PortalScreenCastResult result)
{
    if (auto done = std::exchange(m_done, nullptr))
        done(std::move(result));
}

}  // namespace sablewick

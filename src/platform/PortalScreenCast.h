#pragma once

#include "platform/PortalRequest.h"

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace sablewick {

// One display shared through the desktop portal's ScreenCast interface.
struct PortalScreenCastStream {
    int remote = -1;           // the PipeWire connection; whoever takes it closes it
    std::uint32_t node = 0;    // the stream's node on that connection
    std::optional<QSize> size;      // as the portal reports them, when it does
    std::optional<QPoint> position;
    bool pointerInMetadata = false;  // the pointer travels beside the pictures, not in them
};

// An open screen-cast session of the portal; the portal stops sharing when it goes. Any thread.
class PortalScreenCastSession {
public:
    explicit PortalScreenCastSession(QString handle) : m_handle(std::move(handle)) {}
    ~PortalScreenCastSession();
    PortalScreenCastSession(const PortalScreenCastSession&) = delete;
    PortalScreenCastSession& operator=(const PortalScreenCastSession&) = delete;

private:
    QString m_handle;
};

struct PortalScreenCastResult {
    PortalResponse::Outcome outcome = PortalResponse::Outcome::failed;
    std::shared_ptr<PortalScreenCastSession> session;  // on success
    std::optional<PortalScreenCastStream> stream;  // on success
    QString restoreToken;  // on success, when the portal gave one: the same display next time
    QString error;         // when failed
};

// Opens a screen-cast session of the desktop portal: it asks the user for one display (or, with
// the token of an earlier session, shares that one again without asking) and opens the PipeWire
// connection of the stream. The pointer travels beside the pictures where the portal can send it
// so; otherwise it is drawn into them or left out, as the caller wants. A session that did not
// start ends when the object goes; a started one is handed out.
//
// Threading: start() on the main thread (it needs the event loop); the destructor on any thread.
class PortalScreenCast : public QObject {
    Q_OBJECT

public:
    explicit PortalScreenCast(QObject* parent = nullptr);
    ~PortalScreenCast() override;

    // Whether the portal can send the pointer's position beside the pictures: none when the
    // portal did not answer. Blocks briefly.
    static std::optional<bool> offersPointerMetadata();

    // `showPointer`: draw the pointer into the pictures when it cannot travel beside them.
    // `done` runs once on the main thread.
    void start(const QString& restoreToken, bool showPointer, std::function<void(PortalScreenCastResult)> done);

private:
    void selectSources(const QString& restoreToken, std::optional<uint> cursorModes);
    void startSession();
    void complete(PortalScreenCastResult result);

    std::function<void(PortalScreenCastResult)> m_done;
    QString m_session;  // until handed out
    bool m_pointerMetadata = false;
    bool m_showPointer = true;
};

}  // namespace sablewick

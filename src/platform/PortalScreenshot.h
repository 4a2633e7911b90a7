#pragma once

#include "platform/PortalRequest.h"

#include <QObject>
#include <QString>

#include <functional>

namespace sablewick {

struct PortalScreenshotResult {
    PortalResponse::Outcome outcome = PortalResponse::Outcome::failed;
    QString file;   // on success: the picture the portal wrote, a local file
    QString error;  // when failed
};

namespace PortalScreenshot {

// Asks the desktop portal's Screenshot interface for a picture: of the whole screen, or, when
// `interactive`, of what the user picks in the desktop's own dialog; a dialog the user leaves
// without a picture, however the portal reports it, is a cancel. `done` runs once on the
// thread of `context` (the main thread), unless `context` is gone by then.
void take(bool interactive, QObject* context, std::function<void(PortalScreenshotResult)> done);

}  // namespace PortalScreenshot
}  // namespace sablewick

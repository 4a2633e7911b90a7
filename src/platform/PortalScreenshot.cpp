#include "platform/PortalScreenshot.h"

#include <QUrl>

namespace sablewick::PortalScreenshot {

void take(bool interactive, QObject* context, std::function<void(PortalScreenshotResult)> done)
{
    QVariantMap options;
    options.insert(QStringLiteral("interactive"), interactive);
    options.insert(QStringLiteral("modal"), true);
    Portal::request(QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"), {QString()},
                    options, context, [interactive, done = std::move(done)](PortalResponse response) {
                        PortalScreenshotResult result;
                        result.outcome = response.outcome;
                        result.error = response.error;
                        // Some portals' pickers (slurp under xdg-desktop-portal-wlr) end this
                        // way, not as a cancel, when the user presses Escape.
                        if (interactive && response.outcome == PortalResponse::Outcome::ended) {
                            result.outcome = PortalResponse::Outcome::cancelled;
                            result.error.clear();
                        }
                        if (response.outcome == PortalResponse::Outcome::success) {
                            const QUrl uri(response.results.value(QStringLiteral("uri")).toString());
                            if (uri.isLocalFile()) {
                                result.file = uri.toLocalFile();
                            } else {
                                result.outcome = PortalResponse::Outcome::failed;
                                result.error = QStringLiteral("The desktop portal gave no picture.");
                            }
                        }
                        done(std::move(result));
                    });
}

}  // namespace sablewick::PortalScreenshot

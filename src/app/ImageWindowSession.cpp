#include "app/ImageWindowSession.h"

#include "app/SablewickApp.h"
#include "app/StudioSession.h"

namespace sablewick {

ScreenshotModel& ImageWindowSession::screenshot() { return m_session.screenshot(); }
void ImageWindowSession::captureScreenshot(const ScreenshotCaptureOptions& options) { m_session.captureScreenshot(options); }
void ImageWindowSession::importImage() { m_session.importImage(); }
void ImageWindowSession::openImage(const QUrl& url) { m_session.openImage(url); }
void ImageWindowSession::pasteImage() { m_session.pasteImage(); }
bool ImageWindowSession::hasInstalledUpdate() const { return m_session.hasInstalledUpdate(); }
bool ImageWindowSession::saveAndReopenForUpdate() { return m_session.saveAndReopenForUpdate(); }

void ImageWindowSession::windowAppeared()
{
    SablewickApp* app = &m_app;
    m_session.configureWindows([app](const QString& id) { app->openWindow(id); });
}

}  // namespace sablewick

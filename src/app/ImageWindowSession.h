#pragma once

#include "screenshoteditor/ImageEditorSession.h"

namespace sablewick {

class SablewickApp;
class StudioSession;

// The studio session as the image editor window asks for it. It lives in the top folder, the one
// place that knows both the shell and the window above it. The application object and its session
// must outlive it.
class ImageWindowSession final : public ImageEditorSession {
public:
    ImageWindowSession(SablewickApp& app, StudioSession& session) : m_app(app), m_session(session) {}

    ScreenshotModel& screenshot() override;
    void captureScreenshot(const ScreenshotCaptureOptions& options) override;
    void importImage() override;
    void openImage(const QUrl& url) override;
    void pasteImage() override;
    bool hasInstalledUpdate() const override;
    bool saveAndReopenForUpdate() override;
    void windowAppeared() override;

private:
    SablewickApp& m_app;
    StudioSession& m_session;
};

}  // namespace sablewick

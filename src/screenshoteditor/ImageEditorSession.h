#pragma once

#include <QUrl>

namespace sablewick {

class ScreenshotModel;
struct ScreenshotCaptureOptions;

// The application's session as the image editor window asks for it: where images come from and
// the relaunch into a newly installed build. The session owns the one screenshot model; the window
// shows it. Main thread only.
class ImageEditorSession {
public:
    virtual ~ImageEditorSession() = default;

    virtual ScreenshotModel& screenshot() = 0;
    // Captures with the setup sheet's options and opens the picture here.
    virtual void captureScreenshot(const ScreenshotCaptureOptions& options) = 0;
    // Asks for an image or screenshot project and opens it.
    virtual void importImage() = 0;
    virtual void openImage(const QUrl& url) = 0;
    virtual void pasteImage() = 0;
    virtual bool hasInstalledUpdate() const = 0;
    virtual bool saveAndReopenForUpdate() = 0;
    // The window has appeared: the session may bring it (or a new one) forward from now on.
    virtual void windowAppeared() = 0;
};

}  // namespace sablewick

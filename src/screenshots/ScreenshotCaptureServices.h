#pragma once

#include "platform/DisplayList.h"

#include <QImage>
#include <QString>

namespace sablewick {

class TaskScheduler;

// The screen as a display capture needs it. Throw X11Error (or another std::exception with a
// readable message) when the screen cannot be read.
class ScreenGrabber {
public:
    virtual ~ScreenGrabber() = default;
    // X11 asks for no permission; the checks stay so that a platform that does can refuse.
    virtual bool screenCaptureAllowed() = 0;
    virtual bool requestScreenCapture() = 0;
    virtual DisplayLayout displays() = 0;
    // The pixels of a rectangle of the screen (root pixels).
    virtual QImage grab(const QRect& area, bool includePointer) = 0;
};

// The X server's screen.
ScreenGrabber& x11ScreenGrabber();

// The application's own windows, which X11 cannot leave out of a capture: they are hidden while
// the screen is captured. The shell implements it.
class ApplicationWindows {
public:
    virtual ~ApplicationWindows() = default;
    virtual void hide() = 0;
    // Shows them again; `activate` also brings the application to the front.
    virtual void show(bool activate) = 0;
};

struct ScreenshotCaptureServices {
    TaskScheduler* scheduler = nullptr;     // the countdown and the pause after hiding
    ScreenGrabber* grabber = nullptr;       // none: the X server
    ApplicationWindows* windows = nullptr;  // none: nothing to hide
    QString selectionProgram;               // empty: the one installed beside the application
    // The desktop portal's Screenshot interface in place of the X server and the selection
    // program: a Wayland session shows neither other applications' windows nor the screen to X.
    bool portal = false;
    QString folder;                         // empty: the pictures folder's "Sablewick Screenshots"
};

// The selection program beside the running application.
QString installedSelectionProgram();
inline constexpr const char* selectionProgramName = "sablewick-capture-selection";

}  // namespace sablewick

#include "screenshots/ScreenshotCaptureServices.h"
#include "screenshots/X11Screen.h"

namespace sablewick {

namespace {

class X11ScreenGrabber final : public ScreenGrabber {
public:
    bool screenCaptureAllowed() override { return true; }
    bool requestScreenCapture() override { return true; }
    DisplayLayout displays() override { return DisplayList::current(); }
    QImage grab(const QRect& area, bool includePointer) override { return X11Screen::grab(area, includePointer); }
};

}  // namespace

ScreenGrabber& x11ScreenGrabber()
{
    static X11ScreenGrabber grabber;
    return grabber;
}

}  // namespace sablewick

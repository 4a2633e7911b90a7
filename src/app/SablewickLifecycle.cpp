#include "app/SablewickLifecycle.h"

#include "app/StudioSession.h"
#include "editor/EditorModel.h"
#include "preferences/AppPreferences.h"
#include "screenshots/ScreenshotCapture.h"
#include "screenshots/ScreenshotModel.h"

namespace sablewick {

void SablewickLifecycle::applicationDidFinishLaunching()
{
    // The session's preferences are the shared ones in the application; tests give their own.
    (session ? session->preferences() : AppPreferences::shared()).applyApplicationAppearance();
    if (session)
        session->activateGlobalShortcuts();
}

void SablewickLifecycle::applicationWillTerminate()
{
    if (editor) {
        editor->document().flushPendingEdits();
        editor->document().saveRecovery();
    }
    if (session) {
        ScreenshotModel& image = session->screenshot();
        image.flushEdits();
        image.saveRecovery();
        // Work that only makes sense while the program runs ends with it, rather than when the
        // objects happen to go; a recording and a video export have asked the user already.
        session->screenshotCapture().cancel();
        image.cancelExport();
    }
}

}  // namespace sablewick

#include "app/SablewickLifecycle.h"

#include "app/StudioSession.h"
#include "editor/EditorModel.h"
#include "preferences/AppPreferences.h"

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
        editor->flushPendingEdits();
        editor->saveRecovery();
    }
}

}  // namespace sablewick

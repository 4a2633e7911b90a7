#pragma once

#include <QPointer>
#include <QWidget>

namespace sablewick {

class EditorModel;
class StudioSession;

// The application's launch and termination work, and the registry through which the parts of the
// shell find the session, the video editor and the two editor windows without owning them. Each
// entry empties itself when its object goes. Main thread only.
class SablewickLifecycle {
public:
    static inline QPointer<StudioSession> session;
    static inline QPointer<EditorModel> editor;
    static inline QPointer<QWidget> editorWindow;
    static inline QPointer<QWidget> screenshotWindow;

    // Applies the stored appearance and arms the session's system-wide keys.
    static void applicationDidFinishLaunching();
    // Saves the pending edits and the recovery copies of both editors, and cancels a screenshot
    // capture and an image export under way.
    static void applicationWillTerminate();
};

}  // namespace sablewick

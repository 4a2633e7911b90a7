#pragma once

#include <functional>

namespace sablewick {

// The application's own windows. X11 cannot leave one program's windows out of a capture, so
// the recorder takes them off the screen before the first frame is grabbed and brings them back
// when the recording ends; only the small recording panel stays.
//
// Threading: main thread.
class RecordingWindows {
public:
    virtual ~RecordingWindows() = default;
    // Takes the windows off the screen; `ready` runs later on the main thread, once they are gone
    // from it (or the desktop had a fair while to take them away).
    virtual void putAway(std::function<void()> ready) = 0;
    // Brings back what putAway took, as it was; nothing when nothing is away.
    virtual void bringBack() = 0;
};

}  // namespace sablewick

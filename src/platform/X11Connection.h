#pragma once

#include <memory>

typedef struct _XDisplay Display;

namespace sablewick {

// An Xlib connection of our own (never Qt's), closed when the last owner lets go. Xlib is made
// thread-safe once, before the first connection, because the capture and the input monitor
// each use their own connection on their own thread.
using X11Connection = std::shared_ptr<Display>;

// Opens the display named by DISPLAY. Throws X11Error when no X server answers.
X11Connection openX11Connection();

// Protocol errors on our connections never end the process (Xlib's default): each is noted for
// the thread whose request failed; so is the loss of the server, after which every request on the
// connection fails. Says whether one was noted since the last call, and clears it.
// Call XSync first so that the replies have arrived.
bool takeX11Error();

}  // namespace sablewick

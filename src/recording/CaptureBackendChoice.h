#pragma once

#include <QProcessEnvironment>

#include <memory>

namespace sablewick {

class CaptureBackend;
class PreferencesStore;

enum class CaptureSystem { x11, portal };

// The capture that suits the session: the desktop portal where it is a Wayland session
// (WAYLAND_DISPLAY set, or XDG_SESSION_TYPE=wayland), X11 otherwise. SABLEWICK_CAPTURE=x11 or
// portal forces one.
CaptureSystem captureSystem(const QProcessEnvironment& environment);

// A backend of the chosen kind; `preferences` keeps what the portal lets the user skip next time.
std::unique_ptr<CaptureBackend> makeCaptureBackend(CaptureSystem system, PreferencesStore* preferences);

}  // namespace sablewick

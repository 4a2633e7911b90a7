#include "recording/CaptureBackendChoice.h"

#include "recording/PortalCaptureBackend.h"
#include "recording/X11CaptureBackend.h"

namespace sablewick {

CaptureSystem captureSystem(const QProcessEnvironment& environment)
{
    const QString forced = environment.value(QStringLiteral("SABLEWICK_CAPTURE")).trimmed().toLower();
    if (forced == QLatin1String("x11"))
        return CaptureSystem::x11;
    if (forced == QLatin1String("portal"))
        return CaptureSystem::portal;
    const bool wayland = !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() ||
                         environment.value(QStringLiteral("XDG_SESSION_TYPE")).compare(QLatin1String("wayland"),
                                                                                         Qt::CaseInsensitive) == 0;
    return wayland ? CaptureSystem::portal : CaptureSystem::x11;
}

std::unique_ptr<CaptureBackend> makeCaptureBackend(CaptureSystem system, PreferencesStore* preferences)
{
    if (system == CaptureSystem::portal)
        return std::make_unique<PortalCaptureBackend>(preferences);
    return std::make_unique<X11CaptureBackend>();
}

}  // namespace sablewick

#include "support/WaylandTestSession.h"

#include <cstdlib>

namespace sablewick::test {

namespace {

const char* variable(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

}  // namespace

void enterWaylandSession()
{
    const char* display = variable("SABLEWICK_WAYLAND_DISPLAY");
    const char* bus = variable("SABLEWICK_WAYLAND_BUS");
    if (!display || !bus)
        return;
    ::setenv("WAYLAND_DISPLAY", display, 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus, 1);
    ::setenv("XDG_SESSION_TYPE", "wayland", 1);
    ::setenv("XDG_CURRENT_DESKTOP", "sway", 1);
    if (const char* sway = variable("SABLEWICK_SWAYSOCK"))
        ::setenv("SWAYSOCK", sway, 1);
}

std::optional<QString> waylandSessionProblem()
{
    if (const char* error = variable("SABLEWICK_WAYLAND_ERROR"))
        return QString::fromLocal8Bit(error);
    if (!variable("SABLEWICK_WAYLAND_DISPLAY") || !variable("SABLEWICK_WAYLAND_BUS"))
        return QStringLiteral("No headless Wayland desktop: run these tests through scripts/test.sh -L wayland");
    return std::nullopt;
}

}  // namespace sablewick::test

#pragma once

#include <cstdint>
#include <optional>

namespace sablewick {

// The colour that the X screen's system tray asks its icons to be drawn in (the foreground of
// the tray's _NET_SYSTEM_TRAY_COLORS, as 0xRRGGBB). None without an X server, without a tray
// that embeds icons, or when the tray does not say.
std::optional<std::uint32_t> systemTrayForeground();

}  // namespace sablewick

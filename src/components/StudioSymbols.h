#pragma once

// The one table from the symbol names the windows ask for ("record.circle", "trash") to icon names
// of the freedesktop naming scheme. Each entry lists names in order of preference; the last one is
// always present in the Adwaita theme, which is installed as the guaranteed fallback.

#include <span>
#include <string_view>

namespace sablewick {

struct StudioSymbolEntry {
    std::string_view symbol;
    std::span<const std::string_view> iconNames;
};

std::span<const StudioSymbolEntry> studioSymbolTable();

// The icon names for a symbol, best first; empty for a symbol the table does not know.
std::span<const std::string_view> freedesktopIconNames(std::string_view symbol);

} // namespace sablewick

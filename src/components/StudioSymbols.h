#pragma once

// The one table from the symbol names the windows ask for ("record.circle", "trash") to icon names
// of the freedesktop naming scheme. Each entry lists names in order of preference; the last one is
// always present in the Adwaita theme, which is installed as the guaranteed fallback. A few symbols
// have no faithful icon in that scheme (Adwaita's media-record is a plain disc, and no theme has a
// numbered badge): the kit draws those itself, and their entries name no icon.

#include <span>
#include <string_view>

namespace sablewick {

// The symbols the kit draws itself, in place of a theme icon.
enum class StudioSymbolDrawing {
    none,
    recordCircle,  // a ring around a dot
    numberCircle,  // a ring around the figure 1
};

struct StudioSymbolEntry {
    std::string_view symbol;
    std::span<const std::string_view> iconNames;  // empty when the kit draws the symbol
    StudioSymbolDrawing drawing = StudioSymbolDrawing::none;
};

std::span<const StudioSymbolEntry> studioSymbolTable();

// The icon names for a symbol, best first; empty for a symbol the table does not know or the kit draws.
std::span<const std::string_view> freedesktopIconNames(std::string_view symbol);
// How the kit draws a symbol itself; `none` for a symbol shown with a theme icon or not known.
StudioSymbolDrawing studioSymbolDrawing(std::string_view symbol);

} // namespace sablewick

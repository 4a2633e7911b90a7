#include "components/StudioSymbols.h"

#include <algorithm>

namespace sablewick {

namespace {

// The names themselves live in static arrays so that the spans below stay valid.
#define SABLEWICK_SYMBOL(symbol, ...)                                                              \
    StudioSymbolEntry { symbol, std::span<const std::string_view>(                               \
                                    [] { static constexpr std::string_view n[] = {__VA_ARGS__};   \
                                         return std::span<const std::string_view>(n); }()) }

#define SABLEWICK_DRAWN_SYMBOL(symbol, drawing)                                                                        \
    StudioSymbolEntry                                                                                                  \
    {                                                                                                                  \
        symbol, {}, StudioSymbolDrawing::drawing                                                                       \
    }

std::span<const StudioSymbolEntry> table()
{
    // Sorted by symbol: lookups search it by halves.
    static const StudioSymbolEntry entries[] = {
        SABLEWICK_DRAWN_SYMBOL("1.circle", numberCircle),
        SABLEWICK_SYMBOL("arrow.clockwise.circle.fill", "view-refresh-symbolic"),
        SABLEWICK_SYMBOL("arrow.down.document", "document-open-symbolic"),
        SABLEWICK_SYMBOL("arrow.left.arrow.right", "object-flip-horizontal-symbolic"),
        SABLEWICK_SYMBOL("arrow.right", "go-next-symbolic"),
        SABLEWICK_SYMBOL("arrow.up.right", "draw-arrow-symbolic", "mail-forward-symbolic"),
        SABLEWICK_SYMBOL("arrow.uturn.backward", "edit-undo-symbolic"),
        SABLEWICK_SYMBOL("arrow.uturn.forward", "edit-redo-symbolic"),
        SABLEWICK_SYMBOL("backward.end.fill", "media-skip-backward-symbolic"),
        SABLEWICK_SYMBOL("camera", "camera-photo-symbolic"),
        SABLEWICK_SYMBOL("camera.viewfinder", "applets-screenshooter-symbolic"),
        SABLEWICK_SYMBOL("checkmark", "object-select-symbolic"),
        SABLEWICK_SYMBOL("checkmark.circle.fill", "emblem-ok-symbolic"),
        SABLEWICK_SYMBOL("chevron.down", "pan-down-symbolic"),
        SABLEWICK_SYMBOL("chevron.right", "pan-end-symbolic"),
        SABLEWICK_SYMBOL("circle", "draw-ellipse-symbolic", "media-record-symbolic"),
        SABLEWICK_SYMBOL("clock.arrow.circlepath", "document-open-recent-symbolic"),
        SABLEWICK_SYMBOL("crop", "transform-crop-symbolic", "image-crop-symbolic", "zoom-fit-best-symbolic"),
        SABLEWICK_SYMBOL("cursorarrow", "input-mouse-symbolic"),
        SABLEWICK_SYMBOL("cursorarrow.click", "input-mouse-symbolic"),
        SABLEWICK_SYMBOL("cursorarrow.motionlines", "input-mouse-symbolic"),
        SABLEWICK_SYMBOL("display.trianglebadge.exclamationmark", "dialog-warning-symbolic"),
        SABLEWICK_SYMBOL("doc", "text-x-generic-symbolic"),
        SABLEWICK_SYMBOL("doc.on.clipboard", "edit-paste-symbolic"),
        SABLEWICK_SYMBOL("doc.on.doc", "edit-copy-symbolic"),
        SABLEWICK_SYMBOL("doc.text", "x-office-document-symbolic"),
        SABLEWICK_SYMBOL("ellipsis", "view-more-horizontal-symbolic"),
        SABLEWICK_SYMBOL("film", "video-x-generic-symbolic"),
        SABLEWICK_SYMBOL("film.stack", "folder-videos-symbolic"),
        SABLEWICK_SYMBOL("folder", "folder-symbolic"),
        SABLEWICK_SYMBOL("gearshape", "emblem-system-symbolic"),
        SABLEWICK_SYMBOL("highlighter", "draw-highlight-symbolic", "format-text-underline-symbolic"),
        // Adwaita draws dialog-information as a light bulb; help-about is the letter i in a ring.
        SABLEWICK_SYMBOL("info.circle", "help-about-symbolic"),
        SABLEWICK_SYMBOL("internaldrive", "drive-harddisk-symbolic"),
        SABLEWICK_SYMBOL("keyboard", "input-keyboard-symbolic"),
        SABLEWICK_SYMBOL("line.diagonal", "draw-line-symbolic", "list-remove-symbolic"),
        SABLEWICK_SYMBOL("lock.shield", "security-high-symbolic"),
        SABLEWICK_SYMBOL("macwindow", "focus-windows-symbolic"),
        SABLEWICK_SYMBOL("mic.slash", "microphone-disabled-symbolic"),
        SABLEWICK_SYMBOL("minus.magnifyingglass", "zoom-out-symbolic"),
        SABLEWICK_SYMBOL("music.note", "emblem-music-symbolic"),
        SABLEWICK_SYMBOL("pause.fill", "media-playback-pause-symbolic"),
        SABLEWICK_SYMBOL("pencil.tip", "document-edit-symbolic"),
        SABLEWICK_SYMBOL("photo", "image-x-generic-symbolic"),
        SABLEWICK_SYMBOL("photo.badge.plus", "insert-image-symbolic"),
        SABLEWICK_SYMBOL("photo.on.rectangle", "emblem-photos-symbolic"),
        SABLEWICK_SYMBOL("play.fill", "media-playback-start-symbolic"),
        SABLEWICK_SYMBOL("plus.magnifyingglass", "zoom-in-symbolic"),
        SABLEWICK_DRAWN_SYMBOL("record.circle", recordCircle),
        SABLEWICK_SYMBOL("record.circle.fill", "media-record-symbolic"),
        SABLEWICK_SYMBOL("rectangle", "draw-rectangle-symbolic", "window-maximize-symbolic"),
        SABLEWICK_SYMBOL("rectangle.inset.filled", "preferences-desktop-wallpaper-symbolic"),
        SABLEWICK_SYMBOL("repeat", "media-playlist-repeat-symbolic"),
        SABLEWICK_SYMBOL("scissors", "edit-cut-symbolic"),
        SABLEWICK_SYMBOL("scope", "find-location-symbolic"),
        SABLEWICK_SYMBOL("shuffle", "media-playlist-shuffle-symbolic"),
        SABLEWICK_SYMBOL("sidebar.right", "sidebar-show-right-symbolic"),
        SABLEWICK_SYMBOL("slider.horizontal.3", "preferences-other-symbolic"),
        SABLEWICK_SYMBOL("speaker.slash", "audio-volume-muted-symbolic"),
        SABLEWICK_SYMBOL("square.and.arrow.down", "document-save-symbolic"),
        SABLEWICK_SYMBOL("square.and.arrow.up", "document-send-symbolic"),
        SABLEWICK_SYMBOL("square.grid.3x3.fill", "view-app-grid-symbolic"),
        SABLEWICK_SYMBOL("stop.circle.fill", "media-playback-stop-symbolic"),
        SABLEWICK_SYMBOL("stop.fill", "media-playback-stop-symbolic"),
        SABLEWICK_SYMBOL("textformat", "draw-text-symbolic", "insert-text-symbolic"),
        SABLEWICK_SYMBOL("trash", "user-trash-symbolic"),
        SABLEWICK_SYMBOL("viewfinder", "view-fullscreen-symbolic"),
        SABLEWICK_SYMBOL("waveform", "audio-x-generic-symbolic"),
        SABLEWICK_SYMBOL("xmark", "window-close-symbolic"),
    };
    return entries;
}

#undef SABLEWICK_SYMBOL
#undef SABLEWICK_DRAWN_SYMBOL

} // namespace

std::span<const StudioSymbolEntry> studioSymbolTable()
{
    return table();
}

namespace {

const StudioSymbolEntry* find(std::string_view symbol)
{
    const auto entries = table();
    const auto found = std::lower_bound(
        entries.begin(), entries.end(), symbol,
        [](const StudioSymbolEntry& entry, std::string_view key) { return entry.symbol < key; });
    if (found == entries.end() || found->symbol != symbol)
        return nullptr;
    return &*found;
}

}  // namespace

std::span<const std::string_view> freedesktopIconNames(std::string_view symbol)
{
    const StudioSymbolEntry* entry = find(symbol);
    return entry ? entry->iconNames : std::span<const std::string_view>();
}

StudioSymbolDrawing studioSymbolDrawing(std::string_view symbol)
{
    const StudioSymbolEntry* entry = find(symbol);
    return entry ? entry->drawing : StudioSymbolDrawing::none;
}

} // namespace sablewick

#pragma once

#include "document/EditSettings.h"
#include "document/FocusPoint.h"
#include "rendering/Compositor.h"

#include <QImage>
#include <QPointF>

#include <map>
#include <optional>
#include <span>

class QPainter;

namespace sablewick {

// The synthetic pointer drawn into the recording: one of three cursor bitmaps with a press squish
// and an optional click ripple. The bitmaps are drawn once per process (thread-safe, on first use)
// and only transformed per frame. Sizes scale with the frame height against 1080.
namespace PointerRenderer {

// Side of a cursor bitmap in pixels: a 32-point drawing at 3x.
inline constexpr int cursorImageSize = 96;
// Side of the ripple bitmap in pixels; its ring is 116 pixels across, centred.
inline constexpr int rippleImageSize = 128;

// Where the pointer goes in one frame. Positions are in the frame's own units with y up.
struct CursorPlacement {
    PointerStyle style = PointerStyle::arrow;
    QPointF position;  // the hot spot lands here
    double scale = 1;  // of the 96-pixel bitmap
    QPointF origin;    // the bitmap's bottom-left corner after scaling
};

struct RipplePlacement {
    QPointF centre;      // the click's own position
    double scale = 1;    // of the 128-pixel ripple bitmap
    double opacity = 1;  // multiplies the ring's alpha
};

struct OverlayPlacement {
    std::optional<RipplePlacement> ripple;  // drawn first, under the cursor
    CursorPlacement cursor;
};

// The cursor and ripple for a frame of the given extent (y up) at `time`, or none when the
// pointer is hidden by the settings, absent from the track at that time or not visible there.
// `events` are the focus points whose clicks drive press and ripple.
std::optional<OverlayPlacement> placement(const LayoutRect& extent, double time,
                                          std::span<const PointerSample> samples,
                                          const EditSettings& settings,
                                          std::span<const FocusPoint> events);

// Draws a placement with a painter on a y-down device whose y-up space is `spaceHeight` high
// (the frame's height when the extent starts at the origin).
void draw(QPainter& painter, const OverlayPlacement& placement, double spaceHeight);

// The frame with the ripple and the cursor drawn on it, or the frame unchanged when the pointer
// is hidden or absent. The frame's extent is (0, 0, width, height).
QImage overlay(QImage frame, double time, std::span<const PointerSample> samples,
               const EditSettings& settings, std::span<const FocusPoint> events);

// The bitmap of a style (96 x 96, premultiplied ARGB, rows top-down), or null when it could not be
// made; and its hot spot in pixels of the image measured y up from its bottom-left corner:
// (6, 90), the arrow's tip, for arrow and outline; (24, 72), the centre, for dot.
const QImage* cursorImage(PointerStyle style);
QPointF hotSpot(PointerStyle style);
// The 128 x 128 ripple ring.
const QImage& rippleImage();

// Copies of the bitmaps for the interface (the pointer inspector and the live preview layers).
const std::map<PointerStyle, QImage>& previewImages();
const QImage& ripplePreview();

}  // namespace PointerRenderer
}  // namespace sablewick

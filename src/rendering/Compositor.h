#pragma once

#include "document/EditSettings.h"
#include "document/FocusPoint.h"

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>

#include <span>

namespace sablewick {

// A rectangle of the renderer's coordinate space: origin at the bottom left, y growing upwards.
// (QRectF names its edges for a y-down space, so the layout keeps its own record and converts
// only where pixels are touched.)
struct LayoutRect {
    double x = 0;  // left edge
    double y = 0;  // bottom edge
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double minY() const { return y; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    double midX() const { return x + width / 2; }
    double midY() const { return y + height / 2; }

    // Grown by d on all four sides (shrunk when d is negative).
    LayoutRect outset(double d) const { return {x - d, y - d, width + 2 * d, height + 2 * d}; }

    // The same rectangle in a y-down space of the given height (a QImage, a widget).
    QRectF flipped(double spaceHeight) const { return {x, spaceHeight - maxY(), width, height}; }

    bool operator==(const LayoutRect&) const = default;
};

// The geometry of every frame of the styled video: the one source of truth that the preview, the
// export and the screenshot renderer share, so that they agree to the pixel. All functions are
// pure and may run on any thread at once.
namespace Compositor {

// Where the camera looks at one moment: a point of the source as fractions 0...1 (y up) and the
// magnification, at least 1.
struct FocusState {
    double x = 0.5;
    double y = 0.5;
    double scale = 1;

    bool operator==(const FocusState&) const = default;
};

// The layout of one frame, in canvas units (the source units for crop and visibleRect).
struct Layout {
    LayoutRect crop;         // the cropped source rectangle
    LayoutRect visibleRect;  // the part of crop the card shows now; equals crop when not zoomed
    LayoutRect frameRect;    // contentRect grown by the frame inset: the card, frame and shadow
    LayoutRect contentRect;  // where the video is drawn: crop aspect-fitted inside padding, centred
    double punchScale = 1;   // uniform scale of the whole card about the canvas centre
    QPointF punchOffset;     // a canvas point p is drawn at p * punchScale + punchOffset

    bool operator==(const Layout&) const = default;
};

// The quintic smootherstep 6p^5 - 15p^4 + 10p^3 of zoom ramps and the pan mapping.
double ease(double p);

// The source rectangle after the four crop fractions of the settings. Left and bottom win when
// opposite crops together exceed the frame; at least 0.001 of each side is kept.
LayoutRect cropRect(const LayoutRect& sourceRect, const EditSettings& settings);

// The zoom timeline at `time`. The three defaults serve every focus point without its own value.
// Overlapping or closely spaced points chain into pans: each point starts from the state the
// previous one had reached when it began. Events may come in any order.
FocusState focusState(double time, std::span<const FocusPoint> events, double duration,
                      double strength, bool enabled,
                      std::span<const PointerSample> pointerSamples, double transition);

// The complete canvas layout at `time` (source seconds) for a source frame rectangle and an
// output canvas size. `events` are the edit's zoom segments in any order; the pointer track may be
// empty.
Layout layout(const LayoutRect& sourceRect, QSizeF canvasSize, const EditSettings& settings,
              std::span<const FocusPoint> events, double time,
              std::span<const PointerSample> pointerSamples);

// The smallest size a movie's frames of `movieSize` may be scaled to before they are composed on a
// canvas of `canvasSize` without losing detail: even the edit's most magnified frame then draws no
// more than one canvas pixel from each pixel of the scaled frame. Never larger than the movie.
QSize detailSize(QSize movieSize, QSizeF canvasSize, const EditSettings& settings,
                 std::span<const FocusPoint> events);

}  // namespace Compositor
}  // namespace sablewick

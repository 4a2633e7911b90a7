#pragma once

#include "document/EditSettings.h"
#include "screenshots/ScreenshotAnnotation.h"

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>

#include <optional>
#include <vector>

namespace sablewick {

// The image canvas's mappings and hit rules, apart from any widget. Source coordinates are
// fractions of the whole source image, y down; canvas coordinates are points of the canvas, origin
// top-left. The inverse mapping is ScreenshotModel::sourcePoint, built on the same layout.
namespace ImageCanvasGeometry {

// How far outside its bounds (as a fraction of the source) a press still grabs an annotation, so
// a perfectly flat line can be picked at all.
inline constexpr double hitMargin = 0.015;
// The smallest outline drawn around a selection, in canvas points.
inline constexpr double minimumOutline = 8;
// A shape drag of this many canvas points or fewer is a click and keeps nothing.
inline constexpr double clickTravel = 3;

// A source rectangle in canvas coordinates. Parts outside the crop map outside the picture;
// nothing is clipped.
QRectF previewRect(const QRectF& sourceRect, QSize sourceSize, QSizeF canvasSize, const EditSettings& settings);

// The topmost annotation whose bounds, grown by the hit margin, contain `point`.
std::optional<std::size_t> hitAnnotation(const std::vector<ScreenshotAnnotation>& annotations, QPointF point);

// The part of a wished move of a mark with bounds `grabbed` that keeps it inside the image. A mark
// that already reaches past an edge may move back inwards but is never pushed by the clamp alone,
// so a zero wish is always a zero move.
QPointF clampedMove(const QRectF& grabbed, QPointF wished);

// The annotation shifted by `offset` (both of its points).
ScreenshotAnnotation moved(ScreenshotAnnotation annotation, QPointF offset);

// The outline around a selected mark: centred on the mark, at least the minimum each way.
QRectF outlineRect(const QRectF& canvasRect);

// The crop box being dragged between two source points, whichever way it was dragged.
QRectF spannedRect(QPointF from, QPointF to);

}  // namespace ImageCanvasGeometry
}  // namespace sablewick

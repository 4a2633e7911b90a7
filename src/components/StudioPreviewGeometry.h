#pragma once

#include <QRectF>
#include <QSizeF>

namespace sablewick {

namespace StudioPreviewGeometry {

// The margin the editor keeps around the canvas in its preview.
inline constexpr double previewPadding = 26.0;

// The largest rectangle of the canvas's aspect ratio that fits `available` less `padding` on every
// side, centred in the whole available area (origin at its top-left corner). Unusable input
// (non-finite or negative available size, non-finite or non-positive canvas size) gives the zero
// rectangle; a room smaller than the padding gives an empty rectangle at the centre.
QRectF fittedRect(QSizeF canvas, QSizeF available, double padding);

} // namespace StudioPreviewGeometry

} // namespace sablewick

#pragma once

#include <QSizeF>

namespace sablewick {

// The pixel size a display is recorded at. The setup sheet shows it and the recorder asks the
// capture for it, so both use this one rule.
namespace RecordingCaptureGeometry {

// Whole, even sides of at least 2; never more pixels than 3840 × 2160, never a side above 3840,
// never enlarged. Invalid input (non-finite or not positive) gives 2 × 2.
QSizeF pixelSize(QSizeF points, double scale);

}  // namespace RecordingCaptureGeometry
}  // namespace sablewick

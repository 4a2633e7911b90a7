#pragma once

#include "document/BackgroundPreset.h"

#include <QImage>
#include <QSize>

namespace sablewick {

// The drawn form of a gradient preset: a linear gradient from `first` at the canvas's bottom-left
// corner to `second` at its top-right corner; over it, when the preset has a glow, a radial glow
// centred at (0.17, 0.82) of the canvas (y up) reaching 0.85 of its longer side, and, when it has
// both a glow and a fourth colour, a second glow at (0.82, 0.22) reaching 0.72. Each glow fades
// linearly from alpha 0.58 (the glow) or 0.92 (the fourth colour) at its centre to nothing.
//
// Computed per pixel in floating point and finished with a faint dither, so wide, slow gradients
// show no bands. The pre-rendered gradient pictures are made by this same function, so a picture
// and the drawn gradient of a preset agree.
QImage paintPresetGradient(QSize size, const BackgroundPreset& preset);

}  // namespace sablewick

#pragma once

#include "document/EditSettings.h"

#include <QImage>
#include <QSize>

namespace sablewick {
namespace Compositor {

// The canvas background of an edit, exactly covering a canvas of `canvas` pixels (premultiplied
// ARGB). The export, the canvas panel's preview and the screenshot renderer all use it, so every
// background looks the same.
//
// `picture` is the already loaded image that the settings show (see loadBackgroundPicture), or a
// null image. By kind:
// - gradient: the picture, else the preset's pre-rendered picture from the resources, aspect-filled
//   and never blurred; without a usable picture the gradient is drawn from the preset's colours;
// - pattern and image: the picture aspect-filled, blurred by backgroundBlur pixels when that is
//   positive (the picture's edges continue outward, so the border does not darken); without a
//   usable picture the solid colour;
// - solid: solidColor;
// - hidden: clear when `transparent` (previews, screenshots), black when not (video export).
QImage makeBackground(QSize canvas, const EditSettings& settings, const QImage& picture, bool transparent);

// The picture that the settings' background shows (the user's own image, the chosen artwork or the
// preset's pre-rendered gradient), decoded; a null image when there is none or it cannot be read.
// Done once per export, never per frame.
QImage loadBackgroundPicture(const EditSettings& settings);

}  // namespace Compositor
}  // namespace sablewick

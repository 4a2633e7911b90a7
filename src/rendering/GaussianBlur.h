#pragma once

#include <QImage>

namespace sablewick {

// Gaussian blur of standard deviation `sigma` pixels, approximated by three box passes in each
// direction (the error is far below one 8-bit step). Beyond its edges the picture continues with
// its edge pixels, so a blurred picture keeps full strength up to the border instead of fading.

// One plane of floats, in place.
void gaussianBlurPlane(float* data, int width, int height, double sigma);

// A premultiplied copy of `image`, blurred; the image itself when sigma is too small to show.
QImage gaussianBlurred(const QImage& image, double sigma);

}  // namespace sablewick

#include "recording/RecordingCaptureGeometry.h"

#include <algorithm>
#include <cmath>

namespace sablewick::RecordingCaptureGeometry {

namespace {

constexpr double kLongestSide = 3840;
constexpr double kMostPixels = 3840.0 * 2160.0;

bool usable(double value)
{
    return std::isfinite(value) && value > 0;
}

double evenSide(double side)
{
    const double whole = std::floor(side);
    if (whole < 2)
        return 2;
    return std::fmod(whole, 2) == 0 ? whole : whole - 1;
}

}  // namespace

QSizeF pixelSize(QSizeF points, double scale)
{
    if (!usable(points.width()) || !usable(points.height()) || !usable(scale))
        return {2, 2};
    const double w = points.width() * scale;
    const double h = points.height() * scale;
    // Absurd sizes overflow to infinity, and infinity times a factor of 0 would be NaN.
    if (!std::isfinite(w * h))
        return {2, 2};
    const double factor = std::min({1.0, kLongestSide / std::max(w, h), std::sqrt(kMostPixels / (w * h))});
    return {evenSide(w * factor), evenSide(h * factor)};
}

}  // namespace sablewick::RecordingCaptureGeometry

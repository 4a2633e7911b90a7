#include "components/StudioPreviewGeometry.h"

#include <cmath>

namespace sablewick::StudioPreviewGeometry {

namespace {

bool usableAvailable(double v)
{
    return std::isfinite(v) && v >= 0.0;
}

bool usableCanvas(double v)
{
    return std::isfinite(v) && v > 0.0;
}

double roomLength(double length)
{
    return (std::isnan(length) || length < 0.0) ? 0.0 : length;
}

} // namespace

QRectF fittedRect(QSizeF canvas, QSizeF available, double padding)
{
    const double W = available.width();
    const double H = available.height();
    const double cw = canvas.width();
    const double ch = canvas.height();
    if (!usableAvailable(W) || !usableAvailable(H) || !usableCanvas(cw) || !usableCanvas(ch))
        return QRectF(0, 0, 0, 0);
    const double roomWidth = roomLength(W - 2.0 * padding);
    const double roomHeight = roomLength(H - 2.0 * padding);
    const double widthRatio = roomWidth / cw;
    const double heightRatio = roomHeight / ch;
    const double scale = heightRatio < widthRatio ? heightRatio : widthRatio;
    const double width = cw * scale;
    const double height = ch * scale;
    return QRectF((W - width) / 2.0, (H - height) / 2.0, width, height);
}

} // namespace sablewick::StudioPreviewGeometry

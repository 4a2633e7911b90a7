#include "screenshoteditor/ImageCanvasGeometry.h"

#include "rendering/Compositor.h"

#include <algorithm>
#include <cmath>

namespace sablewick::ImageCanvasGeometry {

QRectF previewRect(const QRectF& sourceRect, QSize sourceSize, QSizeF canvasSize, const EditSettings& settings)
{
    const double W = sourceSize.width(), H = sourceSize.height();
    const Compositor::Layout L = Compositor::layout(LayoutRect{0, 0, W, H}, canvasSize, settings, {}, 0, {});
    const LayoutRect& C = L.crop;
    const LayoutRect& K = L.contentRect;
    if (!(C.width > 0) || !(C.height > 0))
        return {};
    // The layout's rectangles have their origin at the bottom-left; the canvas's at the top-left.
    const double x = K.minX() + (sourceRect.x() * W - C.minX()) / C.width * K.width;
    const double y = (canvasSize.height() - K.maxY()) + K.height * (sourceRect.y() * H - (H - C.maxY())) / C.height;
    return {x, y, K.width * (sourceRect.width() * W / C.width), K.height * (sourceRect.height() * H / C.height)};
}

std::optional<std::size_t> hitAnnotation(const std::vector<ScreenshotAnnotation>& annotations, QPointF point)
{
    for (std::size_t i = annotations.size(); i-- > 0;) {
        const QRectF area = annotations[i].bounds().adjusted(-hitMargin, -hitMargin, hitMargin, hitMargin);
        // Closed on every side: a flat line's grown box must hold the points on its own edges too.
        if (point.x() >= area.left() && point.x() <= area.right() && point.y() >= area.top() &&
            point.y() <= area.bottom())
            return i;
    }
    return std::nullopt;
}

namespace {

double clampedAxis(double wished, double low, double high)
{
    return std::clamp(wished, std::min(0.0, -low), std::max(0.0, 1 - high));
}

}  // namespace

QPointF clampedMove(const QRectF& grabbed, QPointF wished)
{
    return {clampedAxis(wished.x(), grabbed.left(), grabbed.right()),
            clampedAxis(wished.y(), grabbed.top(), grabbed.bottom())};
}

ScreenshotAnnotation moved(ScreenshotAnnotation annotation, QPointF offset)
{
    annotation.x += offset.x();
    annotation.endX += offset.x();
    annotation.y += offset.y();
    annotation.endY += offset.y();
    return annotation;
}

QRectF outlineRect(const QRectF& canvasRect)
{
    const double width = std::max(canvasRect.width(), minimumOutline);
    const double height = std::max(canvasRect.height(), minimumOutline);
    return {canvasRect.center().x() - width / 2, canvasRect.center().y() - height / 2, width, height};
}

QRectF spannedRect(QPointF from, QPointF to)
{
    return {std::min(from.x(), to.x()), std::min(from.y(), to.y()), std::abs(to.x() - from.x()),
            std::abs(to.y() - from.y())};
}

}  // namespace sablewick::ImageCanvasGeometry

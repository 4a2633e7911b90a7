#include "workspace/ZoomPlacement.h"

#include <algorithm>

namespace sablewick {

QPointF canvasPointForClick(QPointF click, QSizeF viewSize, QSizeF canvasSize)
{
    const double w = std::max(viewSize.width(), 1.0);
    const double h = std::max(viewSize.height(), 1.0);
    return {canvasSize.width() * (click.x() / w), canvasSize.height() * (1.0 - click.y() / h)};
}

}  // namespace sablewick

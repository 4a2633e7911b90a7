#pragma once

#include <QPointF>
#include <QSizeF>

namespace sablewick {

// A click on the preview, in the view's own points (origin top left, y down), as a point of the
// canvas (its units, origin bottom left, y up). A collapsed view maps every click to the canvas's
// top-left corner instead of dividing by zero.
QPointF canvasPointForClick(QPointF click, QSizeF viewSize, QSizeF canvasSize);

}  // namespace sablewick

#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

namespace sablewick {

// The icon for a symbol name, `pixelSize` device-independent pixels square at the given device
// pixel ratio. Symbolic icons are single-colour masks: they are filled with `color` so that they
// read in dark windows too. A symbol without an icon gives a null pixmap.
QPixmap studioSymbolPixmap(const QString& symbol, int pixelSize, const QColor& color,
                           qreal devicePixelRatio = 1.0);

} // namespace sablewick

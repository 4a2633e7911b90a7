#include "components/StudioGlassSurface.h"

#include "components/StudioPaint.h"

#include <QPainter>

namespace sablewick {

StudioGlassSurface::StudioGlassSurface(Shape shape, double cornerRadius, QWidget* parent)
    : QWidget(parent)
    , m_shape(shape)
    , m_cornerRadius(cornerRadius)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void StudioGlassSurface::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QPainterPath path;
    const QRectF bounds(rect());
    if (m_shape == Shape::circle)
        path.addEllipse(bounds);
    else
        path.addRoundedRect(bounds, m_cornerRadius, m_cornerRadius);
    paintGlassSurface(painter, path, StudioColors::of(this));
}

} // namespace sablewick

#include "components/StudioColorSwatch.h"

#include "components/StudioAccessibility.h"
#include "components/StudioPaint.h"

#include <QAccessible>

#include <QPainter>

namespace sablewick {

StudioColorSwatch::StudioColorSwatch(const QColor& color, const QString& title, bool selected,
                                     QWidget* parent)
    : QAbstractButton(parent)
    , m_color(color)
    , m_selected(selected)
{
    ensureStudioAccessibility();
    setAccessibleName(title);
    setToolTip(title);
    // Reached by the keyboard, as the kit's other controls are; a click leaves no focus ring.
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setMinimumHeight(minimumCellHeight);
}

void StudioColorSwatch::setColor(const QColor& color)
{
    m_color = color;
    update();
}

void StudioColorSwatch::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
    update();
}

QSize StudioColorSwatch::sizeHint() const
{
    return {minimumCellHeight, minimumCellHeight};
}

QSize StudioColorSwatch::minimumSizeHint() const
{
    return {diameter, minimumCellHeight};
}

void StudioColorSwatch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const StudioColors colors = StudioColors::of(this);
    if (isDown())
        painter.setOpacity(pressedOpacity);
    const QRectF circle(width() / 2.0 - diameter / 2.0, height() / 2.0 - diameter / 2.0, diameter,
                        diameter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color);
    painter.drawEllipse(circle);
    // The ring lies inside the circle's edge.
    const double ring = m_selected ? 2.0 : 1.0;
    QColor ringColor = colors.accent;
    if (!m_selected) {
        ringColor = StudioSystemColors::label().resolved(colors.environment.scheme);
        ringColor.setAlphaF(0.16f);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ringColor, ring));
    painter.drawEllipse(circle.adjusted(ring / 2, ring / 2, -ring / 2, -ring / 2));
    if (hasFocus()) {
        QPainterPath outline;
        outline.addEllipse(circle.adjusted(-2.0, -2.0, 2.0, 2.0));
        paintFocusRing(painter, outline, colors);
    }
}

} // namespace sablewick

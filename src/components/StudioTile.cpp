#include "components/StudioTile.h"

#include "components/StudioAccessibility.h"
#include "components/StudioPaint.h"

#include <QAccessible>

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QLayout>
#include <QPainter>

namespace sablewick {

// The border is drawn by a child above the content, so that the content never covers it.
class StudioTileButton::Border final : public QWidget {
public:
    explicit Border(StudioTileButton* tile)
        : QWidget(tile)
        , m_tile(tile)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const StudioColors colors = StudioColors::of(this);
        paintTileBorder(painter, QRectF(rect()), m_tile->isSelected(), colors);
        if (m_tile->hasFocus()) {
            QPainterPath outline;
            outline.addRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), tileCornerRadius - 1.5,
                                   tileCornerRadius - 1.5);
            paintFocusRing(painter, outline, colors);
        }
    }

private:
    StudioTileButton* m_tile;
};

StudioCanvasButton::StudioCanvasButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::pressed, this, &StudioCanvasButton::refreshOpacity);
    connect(this, &QAbstractButton::released, this, &StudioCanvasButton::refreshOpacity);
}

QSize StudioCanvasButton::sizeHint() const
{
    return layout() ? layout()->sizeHint() : QSize(44, 44);
}

QSize StudioCanvasButton::minimumSizeHint() const
{
    return layout() ? layout()->minimumSize() : QSize(0, 0);
}

double StudioCanvasButton::opacityFor(bool, bool pressed) const
{
    return pressed ? pressedOpacity : 1.0;
}

double StudioCanvasButton::contentOpacity() const
{
    return opacityFor(isEnabled(), isDown());
}

void StudioCanvasButton::refreshOpacity()
{
    const double opacity = contentOpacity();
    if (opacity >= 1.0) {
        if (m_effect) {
            setGraphicsEffect(nullptr); // deletes the effect
            m_effect = nullptr;
        }
        return;
    }
    if (!m_effect) {
        m_effect = new QGraphicsOpacityEffect(this);
        setGraphicsEffect(m_effect);
    }
    m_effect->setOpacity(opacity);
}

void StudioCanvasButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        refreshOpacity();
    QAbstractButton::changeEvent(event);
}

void StudioCanvasButton::paintEvent(QPaintEvent*)
{
    // The caller's child widgets are the whole look.
}

StudioTileButton::StudioTileButton(bool selected, QWidget* parent)
    : StudioCanvasButton(parent)
    , m_selected(selected)
    , m_border(new Border(this))
{
    ensureStudioAccessibility();
    setAttribute(Qt::WA_Hover);
}

void StudioTileButton::focusInEvent(QFocusEvent* event)
{
    m_border->update();
    StudioCanvasButton::focusInEvent(event);
}

void StudioTileButton::focusOutEvent(QFocusEvent* event)
{
    m_border->update();
    StudioCanvasButton::focusOutEvent(event);
}

void StudioTileButton::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
    update();
    m_border->update();
}

void StudioTileButton::setFill(const QColor& fill)
{
    m_fill = fill;
    update();
}

double StudioTileButton::opacityFor(bool enabled, bool pressed) const
{
    if (!enabled)
        return disabledTileOpacity;
    return pressed ? pressedOpacity : 1.0;
}

bool StudioTileButton::hitButton(const QPoint& pos) const
{
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), tileCornerRadius, tileCornerRadius);
    return shape.contains(QPointF(pos));
}

void StudioTileButton::resizeEvent(QResizeEvent* event)
{
    m_border->setGeometry(rect());
    m_border->raise();
    StudioCanvasButton::resizeEvent(event);
}

void StudioTileButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const StudioColors colors = StudioColors::of(this);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), tileCornerRadius, tileCornerRadius);
    if (m_fill.isValid())
        painter.fillPath(shape, m_fill);
    if (isEnabled() && underMouse() && !isDown())
        painter.fillPath(shape, colors.hoverFill);
}

} // namespace sablewick

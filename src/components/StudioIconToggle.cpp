#include "components/StudioIconToggle.h"

#include "components/StudioAccessibility.h"
#include "components/StudioIcons.h"
#include "components/StudioPaint.h"

#include <QAccessible>
#include <QPainter>

namespace sablewick {

StudioIconToggle::StudioIconToggle(const QString& title, const QString& systemImage,
                                   StudioBinding<bool> binding, StudioControlSize size, QWidget* parent)
    : QAbstractButton(parent)
    , m_systemImage(systemImage)
    , m_isOn(std::move(binding))
    , m_size(size)
{
    // Before anything announces a change, or Qt makes and keeps its generic interface.
    ensureStudioAccessibility();
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setToolTip(title);
    setAccessibleName(title);
    setControlSize(size);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_isOn.set)
            m_isOn.set(!isOn());
        update();
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    });
}

bool StudioIconToggle::isOn() const
{
    return m_isOn.get ? m_isOn.get() : false;
}

void StudioIconToggle::setBinding(StudioBinding<bool> binding)
{
    m_isOn = std::move(binding);
    update();
}

void StudioIconToggle::setControlSize(StudioControlSize size)
{
    m_size = size;
    const int d = metrics(iconToggleControlSize(size)).height;
    setFixedSize(d, d);
    update();
}

QSize StudioIconToggle::sizeHint() const
{
    const int d = metrics(iconToggleControlSize(m_size)).height;
    return {d, d};
}

void StudioIconToggle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const StudioColors colors = StudioColors::of(this);
    if (!isEnabled())
        painter.setOpacity(disabledControlOpacity);
    const bool on = isOn();
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -1.0);
    const QPainterPath shape = controlShape(bounds, ButtonBorderShape::circle);
    const PlateState state{isEnabled() && underMouse(), isEnabled() && isDown()};
    // Never prominent: off it is a plain plate; on, the accent tint fills it.
    const GlassControlStyle style = nativeGlassControlStyle(colors.glassInputs(), false);
    paintControlPlate(painter, shape,
                      on ? GlassControlStyle::borderedProminent : style,
                      on ? colors.accent : QColor(), colors, state);
    const QColor ink = on ? StudioColors::inkOn(colors.accent) : colors.label;
    const int symbolSize = qRound(iconLabelFontPixelSize(m_size) * 1.3);
    const QPixmap pixmap = studioSymbolPixmap(m_systemImage, symbolSize, ink, devicePixelRatioF());
    if (!pixmap.isNull())
        painter.drawPixmap(QPointF(bounds.center().x() - symbolSize / 2.0,
                                   bounds.center().y() - symbolSize / 2.0),
                           pixmap);
    if (hasFocus())
        paintFocusRing(painter, shape, colors);
}

} // namespace sablewick

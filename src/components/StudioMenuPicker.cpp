#include "components/StudioMenuPicker.h"

#include "components/StudioAccessibility.h"
#include "components/StudioPaint.h"

#include <QAccessible>
#include <QMenu>
#include <QPainter>

namespace sablewick {

namespace {

constexpr int chevronWidth = 16;

PlatformControlMetrics pickerMetrics()
{
    return metrics(PlatformControlSize::regular);
}

void paintChevrons(QPainter& painter, const QRectF& rect, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF c = rect.center();
    painter.drawPolyline(QPolygonF{c + QPointF(-3, -2), c + QPointF(0, -5), c + QPointF(3, -2)});
    painter.drawPolyline(QPolygonF{c + QPointF(-3, 2), c + QPointF(0, 5), c + QPointF(3, 2)});
    painter.restore();
}

} // namespace

StudioMenuPicker::StudioMenuPicker(const QString& title, StudioBinding<int> selection, QStringList labels,
                                   QWidget* parent)
    : QAbstractButton(parent)
    , m_selection(std::move(selection))
    , m_labels(std::move(labels))
{
    // Before anything announces a change, or Qt makes and keeps its generic interface.
    ensureStudioAccessibility();
    setAccessibleName(title);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setFont(studioFont(pickerMetrics().fontPixelSize));
    setFixedHeight(pickerMetrics().height);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::clicked, this, &StudioMenuPicker::showMenu);
}

int StudioMenuPicker::selectedIndex() const
{
    return m_selection.get ? m_selection.get() : -1;
}

QSize StudioMenuPicker::sizeHint() const
{
    const QFontMetrics fm(font());
    int widest = 0;
    for (const QString& label : m_labels)
        widest = std::max(widest, fm.horizontalAdvance(label));
    return {widest + 10 + chevronWidth + 12, pickerMetrics().height};
}

QSize StudioMenuPicker::minimumSizeHint() const
{
    return {chevronWidth + 40, pickerMetrics().height};
}

void StudioMenuPicker::showMenu()
{
    if (m_menu)
        return;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setAccessibleName(accessibleName());
    const int selected = selectedIndex();
    for (int i = 0; i < m_labels.size(); ++i) {
        QAction* action = menu->addAction(m_labels[i]);
        action->setCheckable(true);
        action->setChecked(i == selected);
        connect(action, &QAction::triggered, this, [this, i] {
            if (m_selection.set)
                m_selection.set(i);
            update();
            QAccessibleValueChangeEvent changed(this, m_labels.at(i));
            QAccessible::updateAccessibility(&changed);
        });
    }
    m_menu = menu;
    menu->setMinimumWidth(width());
    menu->popup(mapToGlobal(QPoint(0, height() + 2)));
    // The keyboard starts from the current choice, as in a pop-up button.
    if (selected >= 0 && selected < menu->actions().size())
        menu->setActiveAction(menu->actions().at(selected));
}

void StudioMenuPicker::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const StudioColors colors = StudioColors::of(this);
    if (!isEnabled())
        painter.setOpacity(disabledControlOpacity);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -1.0);
    const QPainterPath shape = controlShape(bounds, ButtonBorderShape::automatic);
    const GlassControlStyle style = nativeGlassControlStyle(colors.glassInputs(), false);
    paintControlPlate(painter, shape, style, QColor(), colors,
                      {isEnabled() && underMouse(), isEnabled() && (isDown() || m_menu)});
    const int selected = selectedIndex();
    const QString text = selected >= 0 && selected < m_labels.size() ? m_labels[selected] : QString();
    const QRectF textRect = bounds.adjusted(10, 0, -(chevronWidth + 6), 0);
    painter.setPen(colors.label);
    painter.setFont(font());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(text, Qt::ElideRight, qRound(textRect.width())));
    // The chevrons sit on a small accent plate, as pop-up buttons do.
    const QRectF plate(bounds.right() - chevronWidth - 4, bounds.top() + 3, chevronWidth,
                       bounds.height() - 6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colors.accent);
    painter.drawRoundedRect(plate, 4, 4);
    paintChevrons(painter, plate, StudioColors::inkOn(colors.accent));
    if (hasFocus())
        paintFocusRing(painter, shape, colors);
}

} // namespace sablewick

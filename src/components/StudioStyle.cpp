#include "components/StudioStyle.h"

#include "components/StudioPaint.h"
#include "components/StudioTextField.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace sablewick {

namespace {

constexpr int scrollBarExtent = 11;
constexpr int menuItemHeight = 24;
constexpr int menuSeparatorHeight = 9;
constexpr int menuCheckGutter = 24;
constexpr int menuTrailingPadding = 18;
constexpr int menuVerticalMargin = 5;
constexpr int scrollBarMinimumHandle = 28;

StudioControlSize fieldSize(const QWidget* widget)
{
    if (widget) {
        const QVariant value = widget->property(StudioTextField::sizeProperty);
        if (value.isValid())
            if (auto size = studioControlSizeFromRaw(value.toString().toStdString()))
                return *size;
    }
    return StudioControlSize::regular;
}

} // namespace

StudioStyle::StudioStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{
}

void StudioStyle::install()
{
    if (qobject_cast<StudioStyle*>(QApplication::style()))
        return;
    QApplication::setStyle(new StudioStyle);
}

void StudioStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const
{
    if (element == PE_FrameFocusRect)
        return;
    if (element == PE_PanelLineEdit) {
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
        if (frame && frame->lineWidth <= 0) {
            painter->fillRect(option->rect, option->palette.base());
            return;
        }
        const StudioColors colors = StudioColors::of(widget);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
        const double radius = controlCornerRadius(box.height()) - 1;
        painter->setPen(QPen(colors.controlBorder.darker(colors.environment.isDark() ? 100 : 115), 1));
        painter->setBrush(option->palette.base());
        if (!(option->state & State_Enabled))
            painter->setOpacity(0.6);
        painter->drawRoundedRect(box, radius, radius);
        if (option->state & State_HasFocus) {
            QColor ring = colors.accent;
            painter->setBrush(Qt::NoBrush);
            painter->setPen(QPen(ring, 1));
            painter->drawRoundedRect(box, radius, radius);
            ring.setAlphaF(0.35f);
            painter->setPen(QPen(ring, 3));
            painter->drawRoundedRect(box.adjusted(-0.5, -0.5, 0.5, 0.5), radius + 1, radius + 1);
        }
        painter->restore();
        return;
    }
    if (element == PE_FrameLineEdit)
        return; // the panel draws the border
    if (element == PE_PanelMenu || element == PE_FrameMenu) {
        const StudioColors colors = StudioColors::of(widget);
        painter->save();
        if (element == PE_PanelMenu)
            painter->fillRect(option->rect, colors.environment.isDark() ? QColor(0x2C2C2E) : QColor(0xF6F6F6));
        QColor border = StudioSystemColors::label().resolved(colors.environment.scheme);
        border.setAlphaF(colors.environment.isDark() ? 0.3f : 0.18f);
        painter->setPen(border);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5));
        painter->restore();
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void StudioStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !item) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const StudioColors colors = StudioColors::of(widget);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF row(option->rect);
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        painter->fillRect(QRectF(row.left() + 10, row.center().y(), row.width() - 20, 1), colors.separator);
        painter->restore();
        return;
    }
    const bool enabled = option->state & State_Enabled;
    const bool highlighted = enabled && (option->state & State_Selected);
    QColor ink = colors.label;
    if (highlighted) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(colors.accent);
        painter->drawRoundedRect(row.adjusted(5, 1, -5, -1), 5, 5);
        ink = StudioColors::inkOn(colors.accent);
    } else if (!enabled) {
        ink = colors.tertiaryLabel;
    }
    if (item->checked)
        paintCheckmark(*painter, QRectF(row.left() + 9, row.center().y() - 6, 12, 12), ink, 1.8);
    QString text = item->text;
    QString shortcut;
    if (const qsizetype tab = text.indexOf(QLatin1Char('\t')); tab >= 0) {
        shortcut = text.mid(tab + 1);
        text = text.left(tab);
    }
    painter->setFont(item->font);
    painter->setPen(ink);
    const QRectF textRect = row.adjusted(menuCheckGutter, 0, -menuTrailingPadding, 0);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, text);
    if (!shortcut.isEmpty()) {
        QColor faint = ink;
        if (!highlighted)
            faint = colors.secondaryLabel;
        painter->setPen(faint);
        painter->drawText(textRect, Qt::AlignRight | Qt::AlignVCenter, shortcut);
    }
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
        painter->setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF tip(row.right() - 10, row.center().y());
        painter->drawPolyline(QPolygonF{tip + QPointF(-3, -4), tip, tip + QPointF(-3, 4)});
    }
    painter->restore();
}

void StudioStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     QPainter* painter, const QWidget* widget) const
{
    if (control == CC_ScrollBar) {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (!bar)
            return;
        const StudioColors colors = StudioColors::of(widget);
        const QRect handle = subControlRect(control, option, SC_ScrollBarSlider, widget);
        if (handle.isEmpty())
            return;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        QColor fill = StudioSystemColors::label().resolved(colors.environment.scheme);
        const bool active = (bar->state & State_MouseOver) || (bar->activeSubControls & SC_ScrollBarSlider);
        fill.setAlphaF(active ? 0.42f : 0.26f);
        const bool horizontal = bar->orientation == Qt::Horizontal;
        const double thickness = active ? 7.0 : 6.0;
        QRectF pill = QRectF(handle);
        if (horizontal)
            pill = QRectF(pill.left() + 2, pill.bottom() - thickness - 2, pill.width() - 4, thickness);
        else
            pill = QRectF(pill.right() - thickness - 2, pill.top() + 2, thickness, pill.height() - 4);
        painter->setPen(Qt::NoPen);
        painter->setBrush(fill);
        painter->drawRoundedRect(pill, thickness / 2, thickness / 2);
        painter->restore();
        return;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QRect StudioStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                  SubControl subControl, const QWidget* widget) const
{
    if (control == CC_ScrollBar) {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (!bar)
            return {};
        const QRect all = bar->rect;
        const bool horizontal = bar->orientation == Qt::Horizontal;
        const int length = horizontal ? all.width() : all.height();
        const int range = bar->maximum - bar->minimum;
        int handleLength = length;
        if (range > 0)
            handleLength = std::max(scrollBarMinimumHandle,
                                    static_cast<int>(static_cast<qint64>(length) * bar->pageStep
                                                     / (range + bar->pageStep)));
        handleLength = std::min(handleLength, length);
        const int start = sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition,
                                                  length - handleLength, bar->upsideDown);
        switch (subControl) {
        case SC_ScrollBarSlider:
            return horizontal ? QRect(all.left() + start, all.top(), handleLength, all.height())
                              : QRect(all.left(), all.top() + start, all.width(), handleLength);
        case SC_ScrollBarGroove:
            return all;
        case SC_ScrollBarSubPage:
            return horizontal ? QRect(all.left(), all.top(), start, all.height())
                              : QRect(all.left(), all.top(), all.width(), start);
        case SC_ScrollBarAddPage:
            return horizontal ? QRect(all.left() + start + handleLength, all.top(),
                                      length - start - handleLength, all.height())
                              : QRect(all.left(), all.top() + start + handleLength, all.width(),
                                      length - start - handleLength);
        default:
            return {};
        }
    }
    return QProxyStyle::subControlRect(control, option, subControl, widget);
}

QStyle::SubControl StudioStyle::hitTestComplexControl(ComplexControl control,
                                                      const QStyleOptionComplex* option,
                                                      const QPoint& pos, const QWidget* widget) const
{
    if (control == CC_ScrollBar) {
        for (SubControl sc : {SC_ScrollBarSlider, SC_ScrollBarSubPage, SC_ScrollBarAddPage})
            if (subControlRect(control, option, sc, widget).contains(pos))
                return sc;
        return SC_None;
    }
    return QProxyStyle::hitTestComplexControl(control, option, pos, widget);
}

int StudioStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_ScrollBarExtent: return scrollBarExtent;
    case PM_ScrollBarSliderMin: return scrollBarMinimumHandle;
    case PM_DefaultFrameWidth:
        if (qobject_cast<const QLineEdit*>(widget))
            return 2;
        break;
    case PM_MenuPanelWidth: return 1;
    case PM_MenuHMargin: return 0;
    case PM_MenuVMargin: return menuVerticalMargin;
    default: break;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

QSize StudioStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                    const QWidget* widget) const
{
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_LineEdit)
        result.setHeight(metrics(textFieldControlSize(fieldSize(widget))).height);
    if (type == CT_MenuItem) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            if (item->menuItemType == QStyleOptionMenuItem::Separator)
                return {size.width(), menuSeparatorHeight};
            const QFontMetrics fm(item->font);
            QString text = item->text;
            int shortcutWidth = 0;
            if (const qsizetype tab = text.indexOf(QLatin1Char('\t')); tab >= 0) {
                shortcutWidth = fm.horizontalAdvance(text.mid(tab + 1)) + 24;
                text = text.left(tab);
            }
            const int width = menuCheckGutter + fm.horizontalAdvance(text) + shortcutWidth + menuTrailingPadding
                              + (item->menuItemType == QStyleOptionMenuItem::SubMenu ? 12 : 0);
            return {std::max(width, 120), menuItemHeight};
        }
    }
    return result;
}

int StudioStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                           QStyleHintReturn* returnData) const
{
    if (hint == SH_ScrollBar_Transient)
        return 0;
    if (hint == SH_ScrollBar_LeftClickAbsolutePosition)
        return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

} // namespace sablewick

#include "components/StudioLabel.h"

#include "components/StudioIcons.h"
#include "components/StudioPaint.h"
#include "preferences/StudioAccent.h"

#include <QPainter>

namespace sablewick {

QColor studioLabelColor(const QWidget* widget, StudioLabelRole role)
{
    const StudioColors colors = StudioColors::of(widget);
    QColor color = colors.label;
    switch (role) {
    case StudioLabelRole::primary: break;
    case StudioLabelRole::secondary: color = colors.secondaryLabel; break;
    case StudioLabelRole::tertiary: color = colors.tertiaryLabel; break;
    case StudioLabelRole::accent: color = colors.accent; break;
    case StudioLabelRole::readableAccent:
        color = StudioAccentContrast::readable(colors.accent, colors.window);
        break;
    }
    if (!widget->isEnabled())
        color.setAlphaF(color.alphaF() * 0.5f);
    return color;
}

StudioLabel::StudioLabel(const QString& text, StudioTextStyle style, StudioLabelRole role, QWidget* parent)
    : QLabel(text, parent)
    , m_role(role)
{
    setFont(studioFont(style));
    setTextFormat(Qt::PlainText);
}

void StudioLabel::setRole(StudioLabelRole role)
{
    m_role = role;
    update();
}

void StudioLabel::setTextStyle(StudioTextStyle style, QFont::Weight weight)
{
    QFont font = studioFont(style);
    font.setWeight(weight);
    setFont(font);
}

void StudioLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(studioLabelColor(this, m_role));
    painter.setFont(font());
    int flags = static_cast<int>(alignment());
    if (wordWrap())
        flags |= Qt::TextWordWrap;
    const QRect area = contentsRect();
    const QString shown = wordWrap() ? text()
                                     : painter.fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    painter.drawText(area, flags, shown);
}

StudioSymbolView::StudioSymbolView(const QString& symbol, int pixelSize, StudioLabelRole role, QWidget* parent)
    : QWidget(parent)
    , m_symbol(symbol)
    , m_pixelSize(pixelSize)
    , m_role(role)
{
    setFixedSize(pixelSize, pixelSize);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void StudioSymbolView::setSymbol(const QString& symbol)
{
    if (m_symbol == symbol)
        return;
    m_symbol = symbol;
    update();
}

void StudioSymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, studioSymbolPixmap(m_symbol, m_pixelSize, studioLabelColor(this, m_role), devicePixelRatioF()));
}

StudioDivider::StudioDivider(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void StudioDivider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), StudioColors::of(this).separator);
}

} // namespace sablewick

#include "components/StudioLabel.h"

#include "components/StudioPaint.h"
#include "preferences/StudioAccent.h"

#include <QPainter>

namespace sablewick {

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
    const StudioColors colors = StudioColors::of(this);
    QColor color = colors.label;
    switch (m_role) {
    case StudioLabelRole::primary: break;
    case StudioLabelRole::secondary: color = colors.secondaryLabel; break;
    case StudioLabelRole::tertiary: color = colors.tertiaryLabel; break;
    case StudioLabelRole::accent: color = colors.accent; break;
    case StudioLabelRole::readableAccent:
        color = StudioAccentContrast::readable(colors.accent, colors.window);
        break;
    }
    if (!isEnabled())
        color.setAlphaF(color.alphaF() * 0.5f);
    painter.setPen(color);
    painter.setFont(font());
    int flags = static_cast<int>(alignment());
    if (wordWrap())
        flags |= Qt::TextWordWrap;
    const QRect area = contentsRect();
    const QString shown = wordWrap() ? text()
                                     : painter.fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    painter.drawText(area, flags, shown);
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

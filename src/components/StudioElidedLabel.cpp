#include "components/StudioElidedLabel.h"

#include "components/StudioPaint.h"

#include <QPainter>

namespace sablewick {

StudioElidedLabel::StudioElidedLabel(const QString& text, StudioTextStyle style, StudioLabelRole role, QWidget* parent)
    : QWidget(parent), m_text(text), m_role(role)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFont(studioFont(style));
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setAccessibleName(text);
}

void StudioElidedLabel::setText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void StudioElidedLabel::setRole(StudioLabelRole role)
{
    if (m_role == role)
        return;
    m_role = role;
    update();
}

QString StudioElidedLabel::shownText() const
{
    const QRect area = contentsRect();
    return fontMetrics().elidedText(m_text, Qt::ElideMiddle, std::max(area.width(), 0));
}

QSize StudioElidedLabel::sizeHint() const
{
    const QMargins m = contentsMargins();
    return {fontMetrics().horizontalAdvance(m_text) + m.left() + m.right(),
            fontMetrics().height() + m.top() + m.bottom()};
}

QSize StudioElidedLabel::minimumSizeHint() const
{
    const QMargins m = contentsMargins();
    return {0, fontMetrics().height() + m.top() + m.bottom()};
}

void StudioElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(studioLabelColor(this, m_role));
    painter.drawText(contentsRect(), int(m_alignment), shownText());
}

}  // namespace sablewick

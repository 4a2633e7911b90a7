#include "components/StudioSegments.h"

#include "components/StudioAccessibility.h"
#include "components/StudioPaint.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace sablewick {

namespace {

constexpr int segmentPadding = 12;
constexpr int trackInset = 2;

PlatformControlMetrics segmentMetrics()
{
    return metrics(PlatformControlSize::regular);
}

} // namespace

StudioSegments::StudioSegments(const QString& title, StudioBinding<int> selection, QStringList labels,
                               QWidget* parent)
    : QWidget(parent)
    , m_selection(std::move(selection))
    , m_labels(std::move(labels))
{
    // Before anything announces a change, or Qt makes and keeps its generic interface.
    ensureStudioAccessibility();
    setAccessibleName(title);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setFont(studioFont(segmentMetrics().fontPixelSize));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(segmentMetrics().height);
}

int StudioSegments::selectedIndex() const
{
    return m_selection.get ? m_selection.get() : -1;
}

QSize StudioSegments::sizeHint() const
{
    const QFontMetrics fm(font());
    int widest = 0;
    for (const QString& label : m_labels)
        widest = std::max(widest, fm.horizontalAdvance(label));
    const int count = std::max<int>(1, static_cast<int>(m_labels.size()));
    return {count * (widest + 2 * segmentPadding) + 2 * trackInset, segmentMetrics().height};
}

QSize StudioSegments::minimumSizeHint() const
{
    return sizeHint();
}

QRect StudioSegments::segmentRect(int index) const
{
    const int count = static_cast<int>(m_labels.size());
    if (index < 0 || index >= count)
        return {};
    const QRect inner = rect().adjusted(trackInset, trackInset, -trackInset, -trackInset);
    const int left = inner.left() + inner.width() * index / count;
    const int right = inner.left() + inner.width() * (index + 1) / count;
    return QRect(left, inner.top(), right - left, inner.height());
}

int StudioSegments::segmentAt(const QPoint& pos) const
{
    for (int i = 0; i < m_labels.size(); ++i)
        if (segmentRect(i).contains(pos))
            return i;
    return -1;
}

void StudioSegments::choose(int index)
{
    if (index < 0 || index >= m_labels.size() || !m_selection.set)
        return;
    m_selection.set(index);
    update();
    QAccessibleValueChangeEvent changed(this, m_labels.at(index));
    QAccessible::updateAccessibility(&changed);
}

void StudioSegments::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton ? segmentAt(event->position().toPoint()) : -1;
    update();
}

void StudioSegments::mouseReleaseEvent(QMouseEvent* event)
{
    const int released = segmentAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && released == m_pressed)
        choose(released);
    m_pressed = -1;
    update();
}

void StudioSegments::keyPressEvent(QKeyEvent* event)
{
    const int current = selectedIndex();
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        const int step = event->key() == Qt::Key_Left ? -1 : 1;
        choose(std::clamp(current + step, 0, static_cast<int>(m_labels.size()) - 1));
        return;
    }
    QWidget::keyPressEvent(event);
}

void StudioSegments::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const StudioColors colors = StudioColors::of(this);
    if (!isEnabled())
        painter.setOpacity(disabledControlOpacity);
    const bool dark = colors.environment.isDark();
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = controlCornerRadius(track.height()) + 1;
    painter.setPen(Qt::NoPen);
    painter.setBrush(dark ? QColor(255, 255, 255, 20) : QColor(0, 0, 0, 16));
    painter.drawRoundedRect(track, radius, radius);

    const int selected = selectedIndex();
    for (int i = 0; i < m_labels.size(); ++i) {
        const QRectF segment(segmentRect(i));
        if (i == selected) {
            const QRectF plate = segment.adjusted(0, 0, 0, 0);
            if (!dark) {
                painter.setBrush(QColor(0, 0, 0, 22));
                painter.drawRoundedRect(plate.translated(0, 0.6), radius - 2, radius - 2);
            }
            painter.setBrush(dark ? QColor(255, 255, 255, 52) : QColor(255, 255, 255));
            painter.drawRoundedRect(plate, radius - 2, radius - 2);
        } else if (i > 0 && i != selected + 1) {
            // A divider between two unselected neighbours.
            painter.setPen(QPen(colors.separator, 1));
            painter.drawLine(QPointF(segment.left(), segment.top() + 5),
                             QPointF(segment.left(), segment.bottom() - 5));
            painter.setPen(Qt::NoPen);
        }
        if (i == m_pressed && i != selected) {
            painter.setBrush(colors.hoverFill);
            painter.drawRoundedRect(segment, radius - 2, radius - 2);
        }
        QFont font = this->font();
        font.setWeight(i == selected ? QFont::Medium : QFont::Normal);
        painter.setFont(font);
        painter.setPen(colors.label);
        painter.drawText(segment, Qt::AlignCenter,
                         painter.fontMetrics().elidedText(m_labels[i], Qt::ElideRight,
                                                          qRound(segment.width()) - 8));
        painter.setPen(Qt::NoPen);
    }
    if (hasFocus()) {
        QPainterPath outline;
        outline.addRoundedRect(track, radius, radius);
        paintFocusRing(painter, outline, colors);
    }
}

} // namespace sablewick

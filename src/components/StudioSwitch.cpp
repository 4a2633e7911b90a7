#include "components/StudioSwitch.h"

#include "components/StudioPaint.h"

#include <QEvent>
#include <QPainter>
#include <QSignalBlocker>

namespace sablewick {
namespace {

QSizeF trackSize(StudioControlSize size)
{
    return size == StudioControlSize::compact ? QSizeF(28, 16) : QSizeF(38, 22);
}

} // namespace

StudioSwitch::StudioSwitch(const QString& title, StudioBinding<bool> isOn, StudioControlSize size, QWidget* parent)
    : QAbstractButton(parent)
    , m_isOn(std::move(isOn))
    , m_size(size)
{
    setText(title);
    setAccessibleName(title);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    refresh();
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        m_isOn.set(on);
        // The caller may refuse or adjust the value: show what it holds now.
        refresh();
    });
}

void StudioSwitch::refresh()
{
    const bool on = m_isOn.get();
    if (on == isChecked())
        return;
    const QSignalBlocker quiet(this);
    setChecked(on);
    update();
}

QFont StudioSwitch::titleFont() const
{
    return m_size == StudioControlSize::compact ? studioFont(11) : studioFont(StudioTextStyle::body);
}

QSize StudioSwitch::sizeHint() const
{
    const QSizeF track = trackSize(m_size);
    const QFontMetrics metrics(titleFont());
    const int height = std::max(qRound(track.height()) + 4, metrics.height() + 4);
    // Without a title (a row that labels it otherwise) the switch is all there is.
    const int title = text().isEmpty() ? 0 : metrics.horizontalAdvance(text()) + 10;
    return {title + qRound(track.width()) + 2, height};
}

QSize StudioSwitch::minimumSizeHint() const
{
    const QSizeF track = trackSize(m_size);
    return {qRound(track.width()) + 2, sizeHint().height()};
}

QRectF StudioSwitch::trackRect() const
{
    const QSizeF track = trackSize(m_size);
    return {width() - track.width() - 1, (height() - track.height()) / 2.0, track.width(), track.height()};
}

void StudioSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const StudioColors colors = StudioColors::of(this);
    if (!isEnabled())
        painter.setOpacity(0.45);

    const QRectF track = trackRect();
    painter.setFont(titleFont());
    painter.setPen(colors.label);
    const QRectF textRect(0, 0, track.left() - 10, height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(text(), Qt::ElideRight, qRound(textRect.width())));

    painter.setPen(QPen(colors.controlBorder, 1));
    painter.setBrush(isChecked() ? colors.accent : colors.controlFill);
    painter.drawRoundedRect(track, track.height() / 2, track.height() / 2);
    const double knob = track.height() - 4;
    const double x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    if (hasFocus()) {
        painter.setPen(QPen(colors.accent, 2));
        painter.setBrush(Qt::NoBrush);
        const QRectF ring = track.adjusted(-1.5, -1.5, 1.5, 1.5);
        painter.drawRoundedRect(ring, ring.height() / 2, ring.height() / 2);
    }
}

void StudioSwitch::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange)
        update();
    QAbstractButton::changeEvent(event);
}

} // namespace sablewick

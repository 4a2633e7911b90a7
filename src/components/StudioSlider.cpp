#include "components/StudioSlider.h"

#include "components/StudioAccessibility.h"
#include "components/StudioLabel.h"
#include "components/StudioPaint.h"
#include "components/StudioWheelGuard.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QVBoxLayout>

namespace sablewick {

namespace {

constexpr double trackThickness = 4.0;

} // namespace

StudioSlider::StudioSlider(StudioBinding<double> value, double lower, double upper,
                           std::optional<double> step, QWidget* parent)
    : QSlider(Qt::Horizontal, parent)
    , m_binding(std::move(value))
    , m_scale(lower, upper, step)
{
    // Before anything announces a change, or Qt makes and keeps its generic interface.
    ensureStudioAccessibility();
    setAttribute(Qt::WA_Hover);
    // Focused by a click or Tab; only then does the wheel move it (a page of sliders scrolls).
    guardWheel(this);
    setRange(0, m_scale.maximumPosition());
    setSingleStep(m_scale.stepped() ? 1 : std::max(1, m_scale.maximumPosition() / 100));
    setPageStep(m_scale.stepped() ? 1 : std::max(1, m_scale.maximumPosition() / 10));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(metrics(PlatformControlSize::regular).height);
    refresh();
    connect(this, &QAbstractSlider::valueChanged, this, [this](int position) {
        if (m_syncing || !m_binding.set)
            return;
        m_binding.set(m_scale.value(position));
    });
}

void StudioSlider::refresh()
{
    if (isSliderDown() || !m_binding.get)
        return;
    const int position = m_scale.position(m_binding.get());
    if (position == value())
        return;
    m_syncing = true;
    setValue(position);
    m_syncing = false;
}

QString StudioSlider::valueText() const
{
    const double shown = displayedValue();
    return m_valueText ? m_valueText(shown) : QLocale().toString(shown);
}

void StudioSlider::setValueFromAssistant(double value)
{
    setValue(m_scale.position(value));
}

QSize StudioSlider::sizeHint() const
{
    return {160, metrics(PlatformControlSize::regular).height};
}

QSize StudioSlider::minimumSizeHint() const
{
    return {knobDiameter * 3, metrics(PlatformControlSize::regular).height};
}

QRectF StudioSlider::grooveRect() const
{
    const double margin = knobDiameter / 2.0;
    return QRectF(margin, height() / 2.0 - trackThickness / 2, width() - 2 * margin, trackThickness);
}

QRectF StudioSlider::knobRect() const
{
    const QRectF groove = grooveRect();
    const double fraction = maximum() > minimum()
                                ? static_cast<double>(sliderPosition() - minimum()) / (maximum() - minimum())
                                : 0.0;
    const double x = groove.left() + fraction * groove.width();
    return QRectF(x - knobDiameter / 2.0, height() / 2.0 - knobDiameter / 2.0, knobDiameter, knobDiameter);
}

void StudioSlider::mousePressEvent(QMouseEvent* event)
{
    // A click on the track jumps there and starts a drag, as desktop sliders do.
    if (event->button() == Qt::LeftButton && !knobRect().contains(event->position())) {
        const QRectF groove = grooveRect();
        const double fraction = std::clamp((event->position().x() - groove.left()) / groove.width(), 0.0, 1.0);
        setSliderPosition(minimum() + qRound(fraction * (maximum() - minimum())));
    }
    QSlider::mousePressEvent(event);
}

void StudioSlider::focusInEvent(QFocusEvent* event)
{
    m_focusRing = event->reason() != Qt::MouseFocusReason;
    QSlider::focusInEvent(event);
}

void StudioSlider::paintEvent(QPaintEvent*)
{
    refresh();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const StudioColors colors = StudioColors::of(this);
    if (!isEnabled())
        painter.setOpacity(disabledControlOpacity);
    const QRectF groove = grooveRect();
    const QRectF knob = knobRect();
    QColor track = StudioSystemColors::label().resolved(colors.environment.scheme);
    track.setAlphaF(colors.environment.isDark() ? 0.22f : 0.12f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(track);
    painter.drawRoundedRect(groove, trackThickness / 2, trackThickness / 2);
    painter.setBrush(colors.accent);
    painter.drawRoundedRect(QRectF(groove.left(), groove.top(), knob.center().x() - groove.left(),
                                   groove.height()),
                            trackThickness / 2, trackThickness / 2);
    if (m_scale.stepped() && m_scale.maximumPosition() <= 20) {
        QColor tick = track;
        tick.setAlphaF(tick.alphaF() * 2.2f);
        painter.setBrush(tick);
        for (int i = 0; i <= m_scale.maximumPosition(); ++i) {
            const double x = groove.left() + groove.width() * i / std::max(1, m_scale.maximumPosition());
            painter.drawEllipse(QPointF(x, groove.bottom() + 5), 1.2, 1.2);
        }
    }
    // The knob: a white disc with a soft shadow and hairline.
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(knob.adjusted(0.5, 1.0, -0.5, 1.0));
    painter.setBrush(colors.environment.isDark() ? QColor(0xEC, 0xEC, 0xEC) : QColor(Qt::white));
    painter.setPen(QPen(QColor(0, 0, 0, 36), 0.8));
    painter.drawEllipse(knob.adjusted(0.5, 0.5, -0.5, -0.5));
    if (isSliderDown()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 18));
        painter.drawEllipse(knob.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    if (hasFocus() && m_focusRing) {
        QPainterPath ring;
        ring.addEllipse(knob.adjusted(-1.0, -1.0, 1.0, 1.0));
        paintFocusRing(painter, ring, colors);
    }
}

StudioSliderField::StudioSliderField(const QString& title, StudioBinding<double> value, double lower,
                                     double upper, const QString& formattedValue, QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 4, 0, 4);
    column->setSpacing(8);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new StudioLabel(title, StudioTextStyle::callout, StudioLabelRole::primary, this));
    row->addStretch(1);
    m_value = new StudioLabel(formattedValue, StudioTextStyle::caption, StudioLabelRole::secondary, this);
    m_value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(m_value);
    column->addLayout(row);
    m_slider = new StudioSlider(std::move(value), lower, upper, std::nullopt, this);
    m_slider->setAccessibleName(title);
    m_slider->setValueText([this](double) { return m_value->text(); });
    column->addWidget(m_slider);
}

void StudioSliderField::setFormattedValue(const QString& text)
{
    if (m_value->text() != text)
        m_value->setText(text);
}

QString StudioSliderField::formattedValue() const
{
    return m_value->text();
}

} // namespace sablewick

#include "components/StudioButton.h"

#include "components/StudioAccessibility.h"
#include "components/StudioIcons.h"
#include "components/StudioPaint.h"

#include <QEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

#include <cmath>

namespace sablewick {

namespace {

constexpr int symbolGap = 6;
constexpr int spinnerPixelSize = 12;
constexpr int spinnerSegments = 12;

QColor fadedBy(QColor color, double alpha)
{
    color.setAlphaF(static_cast<float>(color.alphaF() * alpha));
    return color;
}

void paintSpinner(QPainter& painter, const QRectF& rect, const QColor& ink, int phase)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF c = rect.center();
    const double outer = rect.width() / 2;
    for (int i = 0; i < spinnerSegments; ++i) {
        const double angle = 2 * M_PI * i / spinnerSegments;
        const int age = (i - phase + spinnerSegments) % spinnerSegments;
        QPen pen(fadedBy(ink, 0.25 + 0.75 * (spinnerSegments - age) / spinnerSegments), 1.6,
                 Qt::SolidLine, Qt::RoundCap);
        painter.setPen(pen);
        const QPointF d(std::sin(angle), -std::cos(angle));
        painter.drawLine(c + d * outer * 0.45, c + d * outer);
    }
    painter.restore();
}

} // namespace

StudioStyledButton::StudioStyledButton(QWidget* parent)
    : QAbstractButton(parent)
{
    // Before anything announces a change, or Qt makes and keeps its generic interface.
    ensureStudioAccessibility();
    setAttribute(Qt::WA_Hover);
    // Reached by the keyboard only, as desktop buttons are; a click never leaves a focus ring.
    setFocusPolicy(Qt::TabFocus);
    updateSizing();
}

StudioStyledButton::StudioStyledButton(const QString& title, StudioButtonVariant variant,
                                       StudioControlSize size, StudioButtonLayout layout,
                                       QWidget* parent)
    : StudioStyledButton(parent)
{
    setText(title);
    m_variant = variant;
    m_size = size;
    m_layout = layout;
    updateSizing();
}

void StudioStyledButton::setVariant(StudioButtonVariant variant)
{
    if (m_variant == variant)
        return;
    m_variant = variant;
    update();
}

void StudioStyledButton::setControlSize(StudioControlSize size)
{
    if (m_size == size)
        return;
    m_size = size;
    updateSizing();
}

void StudioStyledButton::setButtonLayout(StudioButtonLayout layout)
{
    if (m_layout == layout)
        return;
    m_layout = layout;
    updateSizing();
}

void StudioStyledButton::setDestructiveRole(bool destructive)
{
    if (m_destructiveRole == destructive)
        return;
    m_destructiveRole = destructive;
    update();
}

void StudioStyledButton::setSystemImage(const QString& symbol)
{
    if (m_systemImage == symbol)
        return;
    m_systemImage = symbol;
    updateSizing();
}

ButtonAppearance StudioStyledButton::appearance() const
{
    return buttonAppearance(m_variant, m_layout, m_destructiveRole);
}

PlatformControlSize StudioStyledButton::platformControlSize() const
{
    return buttonControlSize(m_size, m_layout);
}

void StudioStyledButton::updateSizing()
{
    const int height = metrics(platformControlSize()).height;
    if (m_layout == StudioButtonLayout::icon) {
        setFixedSize(height, height);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    } else {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setFixedHeight(height);
        setSizePolicy(m_layout == StudioButtonLayout::row ? QSizePolicy::Expanding : QSizePolicy::Fixed,
                      QSizePolicy::Fixed);
    }
    updateGeometry();
    update();
}

QFont StudioStyledButton::labelFont() const
{
    if (m_layout == StudioButtonLayout::icon)
        return studioFont(iconLabelFontPixelSize(m_size), QFont::Medium);
    return studioFont(metrics(platformControlSize()).fontPixelSize, QFont::Normal);
}

int StudioStyledButton::symbolPixelSize() const
{
    if (m_layout == StudioButtonLayout::icon)
        return qRound(iconLabelFontPixelSize(m_size) * 1.3);
    return metrics(platformControlSize()).iconPixelSize;
}

int StudioStyledButton::contentWidth() const
{
    const QFontMetrics fm(labelFont());
    int width = fm.horizontalAdvance(text());
    if (showsSymbol())
        width += symbolPixelSize() + (text().isEmpty() ? 0 : symbolGap);
    return width;
}

QSize StudioStyledButton::sizeHint() const
{
    const int height = metrics(platformControlSize()).height;
    if (m_layout == StudioButtonLayout::icon)
        return {height, height};
    const int padding = buttonHorizontalPadding(platformControlSize());
    // One spare pixel on each side keeps text from being elided by rounding.
    return {std::max(height, contentWidth() + 2 * padding + 2), height};
}

QSize StudioStyledButton::minimumSizeHint() const
{
    return sizeHint();
}

bool StudioStyledButton::hitButton(const QPoint& pos) const
{
    return isInteractive() && QAbstractButton::hitButton(pos);
}

void StudioStyledButton::keyPressEvent(QKeyEvent* event)
{
    if (!isInteractive()) {
        event->ignore();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void StudioStyledButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    QAbstractButton::changeEvent(event);
}

void StudioStyledButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const StudioColors colors = StudioColors::of(this);
    const ButtonAppearance look = appearance();
    const bool interactive = isInteractive();
    if (!interactive)
        painter.setOpacity(disabledControlOpacity);

    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -1.0);
    const QPainterPath shape = controlShape(bounds, buttonBorderShape(m_layout));
    const PlateState state{interactive && underMouse(), interactive && isDown()};

    QColor tint;
    if (look.tint == ButtonTint::red)
        tint = colors.red;
    else if (look.tint == ButtonTint::accent)
        tint = colors.accent;

    QColor ink = colors.label;
    if (look.chrome == ButtonChrome::borderless) {
        paintBorderlessPlate(painter, shape, colors, state);
        if (look.destructive)
            ink = colors.red;
    } else {
        const GlassControlStyle style = nativeGlassControlStyle(colors.glassInputs(), look.prominent);
        paintControlPlate(painter, shape, style, tint, colors, state);
        if (look.prominent && tint.isValid())
            ink = StudioColors::inkOn(tint);
    }
    if (hasFocus())
        paintFocusRing(painter, shape, colors);

    QRectF content = QRectF(rect()).adjusted(0, 0, 0, -0.5);
    if (m_layout != StudioButtonLayout::icon) {
        const int padding = buttonHorizontalPadding(platformControlSize());
        content = content.adjusted(padding, 0, -padding, 0);
    }
    painter.setFont(labelFont());
    paintContent(painter, content, ink);
}

void StudioStyledButton::paintContent(QPainter& painter, const QRectF& contentRect, const QColor& ink)
{
    const int symbolSize = symbolPixelSize();
    const bool symbol = showsSymbol();
    const bool titleShown = m_layout != StudioButtonLayout::icon && !text().isEmpty();
    const double width = std::min<double>(contentWidth(), contentRect.width());
    double x = m_layout == StudioButtonLayout::row ? contentRect.left()
                                                   : contentRect.center().x() - width / 2;
    if (m_layout == StudioButtonLayout::icon)
        x = contentRect.center().x() - symbolSize / 2.0;
    if (symbol) {
        const QPixmap pixmap = studioSymbolPixmap(m_systemImage, symbolSize, ink, devicePixelRatioF());
        const QRectF target(x, contentRect.center().y() - symbolSize / 2.0, symbolSize, symbolSize);
        if (!pixmap.isNull())
            painter.drawPixmap(target.topLeft(), pixmap);
        x += symbolSize + symbolGap;
    }
    if (titleShown) {
        painter.setPen(ink);
        const QRectF textRect(x, contentRect.top(), contentRect.right() - x, contentRect.height());
        const QString shown = QFontMetrics(painter.font())
                                  .elidedText(text(), Qt::ElideRight, qCeil(textRect.width()) + 1);
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, shown);
    }
}

StudioButton::StudioButton(const QString& title, const QString& systemImage,
                           StudioButtonVariant variant, StudioControlSize size, QWidget* parent)
    : StudioStyledButton(title, variant, size, StudioButtonLayout::label, parent)
{
    // No accessible name of its own: assistive tools read the title, also after setText().
    setSystemImage(systemImage);
}

StudioButton::StudioButton(const QString& title, QWidget* parent)
    : StudioButton(title, QString(), StudioButtonVariant::secondary, StudioControlSize::regular, parent)
{
}

void StudioButton::setFillsWidth(bool fills)
{
    if (m_fillsWidth == fills)
        return;
    m_fillsWidth = fills;
    setSizePolicy(fills ? QSizePolicy::Expanding : QSizePolicy::Fixed, QSizePolicy::Fixed);
    updateGeometry();
}

void StudioButton::setLoading(bool loading)
{
    if (m_loading == loading)
        return;
    m_loading = loading;
    setAccessibleDescription(loading ? inProgressText : QString());
    if (loading) {
        if (!m_spinnerTimer) {
            m_spinnerTimer = new QTimer(this);
            m_spinnerTimer->setInterval(80);
            connect(m_spinnerTimer, &QTimer::timeout, this, [this] {
                m_spinnerPhase = (m_spinnerPhase + 1) % spinnerSegments;
                update();
            });
        }
        // With reduced motion the spinner stands still; it still says "busy".
        if (!StudioTheme::environment(this).reduceMotion)
            m_spinnerTimer->start();
        setDown(false);
    } else if (m_spinnerTimer) {
        m_spinnerTimer->stop();
    }
    updateGeometry();
    update();
}

int StudioButton::contentWidth() const
{
    int width = StudioStyledButton::contentWidth();
    if (m_loading)
        width += spinnerPixelSize + symbolGap;
    return width;
}

void StudioButton::paintContent(QPainter& painter, const QRectF& contentRect, const QColor& ink)
{
    if (!m_loading) {
        StudioStyledButton::paintContent(painter, contentRect, ink);
        return;
    }
    const double width = std::min<double>(contentWidth(), contentRect.width());
    const double x = contentRect.center().x() - width / 2;
    paintSpinner(painter,
                 QRectF(x, contentRect.center().y() - spinnerPixelSize / 2.0, spinnerPixelSize,
                        spinnerPixelSize),
                 ink, m_spinnerPhase);
    const double textLeft = x + spinnerPixelSize + symbolGap;
    painter.setPen(ink);
    painter.drawText(QRectF(textLeft, contentRect.top(), contentRect.right() - textLeft,
                            contentRect.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text());
}

StudioIconButton::StudioIconButton(const QString& title, const QString& systemImage,
                                   StudioButtonVariant variant, StudioControlSize size, QWidget* parent)
    : StudioStyledButton(QString(), variant, size, StudioButtonLayout::icon, parent)
{
    setTitleAndSymbol(title, systemImage);
}

void StudioIconButton::setTitleAndSymbol(const QString& title, const QString& systemImage)
{
    setToolTip(title);
    setAccessibleName(title);
    setSystemImage(systemImage);
}

} // namespace sablewick

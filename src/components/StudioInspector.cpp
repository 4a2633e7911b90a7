#include "components/StudioInspector.h"

#include "components/StudioAccessibility.h"
#include "components/StudioLabel.h"
#include "components/StudioPaint.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace sablewick {

namespace {

constexpr int headerSymbolSize = 16;

// The form's backdrop and the panels of its sections are drawn with the theme's colours.
class FormCanvas final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const StudioColors colors = StudioColors::of(this);
        painter.fillRect(rect(), colors.window);
    }
};

} // namespace

class StudioInspector::Header final : public QWidget {
public:
    explicit Header(QWidget* parent)
        : QWidget(parent)
    {
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(22, 18, 22, 14);
        column->setSpacing(5);
        auto* titleRow = new QHBoxLayout;
        titleRow->setSpacing(7);
        symbol = new StudioSymbolView(QString(), headerSymbolSize, StudioLabelRole::accent, this);
        title = new StudioLabel(QString(), StudioTextStyle::headline, StudioLabelRole::primary, this);
        markAsAccessibleHeading(title);
        titleRow->addWidget(symbol);
        titleRow->addWidget(title, 1);
        column->addLayout(titleRow);
        subtitle = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, this);
        subtitle->setWordWrap(true);
        column->addWidget(subtitle);
        // The header is as tall as its wrapped subtitle needs at its width.
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }

    StudioSymbolView* symbol;
    StudioLabel* title;
    StudioLabel* subtitle;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const StudioColors colors = StudioColors::of(this);
        const bool opaque = inspectorHeaderBackground(colors.glassInputs()) == HeaderBackground::opaqueWindow;
        painter.fillRect(rect(), opaque ? colors.window : colors.materialFill);
        painter.fillRect(QRectF(0, height() - 1, width(), 1), colors.separator);
    }
};

void StudioInspector::setIdealWidth(int width)
{
    m_idealWidth = width;
    updateGeometry();
}

QSize StudioInspector::sizeHint() const
{
    QSize hint = QWidget::sizeHint();
    if (m_idealWidth > 0)
        hint.setWidth(m_idealWidth);
    return hint;
}

StudioInspector::StudioInspector(const QString& title, const QString& symbol, const QString& subtitle,
                                 QWidget* parent)
    : QWidget(parent)
    , m_header(new Header(this))
    , m_scroll(new QScrollArea(this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_header);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column->addWidget(m_scroll, 1);
    setHeader(title, symbol, subtitle);
    setContent(new QWidget);
}

void StudioInspector::setHeader(const QString& title, const QString& symbol, const QString& subtitle)
{
    m_header->title->setText(title);
    m_header->symbol->setSymbol(symbol);
    m_header->subtitle->setText(subtitle);
    // A new subtitle may wrap onto more or fewer lines: the column lays the header out again.
    m_header->updateGeometry();
    setAccessibleName(title);
}

void StudioInspector::setContent(QWidget* content)
{
    auto* canvas = new FormCanvas;
    auto* column = new QVBoxLayout(canvas);
    column->setContentsMargins(16, 14, 16, 18);
    column->setSpacing(14);
    column->addWidget(content);
    column->addStretch(1);
    m_content = content;
    delete m_scroll->takeWidget();
    m_scroll->setWidget(canvas);
}

QWidget* StudioInspector::header() const
{
    return m_header;
}

QWidget* StudioInspector::content() const
{
    return m_content;
}

StudioFormSection::StudioFormSection(const QString& caption, QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    if (!caption.isEmpty()) {
        auto* label = new StudioLabel(caption, StudioTextStyle::subheadline, StudioLabelRole::secondary, this);
        label->setTextStyle(StudioTextStyle::subheadline, QFont::DemiBold);
        label->setContentsMargins(6, 0, 0, 0);
        column->addWidget(label);
    }
    m_panel = new QWidget(this);
    m_rows = new QVBoxLayout(m_panel);
    m_rows->setContentsMargins(12, 6, 12, 6);
    m_rows->setSpacing(0);
    column->addWidget(m_panel);
}

void StudioFormSection::addRow(const QString& label, QWidget* control)
{
    auto* row = new QWidget(m_panel);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 6, 0, 6);
    layout->setSpacing(12);
    layout->addWidget(new StudioLabel(label, StudioTextStyle::body, StudioLabelRole::primary, row));
    layout->addStretch(1);
    layout->addWidget(control);
    addRow(row);
}

void StudioFormSection::addRow(QWidget* widget)
{
    if (m_rows->count() > 0) {
        auto* rule = new QWidget(m_panel);
        rule->setFixedHeight(1);
        rule->setObjectName(QStringLiteral("studioFormRule"));
        m_rows->addWidget(rule);
    }
    widget->setParent(m_panel);
    if (widget->layout() == nullptr || widget->contentsMargins().top() == 0)
        widget->setContentsMargins(0, 4, 0, 4);
    m_rows->addWidget(widget);
}

void StudioFormSection::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const StudioColors colors = StudioColors::of(this);
    const QRectF panel = QRectF(m_panel->geometry()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool dark = colors.environment.isDark();
    painter.setPen(QPen(colors.separator, 1));
    painter.setBrush(dark ? QColor(255, 255, 255, 14) : QColor(255, 255, 255, 200));
    painter.drawRoundedRect(panel, 9, 9);
    for (const QWidget* rule : m_panel->findChildren<QWidget*>(QStringLiteral("studioFormRule"))) {
        const QRect r = rule->geometry().translated(m_panel->pos());
        painter.fillRect(QRectF(r.left(), r.top(), r.width(), 1), colors.separator);
    }
}

} // namespace sablewick

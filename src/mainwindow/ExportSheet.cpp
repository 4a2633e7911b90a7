#include "mainwindow/ExportSheet.h"

#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "components/StudioMenuPicker.h"
#include "components/StudioPaint.h"
#include "components/StudioSegments.h"
#include "components/StudioSlider.h"
#include "mainwindow/ExportSheetText.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>

#include <cmath>

namespace sablewick {
namespace {

QString storedText(ExportFormat format)
{
    const std::string_view stored = storedValue(format);
    return QString::fromLatin1(stored.data(), static_cast<qsizetype>(stored.size()));
}

StudioLabel* label(const QString& text, StudioTextStyle style, StudioLabelRole role, QWidget* parent,
                   QFont::Weight weight = QFont::Normal)
{
    auto* l = new StudioLabel(text, style, role, parent);
    if (weight != QFont::Normal)
        l->setTextStyle(style, weight);
    return l;
}

}  // namespace

// One figure of the summary: its caption over its value, which assistive tools read as one element
// (the caption as its name, the value as its description).
class ExportSheet::SummaryMetric final : public QWidget {
public:
    SummaryMetric(const QString& caption, QWidget* parent)
        : QWidget(parent)
        , m_caption(caption)
    {
        setAccessibleName(caption);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    void setValue(const QString& value)
    {
        if (m_value == value)
            return;
        m_value = value;
        setAccessibleDescription(value);
        updateGeometry();
        update();
    }

    QSize sizeHint() const override
    {
        const QFontMetrics caption(captionFont());
        const QFontMetrics value(valueFont());
        return {std::max(caption.horizontalAdvance(m_caption), value.horizontalAdvance(m_value)),
                caption.height() + spacing + value.height()};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QFont caption = captionFont();
        const int captionHeight = QFontMetrics(caption).height();
        painter.setFont(caption);
        painter.setPen(studioLabelColor(this, StudioLabelRole::secondary));
        painter.drawText(QRect(0, 0, width(), captionHeight), Qt::AlignLeft | Qt::AlignVCenter, m_caption);
        painter.setFont(valueFont());
        painter.setPen(studioLabelColor(this, StudioLabelRole::primary));
        painter.drawText(QRect(0, captionHeight + spacing, width(), height() - captionHeight - spacing),
                         Qt::AlignLeft | Qt::AlignVCenter, m_value);
    }

private:
    static constexpr int spacing = 5;
    static QFont captionFont() { return studioFont(StudioTextStyle::caption); }
    static QFont valueFont()
    {
        QFont font = studioFont(StudioTextStyle::callout);
        font.setWeight(QFont::Medium);
        return font;
    }

    QString m_caption;
    QString m_value;
};

ExportSheet::ExportSheet(StudioBinding<ExportOptions> options, EditSettings settings, double duration, QWidget* parent)
    : QWidget(parent)
    , m_options(std::move(options))
    , m_settings(std::move(settings))
    , m_duration(std::isfinite(duration) ? std::max(duration, 0.0) : 0.0)
{
    setObjectName(QStringLiteral("exportSheet"));
    setFixedWidth(sheetWidth);
    setWindowTitle(QStringLiteral("Export video"));

    // Every change a control makes goes to the caller and then back into the sheet's texts.
    auto field = [this]<class T>(T ExportOptions::*member) {
        return StudioBinding<T>{[this, member] { return m_options.get().*member; },
                                [this, member](const T& value) {
                                    ExportOptions changed = m_options.get();
                                    changed.*member = value;
                                    m_options.set(changed);
                                    refresh();
                                }};
    };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // Header.
    auto* header = new QWidget(this);
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(24, 24, 24, 20);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(5);
    titles->addWidget(label(QStringLiteral("Export video"), StudioTextStyle::title, StudioLabelRole::primary, header, QFont::DemiBold));
    titles->addWidget(label(QStringLiteral("Ready for its audience."), StudioTextStyle::callout, StudioLabelRole::secondary, header));
    headerRow->addLayout(titles);
    headerRow->addStretch(1);
    m_close = new StudioIconButton(QStringLiteral("Close export options"), QStringLiteral("xmark"),
                                   StudioButtonVariant::tertiary, StudioControlSize::regular, header);
    connect(m_close, &QAbstractButton::clicked, this, &ExportSheet::dismissRequested);
    headerRow->addWidget(m_close, 0, Qt::AlignTop);
    layout->addWidget(header);

    // The choices.
    m_choices = new QWidget(this);
    auto* choices = new QVBoxLayout(m_choices);
    choices->setContentsMargins(24, 0, 24, 22);
    choices->setSpacing(12);

    choices->addWidget(label(QStringLiteral("Format"), StudioTextStyle::callout, StudioLabelRole::primary, m_choices, QFont::Medium));
    m_format = StudioSegments::make(QStringLiteral("Format"), field(&ExportOptions::format),
                                    std::vector<ExportFormat>(EnumCases<ExportFormat>::cases.begin(), EnumCases<ExportFormat>::cases.end()),
                                    [](ExportFormat f) { return storedText(f); }, m_choices);
    choices->addWidget(m_format);
    m_formatDescription = label(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, m_choices);
    choices->addWidget(m_formatDescription);

    choices->addWidget(new StudioDivider(m_choices));

    auto* resolutionRow = new QHBoxLayout;
    resolutionRow->addWidget(label(QStringLiteral("Resolution"), StudioTextStyle::callout, StudioLabelRole::primary, m_choices, QFont::Medium));
    resolutionRow->addStretch(1);
    m_resolution = StudioMenuPicker::make(QStringLiteral("Resolution"), field(&ExportOptions::resolution),
                                          std::vector<ExportResolution>(allExportResolutions.begin(), allExportResolutions.end()),
                                          [](ExportResolution r) { return label(r); }, m_choices);
    resolutionRow->addWidget(m_resolution);
    choices->addLayout(resolutionRow);
    m_sizeLine = label(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, m_choices);
    choices->addWidget(m_sizeLine);

    auto* qualityRow = new QHBoxLayout;
    qualityRow->addWidget(label(QStringLiteral("Quality"), StudioTextStyle::callout, StudioLabelRole::primary, m_choices, QFont::Medium));
    qualityRow->addStretch(1);
    m_qualityName = label(QString(), StudioTextStyle::callout, StudioLabelRole::secondary, m_choices);
    qualityRow->addWidget(m_qualityName);
    choices->addLayout(qualityRow);
    // The slider reads the quality as a number and writes back the nearest whole level.
    const StudioBinding<double> quality{[this] { return static_cast<double>(m_options.get().quality); },
                                        [this](const double& value) {
                                            ExportOptions changed = m_options.get();
                                            changed.quality = static_cast<int>(std::round(value));
                                            m_options.set(changed);
                                            refresh();
                                        }};
    m_quality = new StudioSlider(quality, 0, 2, 1, m_choices);
    m_quality->setAccessibleName(QStringLiteral("Export quality"));
    m_quality->setValueText([](double value) { return ExportSheetText::qualityName(static_cast<int>(std::round(value))); });
    choices->addWidget(m_quality);
    auto* qualityEnds = new QHBoxLayout;
    qualityEnds->addWidget(label(QStringLiteral("Smaller file"), StudioTextStyle::caption, StudioLabelRole::secondary, m_choices));
    qualityEnds->addStretch(1);
    qualityEnds->addWidget(label(QStringLiteral("Higher quality"), StudioTextStyle::caption, StudioLabelRole::secondary, m_choices));
    choices->addLayout(qualityEnds);

    auto* summary = new QHBoxLayout;
    summary->setSpacing(28);
    m_durationMetric = new SummaryMetric(QStringLiteral("Duration"), m_choices);
    m_frameRateMetric = new SummaryMetric(QStringLiteral("Frame rate"), m_choices);
    m_estimateMetric = new SummaryMetric(QStringLiteral("Estimated size"), m_choices);
    summary->addWidget(m_durationMetric);
    summary->addWidget(m_frameRateMetric);
    summary->addWidget(m_estimateMetric);
    summary->addStretch(1);
    choices->addLayout(summary);

    m_gifNote = new QWidget(m_choices);
    auto* noteRow = new QHBoxLayout(m_gifNote);
    noteRow->setContentsMargins(0, 0, 0, 0);
    noteRow->setSpacing(6);
    noteRow->addWidget(new StudioSymbolView(QStringLiteral("speaker.slash"), 12, StudioLabelRole::secondary, m_gifNote));
    noteRow->addWidget(label(QStringLiteral("GIF is an animated image and has no audio."), StudioTextStyle::caption, StudioLabelRole::secondary, m_gifNote));
    noteRow->addStretch(1);
    choices->addWidget(m_gifNote);
    layout->addWidget(m_choices);

    // Footer.
    m_footer = new QWidget(this);
    auto* footer = new QHBoxLayout(m_footer);
    footer->setContentsMargins(24, 0, 24, 24);
    footer->setSpacing(12);
    footer->addWidget(label(QStringLiteral("Choose where to save next."), StudioTextStyle::caption, StudioLabelRole::secondary, m_footer));
    footer->addStretch(1);
    auto* cancel = new StudioButton(QStringLiteral("Cancel"), QString(), StudioButtonVariant::secondary, StudioControlSize::regular, m_footer);
    connect(cancel, &QAbstractButton::clicked, this, &ExportSheet::dismissRequested);
    footer->addWidget(cancel);
    m_export = new StudioButton(QString(), QStringLiteral("square.and.arrow.up"), StudioButtonVariant::primary,
                                StudioControlSize::regular, m_footer);
    connect(m_export, &QAbstractButton::clicked, this, &ExportSheet::exportRequested);
    footer->addWidget(m_export);
    layout->addWidget(m_footer);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (m_footer->isEnabled())
            emit dismissRequested();
    });
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* confirm = new QShortcut(QKeySequence(key), this);
        connect(confirm, &QShortcut::activated, this, [this] {
            if (m_footer->isEnabled())
                emit exportRequested();
        });
    }

    refresh();
}

QSize ExportSheet::outputSize() const
{
    return sablewick::size(m_options.get().resolution, m_settings);
}

void ExportSheet::setExporting(bool exporting)
{
    m_exporting = exporting;
    m_close->setEnabled(!exporting);
    m_choices->setEnabled(!exporting);
    m_footer->setEnabled(!exporting);
}

void ExportSheet::refresh()
{
    const ExportOptions options = m_options.get();
    const QSize output = outputSize();
    const bool gif = options.format == ExportFormat::gif;

    m_formatDescription->setText(description(options.format));
    m_sizeLine->setText(ExportSheetText::sizeLine(output, m_settings.aspectLabel()));
    m_qualityName->setText(ExportSheetText::qualityName(options.quality));
    m_quality->refresh();

    m_durationMetric->setVisible(m_duration > 0);
    m_durationMetric->setValue(ExportSheetText::durationLabel(m_duration));
    m_frameRateMetric->setValue(ExportSheetText::frameRate(options));
    m_estimateMetric->setVisible(m_duration > 0 && !gif);
    m_estimateMetric->setValue(ExportSheetText::estimatedSize(options, output, m_duration));
    m_gifNote->setVisible(gif);
    m_export->setText(ExportSheetText::exportButtonTitle(options.format));

    m_format->update();
    m_resolution->update();
    adjustSize();
}

}  // namespace sablewick

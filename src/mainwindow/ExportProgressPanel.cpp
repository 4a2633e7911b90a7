#include "mainwindow/ExportProgressPanel.h"

#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "components/StudioPaint.h"
#include "mainwindow/ExportProgressText.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace sablewick {

ExportProgressPanel::ExportProgressPanel(QWidget* parent) : QWidget(parent)
{
    setFixedWidth(panelWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(27, 27, 27, 27);
    column->setSpacing(17);

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    header->addWidget(new StudioSymbolView(QStringLiteral("square.and.arrow.up"), 20, StudioLabelRole::accent, this));
    m_title = new StudioLabel(QString(), StudioTextStyle::title, StudioLabelRole::primary, this);
    m_title->setFont(studioFont(21, QFont::DemiBold));
    header->addWidget(m_title, 1);
    column->addLayout(header);

    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    m_bar->setAccessibleName(QStringLiteral("Export progress"));
    column->addWidget(m_bar);

    auto* phaseRow = new QHBoxLayout;
    phaseRow->setSpacing(8);
    m_phase = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, this);
    m_percent = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, this);
    // Texts change with every percent: labels of fixed size take new text without laying the
    // sheet out again, which would cost the main thread a frame each time.
    const int percentWidth = m_percent->fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 2;
    const int lineHeight = m_percent->fontMetrics().height();
    m_percent->setFixedSize(percentWidth, lineHeight);
    m_percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_phase->setFixedSize(panelWidth - 2 * 27 - percentWidth - phaseRow->spacing(), lineHeight);
    m_title->setFixedSize(panelWidth - 2 * 27 - 20 - header->spacing(), m_title->fontMetrics().height());
    phaseRow->addWidget(m_phase, 1);
    phaseRow->addWidget(m_percent);
    column->addLayout(phaseRow);

    m_cancel = new StudioButton(QString(), QString(), StudioButtonVariant::secondary, StudioControlSize::regular, this);
    connect(m_cancel, &QAbstractButton::clicked, this, &ExportProgressPanel::cancelRequested);
    column->addWidget(m_cancel, 0, Qt::AlignRight);

    setProgress(0, false);
}

void ExportProgressPanel::setProgress(double progress, bool cancelling)
{
    const ExportProgressText text = ExportProgressText::make(progress, cancelling);
    m_title->setText(text.title);
    m_bar->setValue(static_cast<int>(std::lround(std::clamp(std::isnan(progress) ? 0.0 : progress, 0.0, 1.0) * 1000)));
    m_bar->setAccessibleDescription(text.accessibleValue);
    m_phase->setText(text.phase);
    m_percent->setText(text.percentText);
    m_cancel->setText(text.buttonTitle);
    m_cancel->setAccessibleName(text.buttonTitle);
    m_cancel->setEnabled(text.buttonEnabled);
}

QString ExportProgressPanel::title() const { return m_title->text(); }
QString ExportProgressPanel::phase() const { return m_phase->text(); }
QString ExportProgressPanel::percentText() const { return m_percent->text(); }

}  // namespace sablewick

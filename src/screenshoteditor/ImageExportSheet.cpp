#include "screenshoteditor/ImageExportSheet.h"

#include "components/StudioButton.h"
#include "components/StudioGlassSurface.h"
#include "components/StudioLabel.h"
#include "components/StudioMenuPicker.h"
#include "components/StudioSegments.h"
#include "components/StudioSlider.h"
#include "screenshoteditor/ImageExportPresenter.h"
#include "screenshots/ScreenshotModel.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QVBoxLayout>

#include <vector>

namespace sablewick {

namespace {

template <class Array>
auto listOf(const Array& values)
{
    return std::vector<typename Array::value_type>(values.begin(), values.end());
}

}  // namespace

ImageExportSheet::ImageExportSheet(const ScreenshotModel& model, ImageExportChoices choices,
                                   std::function<void(bool)> close, QWidget* parent)
    : QWidget(parent), m_model(model), m_choices(std::move(choices))
{
    setFixedWidth(sheetWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 28, 28, 28);
    layout->setSpacing(20);

    auto* title = new StudioLabel(QStringLiteral("Export image"), StudioTextStyle::largeTitle);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(26);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    layout->addWidget(title);

    // Every choice redraws the sheet: the size line, the quality row and the button follow at once.
    StudioBinding<ScreenshotFormat> format{m_choices.format.get, [this](const ScreenshotFormat& value) {
                                               m_choices.format.set(value);
                                               refresh();
                                           }};
    m_format = StudioSegments::make(QStringLiteral("Format"), format, listOf(ImageExportPresenter::formats),
                                    &ImageExportPresenter::formatLabel);
    layout->addWidget(m_format);

    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(new StudioLabel(QStringLiteral("Size"), StudioTextStyle::body));
    sizeRow->addStretch(1);
    StudioBinding<double> scale{m_choices.scale.get, [this](const double& value) {
                                    m_choices.scale.set(value);
                                    refresh();
                                }};
    m_size = StudioMenuPicker::make(QStringLiteral("Size"), scale, listOf(ImageExportPresenter::scales),
                                    &ImageExportPresenter::scaleLabel);
    m_size->setFixedWidth(130);
    sizeRow->addWidget(m_size);
    layout->addLayout(sizeRow);

    m_sizeText = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary);
    // Digits of one width, so the line does not jitter as the size choice changes.
    QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (m_sizeText->font().pixelSize() > 0)
        digits.setPixelSize(m_sizeText->font().pixelSize());
    else
        digits.setPointSizeF(m_sizeText->font().pointSizeF());
    m_sizeText->setFont(digits);
    layout->addWidget(m_sizeText);

    StudioBinding<double> quality{m_choices.quality.get, [this](const double& value) {
                                      m_choices.quality.set(value);
                                      m_quality->setFormattedValue(ImageExportPresenter::qualityText(value));
                                  }};
    m_quality = new StudioSliderField(QStringLiteral("Quality"), quality, ImageExportPresenter::minimumQuality,
                                      ImageExportPresenter::maximumQuality,
                                      ImageExportPresenter::qualityText(m_choices.quality.get()));
    m_quality->slider()->setAccessibleName(QStringLiteral("JPEG quality"));
    layout->addWidget(m_quality);

    m_note = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary);
    m_note->setWordWrap(true);
    layout->addWidget(m_note);

    auto* buttons = new QHBoxLayout;
    m_cancel = new StudioButton(QStringLiteral("Cancel"), QString(), StudioButtonVariant::secondary,
                                StudioControlSize::regular);
    m_export = new StudioButton(QString(), QString(), StudioButtonVariant::primary, StudioControlSize::regular);
    buttons->addWidget(m_cancel);
    buttons->addStretch(1);
    buttons->addWidget(m_export);
    layout->addLayout(buttons);
    connect(m_cancel, &StudioButton::clicked, this, [close] { close(false); });
    connect(m_export, &StudioButton::clicked, this, [close] { close(true); });

    refresh();
}

void ImageExportSheet::refresh()
{
    const ScreenshotFormat format = m_choices.format.get();
    m_format->update();
    m_size->update();
    m_sizeText->setText(
        ImageExportPresenter::outputSizeText(m_model.sourceSize(), m_model.settings(), m_choices.scale.get()));
    m_quality->setVisible(format == ScreenshotFormat::jpeg);
    m_quality->setFormattedValue(ImageExportPresenter::qualityText(m_choices.quality.get()));
    m_quality->slider()->refresh();
    m_note->setText(ImageExportPresenter::note(format));
    m_export->setText(ImageExportPresenter::exportButtonTitle(format));
}

ImageExportProgress::ImageExportProgress(ScreenshotModel& model, QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new StudioGlassSurface(StudioGlassSurface::Shape::roundedRectangle, 22.0);
    outer->addWidget(card);
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(30, 30, 30, 30);
    layout->setSpacing(16);
    auto* busy = new QProgressBar;
    busy->setRange(0, 0);  // no figure to show: a render reports no fraction done
    busy->setTextVisible(false);
    busy->setAccessibleName(QStringLiteral("Rendering image…"));
    layout->addWidget(busy, 0, Qt::AlignHCenter);
    layout->addWidget(new StudioLabel(QStringLiteral("Rendering image…"), StudioTextStyle::body), 0,
                      Qt::AlignHCenter);
    m_cancel = new StudioButton(QStringLiteral("Cancel"), QString(), StudioButtonVariant::secondary,
                                StudioControlSize::regular);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    connect(m_cancel, &StudioButton::clicked, &model, [&model] { model.cancelExport(); });
}

ExportPathChooser exportSavePanel(QWidget* parent)
{
    return [parent](const QString& proposedName, ScreenshotFormat format) -> std::optional<QString> {
        const QString path =
            QFileDialog::getSaveFileName(parent, QStringLiteral("Export image"), QDir::home().filePath(proposedName),
                                         ImageExportPresenter::fileFilter(format));
        if (path.isEmpty())
            return std::nullopt;
        return path;
    };
}

void exportImage(ScreenshotModel& model, ScreenshotFormat format, double quality, double scale,
                 const ExportPathChooser& choosePath)
{
    const std::optional<QString> path =
        choosePath(ImageExportPresenter::proposedFileName(model.sourceURL(), format), format);
    if (!path || path->isEmpty())
        return;
    model.exportImage(QUrl::fromLocalFile(*path), format, quality, scale, false);
}

}  // namespace sablewick

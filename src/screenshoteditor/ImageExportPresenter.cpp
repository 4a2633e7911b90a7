#include "screenshoteditor/ImageExportPresenter.h"

#include "screenshots/ScreenshotRenderer.h"

#include <QFileInfo>

#include <cmath>

namespace sablewick::ImageExportPresenter {

QString formatLabel(ScreenshotFormat format)
{
    return format == ScreenshotFormat::jpeg ? QStringLiteral("JPEG") : QStringLiteral("PNG");
}

QString fileExtension(ScreenshotFormat format)
{
    return format == ScreenshotFormat::jpeg ? QStringLiteral("jpg") : QStringLiteral("png");
}

QString scaleLabel(double scale)
{
    return QString::number(static_cast<long long>(std::trunc(scale * 100))) + QLatin1Char('%');
}

QString outputSizeText(QSize source, const EditSettings& settings, double scale)
{
    const QSize size = ScreenshotRenderer::outputSize(source, settings, scale);
    return QStringLiteral("%1 \u00D7 %2 pixels").arg(size.width()).arg(size.height());
}

QString qualityText(double quality)
{
    return QString::asprintf("%.0f%%", quality * 100);
}

QString note(ScreenshotFormat format)
{
    return format == ScreenshotFormat::jpeg
               ? QStringLiteral("JPEG flattens transparency onto white.")
               : QStringLiteral("Lossless PNG preserves transparency when the background is None.");
}

QString exportButtonTitle(ScreenshotFormat format)
{
    return QStringLiteral("Export ") + formatLabel(format);
}

QString proposedFileName(const std::optional<QUrl>& sourceURL, ScreenshotFormat format)
{
    QString base = sourceURL ? QFileInfo(sourceURL->path()).completeBaseName() : QString();
    if (base.isEmpty())
        base = QStringLiteral("Screenshot");
    return base + QStringLiteral("-edited.") + fileExtension(format);
}

QString fileFilter(ScreenshotFormat format)
{
    return format == ScreenshotFormat::jpeg ? QStringLiteral("JPEG image (*.jpg *.jpeg)")
                                            : QStringLiteral("PNG image (*.png)");
}

}  // namespace sablewick::ImageExportPresenter

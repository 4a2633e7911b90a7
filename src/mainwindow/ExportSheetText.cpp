#include "mainwindow/ExportSheetText.h"

#include <QLocale>

#include <cmath>

namespace sablewick::ExportSheetText {

QString durationLabel(double duration)
{
    const double seconds = std::isnan(duration) ? 0.0 : std::max(duration, 0.0);
    const auto n = static_cast<std::int64_t>(std::ceil(std::min(seconds, 1e15)));
    return QStringLiteral("%1:%2").arg(n / 60).arg(n % 60, 2, 10, QLatin1Char('0'));
}

QString frameRate(const ExportOptions& options)
{
    const int fps = options.format == ExportFormat::gif ? options.gifFrameRate() : exportFrameRate;
    return QStringLiteral("%1 fps").arg(fps);
}

QString qualityName(int quality)
{
    switch (std::clamp(quality, 0, 2)) {
    case 0:
        return QStringLiteral("Smaller file");
    case 1:
        return QStringLiteral("Balanced");
    default:
        return QStringLiteral("Higher quality");
    }
}

QString sizeLine(QSize size, const QString& aspectLabel)
{
    return QStringLiteral("%1 × %2 pixels · %3").arg(size.width()).arg(size.height()).arg(aspectLabel);
}

std::int64_t estimatedBytes(const ExportOptions& options, QSize size, double duration)
{
    const double seconds = std::isfinite(duration) ? std::max(duration, 0.0) : 0.0;
    const double bytes = seconds * 24000.0 + seconds * static_cast<double>(options.bitrate(size)) / 8.0;
    return static_cast<std::int64_t>(bytes);
}

QString estimatedSize(const ExportOptions& options, QSize size, double duration)
{
    // Decimal units, as file managers show file sizes.
    const QLocale locale;
    return QStringLiteral("≈ ") + locale.formattedDataSize(estimatedBytes(options, size, duration), 1, QLocale::DataSizeSIFormat);
}

QString exportButtonTitle(ExportFormat format)
{
    const std::string_view stored = storedValue(format);
    return QStringLiteral("Export ") + QString::fromLatin1(stored.data(), static_cast<qsizetype>(stored.size())) + QStringLiteral("…");
}

}  // namespace sablewick::ExportSheetText

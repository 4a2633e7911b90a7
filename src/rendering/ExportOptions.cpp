#include "rendering/ExportOptions.h"

#include <algorithm>
#include <cmath>

namespace sablewick {

std::string_view storedValue(ExportFormat format)
{
    switch (format) {
    case ExportFormat::mp4: return "MP4";
    case ExportFormat::mov: return "MOV";
    case ExportFormat::gif: return "GIF";
    }
    return {};
}

QString fileExtension(ExportFormat format)
{
    return QString::fromLatin1(storedValue(format).data(), qsizetype(storedValue(format).size()))
        .toLower();
}

QString fileTypeName(ExportFormat format)
{
    switch (format) {
    case ExportFormat::mp4: return QStringLiteral("MPEG-4 movie");
    case ExportFormat::mov: return QStringLiteral("QuickTime movie");
    case ExportFormat::gif: return QStringLiteral("GIF image");
    }
    return {};
}

QString description(ExportFormat format)
{
    switch (format) {
    case ExportFormat::mp4: return QStringLiteral("H.264 · plays almost everywhere");
    case ExportFormat::mov: return QStringLiteral("HEVC · smaller Apple-friendly video");
    case ExportFormat::gif: return QStringLiteral("Animated image · no audio");
    }
    return {};
}

QString mimeType(ExportFormat format)
{
    switch (format) {
    case ExportFormat::mp4: return QStringLiteral("video/mp4");
    case ExportFormat::mov: return QStringLiteral("video/quicktime");
    case ExportFormat::gif: return QStringLiteral("image/gif");
    }
    return {};
}

int storedValue(ExportResolution resolution)
{
    return static_cast<int>(resolution);
}

std::optional<ExportResolution> exportResolutionFromStoredValue(std::int64_t value)
{
    for (const ExportResolution resolution : allExportResolutions) {
        if (storedValue(resolution) == value)
            return resolution;
    }
    return std::nullopt;
}

QString label(ExportResolution resolution)
{
    switch (resolution) {
    case ExportResolution::p720: return QStringLiteral("720p · HD");
    case ExportResolution::p1080: return QStringLiteral("1080p · Full HD");
    case ExportResolution::p1440: return QStringLiteral("1440p · QHD");
    case ExportResolution::p2160: return QStringLiteral("4K · 2160p");
    }
    return {};
}

namespace {

// Rounded to the nearest integer (halves away from zero), made even by dropping the remainder of
// division by 2, at least 2. A side that is not a finite number gives the smallest size.
int evenSide(double side)
{
    if (!std::isfinite(side))
        return 2;
    const double rounded = std::round(side);
    if (rounded >= double(maxExportDimension))
        return maxExportDimension - maxExportDimension % 2;
    const int whole = static_cast<int>(rounded);
    return std::max(whole - whole % 2, 2);
}

}  // namespace

QSize size(ExportResolution resolution, QSizeF canvasSize)
{
    const double w = canvasSize.width();
    const double h = canvasSize.height();
    const double target = storedValue(resolution);
    const double s = std::min(double(maxExportDimension) / std::max(w, h), target / std::min(w, h));
    return {evenSide(w * s), evenSide(h * s)};
}

QSize size(ExportResolution resolution, const EditSettings& settings)
{
    return size(resolution, settings.canvasSize());
}

int ExportOptions::clampedQuality() const
{
    return std::clamp(quality, 0, 2);
}

std::int64_t ExportOptions::bitrate(QSize size) const
{
    static constexpr std::array movFactors{0.035, 0.065, 0.11};
    static constexpr std::array otherFactors{0.055, 0.10, 0.18};
    const auto& factors = format == ExportFormat::mov ? movFactors : otherFactors;
    const double bits = double(size.width()) * double(size.height()) * exportFrameRate *
                        factors[std::size_t(clampedQuality())];
    return static_cast<std::int64_t>(bits);
}

int ExportOptions::gifFrameRate() const
{
    static constexpr std::array rates{8, 12, 15};
    return rates[std::size_t(clampedQuality())];
}

}  // namespace sablewick

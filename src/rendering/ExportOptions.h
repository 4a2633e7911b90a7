#pragma once

#include "document/EditSettings.h"
#include "document/StoredEnum.h"

#include <QSize>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace sablewick {

// The container and codec family of a video export. Stored as "MP4", "MOV", "GIF".
enum class ExportFormat { mp4, mov, gif };

template <>
struct EnumCases<ExportFormat> {
    static constexpr std::array cases{ExportFormat::mp4, ExportFormat::mov, ExportFormat::gif};
};

std::string_view storedValue(ExportFormat format);
QString fileExtension(ExportFormat format);  // "mp4", "mov", "gif"
QString fileTypeName(ExportFormat format);   // what the save dialog offers: "MPEG-4 movie", ...
QString description(ExportFormat format);    // the line under the format picker
QString mimeType(ExportFormat format);       // "video/mp4", "video/quicktime", "image/gif"

// The target length of the output's shorter side; the value is the stored integer.
enum class ExportResolution { p720 = 720, p1080 = 1080, p1440 = 1440, p2160 = 2160 };

inline constexpr std::array allExportResolutions{ExportResolution::p720, ExportResolution::p1080,
                                                 ExportResolution::p1440, ExportResolution::p2160};

int storedValue(ExportResolution resolution);
std::optional<ExportResolution> exportResolutionFromStoredValue(std::int64_t value);
QString label(ExportResolution resolution);  // "1080p · Full HD", ...

// Limit on the longer output side, in pixels.
inline constexpr int maxExportDimension = 8192;
// Movies are always written at this rate.
inline constexpr int exportFrameRate = 60;

// The output size in pixels of a canvas (in points) at a resolution: the shorter side reaches the
// resolution unless the longer one would pass maxExportDimension; each side even and at least 2.
// The canvas may be scaled up as well as down.
QSize size(ExportResolution resolution, QSizeF canvasSize);
// The same for an edit's canvas.
QSize size(ExportResolution resolution, const EditSettings& settings);

// The three choices of one video export.
struct ExportOptions {
    ExportFormat format = ExportFormat::mp4;
    ExportResolution resolution = ExportResolution::p1080;
    int quality = 1;  // 0 smaller file, 1 balanced, 2 higher quality; clamped at every use

    bool operator==(const ExportOptions&) const = default;

    int clampedQuality() const;
    // The average video bit rate in bits per second for an output size.
    std::int64_t bitrate(QSize size) const;
    // Frames per second of a GIF export.
    int gifFrameRate() const;
};

}  // namespace sablewick

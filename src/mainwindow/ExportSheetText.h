#pragma once

#include "rendering/ExportOptions.h"

#include <QSize>
#include <QString>

namespace sablewick {

// The texts of the export sheet, computed with the export's own rules so that what the sheet
// shows is what is written.
namespace ExportSheetText {

// "1:02" for 61.2 s: whole seconds rounded up.
QString durationLabel(double duration);
// "12 fps" for a GIF, "60 fps" for movies.
QString frameRate(const ExportOptions& options);
// "Smaller file", "Balanced" or "Higher quality" for the clamped quality.
QString qualityName(int quality);
// "1920 × 1080 pixels · 16:9".
QString sizeLine(QSize size, const QString& aspectLabel);
// The estimated bytes of a movie: 24000 bytes a second of container and sound, plus the video.
std::int64_t estimatedBytes(const ExportOptions& options, QSize size, double duration);
// "≈ 15.6 MB".
QString estimatedSize(const ExportOptions& options, QSize size, double duration);
// "Export MP4…".
QString exportButtonTitle(ExportFormat format);

}  // namespace ExportSheetText
}  // namespace sablewick

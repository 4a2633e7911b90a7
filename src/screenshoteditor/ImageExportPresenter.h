#pragma once

#include "document/EditSettings.h"
#include "screenshots/ScreenshotTool.h"

#include <QSize>
#include <QString>
#include <QUrl>

#include <array>
#include <optional>

namespace sablewick {

// The image export sheet's choices and texts, apart from its widgets.
namespace ImageExportPresenter {

inline constexpr std::array formats{ScreenshotFormat::png, ScreenshotFormat::jpeg};
inline constexpr std::array scales{0.5, 1.0, 2.0};
inline constexpr double minimumQuality = 0.1;
inline constexpr double maximumQuality = 1.0;

QString formatLabel(ScreenshotFormat format);      // "PNG"
QString fileExtension(ScreenshotFormat format);    // "png", "jpg"
QString scaleLabel(double scale);                  // "50%"
// "1920 × 1080 pixels" for the picture the export writes at this scale.
QString outputSizeText(QSize source, const EditSettings& settings, double scale);
QString qualityText(double quality);               // 0.92 reads "92%"
QString note(ScreenshotFormat format);
QString exportButtonTitle(ScreenshotFormat format);  // "Export PNG"
// "Shot 1-edited.jpg": the picture's own name, else "Screenshot".
QString proposedFileName(const std::optional<QUrl>& sourceURL, ScreenshotFormat format);
// The save panel's file type filter.
QString fileFilter(ScreenshotFormat format);

}  // namespace ImageExportPresenter
}  // namespace sablewick

#pragma once

#include <QByteArray>
#include <QImage>

namespace sablewick {

class ExportJob;

// Turns the bytes of an image file into pixels with bounded memory and time, whatever the file
// claims. A file's header may understate the picture (a GIF's logical screen is not the size its
// reader reports) or declare one far beyond what is shown, and an SVG of a few kilobytes may ask
// for endless drawing: such files are refused rather than decoded.
//
// Thread safety: may run on any thread at once. A cancelled job ends the decode within one read
// of the file's bytes (or one strip of an SVG).
namespace ImageDecoder {

// The most pixels a decoded picture may have before it is scaled down.
inline constexpr qint64 largestPixelCount = qint64(12000) * 12000;
// The longest an SVG may take to draw.
inline constexpr int svgRenderMilliseconds = 10000;

// The picture, its long side scaled down to `longSide` when larger, upright by its orientation tag.
// Throws ScreenshotError (invalidImage), or ExporterFailure (cancelled) once `job` is cancelled.
QImage decode(const QByteArray& bytes, int longSide, const ExportJob* job = nullptr);

}  // namespace ImageDecoder
}  // namespace sablewick

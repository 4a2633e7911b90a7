#pragma once

#include "document/EditSettings.h"
#include "screenshots/ScreenshotAnnotation.h"
#include "screenshots/ScreenshotTool.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>
#include <mutex>
#include <vector>

namespace sablewick {

class ExportJob;
class FrameComposer;

// The image functions of the image editor: decoding, encoding, the output size, burning the marks
// into the screenshot and composing it on the styled canvas with the same composer as the video
// export, so a screenshot and a video frame of the same settings look alike.
//
// Thread safety: every function may run on any thread at once.
namespace ScreenshotRenderer {

inline constexpr int largestLoadedSide = 12000;
inline constexpr int largestOutputSide = 8192;

// The image of a regular file, upright by its orientation tag, scaled down to 12000 pixels on its
// long side when larger, as premultiplied ARGB. A picture beyond what ImageDecoder takes is
// refused. Throws ScreenshotError (invalidImage), or ExporterFailure (cancelled) once `job` is.
QImage load(const QString& path, const ExportJob* job = nullptr);

// The image as PNG (alpha kept) or JPEG (flattened on white; quality clamped to 0.1...1).
// Throws ScreenshotError (encodeFailed).
QByteArray data(const QImage& image, ScreenshotFormat format, double quality);

// The pixel size of the finished picture: one output pixel per shown source pixel at scale 1,
// the scale limited to 0.25...2, the long side at most 8192.
QSize outputSize(QSize source, const EditSettings& settings, double scale);

// The source with every mark burnt in: pixelations first in their order, then the other marks in
// their order, drawn to the source's size. Throws ScreenshotError (encodeFailed).
QImage annotate(const QImage& source, const std::vector<ScreenshotAnnotation>& annotations);

// Keeps the composer of the last canvas (background, shadow, masks) and a reduced copy of the last
// source, so that renders of the same settings and size, such as previews while the user draws,
// only mark and compose the pixels they show. Shared by reference between threads. A render with a
// cache marks a picture shown smaller than its source on the reduced copy: the same marks, drawn at
// the output's scale.
class CanvasCache {
public:
    std::shared_ptr<const FrameComposer> composer(const EditSettings& settings, QSize size);
    // The source scaled smoothly to `size`, kept while the same source is asked for at that size.
    QImage reducedSource(const QImage& source, QSize size);

private:
    std::mutex m_lock;
    EditSettings m_settings;
    QSize m_size;
    std::shared_ptr<const FrameComposer> m_composer;
    qint64 m_reducedKey = 0;
    QImage m_reduced;
};

// The finished picture of `size` pixels: the annotated source in the rounded card with frame and
// shadow on the settings' background, a hidden background left transparent. With a job, a cancel
// before the work or after it throws ExporterFailure (cancelled). Throws ScreenshotError
// (encodeFailed) when the picture cannot be made.
QImage render(const QImage& source, const EditSettings& settings,
              const std::vector<ScreenshotAnnotation>& annotations, QSize size, const ExportJob* job,
              CanvasCache* cache = nullptr);

}  // namespace ScreenshotRenderer
}  // namespace sablewick

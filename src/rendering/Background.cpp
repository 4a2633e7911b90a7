#include "rendering/Background.h"

#include "document/BackgroundArtwork.h"
#include "rendering/GaussianBlur.h"
#include "rendering/GradientPainter.h"
#include "rendering/ImageResampler.h"

#include "platform/RegularFile.h"

#include <QBuffer>
#include <QImageReader>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <vector>

namespace sablewick {
namespace Compositor {
namespace {

QImage readPicture(const QUrl& url)
{
    if (!url.isLocalFile())
        return {};
    // The file is the user's choice and may be a pipe or a device: it is read whole, with a bound
    // far beyond any photo, before the decoder sees it.
    constexpr qint64 kLargestFile = qint64(256) * 1024 * 1024;
    QByteArray bytes;
    try {
        bytes = readRegularFile(url.toLocalFile(), kLargestFile);
    } catch (const RegularFileError&) {
        return {};
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    // A background never needs more than an 8K canvas's worth of pixels; a huge photo is decoded
    // smaller rather than refused for its size.
    constexpr int kLargestSide = 8192;
    const QSize stored = reader.size();
    if (stored.isValid() && std::max(stored.width(), stored.height()) > kLargestSide)
        reader.setScaledSize(stored.scaled(kLargestSide, kLargestSide, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return {};
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool usable(const QImage& image)
{
    return !image.isNull() && image.width() > 0 && image.height() > 0;
}

// The picture scaled uniformly to cover a canvas of `canvas` pixels and centred on it, drawn into
// an image that reaches `margin` pixels beyond the canvas on every side (the picture's own edge
// pixels continue beyond its extent).
QImage aspectFill(const QImage& picture, QSize canvas, int margin)
{
    const QImage source = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const double w = source.width(), h = source.height();
    const double s = std::max(canvas.width() / w, canvas.height() / h);
    // Canvas pixel x shows picture coordinate (x - (W - w s) / 2) / s.
    const double scale = 1 / s;
    const double offsetX = -(canvas.width() - w * s) / 2 / s - margin * scale;
    const double offsetY = -(canvas.height() - h * s) / 2 / s - margin * scale;

    QImage target(canvas.width() + 2 * margin, canvas.height() + 2 * margin, QImage::Format_ARGB32_Premultiplied);
    if (target.isNull())
        return target;
    const ResampleTaps horizontal = makeResampleTaps(0, target.width(), scale, offsetX);
    const ResampleTaps vertical = makeResampleTaps(0, target.height(), scale, offsetY);
    std::vector<const uint32_t*> rows(size_t(source.height()));
    for (int y = 0; y < source.height(); ++y)
        rows[size_t(y)] = reinterpret_cast<const uint32_t*>(source.constScanLine(y));
    ResampleScratch scratch;
    const ResampleKernels kernels = fastResampleKernels();
    const ResampleSource from{rows.data(), 0, source.width(), 0, source.height(), false};
    for (int y = 0; y < target.height(); ++y)
        resampleRow(from, horizontal, vertical, y, 0, target.width(), reinterpret_cast<uint32_t*>(target.scanLine(y)),
                    scratch, kernels);
    return target;
}

QImage filled(QSize canvas, QRgb colour)
{
    QImage image(canvas, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

QRgb opaque(RgbColor colour)
{
    return 0xFF000000u | (colour & 0xFFFFFFu);
}

}  // namespace

QImage makeBackground(QSize canvas, const EditSettings& settings, const QImage& picture, bool transparent)
{
    if (canvas.width() <= 0 || canvas.height() <= 0)
        return {};
    switch (settings.backgroundKind) {
    case BackgroundKind::gradient: {
        QImage chosen = picture;
        if (!usable(chosen)) {
            if (const auto url = settings.background.fileURL())
                chosen = readPicture(*url);
        }
        if (usable(chosen))
            return aspectFill(chosen, canvas, 0);
        return paintPresetGradient(canvas, settings.background);
    }
    case BackgroundKind::pattern:
    case BackgroundKind::image: {
        if (!usable(picture))
            return filled(canvas, opaque(settings.solidColor));
        // Beyond an eighth of the canvas a blur is a flat wash of colour already; the bound keeps
        // an absurd stored radius from asking for gigabytes.
        const double longer = std::max(canvas.width(), canvas.height());
        const double blur = std::isfinite(settings.backgroundBlur) ? std::min(settings.backgroundBlur, longer / 8) : 0;
        if (blur <= 0)
            return aspectFill(picture, canvas, 0);
        // The blur reads three deviations beyond the canvas; the picture's scaled extent and its
        // clamped edges supply them, as if the picture went on forever.
        const int margin = int(std::ceil(blur * 3)) + 1;
        const QImage wide = gaussianBlurred(aspectFill(picture, canvas, margin), blur);
        if (wide.isNull())
            return filled(canvas, opaque(settings.solidColor));
        return wide.copy(margin, margin, canvas.width(), canvas.height());
    }
    case BackgroundKind::solid:
        return filled(canvas, opaque(settings.solidColor));
    case BackgroundKind::hidden:
        return filled(canvas, transparent ? 0u : 0xFF000000u);
    }
    return filled(canvas, 0xFF000000u);
}

QImage loadBackgroundPicture(const EditSettings& settings)
{
    const auto url = Artwork::backgroundURL(settings);
    return url ? readPicture(*url) : QImage();
}

}  // namespace Compositor
}  // namespace sablewick

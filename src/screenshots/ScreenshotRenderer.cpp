#include "screenshots/ScreenshotRenderer.h"

#include "rendering/Background.h"
#include "rendering/Compositor.h"
#include "rendering/ExportJob.h"
#include "rendering/FrameComposer.h"
#include "rendering/NumberRules.h"
#include "platform/RegularFile.h"
#include "screenshots/ImageDecoder.h"
#include "screenshots/ScreenshotError.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace sablewick {
namespace ScreenshotRenderer {
namespace {

// Compressed images are far smaller than their pixels; a file beyond this is not a screenshot.
constexpr qint64 kLargestImageFile = qint64(1024) * 1024 * 1024;
// Below this many output pixels per source pixel a cached render works on a reduced source.
constexpr double kLargestReduction = 0.75;

[[noreturn]] void fail(ScreenshotError::Kind kind) { throw ScreenshotError(kind); }

QImage::Format workingFormat(const QImage& image)
{
    return image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
}

// The picture at the marks' scale: the image's short side over the 1080 pixels it is designed for.
double markScale(QSize size) { return std::max(std::min(size.width(), size.height()) / 1080.0, 0.4); }

// Each block of the region becomes the average of the block's pixels inside the picture, the
// blocks laid on a grid from the picture's top-left corner so that neighbouring regions line up.
// The region and the grid are in pixels of the full source; `f` places them on a reduced copy of it
// (a preview), where each block covers its share of the reduced pixels.
void pixelate(QImage& image, const QRect& region, int block, double f)
{
    const auto reduced = [f](int v) { return int(std::lround(v * f)); };
    const auto cellOf = [&](int left, int top, int right, int bottom) {
        return QRect(QPoint(reduced(left), reduced(top)), QPoint(reduced(right) - 1, reduced(bottom) - 1));
    };
    const QRect bounds = image.rect();
    const QRect paintedRegion =
        cellOf(region.left(), region.top(), region.right() + 1, region.bottom() + 1) & bounds;
    const int firstColumn = region.left() / block * block;
    const int firstRow = region.top() / block * block;
    for (int top = firstRow; top <= region.bottom(); top += block) {
        for (int left = firstColumn; left <= region.right(); left += block) {
            const QRect cell = cellOf(left, top, left + block, top + block) & bounds;
            if (cell.isEmpty())
                continue;
            quint64 sum[4] = {0, 0, 0, 0};
            for (int y = cell.top(); y <= cell.bottom(); ++y) {
                const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
                for (int x = cell.left(); x <= cell.right(); ++x) {
                    const quint32 p = row[x];
                    sum[0] += p >> 24;
                    sum[1] += (p >> 16) & 0xFF;
                    sum[2] += (p >> 8) & 0xFF;
                    sum[3] += p & 0xFF;
                }
            }
            const quint64 n = quint64(cell.width()) * quint64(cell.height());
            auto average = [n](quint64 total) { return quint32((total + n / 2) / n); };
            // Premultiplied channels average to a valid premultiplied pixel.
            const quint32 colour = (average(sum[0]) << 24) | (average(sum[1]) << 16) | (average(sum[2]) << 8)
                                   | average(sum[3]);
            const QRect painted = cell & paintedRegion;
            for (int y = painted.top(); y <= painted.bottom(); ++y) {
                auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
                std::fill(row + painted.left(), row + painted.right() + 1, colour);
            }
        }
    }
}

// A normalised rectangle (y down) in pixels of a W x H picture, grown outwards to whole pixels.
QRect integralPixels(const QRectF& bounds, QSize size)
{
    const double left = std::floor(bounds.left() * size.width());
    const double top = std::floor(bounds.top() * size.height());
    const double right = std::ceil(bounds.right() * size.width());
    const double bottom = std::ceil(bounds.bottom() * size.height());
    if (!(right > left) || !(bottom > top))  // also refuses NaN
        return {};
    const QRectF pixels(left, top, right - left, bottom - top);
    return pixels.intersected(QRectF(QPointF(0, 0), QSizeF(size))).toAlignedRect();
}

QFont markFont(double pixelSize)
{
    QFont font;
    font.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    font.setWeight(QFont::DemiBold);
    return font;
}

void drawMark(QPainter& painter, const ScreenshotAnnotation& mark, QSize size, double t)
{
    const double W = size.width(), H = size.height();
    const QColor colour = QColor::fromRgb(QRgb(mark.color & 0xFFFFFFu));
    const double w = std::max(t * NumberRules::orIfNaN(mark.weight, 0), 1.0);
    QPen pen(colour, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QPointF p0(mark.x * W, mark.y * H);
    const QPointF p1(mark.endX * W, mark.endY * H);
    const QRectF b = mark.bounds();
    const QRectF r(b.left() * W, b.top() * H, b.width() * W, b.height() * H);
    const double fontSize = 30 * t;

    switch (mark.tool) {
    case ScreenshotTool::rectangle:
        painter.drawRect(r);
        break;
    case ScreenshotTool::ellipse:
        painter.drawEllipse(r);
        break;
    case ScreenshotTool::highlight:
        painter.setOpacity(0.28);
        painter.fillRect(r, colour);
        break;
    case ScreenshotTool::line:
        painter.drawLine(p0, p1);
        break;
    case ScreenshotTool::arrow: {
        painter.drawLine(p0, p1);
        const double a = std::atan2(p1.y() - p0.y(), p1.x() - p0.x());
        const double h = std::max(16 * t, 4 * w);
        QPainterPath head;
        head.moveTo(p1.x() - h * std::cos(a - 0.5), p1.y() - h * std::sin(a - 0.5));
        head.lineTo(p1);
        head.lineTo(p1.x() - h * std::cos(a + 0.5), p1.y() - h * std::sin(a + 0.5));
        painter.drawPath(head);
        break;
    }
    case ScreenshotTool::text:
        painter.setFont(markFont(fontSize));
        painter.setPen(colour);
        // The line hangs from its anchor: the baseline one font size below it.
        painter.drawText(QPointF(p0.x(), p0.y() + fontSize), mark.text);
        break;
    case ScreenshotTool::number: {
        const double radius = 23 * t;
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(p0, radius, radius);
        const QFont font = markFont(fontSize);
        painter.setFont(font);
        painter.setPen(Qt::white);
        const double width = QFontMetricsF(font).horizontalAdvance(mark.text);
        painter.drawText(QPointF(p0.x() - width / 2, p0.y() + 10 * t), mark.text);
        break;
    }
    case ScreenshotTool::select:
    case ScreenshotTool::crop:
    case ScreenshotTool::pixelate:
        break;
    }
}

}  // namespace

QImage load(const QString& path, const ExportJob* job)
{
    QByteArray bytes;
    try {
        bytes = readRegularFile(path, kLargestImageFile);
    } catch (const RegularFileError&) {
        fail(ScreenshotError::Kind::invalidImage);
    }
    const QImage image = ImageDecoder::decode(bytes, largestLoadedSide, job);
    return image.convertToFormat(workingFormat(image));
}

QByteArray data(const QImage& image, ScreenshotFormat format, double quality)
{
    if (image.isNull())
        fail(ScreenshotError::Kind::encodeFailed);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bool written = false;
    if (format == ScreenshotFormat::png) {
        QImageWriter writer(&buffer, "png");
        written = writer.write(image);
    } else {
        // JPEG has no transparency: what is clear becomes white, not black.
        QImage flat(image.size(), QImage::Format_RGB32);
        if (flat.isNull())
            fail(ScreenshotError::Kind::encodeFailed);
        flat.fill(Qt::white);
        {
            QPainter painter(&flat);
            painter.drawImage(0, 0, image);
        }
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(int(std::lround(NumberRules::clampOr(quality, 0.1, 1, 0.92) * 100)));
        written = writer.write(flat);
    }
    if (!written || bytes.isEmpty())
        fail(ScreenshotError::Kind::encodeFailed);
    return bytes;
}

QSize outputSize(QSize source, const EditSettings& settings, double scale)
{
    const QSizeF canvas = settings.canvasSize();
    const Compositor::Layout L = Compositor::layout(
        LayoutRect{0, 0, double(std::max(source.width(), 1)), double(std::max(source.height(), 1))}, canvas,
        settings, {}, 0, {});
    const double density = L.crop.width / std::max(L.contentRect.width, 1.0);
    const double scaled = density * NumberRules::clampOr(scale, 0.25, 2, 1);
    const double longSide = std::max(canvas.width(), canvas.height());
    double factor = NumberRules::minIgnoringNaN(largestOutputSide / longSide, scaled);
    if (!std::isfinite(factor) || factor <= 0)
        factor = 1;
    auto side = [factor](double length) {
        const double pixels = std::round(length * factor);
        return std::isfinite(pixels) ? int(std::clamp(pixels, 1.0, double(largestOutputSide))) : 1;
    };
    return {side(canvas.width()), side(canvas.height())};
}

namespace {

// The marks burnt into `image`, which is the source of `sourceSize` pixels or a reduced copy of it:
// every mark is measured and drawn in pixels of the full source and then reduced with the picture.
QImage annotateCopy(QImage image, const std::vector<ScreenshotAnnotation>& annotations, QSize sourceSize)
{
    if (image.isNull() || sourceSize.isEmpty())
        fail(ScreenshotError::Kind::encodeFailed);
    const double f = double(image.width()) / sourceSize.width();
    const int m = std::min(sourceSize.width(), sourceSize.height());
    if (image.format() != workingFormat(image))
        image = image.convertToFormat(workingFormat(image));
    const int block = std::max(1, int(std::lround(std::max(m / 45.0, 16.0))));
    bool drawsVectors = false;
    for (const ScreenshotAnnotation& mark : annotations) {
        if (mark.tool != ScreenshotTool::pixelate) {
            drawsVectors = drawsVectors || (mark.tool != ScreenshotTool::select && mark.tool != ScreenshotTool::crop);
            continue;
        }
        const QRect region = integralPixels(mark.bounds(), sourceSize);
        if (region.isEmpty())
            continue;
        pixelate(image, region, block, f);  // detaches from the caller's source on the first write
    }
    if (!drawsVectors)
        return image;

    QPainter painter(&image);
    if (!painter.isActive())
        fail(ScreenshotError::Kind::encodeFailed);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (f != 1)
        painter.scale(f, f);
    const double t = markScale(sourceSize);
    for (const ScreenshotAnnotation& mark : annotations) {
        if (mark.tool == ScreenshotTool::pixelate)
            continue;
        painter.save();
        drawMark(painter, mark, sourceSize, t);
        painter.restore();
    }
    painter.end();
    return image;
}

}  // namespace

QImage annotate(const QImage& source, const std::vector<ScreenshotAnnotation>& annotations)
{
    return annotateCopy(source, annotations, source.size());
}

QImage CanvasCache::reducedSource(const QImage& source, QSize size)
{
    const std::lock_guard guard(m_lock);
    if (m_reducedKey != source.cacheKey() || m_reduced.size() != size) {
        m_reduced = source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_reducedKey = source.cacheKey();
    }
    return m_reduced;
}

std::shared_ptr<const FrameComposer> CanvasCache::composer(const EditSettings& settings, QSize size)
{
    const std::lock_guard guard(m_lock);
    if (!m_composer || m_size != size || !(m_settings == settings)) {
        // A still: no zoom timeline and no pointer of its own.
        Scene scene;
        scene.settings = settings;
        m_composer = Compositor::make(scene, size, true);
        m_settings = settings;
        m_size = size;
    }
    return m_composer;
}

QImage render(const QImage& source, const EditSettings& settings,
              const std::vector<ScreenshotAnnotation>& annotations, QSize size, const ExportJob* job,
              CanvasCache* cache)
{
    if (job)
        job->throwIfCancelled();
    if (size.width() <= 0 || size.height() <= 0 || size.width() > largestOutputSide
        || size.height() > largestOutputSide)
        fail(ScreenshotError::Kind::encodeFailed);
    if (source.isNull())
        fail(ScreenshotError::Kind::encodeFailed);

    // A picture shown smaller than its source (a preview) is marked on a reduced copy, kept from
    // render to render, so that only the output's own pixels are touched while the user draws.
    QImage shot;
    const Compositor::Layout L = Compositor::layout(
        LayoutRect{0, 0, double(source.width()), double(source.height())}, QSizeF(size), settings, {}, 0, {});
    const double shown = L.visibleRect.width > 0 ? L.contentRect.width / L.visibleRect.width : 1;
    if (cache && std::isfinite(shown) && shown < kLargestReduction) {
        const QSize reduced(std::max(int(std::lround(source.width() * shown)), 1),
                            std::max(int(std::lround(source.height() * shown)), 1));
        shot = annotateCopy(cache->reducedSource(source, reduced), annotations, source.size());
    } else {
        shot = annotate(source, annotations);
    }

    CanvasCache ownCache;
    const std::shared_ptr<const FrameComposer> composer = (cache ? *cache : ownCache).composer(settings, size);
    QImage picture = composer->compose(shot, 0);
    if (picture.isNull())
        fail(ScreenshotError::Kind::encodeFailed);
    if (job)
        job->throwIfCancelled();
    return picture;
}

}  // namespace ScreenshotRenderer
}  // namespace sablewick

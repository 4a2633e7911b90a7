#include "rendering/PointerRenderer.h"

#include "rendering/NumberRules.h"
#include "rendering/PointerPath.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace sablewick::PointerRenderer {

using namespace NumberRules;

namespace {

// How long a click drives the press squish and the ripple.
constexpr double clickEffectLength = 0.4;
constexpr double pressLength = 0.18;
constexpr double pressDepth = 0.18;

// The cursor drawings are in points of a 32-point square, y up, drawn at 3x.
constexpr double drawingScale = 3;

// Maps drawing points (y up) to bitmap pixels (rows top-down).
QTransform drawingTransform()
{
    return QTransform(drawingScale, 0, 0, -drawingScale, 0, cursorImageSize);
}

// Blurs the alpha of an image with a Gaussian of the given sigma (pixels), separably.
std::vector<float> blurredAlpha(const QImage& image, double sigma)
{
    const int w = image.width();
    const int h = image.height();
    const int radius = int(std::ceil(3 * sigma));
    std::vector<float> kernel(std::size_t(2 * radius + 1));
    float sum = 0;
    for (int i = -radius; i <= radius; ++i) {
        kernel[std::size_t(i + radius)] = float(std::exp(-0.5 * (i * i) / (sigma * sigma)));
        sum += kernel[std::size_t(i + radius)];
    }
    for (float& k : kernel)
        k /= sum;

    std::vector<float> alpha(std::size_t(w * h));
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            alpha[std::size_t(y * w + x)] = float(qAlpha(line[x])) / 255.0f;
    }
    std::vector<float> pass(alpha.size());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float acc = 0;
            for (int i = -radius; i <= radius; ++i) {
                const int sx = x + i;
                if (sx >= 0 && sx < w)
                    acc += kernel[std::size_t(i + radius)] * alpha[std::size_t(y * w + sx)];
            }
            pass[std::size_t(y * w + x)] = acc;
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float acc = 0;
            for (int i = -radius; i <= radius; ++i) {
                const int sy = y + i;
                if (sy >= 0 && sy < h)
                    acc += kernel[std::size_t(i + radius)] * pass[std::size_t(sy * w + x)];
            }
            alpha[std::size_t(y * w + x)] = acc;
        }
    }
    return alpha;
}

// Draws `shape` over a soft drop shadow: offset (0, -1) point, blur 1.4 points, black at 0.45.
QImage withDropShadow(const QImage& shape)
{
    // A shadow blur of b points spreads like a Gaussian of sigma b / 2.
    const std::vector<float> alpha = blurredAlpha(shape, 1.4 / 2 * drawingScale);
    const int w = shape.width();
    const int h = shape.height();
    const int offsetDown = int(drawingScale);  // one point down, in top-down rows
    QImage result(w, h, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        const int sy = y - offsetDown;
        for (int x = 0; x < w; ++x) {
            const float a = sy >= 0 ? alpha[std::size_t(sy * w + x)] * 0.45f : 0.0f;
            line[x] = qRgba(0, 0, 0, int(std::lround(std::clamp(a, 0.0f, 1.0f) * 255)));
        }
    }
    QPainter painter(&result);
    painter.drawImage(0, 0, shape);
    return result;
}

QImage drawCursor(PointerStyle style)
{
    QImage shape(cursorImageSize, cursorImageSize, QImage::Format_ARGB32_Premultiplied);
    if (shape.isNull())
        return {};
    shape.fill(Qt::transparent);
    QPainter painter(&shape);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(drawingTransform());
    if (style == PointerStyle::dot) {
        painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.5), 0.7));
        painter.setBrush(QColor::fromRgbF(1, 1, 1, 0.85));
        painter.drawEllipse(QRectF(2, 18, 12, 12));
    } else {
        const QPolygonF arrow{{2, 30}, {2, 10}, {7, 15}, {11, 7}, {14, 8.5}, {10, 16.5}, {17, 16.5}};
        const bool outline = style == PointerStyle::outline;
        QPen pen(outline ? QColor::fromRgbF(0.05, 0.05, 0.05) : QColor(Qt::white),
                 outline ? 1.4 : 1.0);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        painter.setBrush(outline ? QColor(Qt::white) : QColor::fromRgbF(0.04, 0.04, 0.04));
        painter.drawPolygon(arrow);
    }
    painter.end();
    return withDropShadow(shape);
}

// A bitmap with smaller copies (each half the previous) so that small cursors are drawn from a
// copy near their size instead of skipping pixels of the full one.
struct MipChain {
    std::vector<QImage> levels;

    explicit MipChain(QImage full)
    {
        if (full.isNull())
            return;
        levels.push_back(std::move(full));
        while (levels.back().width() > 8) {
            const QImage& previous = levels.back();
            levels.push_back(previous.scaled(previous.width() / 2, previous.height() / 2,
                                             Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        }
    }

    // The smallest level at least `side` pixels wide.
    const QImage& levelFor(double side) const
    {
        std::size_t i = 0;
        while (i + 1 < levels.size() && levels[i + 1].width() >= side)
            ++i;
        return levels[i];
    }
};

struct Bitmaps {
    std::map<PointerStyle, MipChain> cursors;
    MipChain ripple{QImage()};
    std::map<PointerStyle, QImage> previews;
    QImage ripplePreview;

    Bitmaps()
    {
        for (const PointerStyle style : allCases<PointerStyle>()) {
            QImage image = drawCursor(style);
            if (image.isNull())
                continue;  // a style whose bitmap cannot be made draws no cursor
            previews.emplace(style, image.copy());
            cursors.emplace(style, MipChain(std::move(image)));
        }
        QImage ring(rippleImageSize, rippleImageSize, QImage::Format_ARGB32_Premultiplied);
        ring.fill(Qt::transparent);
        {
            QPainter painter(&ring);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(QColor::fromRgbF(0.3, 0.6, 1.0, 1.0), 6));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(QRectF(6, 6, 116, 116));
        }
        ripplePreview = ring.copy();
        ripple = MipChain(std::move(ring));
    }
};

const Bitmaps& bitmaps()
{
    static const Bitmaps instance;  // thread-safe one-time construction
    return instance;
}

// The most recent click (scanning from the end of the list) at most 0.4 s before `time`.
const FocusPoint* clickInEffect(double time, std::span<const FocusPoint> events)
{
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
        if (it->kind == FocusKind::click && time >= it->time && time - it->time < clickEffectLength)
            return &*it;
    }
    return nullptr;
}

}  // namespace

QPointF hotSpot(PointerStyle style)
{
    return style == PointerStyle::dot ? QPointF(24, 72) : QPointF(6, 90);
}

const QImage* cursorImage(PointerStyle style)
{
    const auto& cursors = bitmaps().cursors;
    const auto found = cursors.find(style);
    return found == cursors.end() ? nullptr : &found->second.levels.front();
}

const QImage& rippleImage()
{
    return bitmaps().ripple.levels.front();
}

const std::map<PointerStyle, QImage>& previewImages()
{
    return bitmaps().previews;
}

const QImage& ripplePreview()
{
    return bitmaps().ripplePreview;
}

std::optional<OverlayPlacement> placement(const LayoutRect& extent, double time,
                                          std::span<const PointerSample> samples,
                                          const EditSettings& settings,
                                          std::span<const FocusPoint> events)
{
    if (!settings.effectivePointerVisible())
        return std::nullopt;
    const auto pointer = PointerPath::position(time, samples, settings.effectivePointerSmooth());
    if (!pointer || !pointer->visible)
        return std::nullopt;

    const double heightUnit = extent.height / 1080;
    OverlayPlacement result;

    double press = 1;
    if (const FocusPoint* click = clickInEffect(time, events)) {
        const double dt = time - click->time;
        // Shrinks to 82 % at 0.09 s and is back to full size at 0.18 s.
        if (settings.effectivePointerPress() && dt < pressLength)
            press = 1 + pressDepth * std::sin(-std::numbers::pi * dt / pressLength);
        if (settings.effectivePointerRipple()) {
            const double q = std::max(dt / clickEffectLength, 0.0);
            // The ring's radius grows from 12 to 38 units of a 1080-high frame.
            const double scale = (q * 26 + 12) * heightUnit * 2 / 116;
            result.ripple = RipplePlacement{
                QPointF(extent.minX() + click->x * extent.width,
                        extent.minY() + click->y * extent.height),
                scale, (1 - q) * 0.55};
        }
    }

    const double size = clampOr(settings.effectivePointerSize(), 0.5, 4, 4);
    const double scale = press * (size * heightUnit) / drawingScale;
    const PointerStyle style = settings.effectivePointerStyle();
    const QPointF position(extent.minX() + pointer->x * extent.width,
                           extent.minY() + pointer->y * extent.height);
    const QPointF hot = hotSpot(style);
    result.cursor = CursorPlacement{style, position, scale,
                                    QPointF(position.x() - scale * hot.x(),
                                            position.y() - scale * hot.y())};
    return result;
}

void draw(QPainter& painter, const OverlayPlacement& placement, double spaceHeight)
{
    const Bitmaps& images = bitmaps();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    if (placement.ripple && !images.ripple.levels.empty()) {
        const RipplePlacement& ripple = *placement.ripple;
        const double side = rippleImageSize * ripple.scale;
        const LayoutRect target{ripple.centre.x() - side / 2, ripple.centre.y() - side / 2, side,
                                side};
        painter.setOpacity(std::clamp(ripple.opacity, 0.0, 1.0));
        painter.drawImage(target.flipped(spaceHeight), images.ripple.levelFor(side));
        painter.setOpacity(1);
    }
    const auto cursor = images.cursors.find(placement.cursor.style);
    if (cursor != images.cursors.end()) {
        const double side = cursorImageSize * placement.cursor.scale;
        const LayoutRect target{placement.cursor.origin.x(), placement.cursor.origin.y(), side,
                                side};
        painter.drawImage(target.flipped(spaceHeight), cursor->second.levelFor(side));
    }
    painter.restore();
}

QImage overlay(QImage frame, double time, std::span<const PointerSample> samples,
               const EditSettings& settings, std::span<const FocusPoint> events)
{
    if (frame.isNull())
        return frame;
    const LayoutRect extent{0, 0, double(frame.width()), double(frame.height())};
    const auto where = placement(extent, time, samples, settings, events);
    if (!where)
        return frame;
    // Palette and one-bit images cannot be painted on with blending.
    if (frame.format() == QImage::Format_Indexed8 || frame.format() == QImage::Format_Mono ||
        frame.format() == QImage::Format_MonoLSB)
        frame = frame.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&frame);
    draw(painter, *where, extent.height);
    painter.end();
    return frame;
}

}  // namespace sablewick::PointerRenderer

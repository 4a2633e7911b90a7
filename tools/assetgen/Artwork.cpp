#include "Artwork.h"

#include "rendering/GaussianBlur.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

namespace sablewick::assetgen {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Every artwork is laid out on a 1920 x 1080 design and scaled to the requested size.
constexpr double kDesignWidth = 1920;
constexpr double kDesignHeight = 1080;

QColor rgb(uint32_t c, double alpha = 1)
{
    QColor colour(int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF));
    colour.setAlphaF(float(alpha));
    return colour;
}

QImage blank(QSize size, uint32_t colour)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(rgb(colour));
    return image;
}

// Antialiased drawing in design units on an image of `size` pixels.
void inDesignUnits(QPainter& p, QSize size)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size.width() / kDesignWidth, size.height() / kDesignHeight);
}

// A painter in design units.
struct Canvas {
    QImage image;
    QPainter painter;
    explicit Canvas(QImage initial)
        : image(std::move(initial))
        , painter(&image)
    {
        inDesignUnits(painter, image.size());
    }
};

void fillLinear(QPainter& p, QPointF from, QPointF to, uint32_t a, uint32_t b)
{
    QLinearGradient g(from, to);
    g.setColorAt(0, rgb(a));
    g.setColorAt(1, rgb(b));
    p.fillRect(QRectF(0, 0, kDesignWidth, kDesignHeight), g);
}

void softGlow(QPainter& p, QPointF centre, double radius, uint32_t colour, double alpha)
{
    QRadialGradient g(centre, radius);
    g.setColorAt(0, rgb(colour, alpha));
    g.setColorAt(1, rgb(colour, 0));
    p.fillRect(QRectF(0, 0, kDesignWidth, kDesignHeight), g);
}

// Smooth value field for contours and silk: a few broad waves.
double field(double x, double y)
{
    return std::sin(x * 0.0042 + 0.8) * 0.9 + std::cos(y * 0.0051 - 0.4) * 0.8 + std::sin((x + y) * 0.0031) * 0.7
           + std::cos(std::hypot(x - 1300, y - 380) * 0.0068) * 0.6 + std::sin(std::hypot(x - 420, y - 760) * 0.0057) * 0.5;
}

// Per-pixel painting in design units (x, y of the pixel centre), for effects QPainter lacks.
template <typename Shade>
void shadePixels(QImage& image, Shade shade)
{
    const double sx = kDesignWidth / image.width(), sy = kDesignHeight / image.height();
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = shade((x + 0.5) * sx, (y + 0.5) * sy, row[x]);
    }
}

QRgb blendOver(QRgb base, uint32_t colour, double alpha)
{
    alpha = std::clamp(alpha, 0.0, 1.0);
    auto ch = [&](int b, int c) { return int(std::lround(b + (c - b) * alpha)); };
    return qRgb(ch(qRed(base), int((colour >> 16) & 0xFF)), ch(qGreen(base), int((colour >> 8) & 0xFF)),
                ch(qBlue(base), int(colour & 0xFF)));
}

// A blurred copy of what was drawn on a clear layer, composited for soft light.
void compositeSoftLayer(QImage& base, const QImage& layer, double sigma, QPainter::CompositionMode mode)
{
    // A soft layer loses nothing at a quarter of the size, and blurs sixteen times faster there.
    constexpr int reduction = 4;
    const QImage small = layer.scaled(layer.size() / reduction, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage soft = gaussianBlurred(small, sigma / reduction);
    QPainter p(&base);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setCompositionMode(mode);
    p.drawImage(QRectF(0, 0, base.width(), base.height()), soft);
}

QImage clearLayer(QSize size)
{
    QImage layer(size, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    return layer;
}

QPainterPath ribbon(double y0, double amplitude, double phase, double thickness)
{
    QPainterPath path;
    const int steps = 64;
    for (int i = 0; i <= steps; ++i) {
        const double x = -100 + (kDesignWidth + 200) * i / steps;
        const double y = y0 + amplitude * std::sin(x * 0.0032 + phase) + amplitude * 0.4 * std::sin(x * 0.0071 + phase * 2);
        i == 0 ? path.moveTo(x, y) : path.lineTo(x, y);
    }
    for (int i = steps; i >= 0; --i) {
        const double x = -100 + (kDesignWidth + 200) * i / steps;
        const double t = thickness * (0.6 + 0.4 * std::sin(x * 0.0024 + phase * 1.3));
        const double y = y0 + amplitude * std::sin(x * 0.0032 + phase) + amplitude * 0.4 * std::sin(x * 0.0071 + phase * 2) + t;
        path.lineTo(x, y);
    }
    path.closeSubpath();
    return path;
}

// Pictures ---------------------------------------------------------------------------------------

QImage glassFlow(QSize size)
{
    Canvas c(blank(size, 0xDCE4FB));
    fillLinear(c.painter, {0, kDesignHeight}, {kDesignWidth, 0}, 0xC9D6F8, 0xF4E6FA);
    softGlow(c.painter, {380, 260}, 900, 0x9FE7F5, 0.55);
    softGlow(c.painter, {1600, 860}, 800, 0xF7C4E6, 0.5);
    c.painter.end();

    // Translucent glass ribbons: tinted bodies blurred soft, crisp bright rims on top.
    QImage bodies = clearLayer(size);
    {
        QPainter p(&bodies);
        inDesignUnits(p, size);
        const uint32_t tints[] = {0x7FA8F5, 0xB69CF2, 0x8FE0EA, 0xF0A8D6};
        for (int i = 0; i < 4; ++i) {
            p.setPen(Qt::NoPen);
            QLinearGradient g(0, 200 + i * 190, kDesignWidth, 300 + i * 190);
            g.setColorAt(0, rgb(tints[i], 0.10));
            g.setColorAt(0.5, rgb(tints[(i + 1) % 4], 0.42));
            g.setColorAt(1, rgb(tints[i], 0.12));
            p.setBrush(g);
            p.drawPath(ribbon(170 + i * 200, 120 - i * 12, i * 1.7, 150));
        }
    }
    compositeSoftLayer(c.image, bodies, size.height() / 180.0, QPainter::CompositionMode_SourceOver);

    QPainter p(&c.image);
    inDesignUnits(p, size);
    for (int i = 0; i < 4; ++i) {
        const QPainterPath path = ribbon(170 + i * 200, 120 - i * 12, i * 1.7, 150);
        p.setPen(QPen(rgb(0xFFFFFF, 0.55), 2.2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
    return c.image;
}

QImage midnightCurrent(QSize size)
{
    Canvas c(blank(size, 0x070B1F));
    fillLinear(c.painter, {0, 0}, {kDesignWidth * 0.4, kDesignHeight}, 0x0B1233, 0x050817);
    softGlow(c.painter, {1500, 300}, 900, 0x1B3B8C, 0.45);
    softGlow(c.painter, {300, 900}, 700, 0x0E5B73, 0.35);
    c.painter.end();

    // A current of thin luminous streams, drawn sharp and again blurred for their glow.
    QImage streams = clearLayer(size);
    {
        QPainter p(&streams);
        inDesignUnits(p, size);
        for (int i = 0; i < 46; ++i) {
            const double t = i / 45.0;
            QPainterPath path;
            for (int s = 0; s <= 96; ++s) {
                const double x = -60 + (kDesignWidth + 120) * s / 96.0;
                const double y = 260 + t * 520 + 170 * std::sin(x * 0.0026 + t * 2.2) + 60 * std::sin(x * 0.0061 - t * 4.0);
                s == 0 ? path.moveTo(x, y) : path.lineTo(x, y);
            }
            const QColor a = rgb(0x3DE0F2, 0.10 + 0.55 * std::pow(std::sin(t * kPi), 2));
            const QColor b = rgb(0x6C7BFF, 0.08 + 0.45 * std::pow(std::sin(t * kPi), 2));
            QLinearGradient g(0, 0, kDesignWidth, 0);
            g.setColorAt(0, b);
            g.setColorAt(0.5, a);
            g.setColorAt(1, b);
            p.setPen(QPen(QBrush(g), 1.6 + 1.2 * std::sin(t * kPi)));
            p.drawPath(path);
        }
    }
    compositeSoftLayer(c.image, streams, size.height() / 120.0, QPainter::CompositionMode_Plus);
    QPainter p(&c.image);
    p.drawImage(0, 0, streams);
    return c.image;
}

QImage clayFolds(QSize size)
{
    Canvas c(blank(size, 0xE9CDB5));
    fillLinear(c.painter, {0, 0}, {0, kDesignHeight}, 0xF0D9C4, 0xD9A98A);
    c.painter.end();
    const uint32_t tones[][2] = {{0xEDCBB0, 0xD9A585}, {0xE3B394, 0xC98E6C}, {0xD79F7E, 0xBB7A58},
                                 {0xCB8C6A, 0xAA6846}, {0xBD7A58, 0x985839}, {0xA9684A, 0x844A30}};
    for (int i = 0; i < 6; ++i) {
        const double base = 170 + i * 160;
        QPainterPath fold;
        fold.moveTo(-50, kDesignHeight + 50);
        for (int s = 0; s <= 80; ++s) {
            const double x = -50 + (kDesignWidth + 100) * s / 80.0;
            const double y = base + 70 * std::sin(x * 0.0029 + i * 1.3) + 35 * std::sin(x * 0.0067 + i * 0.7);
            fold.lineTo(x, y);
        }
        fold.lineTo(kDesignWidth + 50, kDesignHeight + 50);
        fold.closeSubpath();

        // Each fold casts a soft shadow on the one behind it, like pressed clay.
        QImage shade = clearLayer(size);
        {
            QPainter p(&shade);
            inDesignUnits(p, size);
            p.translate(0, -14);
            p.fillPath(fold, rgb(0x5A2E18, 0.35));
        }
        compositeSoftLayer(c.image, shade, size.height() / 70.0, QPainter::CompositionMode_SourceOver);

        QPainter p(&c.image);
        inDesignUnits(p, size);
        QLinearGradient g(0, base - 80, 0, base + 260);
        g.setColorAt(0, rgb(tones[i][0]));
        g.setColorAt(1, rgb(tones[i][1]));
        p.fillPath(fold, g);
        p.setPen(QPen(rgb(0xFFF1E4, 0.35), 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(fold);
    }
    return c.image;
}

// Patterns ---------------------------------------------------------------------------------------

QImage softDots(QSize size)
{
    Canvas c(blank(size, 0xF2EEF9));
    fillLinear(c.painter, {0, 0}, {kDesignWidth, kDesignHeight}, 0xF5F1FB, 0xE9E3F5);
    c.painter.setPen(Qt::NoPen);
    const double step = 48;
    for (int row = 0; row * step < kDesignHeight + step; ++row) {
        for (int col = 0; col * step < kDesignWidth + step; ++col) {
            const double x = col * step + (row % 2 ? step / 2 : 0), y = row * step;
            QRadialGradient g({x, y}, 9);
            g.setColorAt(0, rgb(0xB9ADE0, 0.85));
            g.setColorAt(0.7, rgb(0xC8BEE8, 0.6));
            g.setColorAt(1, rgb(0xC8BEE8, 0));
            c.painter.setBrush(g);
            c.painter.drawEllipse(QPointF(x, y), 9, 9);
        }
    }
    return c.image;
}

QImage blueprintGrid(QSize size)
{
    Canvas c(blank(size, 0x1D4E89));
    fillLinear(c.painter, {0, 0}, {kDesignWidth, kDesignHeight}, 0x1F5796, 0x17406F);
    const double minor = 24, major = 120;
    for (double x = 0; x <= kDesignWidth; x += minor) {
        const bool isMajor = std::fmod(x, major) < 0.5;
        c.painter.setPen(QPen(rgb(0xDDEBFF, isMajor ? 0.32 : 0.11), isMajor ? 1.6 : 1.0));
        c.painter.drawLine(QPointF(x, 0), QPointF(x, kDesignHeight));
    }
    for (double y = 0; y <= kDesignHeight; y += minor) {
        const bool isMajor = std::fmod(y, major) < 0.5;
        c.painter.setPen(QPen(rgb(0xDDEBFF, isMajor ? 0.32 : 0.11), isMajor ? 1.6 : 1.0));
        c.painter.drawLine(QPointF(0, y), QPointF(kDesignWidth, y));
    }
    softGlow(c.painter, {kDesignWidth / 2, kDesignHeight / 2}, 1100, 0x6FA6E8, 0.18);
    return c.image;
}

QImage fineRipples(QSize size)
{
    Canvas c(blank(size, 0xE4F3F4));
    fillLinear(c.painter, {0, 0}, {kDesignWidth, kDesignHeight}, 0xEAF7F7, 0xD3ECEF);
    c.painter.setBrush(Qt::NoBrush);
    const QPointF centres[] = {{560, 420}, {1500, 780}};
    for (const QPointF& centre : centres) {
        for (int i = 1; i < 90; ++i) {
            const double r = i * 14.0;
            c.painter.setPen(QPen(rgb(0x5FA9B4, 0.75 * std::exp(-r / 1100.0)), 1.8));
            c.painter.drawEllipse(centre, r, r);
        }
    }
    return c.image;
}

QImage roseHatch(QSize size)
{
    Canvas c(blank(size, 0xF7DCE1));
    fillLinear(c.painter, {0, 0}, {kDesignWidth, kDesignHeight}, 0xF9E3E7, 0xF1CCD4);
    c.painter.setPen(QPen(rgb(0xD98A9B, 0.55), 2.2));
    for (double d = -kDesignHeight; d < kDesignWidth; d += 22)
        c.painter.drawLine(QPointF(d, kDesignHeight), QPointF(d + kDesignHeight, 0));
    c.painter.setPen(QPen(rgb(0xFFFFFF, 0.35), 1.0));
    for (double d = -kDesignHeight + 11; d < kDesignWidth; d += 22)
        c.painter.drawLine(QPointF(d, kDesignHeight), QPointF(d + kDesignHeight, 0));
    return c.image;
}

QImage contour(QSize size)
{
    QImage image = blank(size, 0xE6ECDD);
    const double spacing = 0.22;
    // The field sampled once per pixel, with a border, so that slopes come from neighbours.
    const int w = size.width(), h = size.height();
    const double sx = kDesignWidth / w, sy = kDesignHeight / h;
    std::vector<double> values(size_t(w + 2) * size_t(h + 2));
    for (int y = -1; y <= h; ++y)
        for (int x = -1; x <= w; ++x)
            values[size_t(y + 1) * size_t(w + 2) + size_t(x + 1)] = field((x + 0.5) * sx, (y + 0.5) * sy);
    auto at = [&](double x, double y) {
        const int px = int(x / sx), py = int(y / sy);
        return values[size_t(py + 1) * size_t(w + 2) + size_t(px + 1)];
    };
    shadePixels(image, [&](double x, double y, QRgb) {
        QRgb base = blendOver(qRgb(0xE8, 0xEE, 0xDF), 0xC9D6BC, std::clamp(y / kDesignHeight, 0.0, 1.0) * 0.6);
        const double v = at(x, y);
        // Distance to the nearest level line, in design pixels (value distance over the slope).
        const double gx = (at(x + sx, y) - at(x - sx, y)) / (2 * sx), gy = (at(x, y + sy) - at(x, y - sy)) / (2 * sy);
        const double slope = std::max(std::hypot(gx, gy), 1e-6);
        const double level = v / spacing;
        const double distance = std::abs(level - std::round(level)) * spacing / slope;
        const bool index = int(std::lround(level)) % 5 == 0;
        const double width = index ? 1.6 : 0.9;
        const double alpha = std::clamp(width + 0.5 - distance, 0.0, 1.0) * (index ? 0.75 : 0.5);
        return blendOver(base, 0x5E7D57, alpha);
    });
    return image;
}

QImage lilacCheck(QSize size)
{
    Canvas c(blank(size, 0xF6F1FB));
    const double band = 54;
    c.painter.setPen(Qt::NoPen);
    for (double x = 0; x < kDesignWidth; x += 2 * band)
        c.painter.fillRect(QRectF(x, 0, band, kDesignHeight), rgb(0xB9A2E3, 0.38));
    for (double y = 0; y < kDesignHeight; y += 2 * band)
        c.painter.fillRect(QRectF(0, y, kDesignWidth, band), rgb(0xB9A2E3, 0.38));
    // Fine woven threads inside the bands.
    c.painter.setPen(QPen(rgb(0xFFFFFF, 0.22), 1));
    for (double x = 0; x < kDesignWidth; x += 6)
        c.painter.drawLine(QPointF(x, 0), QPointF(x, kDesignHeight));
    return c.image;
}

QImage confetti(QSize size)
{
    Canvas c(blank(size, 0xFFF8EE));
    std::mt19937 random(20241207u);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const uint32_t colours[] = {0xFF6B6B, 0xFFC145, 0x4ECDC4, 0x5B8DEF, 0xB57BFF, 0xFF8FC7, 0x59D98E};
    // Jittered grid placement keeps the pieces evenly spread without clumps.
    const double cell = 64;
    for (double gy = 0; gy < kDesignHeight + cell; gy += cell) {
        for (double gx = 0; gx < kDesignWidth + cell; gx += cell) {
            const double x = gx + unit(random) * cell, y = gy + unit(random) * cell;
            const QColor colour = rgb(colours[size_t(unit(random) * 7) % 7], 0.9);
            c.painter.save();
            c.painter.translate(x, y);
            c.painter.rotate(unit(random) * 360);
            const double kind = unit(random);
            if (kind < 0.5) {
                c.painter.fillRect(QRectF(-9, -4, 18, 8), colour);
            } else if (kind < 0.75) {
                c.painter.setPen(Qt::NoPen);
                c.painter.setBrush(colour);
                c.painter.drawEllipse(QPointF(0, 0), 5.5, 5.5);
            } else {
                QPainterPath squiggle;
                squiggle.moveTo(-14, 0);
                squiggle.cubicTo(-7, -10, -2, 10, 4, 0);
                squiggle.cubicTo(8, -7, 11, 6, 14, 0);
                c.painter.setPen(QPen(colour, 3.2, Qt::SolidLine, Qt::RoundCap));
                c.painter.setBrush(Qt::NoBrush);
                c.painter.drawPath(squiggle);
            }
            c.painter.restore();
        }
    }
    return c.image;
}

QImage silkWaves(QSize size)
{
    QImage image = blank(size, 0xF1E4D6);
    shadePixels(image, [](double x, double y, QRgb) {
        const double phase = y * 0.011 + std::sin(x * 0.0026) * 2.4 + std::sin(x * 0.0009 + y * 0.002) * 1.6;
        const double sheen = 0.5 + 0.5 * std::sin(phase);
        const double highlight = std::pow(sheen, 8);
        QRgb colour = blendOver(qRgb(0xE9, 0xD3, 0xC0), 0xF8EEE4, sheen * 0.85);
        colour = blendOver(colour, 0xCFAF98, (1 - sheen) * 0.35);
        return blendOver(colour, 0xFFFFFF, highlight * 0.55);
    });
    return image;
}

QImage isometric(QSize size)
{
    Canvas c(blank(size, 0xDDE3EC));
    const double side = 60;
    const double w = side * std::sqrt(3.0);
    const QColor top = rgb(0xEEF2F7), left = rgb(0xC4CEDC), right = rgb(0xA3B1C6);
    c.painter.setPen(QPen(rgb(0x8D9BB2, 0.35), 1));
    for (int row = -1; row * side * 1.5 < kDesignHeight + side * 2; ++row) {
        for (int col = -1; col * w < kDesignWidth + w; ++col) {
            const double cx = col * w + (row % 2 ? w / 2 : 0), cy = row * side * 1.5;
            const QPointF centre(cx, cy);
            const QPointF up(cx, cy - side), upRight(cx + w / 2, cy - side / 2), downRight(cx + w / 2, cy + side / 2),
                down(cx, cy + side), downLeft(cx - w / 2, cy + side / 2), upLeft(cx - w / 2, cy - side / 2);
            const QPointF topFace[] = {centre, upLeft, up, upRight};
            const QPointF leftFace[] = {centre, down, downLeft, upLeft};
            const QPointF rightFace[] = {centre, upRight, downRight, down};
            c.painter.setBrush(top);
            c.painter.drawPolygon(topFace, 4);
            c.painter.setBrush(left);
            c.painter.drawPolygon(leftFace, 4);
            c.painter.setBrush(right);
            c.painter.drawPolygon(rightFace, 4);
        }
    }
    return c.image;
}

QImage paperShapes(QSize size)
{
    QImage image = blank(size, 0xFBF3E6);
    std::mt19937 random(1986u);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const uint32_t colours[] = {0xFF8A80, 0x4DB6AC, 0xFFD54F, 0x7986CB, 0xF48FB1, 0x81C784};
    const int count = 70;
    struct Piece {
        double x, y, angle, size;
        int kind;
        uint32_t colour;
    };
    std::vector<Piece> pieces;
    const double cellW = kDesignWidth / 10, cellH = kDesignHeight / 7;
    for (int i = 0; i < count; ++i) {
        const double x = (i % 10) * cellW + unit(random) * cellW, y = (i / 10) * cellH + unit(random) * cellH;
        pieces.push_back({x, y, unit(random) * 360, 26 + unit(random) * 26, int(unit(random) * 5) % 5,
                          colours[size_t(unit(random) * 6) % 6]});
    }
    auto drawPiece = [](QPainter& p, const Piece& piece, const QColor& colour, bool shadow) {
        p.save();
        p.translate(piece.x, piece.y);
        p.rotate(piece.angle);
        const double s = piece.size;
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        switch (piece.kind) {
        case 0: {  // triangle
            const QPointF tri[] = {{0, -s}, {s * 0.87, s * 0.5}, {-s * 0.87, s * 0.5}};
            p.drawPolygon(tri, 3);
            break;
        }
        case 1:  // circle
            p.drawEllipse(QPointF(0, 0), s * 0.6, s * 0.6);
            break;
        case 2: {  // zigzag
            QPainterPath zig;
            zig.moveTo(-s, 0);
            for (int k = 0; k < 4; ++k)
                zig.lineTo(-s + (k + 0.5) * s / 2, k % 2 ? s * 0.3 : -s * 0.3);
            zig.lineTo(s, 0);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(colour, shadow ? 7 : 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(zig);
            break;
        }
        case 3:  // half circle
            p.drawPie(QRectF(-s * 0.7, -s * 0.7, s * 1.4, s * 1.4), 0, 180 * 16);
            break;
        default:  // ring
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(colour, shadow ? 8 : 7));
            p.drawEllipse(QPointF(0, 0), s * 0.5, s * 0.5);
            break;
        }
        p.restore();
    };
    // Paper cut-outs: a soft shadow below each shape, then the shape.
    QImage shadows = clearLayer(size);
    {
        QPainter p(&shadows);
        inDesignUnits(p, size);
        p.translate(4, 7);
        for (const Piece& piece : pieces)
            drawPiece(p, piece, rgb(0x3E2A14, 0.28), true);
    }
    compositeSoftLayer(image, shadows, size.height() / 360.0, QPainter::CompositionMode_SourceOver);
    QPainter p(&image);
    inDesignUnits(p, size);
    // Small grids of dots between the shapes.
    p.setPen(Qt::NoPen);
    p.setBrush(rgb(0x2E2A3A, 0.18));
    for (double y = 60; y < kDesignHeight; y += 240)
        for (double x = 90; x < kDesignWidth; x += 320)
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j)
                    p.drawEllipse(QPointF(x + i * 14, y + j * 14), 2.6, 2.6);
    for (const Piece& piece : pieces)
        drawPiece(p, piece, rgb(piece.colour), false);
    return image;
}

}  // namespace

QImage paintArtwork(BackgroundArtwork artwork, QSize size)
{
    switch (artwork) {
    case BackgroundArtwork::glassFlow: return glassFlow(size);
    case BackgroundArtwork::midnightCurrent: return midnightCurrent(size);
    case BackgroundArtwork::clayFolds: return clayFolds(size);
    case BackgroundArtwork::patternDots: return softDots(size);
    case BackgroundArtwork::patternGrid: return blueprintGrid(size);
    case BackgroundArtwork::patternRipples: return fineRipples(size);
    case BackgroundArtwork::patternHatch: return roseHatch(size);
    case BackgroundArtwork::patternContour: return contour(size);
    case BackgroundArtwork::patternCheck: return lilacCheck(size);
    case BackgroundArtwork::patternConfetti: return confetti(size);
    case BackgroundArtwork::patternWaves: return silkWaves(size);
    case BackgroundArtwork::patternIsometric: return isometric(size);
    case BackgroundArtwork::patternMemphis: return paperShapes(size);
    }
    return blank(size, 0x808080);
}

}  // namespace sablewick::assetgen

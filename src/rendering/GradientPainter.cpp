#include "rendering/GradientPainter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace sablewick {
namespace {

struct Rgb {
    float r = 0, g = 0, b = 0;
};

Rgb toRgb(RgbColor c)
{
    return {float((c >> 16) & 0xFF), float((c >> 8) & 0xFF), float(c & 0xFF)};
}

struct Glow {
    Rgb colour;
    float alpha = 0;
    float centreX = 0, centreY = 0;  // pixel space, y down
    float radius = 1;
};

// A small integer hash: the dither must be the same on every run and every thread.
inline float ditherAt(int x, int y)
{
    uint32_t h = uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    const float a = float(h & 0xFFFF) / 65536.0f, b = float(h >> 16) / 65536.0f;
    return a + b - 1.0f;  // triangular, -1...1 steps
}

}  // namespace

QImage paintPresetGradient(QSize size, const BackgroundPreset& preset)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    const int width = size.width(), height = size.height();
    const float w = float(width), h = float(height);
    const Rgb first = toRgb(preset.first), second = toRgb(preset.second);
    const float longer = std::max(w, h);

    Glow glows[2];
    int glowCount = 0;
    if (preset.glow) {
        glows[glowCount++] = {toRgb(*preset.glow), 0.58f, 0.17f * w, h - 0.82f * h, 0.85f * longer};
        if (preset.fourth)
            glows[glowCount++] = {toRgb(*preset.fourth), 0.92f, 0.82f * w, h - 0.22f * h, 0.72f * longer};
    }

    // The linear gradient runs along the diagonal from (0, 0) to (w, h) in y-up units; a pixel's
    // parameter is its projection onto that diagonal.
    const float axis = w * w + h * h;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        const float upY = h - (float(y) + 0.5f);
        for (int x = 0; x < width; ++x) {
            const float px = float(x) + 0.5f;
            const float t = std::clamp((px * w + upY * h) / axis, 0.0f, 1.0f);
            Rgb c{first.r + t * (second.r - first.r), first.g + t * (second.g - first.g),
                  first.b + t * (second.b - first.b)};
            for (int i = 0; i < glowCount; ++i) {
                const Glow& g = glows[i];
                const float dx = px - g.centreX, dy = float(y) + 0.5f - g.centreY;
                const float d = std::sqrt(dx * dx + dy * dy);
                const float a = g.alpha * std::max(0.0f, 1.0f - d / g.radius);
                c.r += a * (g.colour.r - c.r);
                c.g += a * (g.colour.g - c.g);
                c.b += a * (g.colour.b - c.b);
            }
            const float n = ditherAt(x, y) * 0.5f;
            auto channel = [&](float v) { return uint32_t(std::clamp(int(std::lround(v + n)), 0, 255)); };
            row[x] = 0xFF000000u | (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b);
        }
    }
    return image;
}

}  // namespace sablewick

#pragma once

// The shape of the symbols that are a ring around a mark (the record symbol's dot, the letter i of
// the information symbol, the figure of a numbered badge), read from the pixels of a square
// picture of one.

#include <QImage>

#include <algorithm>
#include <cmath>
#include <string>

namespace sablewick::test {

// Empty when the picture shows a closed ring, a mark at its centre and clear space between them;
// otherwise what is missing. Points are given on the 16-unit grid of the symbolic icons.
inline std::string ringSymbolFault(const QImage& picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull() || image.width() != image.height())
        return "not a square picture";
    const double scale = image.width() / 16.0;
    const auto alphaAt = [&](double x, double y) {
        return qAlpha(
            image.pixel(std::min(int(x * scale), image.width() - 1), std::min(int(y * scale), image.height() - 1)));
    };
    if (alphaAt(8, 8) < 128)
        return "no mark at the centre";
    // The ring's outer part, where symbols of this kind agree; at small sizes it may fall between
    // two pixels, so the densest one across it counts.
    for (int degrees = 0; degrees < 360; degrees += 30) {
        const double a = degrees * M_PI / 180;
        int densest = 0;
        for (double r = 5.75; r <= 7.25; r += 0.25)
            densest = std::max(densest, alphaAt(8 + r * std::cos(a), 8 + r * std::sin(a)));
        if (densest < 160)
            return "ring broken at " + std::to_string(degrees) + " degrees";
    }
    // Straight up and down the letter i comes close to its ring; these directions stay clear.
    for (int degrees : {0, 45, 135, 180, 225, 315}) {
        const double a = degrees * M_PI / 180;
        if (alphaAt(8 + 4.6 * std::cos(a), 8 + 4.6 * std::sin(a)) >= 64)
            return "no space between mark and ring at " + std::to_string(degrees) + " degrees";
    }
    return {};
}

}  // namespace sablewick::test

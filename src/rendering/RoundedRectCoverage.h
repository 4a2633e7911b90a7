#pragma once

#include <algorithm>
#include <cmath>

namespace sablewick {

// A rounded rectangle in pixel space (y down), with the coverage of each pixel taken from the
// signed distance of the pixel's centre: 0.5 - distance, clamped. Along a straight edge that is
// the exact area of the pixel inside the shape, so an edge that moves by a fraction of a pixel
// moves smoothly instead of stepping.
struct RoundedRectCoverage {
    double left = 0, top = 0, right = 0, bottom = 0, radius = 0;

    RoundedRectCoverage() = default;
    RoundedRectCoverage(double l, double t, double r, double b, double rad)
        : left(l), top(t), right(r), bottom(b)
    {
        const double half = std::max(0.0, std::min(r - l, b - t) / 2);
        radius = std::clamp(rad, 0.0, half);
    }

    bool isEmpty() const { return !(right > left) || !(bottom > top); }

    double signedDistance(double x, double y) const
    {
        const double cx = (left + right) / 2, cy = (top + bottom) / 2;
        const double qx = std::abs(x - cx) - (right - left) / 2 + radius;
        const double qy = std::abs(y - cy) - (bottom - top) / 2 + radius;
        const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
        return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - radius;
    }

    // Coverage of pixel (x, y), 0...1.
    double coverage(int x, int y) const
    {
        if (isEmpty())
            return 0;
        return std::clamp(0.5 - signedDistance(x + 0.5, y + 0.5), 0.0, 1.0);
    }

    // Columns [begin, end) of one row.
    struct Span {
        int begin = 0, end = 0;
        bool empty() const { return end <= begin; }
    };

    // Pixels of row y that the shape may touch at all (coverage can be > 0 only inside), and
    // pixels that it certainly covers in full. Both are conservative by a pixel; the coverage
    // function decides in between.
    Span touchedSpan(int y) const { return spanAt(y, 0.5, true); }
    Span fullSpan(int y) const { return spanAt(y, -0.5, false); }

private:
    Span spanAt(int row, double grow, bool outward) const
    {
        if (isEmpty())
            return {};
        const double yc = row + 0.5;
        const double hw = (right - left) / 2 + grow, hh = (bottom - top) / 2 + grow;
        const double r = std::max(radius + grow, 0.0);
        if (hw <= 0 || hh <= 0)
            return {};
        const double dy = std::abs(yc - (top + bottom) / 2);
        if (dy >= hh)
            return {};
        double half = hw;
        if (dy > hh - r) {
            const double e = dy - (hh - r);
            half = hw - r + std::sqrt(std::max(r * r - e * e, 0.0));
        }
        const double cx = (left + right) / 2;
        // Pixel x is inside when its centre x + 0.5 lies within (cx - half, cx + half).
        if (outward)
            return {int(std::floor(cx - half - 0.5)) - 1, int(std::ceil(cx + half - 0.5)) + 2};
        return {int(std::ceil(cx - half - 0.5)) + 1, int(std::floor(cx + half - 0.5)) - 1};
    }
};

}  // namespace sablewick

#include "rendering/GaussianBlur.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace sablewick {
namespace {

// Radii of three boxes whose repeated application has the variance of the Gaussian.
std::array<int, 3> boxRadii(double sigma)
{
    constexpr int passes = 3;
    const double ideal = std::sqrt(12 * sigma * sigma / passes + 1);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const double m = (12 * sigma * sigma - passes * lower * lower - 4.0 * passes * lower - 3.0 * passes)
                     / (-4.0 * lower - 4);
    const int lowerCount = int(std::lround(m));
    std::array<int, 3> radii{};
    for (int i = 0; i < passes; ++i)
        radii[size_t(i)] = ((i < lowerCount ? lower : upper) - 1) / 2;
    return radii;
}

// Box average of radius r along a line of `count` values spaced `stride` apart, edges clamped.
void boxLine(const float* in, float* out, int count, int stride, int r)
{
    const float scale = 1.0f / float(2 * r + 1);
    auto at = [&](int i) { return in[size_t(std::clamp(i, 0, count - 1)) * size_t(stride)]; };
    float sum = 0;
    for (int i = -r; i <= r; ++i)
        sum += at(i);
    for (int i = 0; i < count; ++i) {
        out[size_t(i) * size_t(stride)] = sum * scale;
        sum += at(i + r + 1) - at(i - r);
    }
}

}  // namespace

void gaussianBlurPlane(float* data, int width, int height, double sigma)
{
    if (!(sigma > 0.3) || width <= 0 || height <= 0)
        return;
    const auto radii = boxRadii(sigma);
    std::vector<float> line(static_cast<size_t>(std::max(width, height)));
    for (int r : radii) {
        if (r <= 0)
            continue;
        for (int y = 0; y < height; ++y) {
            float* row = data + size_t(y) * size_t(width);
            boxLine(row, line.data(), width, 1, r);
            std::copy_n(line.data(), width, row);
        }
    }
    // Columns are blurred a whole row at a time with running sums, which keeps memory access
    // sequential.
    std::vector<float> sums(static_cast<size_t>(width)), out(static_cast<size_t>(width) * size_t(height));
    for (int r : radii) {
        if (r <= 0)
            continue;
        const float scale = 1.0f / float(2 * r + 1);
        auto row = [&](int y) { return data + size_t(std::clamp(y, 0, height - 1)) * size_t(width); };
        std::fill(sums.begin(), sums.end(), 0.0f);
        for (int y = -r; y <= r; ++y) {
            const float* src = row(y);
            for (int x = 0; x < width; ++x)
                sums[size_t(x)] += src[x];
        }
        for (int y = 0; y < height; ++y) {
            float* dst = out.data() + size_t(y) * size_t(width);
            const float* add = row(y + r + 1);
            const float* sub = row(y - r);
            for (int x = 0; x < width; ++x) {
                dst[x] = sums[size_t(x)] * scale;
                sums[size_t(x)] += add[x] - sub[x];
            }
        }
        std::copy(out.begin(), out.end(), data);
    }
}

QImage gaussianBlurred(const QImage& image, double sigma)
{
    QImage result = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (!(sigma > 0.3) || result.isNull())
        return result;
    const int width = result.width(), height = result.height();
    std::vector<float> plane(size_t(width) * size_t(height));
    for (int channel = 0; channel < 4; ++channel) {
        const int shift = channel * 8;
        for (int y = 0; y < height; ++y) {
            const auto* src = reinterpret_cast<const quint32*>(result.constScanLine(y));
            float* dst = plane.data() + size_t(y) * size_t(width);
            for (int x = 0; x < width; ++x)
                dst[x] = float((src[x] >> shift) & 0xFF);
        }
        gaussianBlurPlane(plane.data(), width, height, sigma);
        for (int y = 0; y < height; ++y) {
            auto* dst = reinterpret_cast<quint32*>(result.scanLine(y));
            const float* src = plane.data() + size_t(y) * size_t(width);
            for (int x = 0; x < width; ++x) {
                const quint32 value = quint32(std::clamp(int(std::lround(src[x])), 0, 255));
                dst[x] = (dst[x] & ~(0xFFu << shift)) | (value << shift);
            }
        }
    }
    // Rounding each channel separately can leave a colour a step above its alpha.
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<quint32*>(result.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint32 a = row[x] >> 24;
            const quint32 r = std::min((row[x] >> 16) & 0xFF, a), g = std::min((row[x] >> 8) & 0xFF, a),
                          b = std::min(row[x] & 0xFF, a);
            row[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    return result;
}

}  // namespace sablewick

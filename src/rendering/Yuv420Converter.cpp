#include "rendering/Yuv420Converter.h"

#include "rendering/VectorLoop.h"

#include <cstddef>

namespace sablewick {
namespace {

// BT.709 with limited range, scaled by 2^15.
constexpr int32_t kYr = 5983, kYg = 20127, kYb = 2032;
constexpr int32_t kUr = -3298, kUg = -11094, kUb = 14392;
constexpr int32_t kVr = 14392, kVg = -13072, kVb = -1320;

inline int32_t red(uint32_t p) { return int32_t((p >> 16) & 0xFF); }
inline int32_t green(uint32_t p) { return int32_t((p >> 8) & 0xFF); }
inline int32_t blue(uint32_t p) { return int32_t(p & 0xFF); }

inline uint8_t luma(uint32_t p)
{
    return uint8_t((kYr * red(p) + kYg * green(p) + kYb * blue(p) + (16 << 15) + (1 << 14)) >> 15);
}

SABLEWICK_VECTOR_LOOP void lumaRow(const uint32_t* src, int width, uint8_t* dst)
{
    for (int x = 0; x < width; ++x)
        dst[x] = luma(src[x]);
}

// Chroma of a pair of rows (the same row twice at an odd bottom edge).
SABLEWICK_VECTOR_LOOP void chromaRow(const uint32_t* a, const uint32_t* b, int width, uint8_t* u, uint8_t* v)
{
    const int pairs = width / 2;
    for (int i = 0; i < pairs; ++i) {
        const uint32_t p0 = a[2 * i], p1 = a[2 * i + 1], p2 = b[2 * i], p3 = b[2 * i + 1];
        const int32_t r = red(p0) + red(p1) + red(p2) + red(p3);
        const int32_t g = green(p0) + green(p1) + green(p2) + green(p3);
        const int32_t bl = blue(p0) + blue(p1) + blue(p2) + blue(p3);
        u[i] = uint8_t((kUr * r + kUg * g + kUb * bl + (128 << 17) + (1 << 16)) >> 17);
        v[i] = uint8_t((kVr * r + kVg * g + kVb * bl + (128 << 17) + (1 << 16)) >> 17);
    }
    if (width % 2) {
        const uint32_t p0 = a[width - 1], p2 = b[width - 1];
        const int32_t r = 2 * (red(p0) + red(p2)), g = 2 * (green(p0) + green(p2)), bl = 2 * (blue(p0) + blue(p2));
        u[pairs] = uint8_t((kUr * r + kUg * g + kUb * bl + (128 << 17) + (1 << 16)) >> 17);
        v[pairs] = uint8_t((kVr * r + kVg * g + kVb * bl + (128 << 17) + (1 << 16)) >> 17);
    }
}

}  // namespace

void convertToYuv420(const uint32_t* const* rows, int rowCount, int width, int top, const Yuv420Planes& planes)
{
    convertColumnsToYuv420(rows, rowCount, 0, width, top, planes);
}

void convertColumnsToYuv420(const uint32_t* const* rows, int rowCount, int left, int right, int top,
                            const Yuv420Planes& planes)
{
    const int width = right - left;
    if (width <= 0)
        return;
    for (int i = 0; i < rowCount; ++i)
        lumaRow(rows[i] + left, width, planes.y + std::ptrdiff_t(top + i) * planes.yStride + left);
    for (int i = 0; i < rowCount; i += 2) {
        const int chromaRowIndex = (top + i) / 2;
        const uint32_t* second = rows[i + 1 < rowCount ? i + 1 : i];
        chromaRow(rows[i] + left, second + left, width, planes.u + std::ptrdiff_t(chromaRowIndex) * planes.uStride + left / 2,
                  planes.v + std::ptrdiff_t(chromaRowIndex) * planes.vStride + left / 2);
    }
}

}  // namespace sablewick

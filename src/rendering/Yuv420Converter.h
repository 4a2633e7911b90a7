#pragma once

#include <cstdint>

namespace sablewick {

// Planes of a 4:2:0 picture (one chroma sample per 2 x 2 pixels), such as an FFmpeg yuv420p frame.
struct Yuv420Planes {
    uint8_t* y = nullptr;
    uint8_t* u = nullptr;
    uint8_t* v = nullptr;
    int yStride = 0;
    int uStride = 0;
    int vStride = 0;
};

// Converts opaque 32-bit pixels (0xAARRGGBB words) to BT.709 limited range, the colours that
// encoders tag by default for HD video. `top` is the luma row of rows[0]; it must be even, and a
// band of rows covers whole chroma rows except at the bottom edge of an odd-height picture. Each
// chroma sample is the mean of its 2 x 2 pixels.
void convertToYuv420(const uint32_t* const* rows, int rowCount, int width, int top, const Yuv420Planes& planes);
// The same for columns [left, right) of the rows alone (`left` even; `right` odd only at the
// picture's right edge), leaving the planes' other samples as they are: each sample depends only on
// its own pixels, so a picture converted in parts equals one converted whole.
void convertColumnsToYuv420(const uint32_t* const* rows, int rowCount, int left, int right, int top,
                            const Yuv420Planes& planes);

}  // namespace sablewick

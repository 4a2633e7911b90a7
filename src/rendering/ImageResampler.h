#pragma once

#include <cstdint>
#include <vector>

namespace sablewick {

// Separable resampling of 32-bit pixels (four 8-bit channels, premultiplied) under a uniform
// scale and translation, the only transform a zoomed card needs. Positions are continuous, so a
// slow zoom or pan moves the picture by fractions of a pixel instead of jumping a pixel at a time.
// The filter is a tent as wide as one output pixel in source pixels (bilinear when enlarging, an
// area-like average when reducing), so a picture shown smaller does not shimmer.
//
// A row is made in two passes: the source rows under the output row are blended into one line of
// 16-bit values (8 integer and 6 fraction bits), and that line is then filtered along its length.

constexpr int kResampleWeightBits = 14;

// The taps of one direction. Output index i (from `first`) reads `taps` consecutive source
// indices from start[i - first]; the weights of each output sum to 1 << kResampleWeightBits.
// `taps` is even, so that the fast kernels can take two at a time.
struct ResampleTaps {
    int first = 0;
    int count = 0;
    int taps = 0;
    std::vector<int> start;
    std::vector<int16_t> weights;

    int lowestSource() const { return start.empty() ? 0 : start.front(); }
    int highestSource() const { return start.empty() ? 0 : start.back() + taps; }  // exclusive
};

// Taps for output indices [first, first + count) when the centre of output pixel i lies at source
// coordinate scale * (i + 0.5) + offset (pixel edges at whole numbers). `scale` is source pixels
// per output pixel.
ResampleTaps makeResampleTaps(int first, int count, double scale, double offset);

// The two passes. `rows` holds `taps` row pointers already advanced to the first pixel of the
// line; `line` is indexed by source column relative to the line's origin.
using VerticalPass = void (*)(const uint32_t* const* rows, const int16_t* weights, int taps, int pixels,
                              uint16_t* line);
using HorizontalPass = void (*)(const uint16_t* line, int lineOrigin, const ResampleTaps& horizontal,
                                int from, int to, uint32_t* out);

struct ResampleKernels {
    VerticalPass vertical;
    HorizontalPass horizontal;
};

// Reusable buffers of one thread.
struct ResampleScratch {
    std::vector<uint16_t> line;
    std::vector<const uint32_t*> rows;
};

// One output row, columns [from, to), into out[0 .. to - from). `sourceRows[y]` is row y of the
// source (pixel 0 of the row); reads are clamped to rows [rowMin, rowMax) and columns
// [columnMin, columnMax), so the picture continues with its edge pixels beyond that window.
void resampleRow(const uint32_t* const* sourceRows, int columnMin, int columnMax, int rowMin, int rowMax,
                 const ResampleTaps& horizontal, const ResampleTaps& vertical, int outRow, int from, int to,
                 uint32_t* out, ResampleScratch& scratch, const ResampleKernels& kernels);

// Straightforward loops, the reference.
ResampleKernels plainResampleKernels();
// The vector version where the processor has one, else the plain loops; equal results.
ResampleKernels fastResampleKernels();

}  // namespace sablewick

#pragma once

#include <QImage>

#include <cstdint>
#include <vector>

namespace sablewick {

// Separable resampling of 32-bit pixels (four 8-bit channels, premultiplied) under a uniform
// scale and translation, the only transform a zoomed card needs. Positions are continuous, so a
// slow zoom or pan moves the picture by fractions of a pixel instead of jumping a pixel at a time.
// The filter is widened by the reduction ratio when reducing, so a picture shown smaller does not
// shimmer. Recordings are mostly text, whose one- and two-pixel strokes a tent blurs into grey;
// the default cubic keeps them dark and crisp.
//
// A row is made in two passes: the source rows under the output row are blended into one line of
// signed 16-bit values (8 integer and 6 fraction bits; the cubic's negative lobes overshoot both
// ends of the byte range), and that line is then filtered along its length. Results are clamped
// to the byte range and, for premultiplied pixels, each colour to its alpha.

constexpr int kResampleWeightBits = 14;

enum class ResampleFilter {
    cubic,     // Catmull-Rom (a = -0.5): sharp edges with a slight overshoot
    lanczos2,  // two lobes of the windowed sinc: a little sharper still, more ringing
    tent,      // bilinear when enlarging, an area-like average when reducing: soft
};

// The taps of one direction. Output index i (from `first`) reads `taps` consecutive source
// indices from start[i - first]; the weights of each output sum to 1 << kResampleWeightBits.
// `taps` is even, so that the fast kernels can take two at a time.
struct ResampleTaps {
    int first = 0;
    int count = 0;
    int taps = 0;
    std::vector<int> start;
    std::vector<int16_t> weights;
    // The weights again, two to a 32-bit word (the low half first), for the vector kernels.
    std::vector<int32_t> weightPairs;

    int lowestSource() const { return start.empty() ? 0 : start.front(); }
    int highestSource() const { return start.empty() ? 0 : start.back() + taps; }  // exclusive
};

// Taps for output indices [first, first + count) when the centre of output pixel i lies at source
// coordinate scale * (i + 0.5) + offset (pixel edges at whole numbers). `scale` is source pixels
// per output pixel.
ResampleTaps makeResampleTaps(int first, int count, double scale, double offset,
                              ResampleFilter filter = ResampleFilter::cubic);

// The two passes. `rows` holds `taps` row pointers already advanced to the first pixel of the
// line; `line` is indexed by source column relative to the line's origin.
// With `opaque` the alpha of the line is set to full.
using VerticalPass = void (*)(const uint32_t* const* rows, const int16_t* weights, int taps, int pixels,
                              bool opaque, int16_t* line);
using HorizontalPass = void (*)(const int16_t* line, int lineOrigin, const ResampleTaps& horizontal,
                                int from, int to, uint32_t* out);

struct ResampleKernels {
    VerticalPass vertical;
    HorizontalPass horizontal;
};

// Reusable buffers of one thread, and the line last prepared.
struct ResampleScratch {
    std::vector<int16_t> line;
    std::vector<const uint32_t*> rows;
    int lineOrigin = 0;
};

// Where to read: `rows[y]` is row y of the source (pixel 0 of the row); reads are clamped to rows
// [rowMin, rowMax) and columns [columnMin, columnMax), so the picture continues with its edge
// pixels beyond that window. `opaque` sets every alpha to full (frames whose fourth byte is
// padding).
struct ResampleSource {
    const uint32_t* const* rows = nullptr;
    int columnMin = 0, columnMax = 0, rowMin = 0, rowMax = 0;
    bool opaque = false;
};

// The vertical pass of output row `outRow` for output columns [from, to).
void prepareLine(const ResampleSource& source, const ResampleTaps& horizontal, const ResampleTaps& vertical,
                 int outRow, int from, int to, ResampleScratch& scratch, const ResampleKernels& kernels);
// The horizontal pass over the prepared line for output columns [from, to) (inside the prepared
// range) into out[0 .. to - from).
void filterLine(const ResampleTaps& horizontal, int from, int to, uint32_t* out, const ResampleScratch& scratch,
                const ResampleKernels& kernels);

// Both passes: one output row, columns [from, to), into out[0 .. to - from).
void resampleRow(const ResampleSource& source, const ResampleTaps& horizontal, const ResampleTaps& vertical,
                 int outRow, int from, int to, uint32_t* out, ResampleScratch& scratch, const ResampleKernels& kernels);

// Straightforward loops, the reference.
ResampleKernels plainResampleKernels();
// The fastest version this processor runs (AVX2, else SSE2, else the plain loops); all give
// equal results.
ResampleKernels fastResampleKernels();
// Every version this processor runs, the plain loops first (for tests that compare them).
std::vector<ResampleKernels> availableResampleKernels();

// The whole image scaled to `size` (which may change its aspect), by default with the video's
// filter, so that thumbnails and stills look as sharp as the video. Images without alpha come
// back as RGB32, others as premultiplied ARGB; a null image or an empty size gives a null image.
QImage resampledImage(const QImage& image, QSize size, ResampleFilter filter = ResampleFilter::cubic);

}  // namespace sablewick

#include "rendering/ImageResampler.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sablewick {
namespace {

constexpr int kLineFractionBits = 6;
constexpr int kVerticalShift = kResampleWeightBits - kLineFractionBits;
constexpr int kHorizontalShift = kResampleWeightBits + kLineFractionBits;

void verticalRange(const uint32_t* const* rows, const int16_t* weights, int taps, int begin, int end,
                   uint16_t* line)
{
    for (int x = begin; x < end; ++x) {
        for (int c = 0; c < 4; ++c) {
            int32_t sum = 0;
            for (int t = 0; t < taps; ++t)
                sum += int32_t((rows[t][x] >> (8 * c)) & 0xFF) * weights[t];
            line[x * 4 + c] = uint16_t((sum + (1 << (kVerticalShift - 1))) >> kVerticalShift);
        }
    }
}

void plainVertical(const uint32_t* const* rows, const int16_t* weights, int taps, int pixels, uint16_t* line)
{
    verticalRange(rows, weights, taps, 0, pixels, line);
}

void plainHorizontal(const uint16_t* line, int lineOrigin, const ResampleTaps& h, int from, int to, uint32_t* out)
{
    for (int i = from; i < to; ++i) {
        const int k = i - h.first;
        const uint16_t* px = line + size_t(h.start[size_t(k)] - lineOrigin) * 4;
        const int16_t* w = h.weights.data() + size_t(k) * size_t(h.taps);
        uint32_t value = 0;
        for (int c = 0; c < 4; ++c) {
            int32_t sum = 0;
            for (int t = 0; t < h.taps; ++t)
                sum += int32_t(px[t * 4 + c]) * w[t];
            const int32_t v = std::clamp((sum + (1 << (kHorizontalShift - 1))) >> kHorizontalShift, 0, 255);
            value |= uint32_t(v) << (8 * c);
        }
        out[i - from] = value;
    }
}

#if defined(__SSE2__)
void sseVertical(const uint32_t* const* rows, const int16_t* weights, int taps, int pixels, uint16_t* line)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i round = _mm_set1_epi32(1 << (kVerticalShift - 1));
    int x = 0;
    for (; x + 4 <= pixels; x += 4) {
        __m128i acc0 = round, acc1 = round, acc2 = round, acc3 = round;
        for (int t = 0; t < taps; t += 2) {
            const __m128i w = _mm_set1_epi32(int32_t(uint16_t(weights[t])) | (int32_t(weights[t + 1]) << 16));
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[t] + x));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[t + 1] + x));
            const __m128i alo = _mm_unpacklo_epi8(a, zero), ahi = _mm_unpackhi_epi8(a, zero);
            const __m128i blo = _mm_unpacklo_epi8(b, zero), bhi = _mm_unpackhi_epi8(b, zero);
            acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi16(alo, blo), w));
            acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi16(alo, blo), w));
            acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi16(ahi, bhi), w));
            acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi16(ahi, bhi), w));
        }
        acc0 = _mm_srai_epi32(acc0, kVerticalShift);
        acc1 = _mm_srai_epi32(acc1, kVerticalShift);
        acc2 = _mm_srai_epi32(acc2, kVerticalShift);
        acc3 = _mm_srai_epi32(acc3, kVerticalShift);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(line + x * 4), _mm_packs_epi32(acc0, acc1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(line + x * 4 + 8), _mm_packs_epi32(acc2, acc3));
    }
    verticalRange(rows, weights, taps, x, pixels, line);
}

void sseHorizontal(const uint16_t* line, int lineOrigin, const ResampleTaps& h, int from, int to, uint32_t* out)
{
    const __m128i round = _mm_set1_epi32(1 << (kHorizontalShift - 1));
    for (int i = from; i < to; ++i) {
        const int k = i - h.first;
        const uint16_t* px = line + size_t(h.start[size_t(k)] - lineOrigin) * 4;
        const int16_t* w = h.weights.data() + size_t(k) * size_t(h.taps);
        __m128i acc = round;
        for (int t = 0; t < h.taps; t += 2) {
            const __m128i two = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + t * 4));
            const __m128i pair = _mm_unpacklo_epi16(two, _mm_srli_si128(two, 8));
            const __m128i weight = _mm_set1_epi32(int32_t(uint16_t(w[t])) | (int32_t(w[t + 1]) << 16));
            acc = _mm_add_epi32(acc, _mm_madd_epi16(pair, weight));
        }
        acc = _mm_srai_epi32(acc, kHorizontalShift);
        const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(acc, acc), _mm_setzero_si128());
        out[i - from] = uint32_t(_mm_cvtsi128_si32(packed));
    }
}
#endif

}  // namespace

ResampleTaps makeResampleTaps(int first, int count, double scale, double offset)
{
    ResampleTaps result;
    result.first = first;
    result.count = std::max(count, 0);
    const double support = std::max(scale, 1.0);
    int taps = int(std::ceil(2 * support)) + 1;
    taps += taps % 2;
    result.taps = taps;
    result.start.resize(size_t(result.count));
    result.weights.assign(size_t(result.count) * size_t(taps), 0);
    std::vector<double> raw(static_cast<size_t>(taps));
    for (int i = 0; i < result.count; ++i) {
        // Centre in index space: pixel j's centre is at j + 0.5.
        const double centre = scale * (first + i + 0.5) + offset - 0.5;
        const int begin = int(std::floor(centre - support)) + 1;
        double sum = 0;
        for (int t = 0; t < taps; ++t) {
            raw[size_t(t)] = std::max(0.0, 1.0 - std::abs(begin + t - centre) / support);
            sum += raw[size_t(t)];
        }
        int16_t* w = result.weights.data() + size_t(i) * size_t(taps);
        int total = 0, largest = 0;
        for (int t = 0; t < taps; ++t) {
            w[t] = int16_t(std::lround(raw[size_t(t)] / sum * (1 << kResampleWeightBits)));
            total += w[t];
            if (w[t] > w[largest])
                largest = t;
        }
        w[largest] = int16_t(w[largest] + ((1 << kResampleWeightBits) - total));
        result.start[size_t(i)] = begin;
    }
    return result;
}

void resampleRow(const uint32_t* const* sourceRows, int columnMin, int columnMax, int rowMin, int rowMax,
                 const ResampleTaps& horizontal, const ResampleTaps& vertical, int outRow, int from, int to,
                 uint32_t* out, ResampleScratch& scratch, const ResampleKernels& kernels)
{
    if (to <= from || columnMax <= columnMin || rowMax <= rowMin)
        return;
    const int lineBegin = horizontal.start[size_t(from - horizontal.first)];
    const int lineEnd = horizontal.start[size_t(to - 1 - horizontal.first)] + horizontal.taps;
    // The part of the line that lies on the source; the rest repeats its edge pixels.
    const int a = std::clamp(lineBegin, columnMin, columnMax - 1);
    const int b = std::max(std::clamp(lineEnd, columnMin, columnMax), a + 1);
    // One pixel of slack: the fast kernel reads two taps at a time.
    scratch.line.resize(size_t(lineEnd - lineBegin + 2) * 4);

    const int v = outRow - vertical.first;
    const int firstRow = vertical.start[size_t(v)];
    scratch.rows.resize(size_t(vertical.taps));
    for (int t = 0; t < vertical.taps; ++t)
        scratch.rows[size_t(t)] = sourceRows[std::clamp(firstRow + t, rowMin, rowMax - 1)] + a;
    const int lineStart = std::min(std::max(a - lineBegin, 0), lineEnd - lineBegin);
    uint16_t* line = scratch.line.data();
    kernels.vertical(scratch.rows.data(), vertical.weights.data() + size_t(v) * size_t(vertical.taps),
                     vertical.taps, b - a, line + size_t(lineStart) * 4);
    // Edge pixels repeated outside the window (the window may even lie wholly to one side).
    const uint16_t* leftPixel = line + size_t(lineStart) * 4;
    const int written = std::min(b - a, lineEnd - lineBegin - lineStart);
    const uint16_t* rightPixel = line + size_t(lineStart + std::max(written, 1) - 1) * 4;
    for (int i = 0; i < lineStart; ++i)
        std::copy_n(leftPixel, 4, line + size_t(i) * 4);
    for (int i = lineStart + std::max(written, 1); i < lineEnd - lineBegin + 2; ++i)
        std::copy_n(rightPixel, 4, line + size_t(i) * 4);
    kernels.horizontal(line, lineBegin, horizontal, from, to, out);
}

ResampleKernels plainResampleKernels()
{
    return {plainVertical, plainHorizontal};
}

ResampleKernels fastResampleKernels()
{
#if defined(__SSE2__)
    return {sseVertical, sseHorizontal};
#else
    return plainResampleKernels();
#endif
}

}  // namespace sablewick

#include "rendering/ImageResampler.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define SABLEWICK_HAVE_AVX2_KERNELS 1
#endif

namespace sablewick {
namespace {

constexpr int kLineFractionBits = 6;
constexpr int kVerticalShift = kResampleWeightBits - kLineFractionBits;
constexpr int kHorizontalShift = kResampleWeightBits + kLineFractionBits;
constexpr int16_t kOpaqueLine = 255 << kLineFractionBits;

void verticalRange(const uint32_t* const* rows, const int16_t* weights, int taps, int begin, int end,
                   bool opaque, int16_t* line)
{
    for (int x = begin; x < end; ++x) {
        for (int c = 0; c < 4; ++c) {
            int32_t sum = 1 << (kVerticalShift - 1);
            for (int t = 0; t < taps; ++t)
                sum += int32_t((rows[t][x] >> (8 * c)) & 0xFF) * weights[t];
            line[x * 4 + c] = int16_t(std::clamp(sum >> kVerticalShift, -32768, 32767));
        }
        if (opaque)
            line[x * 4 + 3] = kOpaqueLine;
    }
}

void plainVertical(const uint32_t* const* rows, const int16_t* weights, int taps, int pixels, bool opaque,
                   int16_t* line)
{
    verticalRange(rows, weights, taps, 0, pixels, opaque, line);
}

void plainHorizontal(const int16_t* line, int lineOrigin, const ResampleTaps& h, int from, int to, uint32_t* out)
{
    for (int i = from; i < to; ++i) {
        const int k = i - h.first;
        const int16_t* px = line + size_t(h.start[size_t(k)] - lineOrigin) * 4;
        const int16_t* w = h.weights.data() + size_t(k) * size_t(h.taps);
        int32_t value[4];
        for (int c = 0; c < 4; ++c) {
            int32_t sum = 1 << (kHorizontalShift - 1);
            for (int t = 0; t < h.taps; ++t)
                sum += int32_t(px[t * 4 + c]) * w[t];
            value[c] = sum >> kHorizontalShift;
        }
        // A colour brighter than its alpha is no premultiplied pixel; the overshoot past an edge
        // of a translucent picture would otherwise add light over whatever lies beneath.
        uint32_t pixel = uint32_t(std::clamp(value[3], 0, 255)) << 24;
        for (int c = 0; c < 3; ++c)
            pixel |= uint32_t(std::clamp(std::min(value[c], value[3]), 0, 255)) << (8 * c);
        out[i - from] = pixel;
    }
}

#if defined(__SSE2__)
void sseVertical(const uint32_t* const* rows, const int16_t* weights, int taps, int pixels, bool opaque,
                 int16_t* line)
{
    // With `opaque` the alpha words are replaced: whatever the padding bytes held, and however
    // the weights overshot them.
    const __m128i alpha = opaque ? _mm_set_epi16(kOpaqueLine, 0, 0, 0, kOpaqueLine, 0, 0, 0) : _mm_setzero_si128();
    const __m128i keep = opaque ? _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1) : _mm_set1_epi32(-1);
    const __m128i zero = _mm_setzero_si128();
    const __m128i round = _mm_set1_epi32(1 << (kVerticalShift - 1));
    int x = 0;
    for (; x + 4 <= pixels; x += 4) {
        __m128i acc0 = round, acc1 = round, acc2 = round, acc3 = round;
        for (int t = 0; t < taps; t += 2) {
            const __m128i w = _mm_set1_epi32(int32_t(uint16_t(weights[t])) | (int32_t(weights[t + 1]) << 16));
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[t] + x));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[t + 1] + x));
            // Bytes of the two rows side by side, then widened: each 32-bit lane is one
            // channel's (row t, row t + 1) pair, ready for the multiply-add.
            const __m128i ab01 = _mm_unpacklo_epi8(a, b), ab23 = _mm_unpackhi_epi8(a, b);
            acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi8(ab01, zero), w));
            acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi8(ab01, zero), w));
            acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi8(ab23, zero), w));
            acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi8(ab23, zero), w));
        }
        const __m128i p01 = _mm_packs_epi32(_mm_srai_epi32(acc0, kVerticalShift), _mm_srai_epi32(acc1, kVerticalShift));
        const __m128i p23 = _mm_packs_epi32(_mm_srai_epi32(acc2, kVerticalShift), _mm_srai_epi32(acc3, kVerticalShift));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(line + x * 4), _mm_or_si128(_mm_and_si128(p01, keep), alpha));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(line + x * 4 + 8), _mm_or_si128(_mm_and_si128(p23, keep), alpha));
    }
    verticalRange(rows, weights, taps, x, pixels, opaque, line);
}

void sseHorizontal(const int16_t* line, int lineOrigin, const ResampleTaps& h, int from, int to, uint32_t* out)
{
    const __m128i round = _mm_set1_epi32(1 << (kHorizontalShift - 1));
    for (int i = from; i < to; ++i) {
        const int k = i - h.first;
        const int16_t* px = line + size_t(h.start[size_t(k)] - lineOrigin) * 4;
        const int32_t* w = h.weightPairs.data() + size_t(k) * size_t(h.taps / 2);
        __m128i acc = round;
        for (int t = 0; t < h.taps; t += 2) {
            const __m128i two = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + t * 4));
            const __m128i pair = _mm_unpacklo_epi16(two, _mm_srli_si128(two, 8));
            acc = _mm_add_epi32(acc, _mm_madd_epi16(pair, _mm_set1_epi32(w[t / 2])));
        }
        acc = _mm_srai_epi32(acc, kHorizontalShift);
        const __m128i words = _mm_packs_epi32(acc, acc);
        const __m128i withinAlpha = _mm_min_epi16(words, _mm_shufflelo_epi16(words, 0xFF));
        const __m128i packed = _mm_packus_epi16(withinAlpha, _mm_setzero_si128());
        out[i - from] = uint32_t(_mm_cvtsi128_si32(packed));
    }
}
#endif

#if defined(SABLEWICK_HAVE_AVX2_KERNELS)
// Eight pixels at a time; the unpacking works within 128-bit halves, and the final permutes put
// the pixels back in order.
__attribute__((target("avx2"))) void avx2Vertical(const uint32_t* const* rows, const int16_t* weights, int taps,
                                                  int pixels, bool opaque, int16_t* line)
{
    const int16_t a = opaque ? kOpaqueLine : 0;
    const __m256i alpha = _mm256_setr_epi16(0, 0, 0, a, 0, 0, 0, a, 0, 0, 0, a, 0, 0, 0, a);
    const int16_t k = opaque ? 0 : -1;
    const __m256i keep = _mm256_setr_epi16(-1, -1, -1, k, -1, -1, -1, k, -1, -1, -1, k, -1, -1, -1, k);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i round = _mm256_set1_epi32(1 << (kVerticalShift - 1));
    int x = 0;
    for (; x + 8 <= pixels; x += 8) {
        __m256i acc0 = round, acc1 = round, acc2 = round, acc3 = round;
        for (int t = 0; t < taps; t += 2) {
            const __m256i w = _mm256_set1_epi32(int32_t(uint16_t(weights[t])) | (int32_t(weights[t + 1]) << 16));
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[t] + x));
            const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[t + 1] + x));
            const __m256i ab01 = _mm256_unpacklo_epi8(a, b), ab23 = _mm256_unpackhi_epi8(a, b);
            acc0 = _mm256_add_epi32(acc0, _mm256_madd_epi16(_mm256_unpacklo_epi8(ab01, zero), w));
            acc1 = _mm256_add_epi32(acc1, _mm256_madd_epi16(_mm256_unpackhi_epi8(ab01, zero), w));
            acc2 = _mm256_add_epi32(acc2, _mm256_madd_epi16(_mm256_unpacklo_epi8(ab23, zero), w));
            acc3 = _mm256_add_epi32(acc3, _mm256_madd_epi16(_mm256_unpackhi_epi8(ab23, zero), w));
        }
        // acc0..3 hold pixels (0|4), (1|5), (2|6), (3|7).
        const __m256i p01 = _mm256_packs_epi32(_mm256_srai_epi32(acc0, kVerticalShift), _mm256_srai_epi32(acc1, kVerticalShift));
        const __m256i p23 = _mm256_packs_epi32(_mm256_srai_epi32(acc2, kVerticalShift), _mm256_srai_epi32(acc3, kVerticalShift));
        const __m256i first = _mm256_permute2x128_si256(p01, p23, 0x20), second = _mm256_permute2x128_si256(p01, p23, 0x31);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(line + x * 4), _mm256_or_si256(_mm256_and_si256(first, keep), alpha));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(line + x * 4 + 16),
                            _mm256_or_si256(_mm256_and_si256(second, keep), alpha));
    }
    verticalRange(rows, weights, taps, x, pixels, opaque, line);
}

// Two taps of two outputs, channel by channel: (lo tap 0, lo tap 1) pairs in the low half, the
// same for `hi` in the high half.
__attribute__((target("avx2"))) inline __m256i avx2TapPair(const int16_t* lo, const int16_t* hi)
{
    const __m256i two = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lo))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(hi)), 1);
    const __m256i interleave = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15,  //
                                                0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
    return _mm256_shuffle_epi8(two, interleave);
}

// Weight pair `lo` in every lane of the low half, `hi` in the high half; broadcasts from memory
// and a blend keep the shuffle unit free for the pixels.
__attribute__((target("avx2"))) inline __m256i avx2WeightPair(const int32_t* lo, const int32_t* hi)
{
    return _mm256_blend_epi32(_mm256_set1_epi32(*lo), _mm256_set1_epi32(*hi), 0xF0);
}

// Four output pixels at a time: two in each register, one per 128-bit half. `Pairs` tap pairs per
// output when known at compile time, so that the common counts unroll (two when enlarging, three
// for a reduction of up to 1.5); 0 takes the count from the taps, for any reduction.
template <int Pairs>
__attribute__((target("avx2"))) void avx2HorizontalPairs(const int16_t* line, int lineOrigin, const ResampleTaps& h,
                                                         int from, int to, uint32_t* out)
{
    const int pairs = Pairs > 0 ? Pairs : h.taps / 2;
    const __m256i round = _mm256_set1_epi32(1 << (kHorizontalShift - 1));
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const __m256i alphas = _mm256_setr_epi8(3, 3, 3, 3, 7, 7, 7, 7, 11, 11, 11, 11, 15, 15, 15, 15,  //
                                            3, 3, 3, 3, 7, 7, 7, 7, 11, 11, 11, 11, 15, 15, 15, 15);
    int i = from;
    for (; i + 4 <= to; i += 4) {
        const int k = i - h.first;
        const int* start = h.start.data() + k;
        const int16_t* px0 = line + size_t(start[0] - lineOrigin) * 4;
        const int16_t* px1 = line + size_t(start[1] - lineOrigin) * 4;
        const int16_t* px2 = line + size_t(start[2] - lineOrigin) * 4;
        const int16_t* px3 = line + size_t(start[3] - lineOrigin) * 4;
        const int32_t* w0 = h.weightPairs.data() + size_t(k) * size_t(pairs);
        const int32_t *w1 = w0 + pairs, *w2 = w1 + pairs, *w3 = w2 + pairs;
        __m256i accA = round, accB = round;
        for (int p = 0; p < pairs; ++p) {
            accA = _mm256_add_epi32(accA, _mm256_madd_epi16(avx2TapPair(px0 + p * 8, px1 + p * 8),
                                                             avx2WeightPair(w0 + p, w1 + p)));
            accB = _mm256_add_epi32(accB, _mm256_madd_epi16(avx2TapPair(px2 + p * 8, px3 + p * 8),
                                                             avx2WeightPair(w2 + p, w3 + p)));
        }
        // Halves hold outputs (0 | 1) and (2 | 3); packing gives bytes (0, 2 | 1, 3).
        const __m256i words = _mm256_packs_epi32(_mm256_srai_epi32(accA, kHorizontalShift),
                                                 _mm256_srai_epi32(accB, kHorizontalShift));
        const __m256i bytes = _mm256_packus_epi16(words, words);
        const __m256i withinAlpha = _mm256_min_epu8(bytes, _mm256_shuffle_epi8(bytes, alphas));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (i - from)),
                         _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(withinAlpha, order)));
    }
    if (i < to)
        sseHorizontal(line, lineOrigin, h, i, to, out + (i - from));
}

__attribute__((target("avx2"))) void avx2Horizontal(const int16_t* line, int lineOrigin, const ResampleTaps& h,
                                                    int from, int to, uint32_t* out)
{
    switch (h.taps) {
    case 4:
        avx2HorizontalPairs<2>(line, lineOrigin, h, from, to, out);
        break;
    case 6:
        avx2HorizontalPairs<3>(line, lineOrigin, h, from, to, out);
        break;
    default:
        avx2HorizontalPairs<0>(line, lineOrigin, h, from, to, out);
    }
}
#endif

double kernelRadius(ResampleFilter filter)
{
    return filter == ResampleFilter::tent ? 1.0 : 2.0;
}

// The kernel at distance x (in source pixels, before widening).
double kernelWeight(ResampleFilter filter, double x)
{
    x = std::abs(x);
    switch (filter) {
    case ResampleFilter::cubic:
        if (x < 1)
            return (1.5 * x - 2.5) * x * x + 1;
        return x < 2 ? ((-0.5 * x + 2.5) * x - 4) * x + 2 : 0;
    case ResampleFilter::lanczos2: {
        if (x >= 2)
            return 0;
        if (x < 1e-9)
            return 1;
        const double pi = 3.14159265358979323846;
        return 2 * std::sin(pi * x) * std::sin(pi * x / 2) / (pi * pi * x * x);
    }
    case ResampleFilter::tent:
        break;
    }
    return std::max(0.0, 1 - x);
}

bool hasAvx2()
{
#if defined(SABLEWICK_HAVE_AVX2_KERNELS)
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

}  // namespace

ResampleTaps makeResampleTaps(int first, int count, double scale, double offset, ResampleFilter filter)
{
    ResampleTaps result;
    result.first = first;
    result.count = std::max(count, 0);
    // The kernel reaches `radius` source pixels each side, widened by the reduction ratio; it is
    // zero at its ends, so it spans at most ceil(2 * radius) source pixels.
    const double widen = std::max(scale, 1.0);
    const double radius = kernelRadius(filter) * widen;
    int taps = std::max(int(std::ceil(2 * radius - 1e-9)), 2);
    taps += taps % 2;
    result.taps = taps;
    result.start.resize(size_t(result.count));
    result.weights.assign(size_t(result.count) * size_t(taps), 0);
    std::vector<double> raw(static_cast<size_t>(taps));
    for (int i = 0; i < result.count; ++i) {
        // Centre in index space: pixel j's centre is at j + 0.5.
        const double centre = scale * (first + i + 0.5) + offset - 0.5;
        const int begin = int(std::floor(centre - radius)) + 1;
        double sum = 0;
        for (int t = 0; t < taps; ++t) {
            raw[size_t(t)] = kernelWeight(filter, (begin + t - centre) / widen);
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
    result.weightPairs.resize(result.weights.size() / 2);
    for (size_t p = 0; p < result.weightPairs.size(); ++p)
        result.weightPairs[p] = int32_t(uint16_t(result.weights[2 * p])) | (int32_t(result.weights[2 * p + 1]) << 16);
    return result;
}

void prepareLine(const ResampleSource& source, const ResampleTaps& horizontal, const ResampleTaps& vertical,
                 int outRow, int from, int to, ResampleScratch& scratch, const ResampleKernels& kernels)
{
    const int columnMin = source.columnMin, columnMax = source.columnMax;
    if (to <= from || columnMax <= columnMin || source.rowMax <= source.rowMin)
        return;
    const int lineBegin = horizontal.start[size_t(from - horizontal.first)];
    const int lineEnd = horizontal.start[size_t(to - 1 - horizontal.first)] + horizontal.taps;
    scratch.lineOrigin = lineBegin;
    // The part of the line that lies on the source; the rest repeats its edge pixels.
    const int a = std::clamp(lineBegin, columnMin, columnMax - 1);
    const int b = std::max(std::clamp(lineEnd, columnMin, columnMax), a + 1);
    // One pixel of slack: the fast kernel reads two taps at a time.
    scratch.line.resize(size_t(lineEnd - lineBegin + 2) * 4);

    const int v = outRow - vertical.first;
    const int firstRow = vertical.start[size_t(v)];
    scratch.rows.resize(size_t(vertical.taps));
    for (int t = 0; t < vertical.taps; ++t)
        scratch.rows[size_t(t)] = source.rows[std::clamp(firstRow + t, source.rowMin, source.rowMax - 1)] + a;
    const int lineStart = std::min(std::max(a - lineBegin, 0), lineEnd - lineBegin);
    int16_t* line = scratch.line.data();
    kernels.vertical(scratch.rows.data(), vertical.weights.data() + size_t(v) * size_t(vertical.taps),
                     vertical.taps, b - a, source.opaque, line + size_t(lineStart) * 4);
    // Edge pixels repeated outside the window (the window may even lie wholly to one side).
    const int16_t* leftPixel = line + size_t(lineStart) * 4;
    const int written = std::min(b - a, lineEnd - lineBegin - lineStart);
    const int16_t* rightPixel = line + size_t(lineStart + std::max(written, 1) - 1) * 4;
    for (int i = 0; i < lineStart; ++i)
        std::copy_n(leftPixel, 4, line + size_t(i) * 4);
    for (int i = lineStart + std::max(written, 1); i < lineEnd - lineBegin + 2; ++i)
        std::copy_n(rightPixel, 4, line + size_t(i) * 4);
}

void filterLine(const ResampleTaps& horizontal, int from, int to, uint32_t* out, const ResampleScratch& scratch,
                const ResampleKernels& kernels)
{
    if (to > from)
        kernels.horizontal(scratch.line.data(), scratch.lineOrigin, horizontal, from, to, out);
}

void resampleRow(const ResampleSource& source, const ResampleTaps& horizontal, const ResampleTaps& vertical,
                 int outRow, int from, int to, uint32_t* out, ResampleScratch& scratch, const ResampleKernels& kernels)
{
    if (to <= from || source.columnMax <= source.columnMin || source.rowMax <= source.rowMin)
        return;
    prepareLine(source, horizontal, vertical, outRow, from, to, scratch, kernels);
    filterLine(horizontal, from, to, out, scratch, kernels);
}

ResampleKernels plainResampleKernels()
{
    return {plainVertical, plainHorizontal};
}

ResampleKernels fastResampleKernels()
{
    static const ResampleKernels fastest = availableResampleKernels().back();
    return fastest;
}

std::vector<ResampleKernels> availableResampleKernels()
{
    std::vector<ResampleKernels> kernels{plainResampleKernels()};
#if defined(__SSE2__)
    kernels.push_back({sseVertical, sseHorizontal});
#endif
#if defined(SABLEWICK_HAVE_AVX2_KERNELS)
    if (hasAvx2())
        kernels.push_back({avx2Vertical, avx2Horizontal});
#endif
    return kernels;
}

QImage resampledImage(const QImage& image, QSize size, ResampleFilter filter)
{
    if (image.isNull() || size.isEmpty())
        return {};
    const bool opaque = !image.hasAlphaChannel();
    const QImage::Format format = opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
    const QImage source = image.convertToFormat(format);
    QImage target(size, format);
    if (target.isNull())
        return {};
    const ResampleTaps horizontal =
        makeResampleTaps(0, size.width(), double(source.width()) / size.width(), 0, filter);
    const ResampleTaps vertical =
        makeResampleTaps(0, size.height(), double(source.height()) / size.height(), 0, filter);
    std::vector<const uint32_t*> rows(size_t(source.height()));
    for (int y = 0; y < source.height(); ++y)
        rows[size_t(y)] = reinterpret_cast<const uint32_t*>(source.constScanLine(y));
    const ResampleSource from{rows.data(), 0, source.width(), 0, source.height(), opaque};
    ResampleScratch scratch;
    const ResampleKernels kernels = fastResampleKernels();
    for (int y = 0; y < size.height(); ++y)
        resampleRow(from, horizontal, vertical, y, 0, size.width(), reinterpret_cast<uint32_t*>(target.scanLine(y)),
                    scratch, kernels);
    return target;
}

}  // namespace sablewick

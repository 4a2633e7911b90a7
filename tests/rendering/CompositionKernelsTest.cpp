#include "rendering/GaussianBlur.h"
#include "rendering/ImageResampler.h"
#include "rendering/RoundedRectCoverage.h"
#include "rendering/Yuv420Converter.h"

#include <gtest/gtest.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace sablewick {
namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    std::vector<const uint32_t*> rows;

    Picture(int w, int h)
        : width(w)
        , height(h)
        , pixels(static_cast<size_t>(w) * size_t(h))
    {
        for (int y = 0; y < h; ++y)
            rows.push_back(pixels.data() + size_t(y) * size_t(w));
    }
    uint32_t& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// Output width x height from the picture under a uniform scale and offset. With `opaque` the
// fourth byte of the source is padding.
std::vector<uint32_t> resample(const Picture& source, int width, int height, double scale, double offsetX,
                               double offsetY, const ResampleKernels& kernels, bool opaque = false)
{
    const ResampleTaps h = makeResampleTaps(0, width, scale, offsetX);
    const ResampleTaps v = makeResampleTaps(0, height, scale, offsetY);
    std::vector<uint32_t> out(static_cast<size_t>(width) * size_t(height));
    ResampleScratch scratch;
    const ResampleSource from{source.rows.data(), 0, source.width, 0, source.height, opaque};
    for (int y = 0; y < height; ++y)
        resampleRow(from, h, v, y, 0, width, out.data() + size_t(y) * size_t(width), scratch, kernels);
    return out;
}

int channel(uint32_t p, int c)
{
    return int((p >> (8 * c)) & 0xFF);
}

// Premultiplied pixels: opaque ones, translucent ones and holes, in runs so that edges are sharp.
Picture randomPicture(int width, int height, unsigned seed)
{
    Picture picture(width, height);
    std::mt19937 random(seed);
    uint32_t pixel = 0;
    for (uint32_t& p : picture.pixels) {
        if (random() % 3 == 0) {
            const uint32_t alpha = std::array<uint32_t, 4>{255, 255, 128, 0}[random() % 4];
            pixel = alpha << 24;
            for (int c = 0; c < 3; ++c)
                pixel |= (random() % (alpha + 1)) << (8 * c);
        }
        p = pixel;
    }
    return picture;
}

TEST(ImageResamplerTest, FastKernelsMatchThePlainLoopsExactly)
{
    const Picture opaque = [] {
        Picture p(97, 61);
        std::mt19937 random(7);
        for (uint32_t& pixel : p.pixels)
            pixel = random() | 0xFF000000u;
        return p;
    }();
    const Picture translucent = randomPicture(97, 61, 5);
    // Padding bytes that are neither 0 nor 255 must not leak into the result.
    Picture padded = opaque;
    for (uint32_t& pixel : padded.pixels)
        pixel = (pixel & 0xFFFFFFu) | ((pixel * 2654435761u) & 0xFF000000u);
    struct Case {
        double scale, offsetX, offsetY;
        int width, height;
    };
    // Enlarging, reducing a little (six taps) and a lot (any number of taps), fractional offsets,
    // and windows past the edges.
    const Case cases[] = {{1.0, 0.0, 0.0, 97, 61},    {0.37, 3.3, 1.7, 120, 90},    {1.18, 0.25, -0.4, 80, 50},
                          {1.6, 0.7, 0.2, 60, 38},    {2.35, -1.3, 0.6, 41, 26},     {3.7, -2.0, 5.5, 26, 17},
                          {0.9, -20.0, -10.0, 140, 90}, {11.0, 0.0, 0.0, 9, 6}};
    const auto variants = availableResampleKernels();
    ASSERT_GE(variants.size(), 1u);
    struct Source {
        const Picture& picture;
        bool opaque;
        const char* name;
    };
    for (const Source& source : {Source{opaque, false, "opaque"}, Source{translucent, false, "translucent"},
                                 Source{padded, true, "padded"}}) {
        for (const Case& c : cases) {
            const auto plain = resample(source.picture, c.width, c.height, c.scale, c.offsetX, c.offsetY,
                                        plainResampleKernels(), source.opaque);
            for (size_t i = 1; i < variants.size(); ++i)
                EXPECT_EQ(plain, resample(source.picture, c.width, c.height, c.scale, c.offsetX, c.offsetY,
                                          variants[i], source.opaque))
                    << source.name << ", scale " << c.scale << ", version " << i;
        }
    }
}

TEST(ImageResamplerTest, OvershootIsClampedAndColourStaysWithinAlpha)
{
    // Hard edges make the cubic's lobes overshoot below black, above white and above the alpha
    // of translucent pixels: a wrapped byte would show as a bright or dark fringe.
    const Picture source = randomPicture(64, 40, 3);
    for (double scale : {0.45, 1.0 / 0.85, 2.6}) {
        for (const ResampleKernels& kernels : availableResampleKernels()) {
            const auto out = resample(source, int(64 / scale), int(40 / scale), scale, 0.3, 0.1, kernels);
            for (uint32_t p : out)
                for (int c = 0; c < 3; ++c)
                    ASSERT_LE(channel(p, c), channel(p, 3)) << std::hex << p << " at scale " << scale;
        }
    }
    // Beside a step from black to white the overshoot stays at the ends of the range.
    Picture step(24, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 24; ++x)
            step.at(x, y) = x < 12 ? 0xFF000000u : 0xFFFFFFFFu;
    for (const ResampleKernels& kernels : availableResampleKernels()) {
        const auto out = resample(step, 40, 2, 0.6, 0.2, 0.0, kernels);
        for (int x = 0; x < 40; ++x) {
            const int expected = 0.6 * (x + 0.5) + 0.2 < 11 ? 0 : 0.6 * (x + 0.5) + 0.2 > 13 ? 255 : -1;
            if (expected >= 0) {
                EXPECT_EQ(channel(out[size_t(x)], 1), expected) << x;
            }
        }
    }
}

TEST(ImageResamplerTest, ThinBrightLineKeepsItsContrastWhenReduced)
{
    // A two-pixel stroke, as text on a screen has, reduced to 0.85 (a recording in the default
    // card), at every sub-pixel position it may take: a soft kernel greys it out.
    Picture source(40, 1);
    for (int x = 0; x < 40; ++x)
        source.at(x, 0) = x == 20 || x == 21 ? 0xFFF0F0F0u : 0xFF101010u;
    const int contrast = 0xF0 - 0x10;
    double total = 0, worst = 1;
    constexpr int kPositions = 16;
    for (int i = 0; i < kPositions; ++i) {
        const auto out = resample(source, 30, 1, 1 / 0.85, double(i) / kPositions, 0.0, fastResampleKernels());
        int peak = 0;
        for (uint32_t p : out)
            peak = std::max(peak, channel(p, 0));
        const double kept = double(std::min(peak, 0xF0) - 0x10) / contrast;
        total += kept;
        worst = std::min(worst, kept);
    }
    EXPECT_GE(total / kPositions, 0.95);
    EXPECT_GE(worst, 0.90);
}

TEST(ImageResamplerTest, IdentityKeepsEveryPixelAndHalfPixelShiftAverages)
{
    Picture source(16, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x)
            source.at(x, y) = 0xFF000000u | uint32_t(x * 16) << 16 | uint32_t(y * 60);
    const auto same = resample(source, 16, 4, 1.0, 0.0, 0.0, fastResampleKernels());
    EXPECT_EQ(same, source.pixels);

    const auto shifted = resample(source, 15, 4, 1.0, 0.5, 0.0, fastResampleKernels());
    for (int x = 0; x < 15; ++x)
        EXPECT_NEAR(channel(shifted[size_t(x)], 2), x * 16 + 8, 1) << x;
}

TEST(ImageResamplerTest, SubPixelMovesChangeEdgesGradually)
{
    // A slow pan must move a sharp edge by fractions of a pixel, never in whole-pixel jumps.
    Picture source(32, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 32; ++x)
            source.at(x, y) = x < 16 ? 0xFF000000u : 0xFFFFFFFFu;
    std::vector<int> edgeValues;
    for (int step = 0; step <= 4; ++step) {
        const auto out = resample(source, 32, 2, 0.8, 3.0 + step * 0.25, 0.0, fastResampleKernels());
        edgeValues.push_back(channel(out[15], 0));
    }
    for (size_t i = 1; i < edgeValues.size(); ++i) {
        EXPECT_GT(edgeValues[i], edgeValues[i - 1]);
        EXPECT_LT(edgeValues[i] - edgeValues[i - 1], 128);
    }
}

TEST(ImageResamplerTest, ReducingAveragesFineDetailInsteadOfAliasing)
{
    Picture source(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            source.at(x, y) = (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u;
    for (double scale : {2.0, 3.0, 4.5}) {
        const int size = int(64 / scale);
        const auto out = resample(source, size, size, scale, 0.0, 0.0, fastResampleKernels());
        for (int y = 2; y < size - 2; ++y)
            for (int x = 2; x < size - 2; ++x)
                EXPECT_NEAR(channel(out[size_t(y * size + x)], 1), 128, 24) << scale << " at " << x << "," << y;
    }
}

void fillRect(QImage& image, const QRect& rect, uint32_t pixel)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            image.setPixel(x, y, pixel);
}

TEST(ImageResamplerTest, WholeImagesKeepTheirKindOfAlpha)
{
    // Red on the left, blue on the right, scaled to a quarter: the halves stay apart.
    QImage opaque(64, 32, QImage::Format_RGB32);
    opaque.fill(0xFFFF0000u);
    fillRect(opaque, QRect(32, 0, 32, 32), 0xFF0000FFu);
    const QImage small = resampledImage(opaque, QSize(16, 8));
    ASSERT_EQ(small.size(), QSize(16, 8));
    EXPECT_EQ(small.format(), QImage::Format_RGB32);
    EXPECT_EQ(small.pixel(2, 4), 0xFFFF0000u);
    EXPECT_EQ(small.pixel(13, 4), 0xFF0000FFu);

    // Half transparent white, in straight ARGB: premultiplied on the way, and no colour above its
    // alpha where the cubic overshoots at the transparent hole.
    QImage translucent(40, 40, QImage::Format_ARGB32);
    translucent.fill(0x80FFFFFFu);
    fillRect(translucent, QRect(10, 10, 20, 20), 0x00000000u);
    const QImage reduced = resampledImage(translucent, QSize(27, 13));
    ASSERT_EQ(reduced.format(), QImage::Format_ARGB32_Premultiplied);
    const auto stored = [&](int x, int y) { return reinterpret_cast<const uint32_t*>(reduced.constScanLine(y))[x]; };
    EXPECT_EQ(stored(1, 6), 0x80808080u);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 27; ++x)
            ASSERT_LE(channel(stored(x, y), 0), channel(stored(x, y), 3)) << x << "," << y;

    EXPECT_TRUE(resampledImage(QImage(), QSize(4, 4)).isNull());
    EXPECT_TRUE(resampledImage(opaque, QSize(0, 4)).isNull());
}

TEST(RoundedRectCoverageTest, EdgesCornersAndSpans)
{
    const RoundedRectCoverage shape(10, 20, 50.5, 60, 8);
    EXPECT_EQ(shape.coverage(30, 40), 1.0);            // inside
    EXPECT_EQ(shape.coverage(5, 40), 0.0);             // left of it
    EXPECT_NEAR(shape.coverage(50, 40), 0.5, 1e-9);    // half of the pixel lies inside the right edge
    EXPECT_EQ(shape.coverage(10, 20), 0.0);            // the rounded-off corner pixel
    EXPECT_EQ(shape.coverage(14, 24), 1.0);            // inside the corner's arc
    // The spans never claim a pixel the coverage does not give.
    for (int y = 15; y < 65; ++y) {
        const auto full = shape.fullSpan(y);
        const auto touched = shape.touchedSpan(y);
        for (int x = 0; x < 70; ++x) {
            const double c = shape.coverage(x, y);
            if (x >= full.begin && x < full.end) {
                EXPECT_EQ(c, 1.0) << x << "," << y;
            }
            if (x < touched.begin || x >= touched.end) {
                EXPECT_EQ(c, 0.0) << x << "," << y;
            }
        }
    }
    EXPECT_TRUE(RoundedRectCoverage(5, 5, 5, 9, 2).isEmpty());
}

TEST(GaussianBlurTest, KeepsTotalsSpreadsEdgesAndExtendsBorders)
{
    const int w = 80, h = 40;
    std::vector<float> plane(size_t(w) * h, 0.0f);
    for (int y = 0; y < h; ++y)
        for (int x = 40; x < w; ++x)
            plane[size_t(y * w + x)] = 1.0f;
    gaussianBlurPlane(plane.data(), w, h, 4.0);
    // A step blurred with sigma 4: half way at the step, about 0.16 one sigma before it.
    EXPECT_NEAR(plane[size_t(20 * w + 40)] + plane[size_t(20 * w + 39)], 1.0, 0.05);
    EXPECT_NEAR(plane[size_t(20 * w + 36)], 0.16, 0.05);
    // Edges extend outward: the far columns keep their value instead of fading.
    EXPECT_NEAR(plane[size_t(0 * w + 0)], 0.0, 1e-6);
    EXPECT_NEAR(plane[size_t(39 * w + 79)], 1.0, 1e-5);
}

TEST(Yuv420ConverterTest, Bt709LimitedRangeColours)
{
    struct Case {
        uint32_t rgb;
        int y, u, v;
    };
    // Reference values of BT.709 with studio range.
    const Case cases[] = {{0x000000, 16, 128, 128}, {0xFFFFFF, 235, 128, 128}, {0xFF0000, 63, 102, 240},
                          {0x00FF00, 173, 42, 26},  {0x0000FF, 32, 240, 118}, {0x808080, 126, 128, 128}};
    for (const Case& c : cases) {
        // A 4 x 2 picture of one colour.
        std::vector<uint32_t> pixels(8, 0xFF000000u | c.rgb);
        const uint32_t* rows[] = {pixels.data(), pixels.data() + 4};
        uint8_t y[8], u[2], v[2];
        convertToYuv420(rows, 2, 4, 0, {y, u, v, 4, 2, 2});
        EXPECT_NEAR(y[5], c.y, 1) << std::hex << c.rgb;
        EXPECT_NEAR(u[1], c.u, 1) << std::hex << c.rgb;
        EXPECT_NEAR(v[1], c.v, 1) << std::hex << c.rgb;
    }
    // Chroma is the mean of its 2 x 2 block, luma stays per pixel; an odd width keeps its column.
    std::vector<uint32_t> pixels = {0xFFFF0000u, 0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFF0000FFu, 0xFF00FF00u};
    const uint32_t* rows[] = {pixels.data(), pixels.data() + 3};
    uint8_t y[6], u[2], v[2];
    convertToYuv420(rows, 2, 3, 0, {y, u, v, 3, 2, 2});
    EXPECT_NEAR(y[0], 63, 1);
    EXPECT_NEAR(y[1], 32, 1);
    EXPECT_NEAR(u[0], (102 + 240) / 2, 1);
    EXPECT_NEAR(u[1], 42, 1);
}

TEST(Yuv420ConverterTest, AgreesWithSwscaleBt709)
{
    // Blocks of 2 x 2 pixels of one colour each, so that both ways of averaging chroma agree; the
    // colours sweep the cube.
    const int w = 64, h = 32;
    std::vector<uint32_t> pixels(size_t(w) * h);
    std::mt19937 random(11);
    for (int by = 0; by < h; by += 2)
        for (int bx = 0; bx < w; bx += 2) {
            const uint32_t colour = 0xFF000000u | (random() & 0xFFFFFFu);
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    pixels[size_t((by + dy) * w + bx + dx)] = colour;
        }
    std::vector<const uint32_t*> rows;
    for (int y = 0; y < h; ++y)
        rows.push_back(pixels.data() + size_t(y) * w);
    std::vector<uint8_t> y1(size_t(w) * h), u1(size_t(w / 2) * (h / 2)), v1(u1.size());
    convertToYuv420(rows.data(), h, w, 0, {y1.data(), u1.data(), v1.data(), w, w / 2, w / 2});

    SwsContext* sws = sws_getContext(w, h, AV_PIX_FMT_BGRA, w, h, AV_PIX_FMT_YUV420P, SWS_POINT | SWS_ACCURATE_RND,
                                     nullptr, nullptr, nullptr);
    ASSERT_NE(sws, nullptr);
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(sws, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    std::vector<uint8_t> y2(y1.size()), u2(u1.size()), v2(v1.size());
    uint8_t* planes[] = {y2.data(), u2.data(), v2.data()};
    const int strides[] = {w, w / 2, w / 2};
    const uint8_t* source[] = {reinterpret_cast<const uint8_t*>(pixels.data())};
    const int sourceStride[] = {w * 4};
    sws_scale(sws, source, sourceStride, 0, h, planes, strides);
    sws_freeContext(sws);

    for (size_t i = 0; i < y1.size(); ++i)
        ASSERT_NEAR(y1[i], y2[i], 1) << i;
    for (size_t i = 0; i < u1.size(); ++i) {
        ASSERT_NEAR(u1[i], u2[i], 2) << i;
        ASSERT_NEAR(v1[i], v2[i], 2) << i;
    }
}

}  // namespace
}  // namespace sablewick

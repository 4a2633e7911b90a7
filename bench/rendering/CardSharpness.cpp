// How sharp the card shows a recording: one frame of a real screen recording, decoded as an export
// decodes it, is composed into the default card at 1920x1080, and also scaled to the card's size
// by each of our kernels alone and by swscale (FFmpeg's scale filter: bilinear, bicubic, lanczos).
// Each is scored over the card's interior by the variance of the luma's Laplacian (the energy of
// its edges: a soft kernel lowers it) and by the brightness of the text strokes (the 99.5th
// percentile of luma, the source's own figure beside it).
//
//   card_sharpness MOVIE [SECONDS]      (make MOVIE with bench/rendering/record_terminal.sh)
#include "media/VideoFrameSource.h"
#include "rendering/Compositor.h"
#include "rendering/FrameComposer.h"
#include "rendering/ImageResampler.h"

#include <QGuiApplication>

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

using namespace sablewick;

namespace {

struct Score {
    double laplacian = 0;
    double strokes = 0;
};

// Luma (BT.709, full range) of the rectangle at (x, y) of the picture.
std::vector<double> luma(const QImage& image, int x, int y, int w, int h)
{
    std::vector<double> plane(size_t(w) * size_t(h));
    for (int row = 0; row < h; ++row) {
        const auto* px = reinterpret_cast<const uint32_t*>(image.constScanLine(y + row)) + x;
        for (int col = 0; col < w; ++col) {
            const uint32_t p = px[col];
            plane[size_t(row) * size_t(w) + size_t(col)] =
                0.2126 * ((p >> 16) & 0xFF) + 0.7152 * ((p >> 8) & 0xFF) + 0.0722 * (p & 0xFF);
        }
    }
    return plane;
}

Score score(const QImage& image, int x, int y, int w, int h)
{
    const std::vector<double> plane = luma(image, x, y, w, h);
    double sum = 0, squares = 0;
    long n = 0;
    for (int row = 1; row + 1 < h; ++row) {
        for (int col = 1; col + 1 < w; ++col) {
            const double* p = plane.data() + size_t(row) * size_t(w) + size_t(col);
            const double l = p[-1] + p[1] + p[-w] + p[w] - 4 * p[0];
            sum += l;
            squares += l * l;
            ++n;
        }
    }
    std::vector<double> sorted = plane;
    const auto at = sorted.begin() + std::ptrdiff_t(double(sorted.size()) * 0.995);
    std::nth_element(sorted.begin(), at, sorted.end());
    const double mean = sum / double(n);
    return {squares / double(n) - mean * mean, *at};
}

QImage swscale(const QImage& source, QSize size, int flags)
{
    SwsContext* sws = sws_getContext(source.width(), source.height(), AV_PIX_FMT_BGRA, size.width(), size.height(),
                                     AV_PIX_FMT_BGRA, flags, nullptr, nullptr, nullptr);
    QImage out(size, QImage::Format_RGB32);
    const uint8_t* in[] = {source.constBits()};
    const int inStride[] = {int(source.bytesPerLine())};
    uint8_t* dst[] = {out.bits()};
    const int dstStride[] = {int(out.bytesPerLine())};
    sws_scale(sws, in, inStride, 0, source.height(), dst, dstStride);
    sws_freeContext(sws);
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MOVIE [SECONDS]\n", argv[0]);
        return 2;
    }
    try {
        const double seconds = argc > 2 ? std::stod(argv[2]) : 6.0;
        VideoFrameSource frames(argv[1]);
        const QImage source = frames.frameAt(seconds).image.convertToFormat(QImage::Format_RGB32);
        const QSize canvas(1920, 1080);
        EditSettings settings;
        settings.trimEnd = 1e9;
        Scene scene;
        scene.settings = settings;
        const auto composer = Compositor::make(scene, canvas);
        const QImage composed = composer->compose(source, seconds);
        const auto layout = Compositor::layout(LayoutRect{0, 0, double(source.width()), double(source.height())},
                                               QSizeF(canvas), settings, {}, seconds, {});
        const QRectF card = layout.contentRect.flipped(canvas.height());
        const QSize cardSize(int(std::lround(card.width())), int(std::lround(card.height())));
        // Away from the rounded corners and the card's edge.
        const int margin = 24;
        const int w = cardSize.width() - 2 * margin, h = cardSize.height() - 2 * margin;
        std::printf("frame at %.2f s of %dx%d, card %dx%d at (%.1f, %.1f), scored over %dx%d\n", seconds,
                    source.width(), source.height(), cardSize.width(), cardSize.height(), card.x(), card.y(), w, h);

        const Score bicubic = score(swscale(source, cardSize, SWS_BICUBIC), margin, margin, w, h);
        auto row = [&](const char* name, const Score& s) {
            std::printf("| %s | %.0f | %.2f | %.0f |\n", name, s.laplacian, s.laplacian / bicubic.laplacian, s.strokes);
        };
        const Score original = score(source, int(std::lround(margin * double(source.width()) / cardSize.width())),
                                     int(std::lround(margin * double(source.height()) / cardSize.height())),
                                     int(std::lround(w * double(source.width()) / cardSize.width())),
                                     int(std::lround(h * double(source.height()) / cardSize.height())));
        std::printf("| picture | Laplacian variance | of FFmpeg bicubic | strokes (99.5th percentile of luma) |\n");
        std::printf("| --- | --- | --- | --- |\n");
        std::printf("| source, unscaled | %.0f | | %.0f |\n", original.laplacian, original.strokes);
        row("composed card (default kernel)",
            score(composed, int(std::lround(card.x())) + margin, int(std::lround(card.y())) + margin, w, h));
        row("our cubic", score(resampledImage(source, cardSize, ResampleFilter::cubic), margin, margin, w, h));
        row("our lanczos2", score(resampledImage(source, cardSize, ResampleFilter::lanczos2), margin, margin, w, h));
        row("our tent", score(resampledImage(source, cardSize, ResampleFilter::tent), margin, margin, w, h));
        row("FFmpeg bilinear", score(swscale(source, cardSize, SWS_BILINEAR), margin, margin, w, h));
        row("FFmpeg bicubic", bicubic);
        row("FFmpeg lanczos", score(swscale(source, cardSize, SWS_LANCZOS), margin, margin, w, h));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

// The export's write path at the sizes users export: BGRA to YUV conversion, the movie writer
// with each candidate preset, the GIF writer, and decoding a recording frame by frame.
#include "media/GifWriter.h"
#include "media/MovieWriter.h"
#include "media/VideoFrameSource.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

using namespace sablewick;

// Frames like an export's: a gradient canvas, a card with interface-like blocks that pans and
// zooms a little every frame, so that the encoder sees motion and detail.
std::vector<QImage> makeFrames(int width, int height, int count)
{
    std::vector<QImage> frames;
    for (int i = 0; i < count; ++i) {
        QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        QLinearGradient gradient(0, 0, width, height);
        gradient.setColorAt(0, QColor(40, 60, 160));
        gradient.setColorAt(1, QColor(200, 80, 140));
        painter.fillRect(image.rect(), gradient);
        const double zoom = 1.0 + 0.15 * std::sin(i / 20.0);
        painter.translate(width / 2.0 + 20 * std::sin(i / 13.0), height / 2.0);
        painter.scale(zoom, zoom);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(250, 250, 252));
        painter.setPen(Qt::NoPen);
        const double cardWidth = width * 0.7, cardHeight = height * 0.7;
        painter.drawRoundedRect(QRectF(-cardWidth / 2, -cardHeight / 2, cardWidth, cardHeight), 24, 24);
        for (int row = 0; row < 24; ++row)
            for (int column = 0; column < 6; ++column) {
                const int shade = (row * 37 + column * 91) % 200;
                painter.setBrush(QColor(shade, 120, 255 - shade));
                painter.drawRect(QRectF(-cardWidth / 2 + 30 + column * cardWidth / 6.5, -cardHeight / 2 + 30 + row * cardHeight / 26,
                                        cardWidth / 8 * (1 + (row + column) % 3) / 3, cardHeight / 60));
            }
        painter.end();
        frames.push_back(image);
    }
    return frames;
}

const std::vector<QImage>& frames1080()
{
    static const std::vector<QImage> frames = makeFrames(1920, 1080, 24);
    return frames;
}

// The writer's conversion alone: BGRA to YUV 4:2:0 with the BT.709 matrix, by slice threads
// (first argument) and swscale flags (second; the writer uses SWS_BILINEAR | SWS_FULL_CHR_H_INP).
void BM_ConvertBgraToYuv420(benchmark::State& state)
{
    const int threads = static_cast<int>(state.range(0));
    const QImage& image = frames1080().front();
    SwsContext* sws = sws_alloc_context();
    av_opt_set_int(sws, "srcw", image.width(), 0);
    av_opt_set_int(sws, "srch", image.height(), 0);
    av_opt_set_int(sws, "src_format", AV_PIX_FMT_BGRA, 0);
    av_opt_set_int(sws, "dstw", image.width(), 0);
    av_opt_set_int(sws, "dsth", image.height(), 0);
    av_opt_set_int(sws, "dst_format", AV_PIX_FMT_YUV420P, 0);
    av_opt_set_int(sws, "sws_flags", state.range(1), 0);
    av_opt_set_int(sws, "threads", threads, 0);
    if (sws_init_context(sws, nullptr, nullptr) < 0) {
        state.SkipWithError("no conversion");
        return;
    }
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(sws, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    AVFrame* out = av_frame_alloc();
    out->format = AV_PIX_FMT_YUV420P;
    out->width = image.width();
    out->height = image.height();
    av_frame_get_buffer(out, 0);
    AVFrame* in = av_frame_alloc();
    in->format = AV_PIX_FMT_BGRA;
    in->width = image.width();
    in->height = image.height();
    in->data[0] = const_cast<uint8_t*>(image.constBits());
    in->linesize[0] = static_cast<int>(image.bytesPerLine());
    in->buf[0] = av_buffer_create(in->data[0], static_cast<size_t>(image.sizeInBytes()), [](void*, uint8_t*) {}, nullptr, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(sws_scale_frame(sws, out, in));
    state.SetItemsProcessed(state.iterations());
    av_frame_free(&in);
    av_frame_free(&out);
    sws_freeContext(sws);
}
BENCHMARK(BM_ConvertBgraToYuv420)
    ->ArgsProduct({{1, 2, 4}, {SWS_BILINEAR, SWS_BILINEAR | SWS_FULL_CHR_H_INP, SWS_POINT}})->Unit(benchmark::kMillisecond)->UseRealTime();

// Whole movie writes of 1080p60 frames at the export's bit rate for quality 1 (0.10 bits per
// pixel per frame for MP4, 0.065 for MOV); items per second are frames per second.
void writeMovie(benchmark::State& state, MovieFormat format, const char* preset, double bitsPerPixel)
{
    const std::vector<QImage>& frames = frames1080();
    constexpr int kFrames = 60;
    QTemporaryDir dir;
    for (auto _ : state) {
        MovieWriterSettings settings;
        settings.format = format;
        settings.width = 1920;
        settings.height = 1080;
        settings.videoBitRate = static_cast<std::int64_t>(1920 * 1080 * 60 * bitsPerPixel);
        settings.preset = preset;
        MovieWriter writer(dir.filePath("bench.mp4").toStdString(), settings);
        for (int i = 0; i < kFrames; ++i)
            writer.writeFrame(frames[static_cast<std::size_t>(i) % frames.size()]);
        writer.finish();
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}

void BM_WriteMp4H264(benchmark::State& state, const char* preset) { writeMovie(state, MovieFormat::mp4H264, preset, 0.10); }
void BM_WriteMovHevc(benchmark::State& state, const char* preset) { writeMovie(state, MovieFormat::movHevc, preset, 0.065); }

BENCHMARK_CAPTURE(BM_WriteMp4H264, ultrafast, "ultrafast")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK_CAPTURE(BM_WriteMp4H264, superfast, "superfast")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK_CAPTURE(BM_WriteMp4H264, veryfast, "veryfast")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK_CAPTURE(BM_WriteMp4H264, faster, "faster")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK_CAPTURE(BM_WriteMovHevc, ultrafast, "ultrafast")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_CAPTURE(BM_WriteMovHevc, superfast, "superfast")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_CAPTURE(BM_WriteMovHevc, veryfast, "veryfast")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// GIF frames at 1080p and 720p with a palette per frame and dithering; items are frames.
void BM_WriteGif(benchmark::State& state)
{
    const int height = static_cast<int>(state.range(0));
    const int width = height * 16 / 9;
    const std::vector<QImage> frames = makeFrames(width, height, 12);
    QTemporaryDir dir;
    for (auto _ : state) {
        GifWriterSettings settings;
        settings.width = width;
        settings.height = height;
        GifWriter writer(dir.filePath("bench.gif").toStdString(), settings);
        for (int i = 0; i < 12; ++i)
            writer.writeFrame(frames[static_cast<std::size_t>(i)], MediaTime(i, 12));
        writer.finish(MediaTime(1, 1));
    }
    state.SetItemsProcessed(state.iterations() * 12);
}
BENCHMARK(BM_WriteGif)->Arg(720)->Arg(1080)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// Sequential decoding of a 1080p60 recording into BGRA frames, as the export reads its source.
void BM_DecodeFrames(benchmark::State& state)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("source.mp4").toStdString();
    {
        MovieWriterSettings settings;
        settings.width = 1920;
        settings.height = 1080;
        settings.preset = "ultrafast";
        MovieWriter writer(path, settings);
        for (int i = 0; i < 60; ++i)
            writer.writeFrame(frames1080()[static_cast<std::size_t>(i) % frames1080().size()]);
        writer.finish();
    }
    std::int64_t decoded = 0;
    for (auto _ : state) {
        VideoFrameSource source(path);
        while (auto frame = source.nextFrame()) {
            benchmark::DoNotOptimize(frame->image.constBits());
            ++decoded;
        }
    }
    state.SetItemsProcessed(decoded);
}
BENCHMARK(BM_DecodeFrames)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();

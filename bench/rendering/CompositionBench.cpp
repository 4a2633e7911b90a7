// Frame composition against the encoder it feeds, side by side in one process.
//
// Frames reach the composer as in a real export: SideBySide hands it the recording's 4:2:0
// planes, which it turns into RGB rows as it reads them, and the single steps take pictures in
// the pixel format the frame source decodes recordings into, so that the composer takes the same
// path (copy or blend).
//
// SideBySide composes a fixed sequence of 300 screen-like frames, or every frame of the movie that
// SABLEWICK_BENCH_MOVIE names, with the pointer moving and either at rest or with a zoom ramping
// in (so every frame has a new zoom, pan and punch-in), into 4:2:0 frames reused as the export
// reuses them, then encodes them with libx264 as an export would (veryfast, the export's bit rate
// for MP4 at balanced quality, a keyframe every 120 frames, automatic threads). Its edits are the
// ones `sablewick_export_project --make-project` writes, so bench/export/profile.sh sets its
// ratio beside a profile of the real export of the same movie and edit. Composition runs on
// the main thread and is timed with that thread's CPU clock; the encoder's CPU time is the rest of
// the process's CPU time plus the main thread's time inside the encoder calls. The goal: composing
// costs at most a third of encoding. The counters are per frame, in milliseconds of CPU time.
//
// The other benchmarks time single steps, to choose the faster way for each: composing one frame
// with the composer's own loops or with QPainter alone, and the colour conversion by our converter
// or by swscale (BT.709 both).
#include "BenchmarkEdit.h"
#include "media/VideoFrameSource.h"
#include "media/Yuv420Frame.h"
#include "rendering/Background.h"
#include "rendering/Compositor.h"
#include "rendering/ExportOptions.h"
#include "rendering/FrameComposer.h"
#include "rendering/GaussianBlur.h"
#include "rendering/ImageResampler.h"
#include "rendering/PointerRenderer.h"
#include "rendering/Yuv420Converter.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

namespace sablewick {
namespace {

constexpr int kFrames = 300;

double cpuSeconds(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double threadCpu()
{
    return cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
}

double processCpu()
{
    return cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
}

// A desktop: a dark menu bar, a sidebar, a document window with lines of "text" (runs of small
// dark blocks), a toolbar and a photo; then per frame a few more characters typed and a list that
// scrolls, as a product demo recording shows.
class ScreenSequence {
public:
    explicit ScreenSequence(QSize size)
        : m_base(size, QImage::Format_RGB32)
        , m_frame(size, QImage::Format_RGB32)
    {
        const double u = size.height() / 1080.0;
        QPainter p(&m_base);
        QLinearGradient wallpaper(0, 0, size.width(), size.height());
        wallpaper.setColorAt(0, QColor(0x2B4C7E));
        wallpaper.setColorAt(1, QColor(0x8E5C9E));
        p.fillRect(m_base.rect(), wallpaper);
        p.fillRect(QRectF(0, 0, size.width(), 28 * u), QColor(0x1E1E1E));
        m_window = QRectF(120 * u, 80 * u, size.width() - 240 * u, size.height() - 160 * u);
        p.fillRect(m_window, QColor(0xF7F7F8));
        p.fillRect(QRectF(m_window.x(), m_window.y(), m_window.width(), 52 * u), QColor(0xE6E6EA));
        p.fillRect(QRectF(m_window.x(), m_window.y() + 52 * u, 280 * u, m_window.height() - 52 * u), QColor(0xEDEDF0));
        std::mt19937 random(42);
        text(p, QRectF(m_window.x() + 330 * u, m_window.y() + 90 * u, m_window.width() - 760 * u, 560 * u), u, random, 1.0);
        QLinearGradient photo(0, 0, 0, 300 * u);
        photo.setColorAt(0, QColor(0xF2A65A));
        photo.setColorAt(1, QColor(0x3B6E8F));
        p.fillRect(QRectF(m_window.right() - 400 * u, m_window.y() + 90 * u, 360 * u, 300 * u), photo);
        m_unit = u;
    }

    const QImage& frame(int index)
    {
        std::memcpy(m_frame.bits(), m_base.constBits(), size_t(m_base.sizeInBytes()));
        QPainter p(&m_frame);
        const double u = m_unit;
        // The scrolling sidebar list.
        std::mt19937 random(7);
        const double shift = std::fmod(index * 2.0 * u, 44 * u);
        p.setClipRect(QRectF(m_window.x(), m_window.y() + 52 * u, 280 * u, m_window.height() - 52 * u));
        for (int row = 0; row < 24; ++row) {
            const double y = m_window.y() + 60 * u + row * 44 * u - shift;
            p.fillRect(QRectF(m_window.x() + 16 * u, y, 28 * u, 28 * u), QColor::fromHsv((row * 37) % 360, 120, 220));
            p.fillRect(QRectF(m_window.x() + 56 * u, y + 8 * u, (90 + random() % 120) * u, 12 * u), QColor(0x5A5A66));
        }
        p.setClipping(false);
        // Typing: the paragraph grows by a character every frame.
        std::mt19937 typing(99);
        const QRectF area(m_window.x() + 330 * u, m_window.y() + 680 * u, m_window.width() - 760 * u, 160 * u);
        text(p, area, u, typing, std::min(1.0, index / double(kFrames)));
        return m_frame;
    }

private:
    static void text(QPainter& p, const QRectF& area, double u, std::mt19937& random, double fraction)
    {
        const double line = 30 * u, glyph = 11 * u;
        const int lines = int(area.height() / line);
        const int perLine = int(area.width() / glyph);
        const int total = int(lines * perLine * fraction);
        int drawn = 0;
        for (int l = 0; l < lines && drawn < total; ++l) {
            for (int c = 0; c < perLine && drawn < total; ++c, ++drawn) {
                if (random() % 6 == 0)
                    continue;  // a space
                const double h = (random() % 3 == 0 ? 16 : 11) * u;
                p.fillRect(QRectF(area.x() + c * glyph, area.y() + l * line + (18 * u - h), glyph * 0.75, h),
                           QColor(0x26262E));
            }
        }
    }

    QImage m_base;
    QImage m_frame;
    QRectF m_window;
    double m_unit = 1;
};

// A frame of the recording as the frame source hands it to the composer (its pixel format and
// layout): written to a picture file and decoded back through the frame source.
QImage decodedLikeARecording(const QImage& frame)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("frame.png");
    if (!frame.save(path))
        throw std::runtime_error("cannot write the frame");
    VideoFrameSource source(path.toStdString());
    return source.frameAt(0.0).image.copy();
}

// Frames as the export's decoder hands them to the composer: the recording's 4:2:0 planes (BT.709,
// limited range, as recordings are written), converted here before the clocks read.
class RecordingPlanes {
public:
    explicit RecordingPlanes(QSize size)
        : m_size(size)
        , m_sws(sws_getContext(size.width(), size.height(), AV_PIX_FMT_BGRA, size.width(), size.height(),
                               AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr))
    {
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(m_sws, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    }
    ~RecordingPlanes() { sws_freeContext(m_sws); }
    RecordingPlanes(const RecordingPlanes&) = delete;
    RecordingPlanes& operator=(const RecordingPlanes&) = delete;

    DecodedPicture operator()(const QImage& screen) const
    {
        const QImage rgb = screen.convertToFormat(QImage::Format_RGB32);
        AVFrame* frame = av_frame_alloc();
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = m_size.width();
        frame->height = m_size.height();
        frame->colorspace = AVCOL_SPC_BT709;
        frame->color_range = AVCOL_RANGE_MPEG;
        if (av_frame_get_buffer(frame, 0) < 0)
            throw std::bad_alloc();
        const uint8_t* in[4] = {rgb.constBits(), nullptr, nullptr, nullptr};
        const int inStride[4] = {int(rgb.bytesPerLine()), 0, 0, 0};
        sws_scale(m_sws, in, inStride, 0, rgb.height(), frame->data, frame->linesize);
        DecodedPicture picture = DecodedPicture::ofPlanes(frame);
        av_frame_free(&frame);
        if (!picture.hasPlanes())
            throw std::runtime_error("the composer does not read these planes");
        return picture;
    }

private:
    QSize m_size;
    SwsContext* m_sws;
};

// The edit (bench/BenchmarkEdit.h, which the export benchmark exports too): the default look with
// a thin frame, a pointer gliding across the screen and, unless at rest, a zoom that ramps in over
// ten seconds.
struct Edit {
    EditSettings settings;
    std::vector<FocusPoint> events;
    std::vector<PointerSample> track;

    explicit Edit(benchmark_edit::Kind kind = benchmark_edit::Kind::zoomRamp, double seconds = 6)
        : settings(benchmark_edit::settings())
        , events(benchmark_edit::focusPoints(kind))
        , track(benchmark_edit::pointerTrack(seconds))
    {
    }
    // Frame i of the generated screens at 60 fps, 2.5 s into the ramp: the middle of the ramp lies
    // inside the sequence.
    static double time(int i) { return 2.5 + i / 60.0; }

    // As the composer takes it: a pointer drawn from the track.
    Scene scene(QSizeF sourceSize = {16, 9}) const
    {
        Scene scene;
        scene.sourceSize = sourceSize;
        scene.settings = settings;
        scene.focusPoints = events;
        scene.pointerSamples = std::make_shared<const std::vector<sablewick::PointerSample>>(track);
        scene.editablePointer = true;
        return scene;
    }
};

struct Encoder {
    AVCodecContext* context = nullptr;
    AVPacket* packet = nullptr;
    int64_t bytes = 0;

    explicit Encoder(QSize size)
    {
        const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
        if (!codec)
            throw std::runtime_error("libx264 is not available");
        context = avcodec_alloc_context3(codec);
        context->width = size.width();
        context->height = size.height();
        context->pix_fmt = AV_PIX_FMT_YUV420P;
        context->time_base = {1, 60};
        context->framerate = {60, 1};
        context->gop_size = 120;
        context->bit_rate = ExportOptions{}.bitrate(size);
        context->thread_count = 0;
        context->colorspace = AVCOL_SPC_BT709;
        context->color_primaries = AVCOL_PRI_BT709;
        context->color_trc = AVCOL_TRC_BT709;
        context->color_range = AVCOL_RANGE_MPEG;
        av_opt_set(context->priv_data, "preset", "veryfast", 0);
        if (avcodec_open2(context, codec, nullptr) < 0)
            throw std::runtime_error("cannot open libx264");
        packet = av_packet_alloc();
    }
    ~Encoder()
    {
        av_packet_free(&packet);
        avcodec_free_context(&context);
    }
    void send(AVFrame* f)
    {
        avcodec_send_frame(context, f);
        while (avcodec_receive_packet(context, packet) == 0) {
            bytes += packet->size;
            av_packet_unref(packet);
        }
    }
};

// The frames SideBySide composes: the generated screens, or a real movie's frames decoded as the
// export decodes them (one decoder thread, the recording's own planes).
class SideBySideInput {
public:
    explicit SideBySideInput(QSize size)
    {
        const char* movie = std::getenv("SABLEWICK_BENCH_MOVIE");
        if (movie && *movie) {
            VideoFrameSourceOptions options;
            options.decoderThreads = 1;
            m_movie = std::make_unique<VideoFrameSource>(movie, options);
            m_sourceSize = QSizeF(m_movie->width(), m_movie->height());
            const double fps = m_movie->track().frameRate.value > 0 ? m_movie->track().frameRate.seconds() : 60;
            m_frameDuration = 1 / fps;
            m_frames = int(std::floor(m_movie->info().duration * fps));
        } else {
            m_screens = std::make_unique<ScreenSequence>(size);
            m_planes = std::make_unique<RecordingPlanes>(size);
        }
    }
    int frames() const { return m_frames; }
    double seconds() const { return m_movie ? m_frames * m_frameDuration : 6; }
    QSizeF sourceSize() const { return m_sourceSize; }
    // A real movie's frames are composed at their own times, as the export composes them.
    double time(int i) const { return m_movie ? i * m_frameDuration : Edit::time(i); }
    DecodedPicture operator()(int i)
    {
        if (m_movie)
            return m_movie->pictureAt(time(i));
        return (*m_planes)(m_screens->frame(i));
    }

private:
    std::unique_ptr<VideoFrameSource> m_movie;
    std::unique_ptr<ScreenSequence> m_screens;
    std::unique_ptr<RecordingPlanes> m_planes;
    QSizeF m_sourceSize{16, 9};
    double m_frameDuration = 1 / 60.0;
    int m_frames = kFrames;
};

void SideBySide(benchmark::State& state)
{
    const QSize size(int(state.range(0)) * 16 / 9, int(state.range(0)));
    const auto kind = state.range(1) ? benchmark_edit::Kind::zoomRamp : benchmark_edit::Kind::atRest;
    state.SetLabel(benchmark_edit::name(kind));
    // A movie that cannot be read, or has no frames, ends this benchmark with the reason.
    std::optional<SideBySideInput> opened;
    try {
        opened.emplace(size);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    SideBySideInput& input = *opened;
    if (input.frames() <= 0) {
        state.SkipWithError("the movie has no frames of known duration");
        return;
    }
    const Edit edit(kind, input.seconds());
    double composeTotal = 0, encodeTotal = 0;
    std::int64_t framesTotal = 0;
    for (auto _ : state) {
        const auto composer = std::make_shared<FrameComposer>(edit.scene(input.sourceSize()), size,
                                                              Compositor::loadBackgroundPicture(edit.settings));
        Encoder encoder(size);
        // Composed into frames that the encoder holds by reference, reused as the export reuses
        // them, with what each held around the card.
        struct Target {
            Yuv420Frame yuv;
            FrameComposer::Yuv420Surround surround;
        };
        std::vector<Target> targets(4);
        double compose = 0, insideEncoder = 0;
        const double processStart = processCpu(), mainStart = threadCpu();
        for (int i = 0; i < input.frames(); ++i) {
            const DecodedPicture source = input(i);
            Target& target = targets[size_t(i) % targets.size()];
            const double t0 = threadCpu();
            if (!target.yuv.prepare(size.width(), size.height()))
                target.surround = {};
            const Yuv420Planes planes{target.yuv.plane(0), target.yuv.plane(1), target.yuv.plane(2),
                                      target.yuv.stride(0), target.yuv.stride(1), target.yuv.stride(2)};
            composer->composeYuv420(source, input.time(i), planes, &target.surround);
            const double t1 = threadCpu();
            AVFrame* frame = av_frame_clone(target.yuv.avFrame());
            frame->pts = i;
            encoder.send(frame);
            av_frame_free(&frame);
            const double t2 = threadCpu();
            compose += t1 - t0;
            insideEncoder += t2 - t1;
        }
        const double t3 = threadCpu();
        encoder.send(nullptr);
        insideEncoder += threadCpu() - t3;
        const double otherThreads = (processCpu() - processStart) - (threadCpu() - mainStart);
        const double encode = otherThreads + insideEncoder;
        state.SetIterationTime(compose + encode);
        composeTotal += compose;
        encodeTotal += encode;
        framesTotal += input.frames();
        benchmark::DoNotOptimize(encoder.bytes);
    }
    state.counters["compose_ms"] = composeTotal / double(framesTotal) * 1e3;
    state.counters["x264_ms"] = encodeTotal / double(framesTotal) * 1e3;
    state.counters["ratio"] = composeTotal / encodeTotal;
    state.counters["cores"] = double(std::thread::hardware_concurrency());
}

void ComposeFrame(benchmark::State& state)
{
    const QSize size(int(state.range(0)) * 16 / 9, int(state.range(0)));
    const Edit edit;
    ScreenSequence screens(size);
    const QImage source = decodedLikeARecording(screens.frame(150));
    const FrameComposer composer(edit.scene(), size, Compositor::loadBackgroundPicture(edit.settings));
    QImage target;
    int i = 0;
    for (auto _ : state) {
        composer.compose(source, Edit::time(i++ % kFrames), target);
        benchmark::DoNotOptimize(target.constBits());
    }
}

// The same frame drawn the plain way, with QPainter doing every step: the pointer drawn into a
// copy of the recording, background, a pre-blurred shadow image, the frame colour as a rounded
// path and the video scaled into a rounded clip with smooth filtering, all under the punch-in.
// Kept to show why the composer resamples and blends with its own loops.
void ComposeFrameWithQPainter(benchmark::State& state)
{
    const QSize size(int(state.range(0)) * 16 / 9, int(state.range(0)));
    const double W = size.width(), H = size.height(), unit = H / 1080;
    const Edit edit;
    ScreenSequence screens(size);
    const QImage source = screens.frame(150);
    const QImage background = Compositor::makeBackground(size, edit.settings, {}, false);
    const LayoutRect extent{0, 0, W, H};
    const auto rest = Compositor::layout(extent, QSizeF(size), edit.settings, edit.events, 100, edit.track);
    const QRectF frameRect = rest.frameRect.flipped(H), contentRect = rest.contentRect.flipped(H);
    const double radius = edit.settings.cornerRadius * unit;
    QImage shadowShape(size, QImage::Format_ARGB32_Premultiplied);
    shadowShape.fill(Qt::transparent);
    {
        QPainter p(&shadowShape);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, int(255 * edit.settings.shadowStrength)));
        p.drawRoundedRect(frameRect.translated(0, 12 * unit), radius, radius);
    }
    const QImage shadow = gaussianBlurred(shadowShape, 26 * unit);
    int i = 0;
    for (auto _ : state) {
        const double t = Edit::time(i++ % kFrames);
        const QImage drawn = PointerRenderer::overlay(source, t, edit.track, edit.settings, edit.events);
        const auto L = Compositor::layout(extent, QSizeF(size), edit.settings, edit.events, t, edit.track);
        QImage target(size, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&target);
        p.drawImage(0, 0, background);
        p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        // The punch-in about the canvas centre, in y-down pixels.
        p.translate(L.punchOffset.x(), H - H * L.punchScale - L.punchOffset.y());
        p.scale(L.punchScale, L.punchScale);
        p.drawImage(0, 0, shadow);
        QPainterPath outer;
        outer.addRoundedRect(frameRect, radius, radius);
        p.fillPath(outer, Qt::white);
        QPainterPath inner;
        const double innerRadius = std::max(radius - *edit.settings.frameInset * unit, 0.0);
        inner.addRoundedRect(contentRect, innerRadius, innerRadius);
        p.setClipPath(inner);
        p.drawImage(contentRect, drawn, L.visibleRect.flipped(H));
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}

// The card at rest (no zoom, the default look), as most frames of an export are: the recording
// resampled into the card and the layer around it copied. range(0) is the recording's height,
// range(1) the export's.
void ComposeCardAtRest(benchmark::State& state)
{
    const QSize sourceSize(int(state.range(0)) * 16 / 9, int(state.range(0)));
    const QSize size(int(state.range(1)) * 16 / 9, int(state.range(1)));
    ScreenSequence screens(sourceSize);
    const QImage source = decodedLikeARecording(screens.frame(150));
    const Scene scene;
    const FrameComposer composer(scene, size, Compositor::loadBackgroundPicture(scene.settings));
    QImage target;
    composer.compose(source, 1.0, target);  // the layer under the card is made once per export
    for (auto _ : state) {
        composer.compose(source, 1.0, target);
        benchmark::DoNotOptimize(target.constBits());
    }
}

// The resampling alone, into the default card of a 1080p export (1632x918), by each version of
// the kernels this processor runs (0: the plain loops, then SSE2, AVX2). range(0) is the
// recording's height: 1080 takes six taps each way, 2160 ten.
void ResampleIntoCard(benchmark::State& state)
{
    const auto versions = availableResampleKernels();
    if (size_t(state.range(1)) >= versions.size()) {
        state.SkipWithError("this processor lacks that version");
        return;
    }
    const ResampleKernels kernels = versions[size_t(state.range(1))];
    const QSize sourceSize(int(state.range(0)) * 16 / 9, int(state.range(0)));
    ScreenSequence screens(sourceSize);
    const QImage source = decodedLikeARecording(screens.frame(150));
    const QSize card(1632, 918);
    const ResampleTaps horizontal = makeResampleTaps(0, card.width(), double(sourceSize.width()) / card.width(), 0);
    const ResampleTaps vertical = makeResampleTaps(0, card.height(), double(sourceSize.height()) / card.height(), 0);
    std::vector<const uint32_t*> rows(size_t(source.height()));
    for (int y = 0; y < source.height(); ++y)
        rows[size_t(y)] = reinterpret_cast<const uint32_t*>(source.constScanLine(y));
    const ResampleSource from{rows.data(), 0, source.width(), 0, source.height(), false};
    std::vector<uint32_t> out(size_t(card.width()) * size_t(card.height()));
    ResampleScratch scratch;
    for (auto _ : state) {
        for (int y = 0; y < card.height(); ++y)
            resampleRow(from, horizontal, vertical, y, 0, card.width(), out.data() + size_t(y) * size_t(card.width()),
                        scratch, kernels);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["taps"] = horizontal.taps;
}

QImage composedFrame(QSize size)
{
    const Edit edit;
    ScreenSequence screens(size);
    const FrameComposer composer(edit.scene(), size, {});
    return composer.compose(screens.frame(150), Edit::time(150));
}

void ConvertOwn(benchmark::State& state)
{
    const QSize size(int(state.range(0)) * 16 / 9, int(state.range(0)));
    const QImage rgb = composedFrame(size);
    std::vector<uint8_t> y(size_t(size.width()) * size_t(size.height())), u(y.size() / 4), v(y.size() / 4);
    std::vector<const uint32_t*> rows;
    for (int r = 0; r < size.height(); ++r)
        rows.push_back(reinterpret_cast<const uint32_t*>(rgb.constScanLine(r)));
    for (auto _ : state) {
        convertToYuv420(rows.data(), size.height(), size.width(), 0,
                        {y.data(), u.data(), v.data(), size.width(), size.width() / 2, size.width() / 2});
        benchmark::DoNotOptimize(y.data());
    }
}

void ConvertSwscale(benchmark::State& state)
{
    const QSize size(int(state.range(0)) * 16 / 9, int(state.range(0)));
    const QImage rgb = composedFrame(size);
    SwsContext* sws = sws_getContext(size.width(), size.height(), AV_PIX_FMT_BGRA, size.width(), size.height(),
                                     AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(sws, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    std::vector<uint8_t> y(size_t(size.width()) * size_t(size.height())), u(y.size() / 4), v(y.size() / 4);
    uint8_t* planes[] = {y.data(), u.data(), v.data()};
    const int strides[] = {size.width(), size.width() / 2, size.width() / 2};
    const uint8_t* src[] = {rgb.constBits()};
    const int srcStride[] = {int(rgb.bytesPerLine())};
    for (auto _ : state) {
        sws_scale(sws, src, srcStride, 0, size.height(), planes, strides);
        benchmark::DoNotOptimize(y.data());
    }
    sws_freeContext(sws);
}

}  // namespace
}  // namespace sablewick

BENCHMARK(sablewick::SideBySide)
    ->ArgsProduct({{1080, 2160}, {0, 1}})
    ->ArgNames({"height", "zoom"})
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(sablewick::ComposeFrame)->Arg(1080)->Arg(2160)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(sablewick::ComposeCardAtRest)
    ->Args({1080, 1080})
    ->Args({2160, 1080})
    ->Args({1080, 2160})
    ->Args({2160, 2160})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(sablewick::ResampleIntoCard)
    ->ArgsProduct({{1080, 2160}, {0, 1, 2}})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(sablewick::ComposeFrameWithQPainter)->Arg(1080)->Arg(2160)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(sablewick::ConvertOwn)->Arg(1080)->Arg(2160)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(sablewick::ConvertSwscale)->Arg(1080)->Arg(2160)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    av_log_set_level(AV_LOG_QUIET);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The movie player's decode thread on 1080p60 recordings: how many frames per second it decodes
// and converts for the preview (it must stay above 60), and how long an exact seek takes until
// its frame is ready, for seeks to keyframes, to the last frame of the longest keyframe interval
// (the worst case: the whole interval decoded) and one frame forward (paused frame stepping); and
// real-time playback through the player itself: the share of the movie's frames that reach the
// preview.
//
// Two movies: one encoded as FFmpeg's x11grab with libx264 writes by default (preset medium, with
// B-frames, a keyframe every 4 s) and one as our own recorder writes it (LiveMovieWriter's
// defaults). SABLEWICK_BENCH_MOVIE names a real recording of at least 8 s at 60 fps to use in
// place of the first (RESULTS.md tells how the ones measured were made). The seek targets come
// from the movie's own keyframes, so a real recording's worst seek is measured where it is.
#include "media/LiveMovieWriter.h"
#include "media/MovieWriter.h"
#include "media/PlaybackClock.h"
#include "media/PlaybackDecoder.h"
#include "media/PlaybackVideoPlayer.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QCoreApplication>
#include <QEventLoop>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <cstdint>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace {

using namespace sablewick;

constexpr int kFps = 60;
constexpr int kSeconds = 8;
constexpr int kKeyframeSeconds = 4;

enum Movie { x11grab = 0, recorder = 1 };

QTemporaryDir& movieDirectory()
{
    static QTemporaryDir dir;
    return dir;
}

// The screen of a desktop application: light background, rows of coloured blocks sliding along.
struct InterfaceBlock {
    QRect rect;
    QColor colour;
};
std::vector<InterfaceBlock> interfaceBlocks(int frame)
{
    std::vector<InterfaceBlock> blocks;
    for (int row = 0; row < 30; ++row)
        blocks.push_back({QRect(100 + (row * 53 + frame * 7) % 1500, 40 + row * 34, 300, 20),
                          QColor((row * 37) % 255, 120, (frame * 3 + row * 11) % 255)});
    return blocks;
}
const QColor kInterfaceBackground(236, 236, 236);

QString writeX11grabLike()
{
    const QString file = movieDirectory().filePath("x11grab.mp4");
    MovieWriterSettings settings;
    settings.width = 1920;
    settings.height = 1080;
    settings.frameRate = MediaTime(kFps, 1);
    settings.keyframeInterval = kFps * kKeyframeSeconds;
    settings.preset = "medium";
    MovieWriter writer(file.toStdString(), settings);
    QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < kFps * kSeconds; ++i) {
        image.fill(kInterfaceBackground);
        QPainter painter(&image);
        for (const InterfaceBlock& block : interfaceBlocks(i))
            painter.fillRect(block.rect, block.colour);
        painter.end();
        writer.writeFrame(image);
    }
    writer.finish();
    return file;
}

// The same screen through the recorder's writer, in its own settings (keyframe distance, preset,
// no B-frames), timed as a steady 60 fps capture.
QString writeRecorderLike()
{
    const QString file = movieDirectory().filePath("recorder.mp4");
    LiveMovieWriterSettings settings;
    settings.width = 1920;
    settings.height = 1080;
    settings.framesPerSecond = kFps;
    LiveMovieWriter writer(file.toStdString(), settings);
    const int w = settings.width, h = settings.height;
    std::vector<std::uint8_t> y(static_cast<std::size_t>(w * h)), u(static_cast<std::size_t>(w * h / 4)),
        v(static_cast<std::size_t>(w * h / 4));
    // BT.709 limited range, as the recorder's conversion gives.
    auto fill = [&](QRect r, QColor c) {
        const double ly = 0.2126 * c.red() + 0.7152 * c.green() + 0.0722 * c.blue();
        const auto luma = static_cast<std::uint8_t>(16 + ly * 219 / 255);
        const auto cb = static_cast<std::uint8_t>(128 + (c.blue() - ly) / 1.8556 * 224 / 255);
        const auto cr = static_cast<std::uint8_t>(128 + (c.red() - ly) / 1.5748 * 224 / 255);
        r = r.intersected(QRect(0, 0, w, h));
        for (int row = r.top(); row <= r.bottom(); ++row)
            std::fill_n(y.begin() + row * w + r.left(), r.width(), luma);
        for (int row = r.top() / 2; row <= r.bottom() / 2; ++row) {
            std::fill_n(u.begin() + row * w / 2 + r.left() / 2, (r.width() + 1) / 2, cb);
            std::fill_n(v.begin() + row * w / 2 + r.left() / 2, (r.width() + 1) / 2, cr);
        }
    };
    for (int i = 0; i < kFps * kSeconds; ++i) {
        fill(QRect(0, 0, w, h), kInterfaceBackground);
        for (const InterfaceBlock& block : interfaceBlocks(i))
            fill(block.rect, block.colour);
        writer.writeFrame(Yuv420View{y.data(), u.data(), v.data(), w, w / 2, w / 2}, static_cast<double>(i) / kFps);
    }
    writer.finish();
    return file;
}

const QString& movie(Movie which)
{
    static const QString x11grabPath = [] {
        const QString chosen = qEnvironmentVariable("SABLEWICK_BENCH_MOVIE");
        return chosen.isEmpty() ? writeX11grabLike() : chosen;
    }();
    if (which == x11grab)
        return x11grabPath;
    static const QString recorderPath = writeRecorderLike();
    return recorderPath;
}

const char* movieName(Movie which)
{
    if (which == recorder)
        return "recorder";
    return qEnvironmentVariableIsEmpty("SABLEWICK_BENCH_MOVIE") ? "x11grab-like" : "given movie";
}

// Where a movie's keyframes are, read from the file: the seek targets.
struct KeyframeLayout {
    std::vector<double> keyframes;  // their times
    // The last frame of each of the longest keyframe intervals (within a tenth of the longest:
    // a real recording's scene cuts make some shorter), and how many frames lead up to it.
    std::vector<double> worstTargets;
    int worstFrames = 0;
};

KeyframeLayout layoutOf(const QString& path)
{
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, path.toUtf8().constData(), nullptr, nullptr) != 0)
        throw std::runtime_error("cannot open the movie");
    struct Closer {
        AVFormatContext*& input;
        ~Closer() { avformat_close_input(&input); }
    } closer{input};
    avformat_find_stream_info(input, nullptr);
    const int index = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0)
        throw std::runtime_error("the movie has no picture");
    const AVRational base = input->streams[index]->time_base;
    struct Picture {
        std::int64_t pts;
        bool key;
    };
    std::vector<Picture> pictures;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(input, packet) >= 0) {
        if (packet->stream_index == index && packet->pts != AV_NOPTS_VALUE)
            pictures.push_back({packet->pts, (packet->flags & AV_PKT_FLAG_KEY) != 0});
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    std::sort(pictures.begin(), pictures.end(), [](const Picture& a, const Picture& b) { return a.pts < b.pts; });
    auto seconds = [&](std::int64_t pts) { return static_cast<double>(pts) * av_q2d(base); };

    KeyframeLayout layout;
    struct Interval {
        double last;
        int frames;
    };
    std::vector<Interval> intervals;
    int frames = 0;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (pictures[i].key) {
            if (frames > 0)
                intervals.push_back({seconds(pictures[i - 1].pts), frames});
            layout.keyframes.push_back(seconds(pictures[i].pts));
            frames = 0;
        }
        ++frames;
    }
    if (frames > 0 && !pictures.empty())
        intervals.push_back({seconds(pictures.back().pts), frames});
    for (const Interval& interval : intervals)
        layout.worstFrames = std::max(layout.worstFrames, interval.frames);
    for (const Interval& interval : intervals)
        if (interval.frames * 10 >= layout.worstFrames * 9)
            layout.worstTargets.push_back(interval.last);
    return layout;
}

// A decoder with a way to wait for its seeks.
struct Decoding {
    explicit Decoding(Movie which = x11grab)
        : decoder(movie(which).toStdString(), nullptr)
    {
        decoder.start([this](std::uint64_t serial) {
            std::lock_guard lock(mutex);
            finished = serial;
            done.notify_all();
        });
    }
    // Waits for the seek's frame and takes it, as the player does: a second seek to the same
    // time decodes again instead of finding its frame still queued.
    void seekAndWait(double t)
    {
        decoder.seek(t, ++serial);
        {
            std::unique_lock lock(mutex);
            done.wait(lock, [&] { return finished == serial; });
        }
        decoder.takeSeekResult(serial);
    }

    PlaybackDecoder decoder;
    std::mutex mutex;
    std::condition_variable done;
    std::uint64_t finished = 0;
    std::uint64_t serial = 0;
};

void BM_PlaybackDecodeAndConvert1080p60(benchmark::State& state)
{
    Decoding decoding;
    std::int64_t frames = 0;
    for (auto _ : state) {
        decoding.seekAndWait(0);
        int taken = 1;
        double last = 0;
        // The whole movie, taken as fast as the decode thread delivers it.
        while (last < kSeconds - 1.5 / kFps) {
            if (auto frame = decoding.decoder.takeUpTo(std::numeric_limits<double>::max(), decoding.serial)) {
                last = frame->time;
                ++taken;
            } else {
                std::this_thread::yield();
            }
        }
        frames += taken;
    }
    state.SetItemsProcessed(frames);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlaybackDecodeAndConvert1080p60)->Unit(benchmark::kMillisecond)->UseRealTime();

// Arguments: the movie, the kind of seek. Besides the mean: the slowest seek (`worst_ms`), the
// process's processor time per seek (`cpu_ms`; the decoder's own threads do the work, so this says
// what a seek costs even on a busy machine, where the wall time mostly says how busy it was) and
// the frames from the keyframe to the worst target (`frames`).
void BM_PlaybackSeek1080p60(benchmark::State& state)
{
    const auto which = static_cast<Movie>(state.range(0));
    const int kind = static_cast<int>(state.range(1));
    KeyframeLayout layout;
    try {
        layout = layoutOf(movie(which));
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    Decoding decoding(which);
    const double frame = 1.0 / kFps;
    const double end = layout.worstTargets.empty() ? 0 : layout.worstTargets.back();
    double previous = std::min(2.0, end / 2);
    decoding.seekAndWait(previous);
    double worst = 0;
    std::size_t next = 0;
    const std::clock_t processorBefore = std::clock();
    for (auto _ : state) {
        double t = 0;
        switch (kind) {
        case 0:  // onto a keyframe, each in turn
            t = layout.keyframes[next++ % layout.keyframes.size()];
            break;
        case 1:  // the last frame of a longest interval, each in turn: the whole interval is decoded
            t = layout.worstTargets[next++ % layout.worstTargets.size()];
            break;
        default:  // one frame forward
            t = previous + frame;
            if (t > end - 0.1)
                t = 0.5;
            break;
        }
        const auto started = std::chrono::steady_clock::now();
        decoding.seekAndWait(t);
        worst = std::max(worst, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count());
        previous = t;
    }
    state.counters["cpu_ms"] = benchmark::Counter(
        static_cast<double>(std::clock() - processorBefore) * 1000.0 / CLOCKS_PER_SEC / static_cast<double>(state.iterations()));
    state.counters["worst_ms"] = worst;
    state.counters["frames"] = layout.worstFrames;
    state.SetLabel(std::string(movieName(which)) + ", "
                   + (kind == 0 ? "keyframe" : kind == 1 ? "before keyframe" : "step forward"));
}
BENCHMARK(BM_PlaybackSeek1080p60)
    ->ArgsProduct({{x11grab, recorder}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_PlaybackRealTime1080p60(benchmark::State& state)
{
    std::int64_t shown = 0;
    std::int64_t due = 0;
    for (auto _ : state) {
        PlaybackVideoPlayer player(nullptr, std::make_shared<SystemPlaybackClock>(), std::make_unique<QtPlaybackTimer>());
        QString error;
        if (!player.open(movie(x11grab), &error)) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        QEventLoop loop;
        int frames = 0;
        QObject::connect(&player, &VideoPlayer::frameChanged, &loop, [&] { ++frames; });
        QObject::connect(&player, &VideoPlayer::reachedEnd, &loop, &QEventLoop::quit);
        player.play();
        loop.exec();
        shown += frames - 1;  // the first frame came from opening
        due += kFps * kSeconds;
    }
    state.counters["shown"] = benchmark::Counter(static_cast<double>(shown) / static_cast<double>(due) * 100.0);
    state.SetLabel("shown: percent of the movie's frames presented");
}
BENCHMARK(BM_PlaybackRealTime1080p60)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

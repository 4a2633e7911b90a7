// The movie player's decode thread on a 1080p60 recording: how many frames per second it decodes
// and converts for the preview (it must stay above 60), and how long an exact seek takes until
// its frame is ready, for seeks to keyframes, to the frame before a keyframe (the worst case:
// a whole interval decoded) and one frame forward (paused frame stepping); and real-time
// playback through the player itself: the share of the movie's frames that reach the preview.
//
// The generated movie is encoded as FFmpeg's x11grab with libx264 writes by default (preset
// medium, with B-frames, a keyframe every 4 s); SABLEWICK_BENCH_MOVIE names a real recording of at
// least 8 s at 60 fps to use instead (x11grab's 250-frame keyframe interval gives nearly the same
// worst seek).
#include "media/MovieWriter.h"
#include "media/PlaybackClock.h"
#include "media/PlaybackDecoder.h"
#include "media/PlaybackVideoPlayer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <cstdint>
#include <limits>
#include <mutex>
#include <random>

namespace {

using namespace sablewick;

constexpr int kFps = 60;
constexpr int kSeconds = 8;
constexpr int kKeyframeSeconds = 4;

// A recording-like movie: an interface with moving blocks.
const QString& recording1080()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        if (const QString chosen = qEnvironmentVariable("SABLEWICK_BENCH_MOVIE"); !chosen.isEmpty())
            return chosen;
        const QString file = dir.filePath("recording.mp4");
        MovieWriterSettings settings;
        settings.width = 1920;
        settings.height = 1080;
        settings.frameRate = MediaTime(kFps, 1);
        settings.keyframeInterval = kFps * kKeyframeSeconds;
        settings.preset = "medium";
        MovieWriter writer(file.toStdString(), settings);
        QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
        for (int i = 0; i < kFps * kSeconds; ++i) {
            image.fill(QColor(236, 236, 236));
            QPainter painter(&image);
            for (int row = 0; row < 30; ++row)
                painter.fillRect(100 + (row * 53 + i * 7) % 1500, 40 + row * 34, 300, 20,
                                 QColor((row * 37) % 255, 120, (i * 3 + row * 11) % 255));
            painter.end();
            writer.writeFrame(image);
        }
        writer.finish();
        return file;
    }();
    return path;
}

// A decoder with a way to wait for its seeks.
struct Decoding {
    Decoding()
        : decoder(recording1080().toStdString(), nullptr)
    {
        decoder.start([this](std::uint64_t serial) {
            std::lock_guard lock(mutex);
            finished = serial;
            done.notify_all();
        });
    }
    void seekAndWait(double t)
    {
        decoder.seek(t, ++serial);
        std::unique_lock lock(mutex);
        done.wait(lock, [&] { return finished == serial; });
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
        int taken = 0;
        double last = -1;
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

void BM_PlaybackSeek1080p60(benchmark::State& state)
{
    Decoding decoding;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> interval(0, kSeconds / kKeyframeSeconds - 1);
    const int kind = static_cast<int>(state.range(0));
    double previous = 2.0;
    decoding.seekAndWait(previous);
    // The decoder's own threads do the work: the process's processor time says what a seek costs
    // even on a busy machine, where the wall time mostly says how busy it was.
    const std::clock_t processorBefore = std::clock();
    for (auto _ : state) {
        double t = 0;
        switch (kind) {
        case 0:  // onto a keyframe
            t = interval(random) * kKeyframeSeconds;
            break;
        case 1:  // the last frame before a keyframe: the whole interval is decoded
            t = (interval(random) + 1) * kKeyframeSeconds - 1.0 / kFps;
            break;
        default:  // one frame forward
            t = previous + 1.0 / kFps;
            if (t > kSeconds - 0.1)
                t = 0.5;
            break;
        }
        decoding.seekAndWait(t);
        previous = t;
    }
    state.counters["cpu_ms"] = benchmark::Counter(
        static_cast<double>(std::clock() - processorBefore) * 1000.0 / CLOCKS_PER_SEC / static_cast<double>(state.iterations()));
    state.SetLabel(kind == 0 ? "keyframe" : kind == 1 ? "before keyframe" : "step forward");
}
BENCHMARK(BM_PlaybackSeek1080p60)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlaybackRealTime1080p60(benchmark::State& state)
{
    std::int64_t shown = 0;
    std::int64_t due = 0;
    for (auto _ : state) {
        PlaybackVideoPlayer player(nullptr, std::make_shared<SystemPlaybackClock>(), std::make_unique<QtPlaybackTimer>());
        QString error;
        if (!player.open(recording1080(), &error)) {
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

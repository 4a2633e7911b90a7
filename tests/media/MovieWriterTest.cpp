#include "MediaTestSupport.h"

#include "media/AudioDecoder.h"
#include "media/MediaError.h"
#include "media/MovieWriter.h"
#include "media/Yuv420Frame.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <random>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace sablewick {
namespace {

using test::decodeVideo;

MovieWriterSettings smallSettings(MovieFormat format)
{
    MovieWriterSettings settings;
    settings.format = format;
    settings.width = 160;
    settings.height = 90;
    settings.frameRate = MediaTime(30, 1);
    settings.videoBitRate = 400'000;
    settings.keyframeInterval = 15;
    return settings;
}

struct FormatCase {
    MovieFormat format;
    const char* file;
    AVCodecID codec;
    const char* container;
};

class MovieWriterFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(MovieWriterFormatTest, WritesTaggedVideoAndAudioThatDecodeBack)
{
    const FormatCase c = GetParam();
    QTemporaryDir dir;
    const std::string path = dir.filePath(c.file).toStdString();
    const AudioFormat audioFormat{44100, 2};
    const AudioBuffer sound = test::tone(audioFormat, 1.0, 440, 0.5f);
    test::writeClip(path, smallSettings(c.format), 30, &sound);

    const test::DecodedVideo video = decodeVideo(path);
    EXPECT_EQ(video.container, c.container);
    EXPECT_EQ(video.codecId, c.codec);
    EXPECT_EQ(video.width, 160);
    EXPECT_EQ(video.height, 90);
    EXPECT_EQ(video.frameTimes.size(), 30u);
    EXPECT_EQ(video.frameRateNum * 1, 30 * video.frameRateDen);
    EXPECT_NEAR(video.duration, 1.0, 0.05);
    EXPECT_EQ(video.colorPrimaries, AVCOL_PRI_BT709);
    EXPECT_EQ(video.colorTrc, AVCOL_TRC_BT709);
    EXPECT_EQ(video.colorSpace, AVCOL_SPC_BT709);
    for (std::size_t i = 0; i < video.frameTimes.size(); ++i)
        EXPECT_NEAR(video.frameTimes[i], static_cast<double>(i) / 30, 1e-6) << "frame " << i;
    // The frames are the ones given, in order (grey levels in limited-range luma).
    ASSERT_EQ(video.centreLuma.size(), 30u);
    for (int i = 0; i < 30; ++i) {
        double y, cb, cr;
        const int level = test::patternLevel(i);
        test::bt709(level, level, level, y, cb, cr);
        EXPECT_NEAR(video.centreLuma[static_cast<std::size_t>(i)], y, 4) << "frame " << i;
    }
    if (c.format == MovieFormat::movHevc) {
        EXPECT_EQ(video.codecTag, MKTAG('h', 'v', 'c', '1'));
    }

    ASSERT_TRUE(video.hasAudio);
    EXPECT_EQ(video.audioCodecId, AV_CODEC_ID_AAC);
    EXPECT_EQ(video.audioRate, 44100);
    EXPECT_EQ(video.audioChannels, 2);
    const AudioBuffer decoded = AudioDecoder::decode(path, audioFormat);
    EXPECT_NEAR(decoded.duration(), 1.0, 0.05);
    // The middle of the tone (away from the encoder's fade-in) keeps its level: 0.5 / sqrt(2).
    AudioBuffer middle;
    middle.format = audioFormat;
    middle.samples.assign(decoded.samples.begin() + 2 * 11025, decoded.samples.begin() + 2 * 33075);
    EXPECT_NEAR(middle.rms(), 0.5 / std::sqrt(2.0), 0.03);
}

INSTANTIATE_TEST_SUITE_P(Formats, MovieWriterFormatTest,
                         ::testing::Values(FormatCase{MovieFormat::mp4H264, "clip.mp4", AV_CODEC_ID_H264, "mov,mp4,m4a,3gp,3g2,mj2"},
                                           FormatCase{MovieFormat::movHevc, "clip.mov", AV_CODEC_ID_HEVC, "mov,mp4,m4a,3gp,3g2,mj2"}),
                         [](const auto& info) { return info.param.format == MovieFormat::mp4H264 ? "Mp4H264" : "MovHevc"; });

TEST(MovieWriterTest, ConvertsColoursWithTheBt709Matrix)
{
    // A saturated colour tells the matrices apart: BT.601 would give a luma of about 99 here, BT.709 gives 84.5.
    QTemporaryDir dir;
    const std::string path = dir.filePath("colour.mp4").toStdString();
    MovieWriterSettings settings = smallSettings(MovieFormat::mp4H264);
    settings.videoBitRate = 0;
    QImage red(160, 90, QImage::Format_RGBX8888);  // the other byte order takes the same path
    red.fill(QColor(220, 40, 60));
    {
        MovieWriter writer(path, settings);
        for (int i = 0; i < 5; ++i)
            writer.writeFrame(red);
        writer.finish();
    }
    const test::DecodedVideo video = decodeVideo(path);
    ASSERT_FALSE(video.centreLuma.empty());
    double y, cb, cr;
    test::bt709(220, 40, 60, y, cb, cr);
    EXPECT_NEAR(video.centreLuma.front(), y, 2.5);
    EXPECT_NEAR(video.centreCb.front(), cb, 2.5);
    EXPECT_NEAR(video.centreCr.front(), cr, 2.5);
}

TEST(MovieWriterTest, TakesFramesAlreadyInYuv)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("yuv.mp4").toStdString();
    const MovieWriterSettings settings = smallSettings(MovieFormat::mp4H264);
    std::vector<std::uint8_t> y(160 * 90), u(80 * 45, 90), v(80 * 45, 170);
    {
        MovieWriter writer(path, settings);
        for (int i = 0; i < 4; ++i) {
            std::fill(y.begin(), y.end(), static_cast<std::uint8_t>(40 + 40 * i));
            writer.writeFrame(Yuv420View{y.data(), u.data(), v.data(), 160, 80, 80});
        }
        EXPECT_EQ(test::errorKindOf([&] { writer.writeFrame(Yuv420View{y.data(), u.data(), nullptr, 160, 80, 80}); }),
                  MediaErrorKind::invalidArgument);
        EXPECT_EQ(test::errorKindOf([&] { writer.writeFrame(Yuv420View{y.data(), u.data(), v.data(), 100, 80, 80}); }),
                  MediaErrorKind::invalidArgument);
        writer.finish();
    }
    const test::DecodedVideo video = decodeVideo(path);
    ASSERT_EQ(video.centreLuma.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(video.centreLuma[static_cast<std::size_t>(i)], 40 + 40 * i, 3) << i;
}

// One frame object refilled for every picture, as the export does: each picture must reach the
// file as it was when it was written, whatever the encoder still holds.
TEST(MovieWriterTest, TakesReusedFramesByReference)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("frames.mov").toStdString();
    const MovieWriterSettings settings = smallSettings(MovieFormat::movHevc);
    Yuv420Frame frame;
    {
        MovieWriter writer(path, settings);
        for (int i = 0; i < 6; ++i) {
            frame.prepare(160, 90);
            for (int row = 0; row < 90; ++row)
                std::fill_n(frame.plane(0) + row * frame.stride(0), 160, static_cast<std::uint8_t>(30 + 35 * i));
            for (int p = 1; p < 3; ++p)
                for (int row = 0; row < 45; ++row)
                    std::fill_n(frame.plane(p) + row * frame.stride(p), 80, std::uint8_t{128});
            writer.writeFrame(frame);
        }
        Yuv420Frame wrongSize;
        wrongSize.prepare(100, 90);
        EXPECT_EQ(test::errorKindOf([&] { writer.writeFrame(wrongSize); }), MediaErrorKind::invalidArgument);
        writer.finish();
    }
    const test::DecodedVideo video = decodeVideo(path);
    ASSERT_EQ(video.centreLuma.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(video.centreLuma[static_cast<std::size_t>(i)], 30 + 35 * i, 3) << i;
}

TEST(MovieWriterTest, WritesVideoOnlyWithoutAudio)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("silent.mp4").toStdString();
    test::writeClip(path, smallSettings(MovieFormat::mp4H264), 3);
    const test::DecodedVideo video = decodeVideo(path);
    EXPECT_FALSE(video.hasAudio);
    EXPECT_EQ(video.frameTimes.size(), 3u);
}

TEST(MovieWriterTest, MoviesShorterThanTheEncodersDelayAreCompleteEveryTime)
{
    // x265 leaves such movies' decoding times unset; what its memory happened to hold shows
    // most often while several movies are written at once.
    QTemporaryDir dir;
    constexpr int kWriters = 6, kAttempts = 6;
    struct Result {
        std::string path;
        int frames = 0;
        std::optional<MediaErrorKind> error;
    };
    std::vector<Result> results;
    for (int writer = 0; writer < kWriters; ++writer)
        for (int attempt = 0; attempt < kAttempts; ++attempt)
            results.push_back({dir.filePath(QString("short-%1-%2.mov").arg(writer).arg(attempt)).toStdString(), 1 + attempt % 2, {}});
    std::vector<std::thread> writers;
    for (int writer = 0; writer < kWriters; ++writer) {
        writers.emplace_back([&results, writer] {
            MovieWriterSettings settings = smallSettings(MovieFormat::movHevc);
            settings.frameRate = MediaTime(60, 1);
            for (int attempt = 0; attempt < kAttempts; ++attempt) {
                Result& result = results[static_cast<std::size_t>(writer * kAttempts + attempt)];
                // Frames by reference, as an export hands them over.
                result.error = test::errorKindOf([&] {
                    MovieWriter movie(result.path, settings);
                    Yuv420Frame frame;
                    for (int i = 0; i < result.frames; ++i) {
                        frame.prepare(settings.width, settings.height);
                        for (int plane = 0; plane < 3; ++plane)
                            std::memset(frame.plane(plane), 60 + 40 * i + 20 * plane,
                                        static_cast<std::size_t>(frame.stride(plane)) * static_cast<std::size_t>(plane ? settings.height / 2 : settings.height));
                        movie.writeFrame(frame);
                    }
                    movie.finish();
                });
            }
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    for (const Result& result : results) {
        ASSERT_EQ(result.error, std::nullopt) << result.path;
        const test::DecodedVideo video = decodeVideo(result.path);
        ASSERT_EQ(video.frameTimes.size(), static_cast<std::size_t>(result.frames)) << result.path;
        EXPECT_DOUBLE_EQ(video.frameTimes.front(), 0.0) << result.path;
    }
}

TEST(MovieWriterTest, RefusesWhatItCannotWrite)
{
    QTemporaryDir dir;
    const MovieWriterSettings good = smallSettings(MovieFormat::mp4H264);
    const QString locked = dir.filePath("locked");
    QDir().mkdir(locked);
    ::chmod(locked.toLocal8Bit().constData(), 0500);

    MovieWriterSettings odd = good;
    odd.width = 161;
    MovieWriterSettings noRate = good;
    noRate.frameRate = MediaTime(0, 1);
    MovieWriterSettings badPreset = good;
    badPreset.preset = "no-such-preset";

    struct Case {
        const char* name;
        std::function<void()> action;
        MediaErrorKind expected;
    };
    const std::vector<Case> cases = {
        {"missing folder", [&] { MovieWriter(dir.filePath("none/x.mp4").toStdString(), good); }, MediaErrorKind::cannotCreateFile},
        {"odd width", [&] { MovieWriter(dir.filePath("x.mp4").toStdString(), odd); }, MediaErrorKind::invalidArgument},
        {"no frame rate", [&] { MovieWriter(dir.filePath("x.mp4").toStdString(), noRate); }, MediaErrorKind::invalidArgument},
        {"unknown preset", [&] { MovieWriter(dir.filePath("x.mp4").toStdString(), badPreset); }, MediaErrorKind::encoderUnavailable},
        {"a folder", [&] { MovieWriter(dir.path().toStdString(), good); }, MediaErrorKind::cannotCreateFile},
        {"a device", [&] { MovieWriter("/dev/null", good); }, MediaErrorKind::cannotCreateFile},
        {"web address", [&] { MovieWriter("http://example.com/x.mp4", good); }, MediaErrorKind::notLocalFile},
        {"pipe", [&] { MovieWriter("pipe:1", good); }, MediaErrorKind::notLocalFile},
        // AAC has no 1234 Hz: the sound cannot be written, so the movie is not written either.
        {"unencodable audio",
         [&] {
             AudioBuffer odd;
             odd.format = AudioFormat{1234, 2};
             odd.samples.assign(2468, 0.1f);
             MovieWriter(dir.filePath("x.mp4").toStdString(), good, std::make_unique<AudioBufferStream>(odd));
         },
         MediaErrorKind::encoderUnavailable},
        {"wrong frame size",
         [&] {
             MovieWriter writer(dir.filePath("x.mp4").toStdString(), good);
             writer.writeFrame(QImage(80, 90, QImage::Format_RGB32));
         },
         MediaErrorKind::invalidArgument},
        {"finish without frames",
         [&] {
             MovieWriter writer(dir.filePath("x.mp4").toStdString(), good);
             writer.finish();
         },
         MediaErrorKind::invalidArgument},
    };
    for (const Case& c : cases)
        EXPECT_EQ(test::errorKindOf(c.action), c.expected) << c.name;
    if (::geteuid() != 0) {  // root writes anywhere
        EXPECT_EQ(test::errorKindOf([&] { MovieWriter((locked + "/x.mp4").toStdString(), good); }), MediaErrorKind::cannotCreateFile);
    }
    ::chmod(locked.toLocal8Bit().constData(), 0700);
    // Nothing is left behind by a writer that failed or was abandoned, and nothing else is touched.
    EXPECT_FALSE(QFile::exists(dir.filePath("x.mp4")));
    EXPECT_TRUE(QFile::exists("/dev/null"));
}

TEST(MovieWriterTest, CancellingWhileAudioDrainsRemovesTheFile)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("cancel.mp4").toStdString();
    MovieWriterSettings settings = smallSettings(MovieFormat::mp4H264);
    bool cancelled = false;
    settings.cancel = [&] { return cancelled; };
    const AudioBuffer sound = test::tone(AudioFormat{44100, 2}, 1.0, 440, 0.5f);
    MovieWriter writer(path, settings, std::make_unique<AudioBufferStream>(sound));
    writer.writeFrame(test::patternFrame(160, 90, 0));
    cancelled = true;
    try {
        writer.finish();
        FAIL() << "finish went on after cancellation";
    } catch (const MediaError& error) {
        EXPECT_EQ(error.kind(), MediaErrorKind::cancelled);
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
}

// Noise: nothing for the encoder to predict, so every frame costs it the most work.
QImage noiseFrame(int width, int height, std::mt19937& random)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = 0xff000000u | (random() & 0xffffffu);
    }
    return image;
}

TEST(MovieWriterTest, ACancelWhileTheEncoderFlushesEndsAtOnceAndLeavesNoFile)
{
    using Clock = std::chrono::steady_clock;
    QTemporaryDir dir;
    // A slow preset keeps every frame in its look-ahead until the flush: a second of work.
    MovieWriterSettings settings = smallSettings(MovieFormat::movHevc);
    settings.width = 320;
    settings.height = 180;
    settings.preset = "slow";
    std::mt19937 random(7);
    std::vector<QImage> frames;
    for (int i = 0; i < 20; ++i)
        frames.push_back(noiseFrame(settings.width, settings.height, random));

    std::optional<Clock::time_point> cancelAt;
    settings.cancel = [&] { return cancelAt && Clock::now() >= *cancelAt; };
    auto finishTimed = [&](const std::string& path, std::optional<Clock::duration> cancelAfter) {
        MovieWriter writer(path, settings);
        for (const QImage& frame : frames)
            writer.writeFrame(frame);
        const Clock::time_point start = Clock::now();
        cancelAt.reset();
        if (cancelAfter)
            cancelAt = start + *cancelAfter;
        std::optional<MediaErrorKind> kind = test::errorKindOf([&] { writer.finish(); });
        const Clock::time_point end = Clock::now();
        return std::make_pair(kind, end - (cancelAt ? *cancelAt : start));
    };

    const auto [completed, flushTime] = finishTimed(dir.filePath("whole.mov").toStdString(), std::nullopt);
    ASSERT_EQ(completed, std::nullopt);
    EXPECT_EQ(decodeVideo(dir.filePath("whole.mov").toStdString()).frameTimes.size(), frames.size());
    QFile::remove(dir.filePath("whole.mov"));
    const auto cancelAfter = std::chrono::milliseconds(50);
    ASSERT_GT(flushTime, 4 * cancelAfter) << "the flush is too short to be cancelled in";

    const auto [cancelled, afterCancel] = finishTimed(dir.filePath("cancelled.mov").toStdString(), cancelAfter);
    EXPECT_EQ(cancelled, MediaErrorKind::cancelled);
    // Generous bounds for a loaded machine: what matters is that the flush is not waited for.
    EXPECT_LT(afterCancel, flushTime / 4);
    EXPECT_LT(afterCancel, std::chrono::milliseconds(500));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

}  // namespace
}  // namespace sablewick

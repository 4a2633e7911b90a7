#include "media/LiveMovieWriter.h"
#include "media/MovieWriter.h"

#include "MediaTestSupport.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cmath>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace sablewick {
namespace {

// Flat YUV planes of one luma level.
struct FlatPicture {
    int width, height;
    std::vector<std::uint8_t> y, chroma;
    FlatPicture(int w, int h) : width(w), height(h), y(static_cast<std::size_t>(w * h)), chroma(static_cast<std::size_t>(w * h / 4), 128) {}
    Yuv420View view(int level)
    {
        std::fill(y.begin(), y.end(), static_cast<std::uint8_t>(level));
        return {y.data(), chroma.data(), chroma.data(), width, width / 2, width / 2};
    }
};

// Times of the keyframes of the first video stream, from the packets.
std::vector<double> keyframeTimes(const std::string& path)
{
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) != 0)
        return {};
    avformat_find_stream_info(input, nullptr);
    const int index = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    std::vector<double> times;
    AVPacket* packet = av_packet_alloc();
    while (index >= 0 && av_read_frame(input, packet) >= 0) {
        if (packet->stream_index == index && (packet->flags & AV_PKT_FLAG_KEY))
            times.push_back(static_cast<double>(packet->pts) * av_q2d(input->streams[index]->time_base));
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&input);
    return times;
}

constexpr int kWidth = 320, kHeight = 180;

TEST(LiveMovieWriterTest, FramesKeepTheirOwnTimesAndPushedSoundFollows)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("live.mov").toStdString();
    LiveMovieWriterSettings settings;
    settings.width = kWidth;
    settings.height = kHeight;
    settings.audio = true;
    LiveMovieWriter writer(path, settings);
    FlatPicture picture(kWidth, kHeight);
    // Capture is not a constant-rate pull: a pause of 0.3 s, and two frames out of order.
    std::vector<double> times;
    for (int i = 0; i < 60; ++i)
        times.push_back(i / 60.0);
    for (int i = 0; i < 90; ++i)
        times.push_back(1.3 + i / 60.0);
    for (std::size_t i = 0; i < times.size(); ++i)
        writer.writeFrame(picture.view(test::patternLevel(static_cast<int>(i))), times[i]);
    // 2.8 s of sound in uneven pieces, as a server delivers it.
    const AudioFormat format{48000, 2};
    const AudioBuffer sound = test::tone(format, 2.8, 440, 0.5f);
    const std::int64_t total = static_cast<std::int64_t>(sound.samples.size() / 2);
    const std::int64_t pieces[] = {480, 1000, 37, 4096};
    for (std::int64_t at = 0, i = 0; at < total; ++i) {
        const std::int64_t n = std::min(pieces[i % 4], total - at);
        writer.writeAudio(sound.samples.data() + at * 2, n);
        at += n;
    }
    writer.finish();
    EXPECT_EQ(writer.framesWritten(), 150);
    EXPECT_EQ(writer.audioFramesWritten(), total);

    const test::DecodedVideo decoded = test::decodeVideo(path);
    EXPECT_EQ(decoded.codecId, AV_CODEC_ID_H264);
    EXPECT_EQ(decoded.width, kWidth);
    EXPECT_EQ(decoded.height, kHeight);
    ASSERT_EQ(decoded.frameTimes.size(), times.size());
    for (std::size_t i = 0; i < times.size(); ++i) {
        EXPECT_NEAR(decoded.frameTimes[i], times[i], 1e-4) << i;
        EXPECT_NEAR(decoded.centreLuma[i], test::patternLevel(static_cast<int>(i)), 3) << i;
    }
    EXPECT_TRUE(decoded.hasAudio);
    EXPECT_EQ(decoded.audioCodecId, AV_CODEC_ID_AAC);
    EXPECT_EQ(decoded.audioRate, 48000);
    EXPECT_EQ(decoded.audioChannels, 2);
    EXPECT_NEAR(decoded.duration, 2.8, 0.05);

    // Seeking in the editor needs a keyframe at most a second before any frame, also after the
    // capture paused.
    const std::vector<double> keys = keyframeTimes(path);
    ASSERT_FALSE(keys.empty());
    EXPECT_DOUBLE_EQ(keys.front(), 0);
    for (double t : decoded.frameTimes) {
        const auto after = std::upper_bound(keys.begin(), keys.end(), t + 1e-6);
        ASSERT_NE(after, keys.begin());
        EXPECT_LT(t - *(after - 1), 1.0) << t;
    }
}

TEST(LiveMovieWriterTest, AKilledWriterLeavesAMovieThatPlaysUpToItsLastFragment)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("killed.mov").toStdString();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only FFmpeg runs here; the process ends by SIGKILL without any cleanup.
        LiveMovieWriterSettings settings;
        settings.width = kWidth;
        settings.height = kHeight;
        settings.audio = true;
        LiveMovieWriter writer(path, settings);
        FlatPicture picture(kWidth, kHeight);
        std::vector<float> silence(800 * 2, 0.0f);
        for (int i = 0; i < 200; ++i) {
            writer.writeFrame(picture.view(test::patternLevel(i)), i / 60.0);
            writer.writeAudio(silence.data(), 800);
        }
        ::kill(::getpid(), SIGKILL);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;

    const test::DecodedVideo decoded = test::decodeVideo(path);
    EXPECT_EQ(decoded.codecId, AV_CODEC_ID_H264);
    EXPECT_EQ(decoded.width, kWidth);
    // 200 frames were sent: at least the fragments before the last keyframe are complete.
    ASSERT_GE(decoded.frameTimes.size(), 120u);
    for (std::size_t i = 0; i < decoded.frameTimes.size(); ++i)
        EXPECT_NEAR(decoded.centreLuma[i], test::patternLevel(static_cast<int>(i)), 3) << i;
    EXPECT_TRUE(decoded.hasAudio);
}

TEST(LiveMovieWriterTest, RefusesWhatItCannotWrite)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("refused.mov").toStdString();
    auto writerOf = [&](int width, int height, bool audio) {
        LiveMovieWriterSettings settings;
        settings.width = width;
        settings.height = height;
        settings.audio = audio;
        return std::make_unique<LiveMovieWriter>(path, settings);
    };
    EXPECT_EQ(test::errorKindOf([&] { writerOf(321, 180, false); }), MediaErrorKind::invalidArgument);
    EXPECT_EQ(test::errorKindOf([&] { writerOf(0, 180, false); }), MediaErrorKind::invalidArgument);
    EXPECT_EQ(test::errorKindOf([&] {
                  LiveMovieWriterSettings settings;
                  settings.width = kWidth;
                  settings.height = kHeight;
                  LiveMovieWriter(dir.filePath("missing/folder.mov").toStdString(), settings);
              }),
              MediaErrorKind::cannotCreateFile);
    auto silent = writerOf(kWidth, kHeight, false);
    const float sample[2] = {0, 0};
    EXPECT_EQ(test::errorKindOf([&] { silent->writeAudio(sample, 1); }), MediaErrorKind::invalidArgument);
    FlatPicture picture(kWidth, kHeight);
    Yuv420View view = picture.view(50);
    view.yStride = 10;
    EXPECT_EQ(test::errorKindOf([&] { silent->writeFrame(view, 0); }), MediaErrorKind::invalidArgument);
}

}  // namespace
}  // namespace sablewick

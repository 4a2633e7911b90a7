#include "MediaTestSupport.h"

#include "media/GifWriter.h"
#include "media/MediaError.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace sablewick {
namespace {

// The NETSCAPE loop count of a GIF file, or -1 without the block (plays once).
int loopCountOf(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return -2;
    const QByteArray bytes = file.readAll();
    const qsizetype at = bytes.indexOf("NETSCAPE2.0");
    if (at < 0)
        return -1;
    const auto low = static_cast<unsigned char>(bytes[at + 13]);
    const auto high = static_cast<unsigned char>(bytes[at + 14]);
    return low | high << 8;
}

// A smooth picture with far more than 256 colours, plus a dark block at `offset`.
QImage gradientFrame(int width, int height, int offset)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / (width - 1), y * 255 / (height - 1), (x + y) * 255 / (width + height - 2)));
    for (int y = 10; y < 30; ++y)
        for (int x = offset; x < offset + 20; ++x)
            image.setPixel(x, y, qRgb(20, 30, 40));
    return image;
}

// Peak signal-to-noise ratio over the three channels, in dB.
double psnr(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int dr = qRed(p) - qRed(q), dg = qGreen(p) - qGreen(q), db = qBlue(p) - qBlue(q);
            sum += dr * dr + dg * dg + db * db;
        }
    const double mse = sum / (3.0 * a.width() * a.height());
    return 10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9));
}

std::vector<std::int64_t> cumulativeDelays(int frames, MediaTime frameLength, MediaTime end)
{
    std::vector<std::int64_t> delays;
    for (int k = 0; k < frames; ++k) {
        const MediaTime start(k * frameLength.value, frameLength.scale);
        const MediaTime next = k + 1 < frames ? MediaTime((k + 1) * frameLength.value, frameLength.scale) : end;
        delays.push_back(next.rescaled(100) - start.rescaled(100));
    }
    return delays;
}

struct RateCase {
    int fps;
    int frames;
    MediaTime end;
};

class GifRateTest : public ::testing::TestWithParam<RateCase> {};

TEST_P(GifRateTest, DelaysAddUpToTheSelection)
{
    const RateCase c = GetParam();
    QTemporaryDir dir;
    const std::string path = dir.filePath("rate.gif").toStdString();
    GifWriterSettings settings;
    settings.width = 160;
    settings.height = 90;
    GifWriter writer(path, settings);
    for (int k = 0; k < c.frames; ++k)
        writer.writeFrame(test::patternFrame(160, 90, k), MediaTime(k, c.fps));
    writer.finish(c.end);
    EXPECT_EQ(writer.framesWritten(), c.frames);

    const test::DecodedVideo gif = test::decodeVideo(path);
    EXPECT_EQ(gif.codecId, AV_CODEC_ID_GIF);
    EXPECT_EQ(gif.width, 160);
    EXPECT_EQ(gif.height, 90);
    ASSERT_EQ(gif.frameDurations.size(), static_cast<std::size_t>(c.frames));
    EXPECT_EQ(gif.frameDurations, cumulativeDelays(c.frames, MediaTime(1, c.fps), c.end));
    EXPECT_EQ(std::accumulate(gif.frameDurations.begin(), gif.frameDurations.end(), std::int64_t{0}), c.end.rescaled(100));
    EXPECT_EQ(loopCountOf(path), 0);
}

INSTANTIATE_TEST_SUITE_P(Rates, GifRateTest,
                         ::testing::Values(RateCase{12, 12, MediaTime(1, 1)},       // 8 and 9 hundredths, 100 in all
                                           RateCase{8, 12, MediaTime(3, 2)},        // 13 and 12, 150 in all
                                           RateCase{15, 10, MediaTime(2, 3)},       // 7 each... with 6s where due
                                           RateCase{12, 5, MediaTime(1, 2)}),       // the last frame ends at the selection's end
                         [](const auto& info) { return std::to_string(info.param.fps) + "fps" + std::to_string(info.param.frames); });

TEST(GifWriterTest, FramesDecodeBackCloseToTheSource)
{
    QTemporaryDir dir;
    for (const bool global : {false, true}) {
        const std::string path = dir.filePath(global ? "global.gif" : "local.gif").toStdString();
        std::vector<QImage> frames;
        for (int k = 0; k < 4; ++k)
            frames.push_back(gradientFrame(160, 90, 10 + 25 * k));
        GifWriterSettings settings;
        settings.width = 160;
        settings.height = 90;
        if (global)
            settings.globalPalette = GifPalette::fromImages(frames);
        GifWriter writer(path, settings);
        for (int k = 0; k < 4; ++k)
            writer.writeFrame(frames[static_cast<std::size_t>(k)], MediaTime(k, 10));
        writer.finish(MediaTime(4, 10));

        const test::DecodedVideo gif = test::decodeVideo(path, true);
        ASSERT_EQ(gif.frames.size(), 4u);
        for (int k = 0; k < 4; ++k) {
            // Each decoded frame, drawn over the frames before it, is the source picture: the
            // moving block is where it should be and nothing of it is left behind.
            const QImage& decoded = gif.frames[static_cast<std::size_t>(k)];
            const QImage& source = frames[static_cast<std::size_t>(k)];
            // FFmpeg's palettegen + paletteuse (default dithering) reach 34.0 dB on frame 0.
            EXPECT_GT(psnr(decoded, source), 34.0) << (global ? "global " : "local ") << k;
            const QRgb block = decoded.pixel(20 + 25 * k, 20);
            EXPECT_LT(std::abs(qRed(block) - 20) + std::abs(qGreen(block) - 30) + std::abs(qBlue(block) - 40), 12);
            if (k > 0) {
                const QRgb left = decoded.pixel(15 + 25 * (k - 1), 20);
                const QRgb expected = source.pixel(15 + 25 * (k - 1), 20);
                EXPECT_LT(std::abs(qRed(left) - qRed(expected)) + std::abs(qGreen(left) - qGreen(expected)), 40) << k;
            }
        }
    }
}

TEST(GifWriterTest, KeepsRepeatsAsFramesAndDropsFramesTooShortToShow)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("repeat.gif").toStdString();
    GifWriterSettings settings;
    settings.width = 64;
    settings.height = 36;
    GifWriter writer(path, settings);
    writer.writeFrame(test::patternFrame(64, 36, 0), MediaTime(0, 60));
    writer.writeFrame(test::patternFrame(64, 36, 0), MediaTime(6, 60));   // unchanged: a frame of its own
    writer.writeFrame(test::patternFrame(64, 36, 1), MediaTime(12, 60));
    writer.writeFrame(test::patternFrame(64, 36, 2), MediaTime(25, 120));  // 1/120 s later: too short to show
    writer.writeFrame(test::patternFrame(64, 36, 3), MediaTime(15, 60));
    writer.finish(MediaTime(30, 60));
    EXPECT_EQ(writer.framesWritten(), 4);
    const test::DecodedVideo gif = test::decodeVideo(path, true);
    EXPECT_EQ(gif.frameDurations, (std::vector<std::int64_t>{10, 10, 5, 25}));
    ASSERT_EQ(gif.frames.size(), 4u);
    EXPECT_EQ(gif.frames[1], gif.frames[0]) << "the repeat shows the same picture";
}

TEST(GifWriterTest, AStillStretchKeepsEveryFrameAndStaysSmall)
{
    QTemporaryDir dir;
    for (const bool global : {false, true}) {
        GifWriterSettings settings;
        settings.width = 160;
        settings.height = 90;
        const QImage still = gradientFrame(160, 90, 40);
        if (global)
            settings.globalPalette = GifPalette::fromImages({still});
        auto write = [&](const QString& name, int frames) {
            const std::string path = dir.filePath(name).toStdString();
            GifWriter writer(path, settings);
            for (int k = 0; k < frames; ++k)
                writer.writeFrame(still, MediaTime(k, 15));
            writer.finish(MediaTime(frames, 15));
            return path;
        };
        const std::string one = write("one.gif", 1);
        const std::string many = write("many.gif", 30);

        const test::DecodedVideo gif = test::decodeVideo(many, true);
        ASSERT_EQ(gif.frames.size(), 30u) << (global ? "global" : "local");
        EXPECT_EQ(gif.frames.back(), gif.frames.front());
        EXPECT_EQ(std::accumulate(gif.frameDurations.begin(), gif.frameDurations.end(), std::int64_t{0}), 200);
        // Each repeat costs its control block and a one-pixel image, never a picture's worth.
        const qint64 extra = QFileInfo(QString::fromStdString(many)).size() - QFileInfo(QString::fromStdString(one)).size();
        EXPECT_LE(extra, 29 * 40) << (global ? "global" : "local");
    }
}

TEST(GifWriterTest, WritesTheLoopCount)
{
    QTemporaryDir dir;
    for (const int loops : {-1, 0, 3}) {
        const std::string path = dir.filePath(QString("loop%1.gif").arg(loops)).toStdString();
        GifWriterSettings settings;
        settings.width = 16;
        settings.height = 16;
        settings.loopCount = loops;
        GifWriter writer(path, settings);
        writer.writeFrame(test::patternFrame(16, 16, 0), MediaTime(0, 1));
        writer.finish(MediaTime(1, 1));
        EXPECT_EQ(loopCountOf(path), loops);
        EXPECT_EQ(test::decodeVideo(path).frameDurations, (std::vector<std::int64_t>{100}));
    }
}

TEST(GifWriterTest, RefusesBadInputAndLeavesNothingBehind)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("bad.gif").toStdString();
    GifWriterSettings settings;
    settings.width = 32;
    settings.height = 32;
    const auto kind = test::errorKindOf;
    GifWriterSettings empty = settings;
    empty.width = 0;
    GifWriterSettings noColours = settings;
    noColours.globalPalette = GifPalette{};
    EXPECT_EQ(kind([&] { GifWriter(path, empty); }), MediaErrorKind::invalidArgument);
    EXPECT_EQ(kind([&] { GifWriter(path, noColours); }), MediaErrorKind::invalidArgument);
    EXPECT_EQ(kind([&] { GifWriter(dir.filePath("no/such/folder.gif").toStdString(), settings); }), MediaErrorKind::cannotCreateFile);
    EXPECT_EQ(kind([&] { GifWriter("ftp://example.com/a.gif", settings); }), MediaErrorKind::notLocalFile);
    EXPECT_EQ(kind([&] {
                  GifWriter writer(path, settings);
                  writer.finish(MediaTime(1, 1));
              }),
              MediaErrorKind::invalidArgument);
    EXPECT_EQ(kind([&] {
                  GifWriter writer(path, settings);
                  writer.writeFrame(test::patternFrame(32, 32, 0), MediaTime(1, 10));
                  writer.writeFrame(test::patternFrame(32, 32, 1), MediaTime(1, 10));
              }),
              MediaErrorKind::invalidArgument);
    EXPECT_EQ(kind([&] {
                  GifWriter writer(path, settings);
                  writer.writeFrame(test::patternFrame(32, 32, 0), MediaTime(1, 10));
                  writer.finish(MediaTime(1, 10));
              }),
              MediaErrorKind::invalidArgument);
    EXPECT_EQ(kind([&] {
                  GifWriter writer(path, settings);
                  writer.writeFrame(test::patternFrame(16, 32, 0), MediaTime(0, 1));
              }),
              MediaErrorKind::invalidArgument);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
}

TEST(GifPaletteTest, KeepsFewColoursExactlyAndSpreadsManyWell)
{
    QImage flat(40, 40, QImage::Format_RGB32);
    flat.fill(qRgb(200, 10, 10));
    for (int x = 0; x < 20; ++x)
        for (int y = 0; y < 40; ++y)
            flat.setPixel(x, y, qRgb(12, 34, 56));
    GifPalette few = GifPalette::fromImages({flat});
    std::sort(few.colors.begin(), few.colors.end());
    EXPECT_EQ(few.colors, (std::vector<std::uint32_t>{0x0c2238, 0xc80a0a}));

    const GifPalette many = GifPalette::fromImages({gradientFrame(160, 90, 0)}, 64);
    EXPECT_EQ(many.colors.size(), 64u);
    EXPECT_EQ(GifPalette::fromImages({gradientFrame(160, 90, 0)}).colors.size(), 255u);
}

}  // namespace
}  // namespace sablewick

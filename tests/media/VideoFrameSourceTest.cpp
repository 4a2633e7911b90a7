#include "MediaTestSupport.h"
#include "PlaybackTestSupport.h"

#include "media/MediaError.h"
#include "media/MediaProbe.h"
#include "media/VideoFrameSource.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

#include <gtest/gtest.h>

namespace sablewick {
namespace {

// The pattern index a decoded frame shows, read from its grey level away from the square.
int indexOf(const QImage& image)
{
    const int level = qRed(image.pixel(image.width() / 2, image.height() * 3 / 4));
    return (level - 20 + 10) / 20;
}

// The grey level repeats every few frames; with the square's place (within the pixel that
// chroma subsampling blurs) the frames of a longer clip are told apart too.
bool showsPattern(const QImage& image, int index)
{
    auto squareAt = [](const QImage& picture) {
        int x = 0;
        while (x < picture.width() && qRed(picture.pixel(x, 2)) < 200)
            ++x;
        return x;
    };
    const QImage expected = test::patternFrame(image.width(), image.height(), index);
    return indexOf(image) == indexOf(expected) && std::abs(squareAt(image) - squareAt(expected)) <= 1;
}

class VideoFrameSourceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        directory = new QTemporaryDir;
        MovieWriterSettings settings;
        settings.width = 160;
        settings.height = 90;
        settings.frameRate = MediaTime(10, 1);
        settings.keyframeInterval = 3;  // several keyframes, so that seeking is exercised
        clip = directory->filePath("ten.mp4").toStdString();
        test::writeClip(clip, settings, 10);
        settings.frameRate = MediaTime(30, 1);
        settings.keyframeInterval = 30;
        thirty = directory->filePath("thirty.mp4").toStdString();
        test::writeClip(thirty, settings, 11);
    }
    static void TearDownTestSuite() { delete directory; }

    static QTemporaryDir* directory;
    static std::string clip;    // 10 frames at 10 fps, frame i at i/10 s
    static std::string thirty;  // 11 frames at 30 fps
};
QTemporaryDir* VideoFrameSourceTest::directory = nullptr;
std::string VideoFrameSourceTest::clip;
std::string VideoFrameSourceTest::thirty;

TEST_F(VideoFrameSourceTest, FindsTheFrameShownAtEachTime)
{
    VideoFrameSource source(clip);
    EXPECT_EQ(source.width(), 160);
    EXPECT_EQ(source.height(), 90);
    struct Case {
        MediaTime time;
        int frame;
    };
    // In request order: forwards, between frames, back again, outside the track.
    const std::vector<Case> cases = {
        {MediaTime(0, 1), 0},
        {MediaTime(35, 100), 3},       // between frames 3 and 4
        {MediaTime(4, 10), 4},         // exactly on a frame
        {MediaTime(3999, 10000), 3},   // just before it
        {MediaTime(85, 100), 8},       // forwards past a keyframe
        {MediaTime(15, 100), 1},       // backwards: seeks
        {MediaTime(-1, 1), 0},         // before the first frame
        {MediaTime(50, 1), 9},         // after the last frame
        {MediaTime(2, 10), 2},         // back after the end
    };
    for (const Case& c : cases) {
        const VideoFrame frame = source.frameAt(c.time);
        EXPECT_EQ(indexOf(frame.image), c.frame) << "at " << c.time.seconds();
        EXPECT_EQ(frame.time, MediaTime(c.frame, 10)) << "at " << c.time.seconds();
        EXPECT_EQ(frame.image.format(), QImage::Format_RGB32);
        EXPECT_EQ(frame.image.constBits()[3 * frame.image.bytesPerLine() + 3 * 4 + 3], 255);
    }
}

TEST_F(VideoFrameSourceTest, ComparesTimesExactlyNotAsDoubles)
{
    VideoFrameSource source(thirty);
    // Frame k is at k/30 s; the frame at exactly k/30 is frame k for every k.
    for (int k = 0; k <= 10; ++k)
        EXPECT_EQ(indexOf(source.frameAt(MediaTime(k, 30)).image), k) << k;
    EXPECT_EQ(test::errorKindOf([&] { source.frameAt(MediaTime(1, 0)); }), MediaErrorKind::invalidArgument);
    // One microsecond before 7/30 is still frame 6.
    EXPECT_EQ(indexOf(source.frameAt(MediaTime(7, 30) - MediaTime(1, 1'000'000)).image), 6);
}

// A seek decodes from the keyframe before its target but skips pictures nothing refers to; a
// picture that starts well before the target and is still shown at it must not be one of them.
TEST_F(VideoFrameSourceTest, SeeksThroughLongIntervalsOntoEveryFrame)
{
    struct Clip {
        MediaTime rate;
        int frames;
    };
    for (const Clip& c : {Clip{MediaTime(2, 1), 16}, Clip{MediaTime(30, 1), 60}}) {
        MovieWriterSettings settings;
        settings.width = 160;
        settings.height = 90;
        settings.frameRate = c.rate;
        settings.keyframeInterval = c.frames;  // one keyframe: every seek decodes from the start
        settings.preset = "medium";             // B-frames, as screen recorders write them
        const std::string path = directory->filePath("long.mp4").toStdString();
        test::writeClip(path, settings, c.frames);
        VideoFrameSource source(path);
        // Late in each frame's showing, in an order that goes forwards and back.
        for (int step = 0; step < c.frames; ++step) {
            const int k = (step * 7) % c.frames;
            const MediaTime t((10 * k + 9) * c.rate.scale, 10 * c.rate.value);
            VideoFrameSource fresh(path);
            for (const QImage& image : {fresh.frameAt(t).image, source.frameAt(t).image})
                EXPECT_TRUE(showsPattern(image, k)) << "frame " << k << " of " << c.frames;
        }
    }
}

// Whatever a seek leaves out on its way to the target, the picture it lands on is the one that
// decoding the movie from its start gives, to the last bit, with one decoder thread or several.
TEST_F(VideoFrameSourceTest, ASeekLandsOnExactlyThePictureOfAStraightDecode)
{
    constexpr int kFrames = 100;
    constexpr int kFps = 30;
    const QString path = QString::fromStdString(directory->filePath("detailed.mp4").toStdString());
    test::writeDetailedClip(path, kFrames, kFps, 48);  // keyframes at 0, 48 and 96
    std::vector<VideoFrame> straight;
    {
        VideoFrameSource source(path.toStdString(), VideoFrameSourceOptions{.decoderThreads = 1});
        while (std::optional<VideoFrame> frame = source.nextFrame())
            straight.push_back(*frame);
    }
    ASSERT_EQ(straight.size(), static_cast<std::size_t>(kFrames));
    // In request order, each as a time late in the frame's showing.
    const int targets[] = {
        95,  // the last frame before a keyframe: the whole interval decoded
        47,  // backwards onto the last frame of the first interval
        96,  // a keyframe
        30,  // backwards into the middle of an interval
        31,  // one frame on: no seek
        94,  // forwards across a keyframe
        12,  // backwards again, close to the start
        99,  // the last frame of the movie
        0,
    };
    for (int threads : {1, 2, 4}) {
        VideoFrameSource source(path.toStdString(), VideoFrameSourceOptions{.decoderThreads = threads});
        for (int k : targets) {
            const VideoFrame& expected = straight[static_cast<std::size_t>(k)];
            const VideoFrame frame = source.frameAt(expected.time + MediaTime(9, 10 * kFps));
            EXPECT_EQ(frame.time, expected.time) << "frame " << k << ", " << threads << " threads";
            EXPECT_TRUE(frame.image == expected.image) << "frame " << k << ", " << threads << " threads";
        }
    }
}

TEST_F(VideoFrameSourceTest, ReadsFramesInOrderAndAfterASeek)
{
    VideoFrameSource source(clip);
    std::vector<int> seen;
    MediaTime previous(-1, 1);
    while (auto frame = source.nextFrame()) {
        seen.push_back(indexOf(frame->image));
        EXPECT_GT(frame->time, previous);
        EXPECT_EQ(frame->duration, MediaTime(1, 10));
        previous = frame->time;
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    source.seek(MediaTime(55, 100));
    ASSERT_TRUE(source.nextFrame().has_value());
    source.seek(MediaTime(55, 100));
    EXPECT_EQ(indexOf(source.nextFrame()->image), 5);
    EXPECT_EQ(indexOf(source.nextFrame()->image), 6);
}

TEST_F(VideoFrameSourceTest, KeepsHandedOutFramesIntact)
{
    VideoFrameSource source(clip);
    std::vector<VideoFrame> kept;
    for (int i = 0; i < 8; ++i)
        kept.push_back(*source.nextFrame());
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(indexOf(kept[static_cast<std::size_t>(i)].image), i);
}

TEST_F(VideoFrameSourceTest, ColoursSurviveTheRoundTrip)
{
    // Written with the BT.709 matrix and tagged so; read back with the tagged matrix.
    const std::string path = directory->filePath("colours.mp4").toStdString();
    MovieWriterSettings settings;
    settings.width = 64;
    settings.height = 64;
    QImage picture(64, 64, QImage::Format_ARGB32_Premultiplied);
    const QColor colours[] = {QColor(220, 40, 60), QColor(30, 200, 90), QColor(40, 60, 230), QColor(250, 250, 250)};
    {
        MovieWriter writer(path, settings);
        for (const QColor& colour : colours) {
            picture.fill(colour);
            writer.writeFrame(picture);
        }
        writer.finish();
    }
    VideoFrameSource source(path);
    for (const QColor& colour : colours) {
        const QRgb got = source.nextFrame()->image.pixel(32, 32);
        EXPECT_NEAR(qRed(got), colour.red(), 5) << colour.name().toStdString();
        EXPECT_NEAR(qGreen(got), colour.green(), 5) << colour.name().toStdString();
        EXPECT_NEAR(qBlue(got), colour.blue(), 5) << colour.name().toStdString();
    }
}

TEST_F(VideoFrameSourceTest, ProbesTracksAndTiming)
{
    const MediaInfo info = probeMedia(clip);
    ASSERT_EQ(info.videoTracks.size(), 1u);
    EXPECT_TRUE(info.audioTracks.empty());
    EXPECT_EQ(info.video().codec, "h264");
    EXPECT_EQ(info.video().width, 160);
    EXPECT_EQ(info.video().height, 90);
    EXPECT_EQ(info.video().frameRate, MediaTime(10, 1));
    EXPECT_EQ(info.video().rotation, 0);
    EXPECT_NEAR(info.duration, 1.0, 1e-3);
    // A file:// URL names the same file.
    EXPECT_EQ(probeMedia("file://" + clip).video().width, 160);
}

// A Motion JPEG movie whose second half has pictures of another size (each JPEG carries its own).
void writeResizingClip(const std::string& path)
{
    AVFormatContext* format = nullptr;
    avformat_alloc_output_context2(&format, nullptr, "matroska", path.c_str());
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    AVStream* stream = avformat_new_stream(format, nullptr);
    AVCodecContext* encoders[2] = {};
    const int sizes[2][2] = {{48, 32}, {96, 80}};
    for (int e = 0; e < 2; ++e) {
        encoders[e] = avcodec_alloc_context3(codec);
        encoders[e]->width = sizes[e][0];
        encoders[e]->height = sizes[e][1];
        encoders[e]->pix_fmt = AV_PIX_FMT_YUVJ420P;
        encoders[e]->time_base = {1, 10};
        ASSERT_EQ(avcodec_open2(encoders[e], codec, nullptr), 0);
    }
    avcodec_parameters_from_context(stream->codecpar, encoders[0]);
    stream->time_base = {1, 10};
    ASSERT_GE(avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
    ASSERT_GE(avformat_write_header(format, nullptr), 0);
    AVPacket* packet = av_packet_alloc();
    for (int i = 0; i < 4; ++i) {
        AVCodecContext* encoder = encoders[i / 2];
        AVFrame* frame = av_frame_alloc();
        frame->width = encoder->width;
        frame->height = encoder->height;
        frame->format = AV_PIX_FMT_YUVJ420P;
        av_frame_get_buffer(frame, 0);
        memset(frame->data[0], 60 + 60 * i, static_cast<size_t>(frame->linesize[0] * frame->height));
        memset(frame->data[1], 128, static_cast<size_t>(frame->linesize[1] * frame->height / 2));
        memset(frame->data[2], 128, static_cast<size_t>(frame->linesize[2] * frame->height / 2));
        frame->pts = i;
        avcodec_send_frame(encoder, frame);
        while (avcodec_receive_packet(encoder, packet) == 0) {
            av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
            packet->stream_index = 0;
            av_interleaved_write_frame(format, packet);
        }
        av_frame_free(&frame);
    }
    av_write_trailer(format);
    av_packet_free(&packet);
    for (AVCodecContext*& encoder : encoders)
        avcodec_free_context(&encoder);
    avio_closep(&format->pb);
    avformat_free_context(format);
}

TEST_F(VideoFrameSourceTest, ScalesPicturesWhoseSizeChangesToTheTracksSize)
{
    const std::string path = directory->filePath("resizing.mkv").toStdString();
    ASSERT_NO_FATAL_FAILURE(writeResizingClip(path));
    const test::DecodedVideo plain = test::decodeVideo(path, true);
    ASSERT_EQ(plain.frames.size(), 4u);
    ASSERT_EQ(plain.frames[3].size(), QSize(96, 80));  // the file really changes size
    VideoFrameSource source(path);
    ASSERT_EQ(source.width(), 48);
    for (int i = 0; i < 4; ++i) {
        const auto frame = source.nextFrame();
        ASSERT_TRUE(frame.has_value()) << i;
        EXPECT_EQ(frame->image.size(), QSize(48, 32)) << i;
        EXPECT_NEAR(qGreen(frame->image.pixel(20, 16)), 60 + 60 * i, 4) << i;
    }
}

TEST_F(VideoFrameSourceTest, ScalesToTheAskedSizeInTheConversion)
{
    VideoFrameSource full(thirty);
    VideoFrameSource source(thirty);
    EXPECT_EQ(source.outputSize(), QSize(160, 90));
    const VideoFrame first = source.frameAt(0.0);
    source.setOutputSize({80, 45});
    // The picture already settled on is converted again; one handed out keeps its size.
    const VideoFrame again = source.frameAt(0.0);
    EXPECT_EQ(first.image.size(), QSize(160, 90));
    EXPECT_EQ(again.image.size(), QSize(80, 45));
    EXPECT_EQ(again.time, first.time);
    ASSERT_TRUE(full.nextFrame());
    for (int i = 1; i < 11; ++i) {
        const std::optional<VideoFrame> frame = source.nextFrame();
        const std::optional<VideoFrame> reference = full.nextFrame();
        ASSERT_TRUE(frame && reference) << i;
        EXPECT_EQ(frame->time, reference->time) << i;
        ASSERT_EQ(frame->image.size(), QSize(80, 45)) << i;
        // The full-size picture scaled: the same frame, the same colours.
        const QImage expected = reference->image.scaled(80, 45, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        double sum = 0;
        for (int y = 0; y < 45; ++y)
            for (int x = 0; x < 80; ++x) {
                const QRgb a = frame->image.pixel(x, y), b = expected.pixel(x, y);
                sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
            }
        EXPECT_LT(sum / (3 * 80 * 45), 6.0) << i;
    }
    // What cannot be scaled down to, or keeps more than half of the pixels, gives the track's own
    // size.
    const struct {
        QSize asked, given;
    } cases[] = {
        {{100, 60}, {100, 60}},  // out of proportion is allowed
        {{120, 60}, {120, 60}},  // half of the pixels
        {{121, 60}, {160, 90}},
        {{161, 90}, {160, 90}},
        {{80, 91}, {160, 90}},
        {{}, {160, 90}},
        {{1, 1}, {1, 1}},
    };
    for (const auto& c : cases) {
        source.setOutputSize(c.asked);
        EXPECT_EQ(source.outputSize(), c.given) << c.asked.width() << "x" << c.asked.height();
        EXPECT_EQ(source.frameAt(0.2).image.size(), c.given) << c.asked.width() << "x" << c.asked.height();
    }
}

// A picture with a different colour in each quarter, to tell every turn and mirror apart.
QImage quarters(int width, int height, const QRgb colours[4])
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, colours[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)]);
    return image;
}

TEST_F(VideoFrameSourceTest, TurnsPicturesUprightAsTheDisplayMatrixSays)
{
    enum { red, green, blue, white };
    const QRgb colours[] = {qRgb(220, 30, 30), qRgb(30, 200, 30), qRgb(30, 30, 220), qRgb(235, 235, 235)};
    // Stored top-left red, top-right green, bottom-left blue, bottom-right white.
    MovieWriterSettings settings;
    settings.width = 64;
    settings.height = 32;
    settings.frameRate = MediaTime(10, 1);
    const std::string coded = directory->filePath("quarters.mp4").toStdString();
    {
        MovieWriter writer(coded, settings);
        const QImage picture = quarters(64, 32, colours);
        writer.writeFrame(picture);
        writer.writeFrame(picture);
        writer.finish();
    }
    struct Case {
        double matrix;  // the display matrix's clockwise turn
        int clockwise;  // as the probe reports it
        int topLeft, topRight, bottomLeft, bottomRight;
    };
    const Case cases[] = {
        {0, 0, red, green, blue, white},
        {90, 90, blue, red, white, green},     // the left edge comes to the top
        {-90, 270, green, white, red, blue},   // the right edge comes to the top
        {180, 180, white, blue, green, red},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.matrix);
        const std::string path = directory->filePath(QString("turned%1.mp4").arg(c.matrix)).toStdString();
        test::copyWithDisplayRotation(coded, path, c.matrix);
        EXPECT_EQ(probeMedia(path).video().rotation, c.clockwise);
        EXPECT_EQ(probeMedia(path).video().width, 64) << "the probe keeps the stored size";
        VideoFrameSource source(path);
        const QSize upright = c.clockwise % 180 == 0 ? QSize(64, 32) : QSize(32, 64);
        EXPECT_EQ(QSize(source.width(), source.height()), upright);
        const VideoFrame whole = source.frameAt(0.0), next = *source.nextFrame();
        // Scaled in the conversion, the picture is asked for and comes upright as well.
        const QSize half = upright / 2;
        source.setOutputSize(half);
        EXPECT_EQ(source.outputSize(), half);
        const VideoFrame scaled = source.frameAt(0.0);
        for (const VideoFrame* frame : {&whole, &next, &scaled}) {
            ASSERT_EQ(frame->image.size(), frame == &scaled ? half : upright);
            const QImage& image = frame->image;
            const int w = image.width(), h = image.height();
            const QRgb seen[] = {image.pixel(w / 4, h / 4), image.pixel(w * 3 / 4, h / 4), image.pixel(w / 4, h * 3 / 4),
                                 image.pixel(w * 3 / 4, h * 3 / 4)};
            const int expected[] = {c.topLeft, c.topRight, c.bottomLeft, c.bottomRight};
            for (int q = 0; q < 4; ++q) {
                const QRgb want = colours[expected[q]];
                EXPECT_LT(std::abs(qRed(seen[q]) - qRed(want)) + std::abs(qGreen(seen[q]) - qGreen(want))
                              + std::abs(qBlue(seen[q]) - qBlue(want)),
                          40)
                    << "quarter " << q;
            }
        }
    }
}

TEST_F(VideoFrameSourceTest, NamesWhatIsWrongWithAFile)
{
    const QString truncated = directory->filePath("truncated.mp4");
    QFile::copy(QString::fromStdString(clip), truncated);
    QFile::resize(truncated, 600);
    const QString text = directory->filePath("notes.mp4");
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("these are not the frames you are looking for");
    file.close();
    const QString list = directory->filePath("list.mp4");
    QFile listFile(list);
    ASSERT_TRUE(listFile.open(QIODevice::WriteOnly));
    listFile.write(("ffconcat version 1.0\nfile '" + clip + "'\n").c_str());
    listFile.close();
    const QString playlist = directory->filePath("playlist.mp4");
    QFile playlistFile(playlist);
    ASSERT_TRUE(playlistFile.open(QIODevice::WriteOnly));
    playlistFile.write(("#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1.0,\n" + clip + "\n#EXT-X-ENDLIST\n").c_str());
    playlistFile.close();
    const QString empty = directory->filePath("empty.mp4");
    QFile(empty).open(QIODevice::WriteOnly);

    struct Case {
        std::string path;
        MediaErrorKind kind;
    };
    const std::vector<Case> cases = {
        {directory->filePath("missing.mp4").toStdString(), MediaErrorKind::notFound},
        {truncated.toStdString(), MediaErrorKind::unreadable},
        {text.toStdString(), MediaErrorKind::unreadable},
        {empty.toStdString(), MediaErrorKind::unreadable},
        {list.toStdString(), MediaErrorKind::unreadable},      // names other files
        {playlist.toStdString(), MediaErrorKind::unreadable},  // likewise
        {directory->path().toStdString(), MediaErrorKind::unreadable},
        {"http://127.0.0.1:9/clip.mp4", MediaErrorKind::notLocalFile},
        {"file://otherhost/clip.mp4", MediaErrorKind::notLocalFile},
        {"concat:" + clip + "|" + clip, MediaErrorKind::notLocalFile},
        {"", MediaErrorKind::notFound},
    };
    for (const Case& c : cases)
        EXPECT_EQ(test::errorKindOf([&] { probeMedia(c.path); }), c.kind) << c.path;

    // A movie without pictures has no frames to give.
    AudioBuffer sound = test::tone(AudioFormat{44100, 1}, 0.1, 440, 0.3f);
    const std::string wav = directory->filePath("sound.wav").toStdString();
    test::writeWav(wav, sound);
    try {
        VideoFrameSource source(wav);
        FAIL() << "opened a sound as a movie";
    } catch (const MediaError& error) {
        EXPECT_EQ(error.kind(), MediaErrorKind::noVideoTrack);
    }
}

}  // namespace
}  // namespace sablewick

namespace sablewick {
namespace {

// Tall movies converted to the odd widths that fit them beside a wide canvas: the conversion
// writes whole pixel groups, and must not write beyond the picture it was given.
TEST(VideoFrameSourceTallTest, ScalesTallPicturesToOddWidths)
{
    QTemporaryDir dir;
    for (const QSize coded : {QSize(540, 960), QSize(1080, 1920), QSize(542, 962)}) {
        const QString path = dir.filePath(QStringLiteral("tall%1.mp4").arg(coded.width()));
        const QString command = QStringLiteral("ffmpeg -y -v error -nostdin -f lavfi -i testsrc2=size=%1x%2:rate=30:duration=0.5 "
                                               "-c:v libx264 -preset ultrafast -pix_fmt yuv420p '%3'")
                                    .arg(coded.width())
                                    .arg(coded.height())
                                    .arg(path);
        ASSERT_EQ(std::system(command.toLocal8Bit().constData()), 0);
        VideoFrameSource full(path.toStdString());
        const QImage reference = full.frameAt(0.2).image;
        ASSERT_EQ(reference.size(), coded);
        VideoFrameSource source(path.toStdString());
        for (const QSize asked : {QSize(281, 500), QSize(169, 300), QSize(253, 450), QSize(57, 101), QSize(263, 467)}) {
            source.setOutputSize(asked);
            const QImage frame = source.frameAt(0.2).image;
            ASSERT_EQ(frame.size(), asked);
            const QImage expected = reference.scaled(asked, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            double sum = 0;
            for (int y = 0; y < asked.height(); ++y)
                for (int x = 0; x < asked.width(); ++x) {
                    const QRgb a = frame.pixel(x, y), b = expected.pixel(x, y);
                    sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
                }
            EXPECT_LT(sum / (3.0 * asked.width() * asked.height()), 12.0) << asked.width() << "x" << asked.height();
        }
    }
}

}  // namespace
}  // namespace sablewick

// Real exports of tiny generated recordings, checked by decoding what was written.
#include "rendering/Exporter.h"

#include "media/AudioDecoder.h"
#include "media/MediaError.h"
#include "media/MovieWriter.h"
#include "media/VideoFrameSource.h"
#include "rendering/ExportJob.h"
#include "rendering/ExporterError.h"
#include "rendering/FrameComposer.h"
#include "rendering/FramePipeline.h"
#include "../media/MediaTestSupport.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <mutex>
#include <numeric>
#include <unistd.h>

namespace sablewick {
namespace {

constexpr int kSourceWidth = 320;
constexpr int kSourceHeight = 180;

Scene sceneOf(const QString& movie, const EditSettings& settings, const std::vector<FocusPoint>& focusPoints = {})
{
    Scene scene;
    scene.moviePath = movie;
    scene.sourceSize = QSizeF(kSourceWidth, kSourceHeight);
    scene.settings = settings;
    scene.focusPoints = focusPoints;
    return scene;
}

// A recording whose left half is red and right half blue, 30 fps, with a 440 Hz tone.
void writeSplitRecording(const std::string& path, int frames, bool withSound)
{
    MovieWriterSettings settings;
    settings.width = kSourceWidth;
    settings.height = kSourceHeight;
    settings.frameRate = MediaTime(30, 1);
    settings.preset = "ultrafast";
    const AudioBuffer sound = test::tone({44100, 2}, frames / 30.0, 440, 0.5f);
    std::unique_ptr<AudioStream> audio;
    if (withSound)
        audio = std::make_unique<AudioBufferStream>(sound);
    MovieWriter writer(path, settings, std::move(audio));
    QImage frame(kSourceWidth, kSourceHeight, QImage::Format_RGB32);
    for (int i = 0; i < frames; ++i) {
        frame.fill(QColor(30, 60, 230));
        QPainter(&frame).fillRect(0, 0, kSourceWidth / 2, kSourceHeight, QColor(230, 40, 30));
        writer.writeFrame(frame);
    }
    writer.finish();
}

class ExporterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = new QTemporaryDir;
        source = folder->filePath("Recording.mp4");
        writeSplitRecording(source.toStdString(), 30, true);
        moving = folder->filePath("Moving.mp4");
        MovieWriterSettings clip;
        clip.width = kSourceWidth;
        clip.height = kSourceHeight;
        clip.frameRate = MediaTime(30, 1);
        clip.preset = "ultrafast";
        test::writeClip(moving.toStdString(), clip, 30);
    }
    static void TearDownTestSuite() { delete folder; }

    // A test that exports another recording leaves the shared one in place for the next.
    void TearDown() override { source = folder->filePath("Recording.mp4"); }

    void SetUp() override
    {
        settings.trimStart = 0.2;
        settings.trimEnd = 0.7;
        settings.sourceAspectWidth = kSourceWidth;
        settings.sourceAspectHeight = kSourceHeight;
        options.resolution = ExportResolution::p720;
    }

    // Runs an export and returns the progress values it reported, or the error's message.
    std::vector<double> run(const QString& destination, std::string* error = nullptr,
                            const std::vector<FocusPoint>& events = {})
    {
        std::vector<double> values;
        std::mutex lock;
        try {
            Exporter::export_(sceneOf(source, settings, events), destination, options, job, [&](double v) {
                std::lock_guard guard(lock);
                values.push_back(v);
            });
        } catch (const std::exception& e) {
            if (!error)
                ADD_FAILURE() << "export failed: " << e.what();
            else
                *error = e.what();
        }
        return values;
    }

    QStringList hiddenFiles() const
    {
        return QDir(folder->path()).entryList({".sablewick-export-*"}, QDir::Files | QDir::Hidden);
    }

    static inline QTemporaryDir* folder = nullptr;
    static inline QString source;
    static inline QString moving;  // every frame differs
    EditSettings settings;
    ExportOptions options;
    ExportJob job;
};

TEST_F(ExporterTest, Mp4HasComposedFramesAtSixtyFpsAndTheTrimmedSound)
{
    const QString destination = folder->filePath("out.mp4");
    const std::vector<double> progress = run(destination);
    ASSERT_FALSE(progress.empty());
    EXPECT_DOUBLE_EQ(progress.front(), 0.01);
    EXPECT_DOUBLE_EQ(progress.back(), 1.0);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    // 30 frames: every frame reports, the last one 0.02 + 0.93, then finishing 0.99, the rename 1.
    ASSERT_GE(progress.size(), 4u);
    EXPECT_DOUBLE_EQ(progress[progress.size() - 3], 0.95);
    EXPECT_DOUBLE_EQ(progress[progress.size() - 2], 0.99);

    const test::DecodedVideo video = test::decodeVideo(destination.toStdString(), true);
    EXPECT_EQ(video.codecId, AV_CODEC_ID_H264);
    EXPECT_EQ(video.width, 1280);
    EXPECT_EQ(video.height, 720);
    EXPECT_EQ(video.frameTimes.size(), 30u);
    EXPECT_EQ(video.frameRateNum * 1.0 / video.frameRateDen, 60.0);
    EXPECT_EQ(video.colorSpace, AVCOL_SPC_BT709);
    EXPECT_TRUE(video.hasAudio);
    EXPECT_EQ(video.audioCodecId, AV_CODEC_ID_AAC);
    EXPECT_EQ(video.audioRate, 44100);
    EXPECT_EQ(video.audioChannels, 2);

    // The card sits on the default gradient: the corner is background, the centre is recording.
    const QImage& frame = video.frames.at(15);
    const QColor centreLeft = frame.pixelColor(1280 / 2 - 200, 360);
    const QColor centreRight = frame.pixelColor(1280 / 2 + 200, 360);
    EXPECT_GT(centreLeft.red(), 180);
    EXPECT_LT(centreLeft.blue(), 90);
    EXPECT_GT(centreRight.blue(), 180);
    EXPECT_LT(centreRight.red(), 90);

    const AudioBuffer sound = AudioDecoder::decode(destination.toStdString(), {44100, 2});
    EXPECT_NEAR(sound.duration(), 0.5, 0.05);
    EXPECT_NEAR(sound.rms(), 0.5 / std::sqrt(2.0), 0.05);
    EXPECT_TRUE(hiddenFiles().isEmpty());
}

TEST_F(ExporterTest, VolumesScaleTheRecordingsSound)
{
    struct Case {
        std::optional<double> volume;
        double rms;
    };
    const Case cases[] = {{0.5, 0.177}, {1.7, 0.354}, {-0.2, 0.0}};
    for (const Case& c : cases) {
        settings.sourceVolume = c.volume;
        const QString destination = folder->filePath("volume.mp4");
        run(destination);
        const AudioBuffer sound = AudioDecoder::decode(destination.toStdString(), {44100, 2});
        EXPECT_NEAR(sound.rms(), c.rms, 0.03) << "volume " << *c.volume;
    }
}

TEST_F(ExporterTest, MovIsHevcTaggedHvc1)
{
    options.format = ExportFormat::mov;
    const QString destination = folder->filePath("out.mov");
    run(destination);
    const test::DecodedVideo video = test::decodeVideo(destination.toStdString());
    EXPECT_EQ(video.codecId, AV_CODEC_ID_HEVC);
    EXPECT_EQ(video.codecTag, MKTAG('h', 'v', 'c', '1'));
    EXPECT_EQ(video.frameTimes.size(), 30u);
    EXPECT_TRUE(video.hasAudio);
}

TEST_F(ExporterTest, GifLastsAsLongAsTheSelectionAtItsQualitysRate)
{
    options.format = ExportFormat::gif;
    source = moving;
    struct Case {
        int quality;
        size_t frames;  // 0.5 s at 8, 12 and 15 fps
    };
    for (const Case c : {Case{0, 4}, Case{1, 6}, Case{2, 8}}) {
        options.quality = c.quality;
        const QString destination = folder->filePath("out.gif");
        const std::vector<double> progress = run(destination);
        ASSERT_GE(progress.size(), 3u);
        EXPECT_DOUBLE_EQ(progress[progress.size() - 3], 0.95);
        EXPECT_DOUBLE_EQ(progress[progress.size() - 2], 0.99);
        const test::DecodedVideo video = test::decodeVideo(destination.toStdString());
        EXPECT_EQ(video.frameTimes.size(), c.frames) << "quality " << c.quality;
        std::int64_t hundredths = 0;
        for (std::int64_t d : video.frameDurations)
            hundredths += d;
        EXPECT_EQ(hundredths, 50) << "quality " << c.quality;
        EXPECT_FALSE(video.hasAudio);
    }
    source = folder->filePath("Recording.mp4");
}

TEST_F(ExporterTest, AOneFrameSelectionExportsInEveryFormatEveryTime)
{
    // Trim start and end together: the shortest selection, a single frame with sound.
    settings.trimStart = 0.4;
    settings.trimEnd = 0.4;
    for (const ExportFormat format : {ExportFormat::mp4, ExportFormat::mov, ExportFormat::gif}) {
        options.format = format;
        const QString destination = folder->filePath("single." + fileExtension(format));
        // The encoders' threads make a failure come and go: several tries of each.
        for (int attempt = 0; attempt < 6; ++attempt) {
            std::string error;
            run(destination, &error);
            ASSERT_EQ(error, "") << fileExtension(format).toStdString() << " attempt " << attempt;
            EXPECT_EQ(test::decodeVideo(destination.toStdString()).frameTimes.size(), 1u)
                << fileExtension(format).toStdString() << " attempt " << attempt;
        }
    }
    EXPECT_TRUE(hiddenFiles().isEmpty());
}

TEST_F(ExporterTest, AStillGifKeepsEveryFrameOfItsRate)
{
    const QString still = folder->filePath("Still.mp4");
    writeSplitRecording(still.toStdString(), 75, false);
    source = still;
    options.format = ExportFormat::gif;
    options.quality = 2;
    settings.trimStart = 0.25;
    settings.trimEnd = 2.25;
    const QString destination = folder->filePath("still.gif");
    run(destination);
    const test::DecodedVideo gif = test::decodeVideo(destination.toStdString(), true);
    ASSERT_EQ(gif.frameTimes.size(), 30u) << "2 s at 15 frames a second";
    EXPECT_EQ(std::accumulate(gif.frameDurations.begin(), gif.frameDurations.end(), std::int64_t{0}), 200);
    EXPECT_EQ(gif.frames.back(), gif.frames.front());
}

// A phone recording: its pictures are stored sideways with a display matrix that turns them.
TEST_F(ExporterTest, ARotatedRecordingIsExportedUpright)
{
    const QString turned = folder->filePath("Turned.mp4");
    // A quarter turn clockwise: the red left half comes to the top.
    test::copyWithDisplayRotation(source.toStdString(), turned.toStdString(), 90);
    source = turned;
    settings.sourceAspectWidth = kSourceHeight;  // what the editor reads as the movie's size
    settings.sourceAspectHeight = kSourceWidth;
    settings.aspect = AspectRatio::auto_;  // the canvas follows the recording's shape
    for (const ExportFormat format : {ExportFormat::mp4, ExportFormat::gif}) {
        options.format = format;
        const QString destination = folder->filePath("upright." + fileExtension(format));
        run(destination);
        const test::DecodedVideo video = test::decodeVideo(destination.toStdString(), true);
        ASSERT_FALSE(video.frames.empty());
        const QImage& frame = video.frames.front();
        SCOPED_TRACE(fileExtension(format).toStdString());
        EXPECT_LT(frame.width(), frame.height()) << "a portrait canvas for a portrait recording";
        // The card is filled edge to edge by the upright picture: red over blue across its width,
        // with no sideways picture letterboxed inside it.
        const int cx = frame.width() / 2, cy = frame.height() / 2, dy = frame.height() / 5, dx = frame.width() / 6;
        for (const int x : {cx - dx, cx, cx + dx}) {
            const QColor top = frame.pixelColor(x, cy - dy);
            const QColor bottom = frame.pixelColor(x, cy + dy);
            EXPECT_GT(top.red(), 180) << "x " << x;
            EXPECT_LT(top.blue(), 90) << "x " << x;
            EXPECT_GT(bottom.blue(), 180) << "x " << x;
            EXPECT_LT(bottom.red(), 90) << "x " << x;
        }
    }
}

TEST_F(ExporterTest, ZoomShowsTheFocusedPartOfTheRecording)
{
    options.format = ExportFormat::mp4;
    settings.trimStart = 0;
    settings.trimEnd = 1.0;
    FocusPoint point;
    point.id = QUuid::createUuid();
    point.time = 0.1;
    point.x = 0.1;  // well inside the red half
    point.y = 0.5;
    point.zoomStrength = 3.0;
    point.zoomDuration = 0.8;
    point.zoomTransition = 0.2;
    auto centreIsRed = [](const QImage& frame) {
        const QColor c = frame.pixelColor(frame.width() / 2 + 40, frame.height() / 2);
        return c.red() > 180 && c.blue() < 90;
    };

    const QString plain = folder->filePath("plain.mp4");
    run(plain);
    const QString zoomed = folder->filePath("zoomed.mp4");
    run(zoomed, nullptr, {point});

    const auto plainFrames = test::decodeVideo(plain.toStdString(), true).frames;
    const auto zoomedFrames = test::decodeVideo(zoomed.toStdString(), true).frames;
    ASSERT_EQ(zoomedFrames.size(), 60u);
    EXPECT_FALSE(centreIsRed(plainFrames.at(30)));
    EXPECT_TRUE(centreIsRed(zoomedFrames.at(30))) << "at 0.5 s the zoom holds the left half";
    EXPECT_FALSE(centreIsRed(zoomedFrames.front())) << "before the focus point the view is whole";
}

TEST_F(ExporterTest, RefusesToOverwriteItsSourceUnderAnyName)
{
    const QString link = folder->filePath("link.mp4");
    const QString hardLink = folder->filePath("hard.mp4");
    QFile::link(source, link);
    ASSERT_EQ(::link(source.toUtf8().constData(), hardLink.toUtf8().constData()), 0);
    const QByteArray before = [&] { QFile f(source); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    for (const QString& destination : {source, link, hardLink, folder->filePath("./sub/../Recording.mp4")}) {
        std::string error;
        run(destination, &error);
        EXPECT_EQ(error, "Choose a different filename. An export cannot replace its source recording.")
            << destination.toStdString();
    }
    QFile f(source);
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(f.readAll(), before);
    EXPECT_TRUE(hiddenFiles().isEmpty());
}

TEST_F(ExporterTest, CancelLeavesNoFileAndKeepsAnOldDestination)
{
    const QString destination = folder->filePath("kept.mp4");
    {
        QFile f(destination);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old export");
    }
    std::string error;
    ExportJob cancelled;
    cancelled.cancel();
    try {
        Exporter::export_(sceneOf(source, settings), destination, options, cancelled, [](double) {});
    } catch (const ExporterFailure& e) {
        error = e.what();
    }
    EXPECT_EQ(error, "Export cancelled.");

    // Cancelled while frames are written.
    error.clear();
    try {
        Exporter::export_(sceneOf(source, settings), destination, options, job, [&](double v) {
            if (v > 0.3)
                job.cancel();
        });
    } catch (const ExporterFailure& e) {
        error = e.what();
    }
    EXPECT_EQ(error, "Export cancelled.");
    QFile f(destination);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "old export");
    EXPECT_TRUE(hiddenFiles().isEmpty());
}

TEST_F(ExporterTest, BadInputGivesItsMessage)
{
    struct Case {
        const char* what;
        std::function<void(EditSettings&, ExportOptions&, QString& src, QString& dst)> setUp;
        std::string message;  // empty: succeeds
    };
    const QString missingMusic = folder->filePath("no-such-music.m4a");
    const QString notMedia = folder->filePath("notes.txt");
    {
        QFile f(notMedia);
        f.open(QIODevice::WriteOnly);
        f.write("not a movie");
    }
    const QString soundOnly = folder->filePath("sound-only.wav");
    test::writeWav(soundOnly.toStdString(), test::tone({44100, 2}, 0.5, 440, 0.3f));
    const Case cases[] = {
        {"a recording without a picture", [&](EditSettings&, ExportOptions&, QString& src, QString&) { src = soundOnly; },
         "This file has no video track."},
        {"custom music without a file", [](EditSettings& s, ExportOptions&, QString&, QString&) { s.musicChoice = MusicChoice::custom; },
         "The selected music file is missing or unreadable. Choose it again."},
        {"custom music that is missing", [&](EditSettings& s, ExportOptions&, QString&, QString&) {
             s.musicChoice = MusicChoice::custom;
             s.musicFileURL = QUrl::fromLocalFile(missingMusic);
         }, "The selected music file is missing or unreadable. Choose it again."},
        {"music on the web is never opened", [](EditSettings& s, ExportOptions&, QString&, QString&) {
             s.musicChoice = MusicChoice::custom;
             s.musicFileURL = QUrl("https://example.invalid/song.mp3");
         }, "The selected music file is missing or unreadable. Choose it again."},
        {"a GIF ignores the music", [](EditSettings& s, ExportOptions& o, QString&, QString&) {
             s.musicChoice = MusicChoice::custom;
             o.format = ExportFormat::gif;
         }, ""},
        {"a missing recording", [&](EditSettings&, ExportOptions&, QString& src, QString&) { src = folder->filePath("gone.mp4"); },
         "Could not read the source video."},
        {"a file that is no movie", [&](EditSettings&, ExportOptions&, QString& src, QString&) { src = notMedia; },
         "Could not read the source video."},
        {"a folder that does not exist", [&](EditSettings&, ExportOptions&, QString&, QString& dst) {
             dst = folder->filePath("missing-folder/out.mp4");
         }, "Could not finish the export."},
    };
    for (const Case& c : cases) {
        EditSettings s = settings;
        ExportOptions o = options;
        QString src = source;
        QString dst = folder->filePath("bad-input.out");
        c.setUp(s, o, src, dst);
        std::string error;
        try {
            ExportJob fresh;
            Exporter::export_(sceneOf(src, s), dst, o, fresh, [](double) {});
        } catch (const std::exception& e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.message) << c.what;
        QFile::remove(dst);
    }
    EXPECT_TRUE(hiddenFiles().isEmpty());
}

// The pipeline alone: frames in order as a single thread would compose them, and every way a
// stage can fail ends run() with that failure instead of a hang or a stray thread.
TEST_F(ExporterTest, PipelineDeliversFramesInOrderAndEndsOnAnyStageFailure)
{
    const auto composer = Compositor::make(sceneOf(source, settings), QSize(320, 180));
    const auto timeOf = [](std::int64_t i) { return static_cast<double>(i) / 30.0; };
    constexpr std::int64_t kCount = 24;

    VideoFrameSource frames(moving.toStdString());
    std::int64_t expectedIndex = 0;
    const FramePipeline images{moving, *composer, job, 3, false, timeOf};
    images.run(kCount, [&](std::int64_t index, const ComposedFrame& frame) {
        ASSERT_EQ(index, expectedIndex++);
        EXPECT_EQ(frame.image, composer->compose(frames.frameAt(timeOf(index)).image, timeOf(index))) << index;
    });
    EXPECT_EQ(expectedIndex, kCount);

    struct Case {
        const char* what;
        QString source;
        std::function<void(std::int64_t, ExportJob&)> consume;
        std::string expected;  // what() of the exception run() throws
        std::int64_t consumed;  // frames handed on before it
    };
    const QString missing = folder->filePath("missing.mp4");
    const std::vector<Case> cases{
        {"the consumer throws", moving,
         [](std::int64_t index, ExportJob&) {
             if (index == 5)
                 throw std::runtime_error("consumer failed");
         },
         "consumer failed", 6},
        {"cancelled while consuming", moving,
         [](std::int64_t index, ExportJob& cancel) {
             if (index == 2)
                 cancel.cancel();
         },
         ExporterFailure(ExporterError::cancelled).what(), 3},
    };
    for (const Case& c : cases) {
        for (const bool yuv : {false, true}) {
            ExportJob fresh;
            const FramePipeline pipeline{c.source, *composer, fresh, 4, yuv, timeOf};
            std::int64_t consumed = 0;
            std::string error;
            try {
                pipeline.run(kCount, [&](std::int64_t index, const ComposedFrame&) {
                    ++consumed;
                    c.consume(index, fresh);
                });
            } catch (const std::exception& e) {
                error = e.what();
            }
            EXPECT_EQ(error, c.expected) << c.what << (yuv ? " (4:2:0)" : "");
            EXPECT_EQ(consumed, c.consumed) << c.what;
        }
    }

    // A recording that cannot be opened fails on the decoding thread.
    ExportJob fresh;
    const FramePipeline unreadable{missing, *composer, fresh, 2, true, timeOf};
    EXPECT_THROW(unreadable.run(kCount, [](std::int64_t, const ComposedFrame&) { ADD_FAILURE() << "a frame of nothing"; }),
                 MediaError);
}

// The encoder's frames read the decoder's planes and convert only the rows they use, a band at a
// time; they must be the frames composed from the frame source's pictures, bit for bit: at rest,
// while zooming, with the pointer drawn, and on canvases larger and smaller than the recording.
TEST_F(ExporterTest, EncoderFramesFromTheDecodersPlanesEqualThoseFromItsPictures)
{
    FocusPoint point;
    point.id = QUuid::createUuid();
    point.time = 0.1;
    point.x = 0.3;
    point.y = 0.6;
    point.zoomStrength = 2.5;
    point.zoomDuration = 0.6;
    point.zoomTransition = 0.2;
    settings.shadowStrength = 0.5;
    Scene scene = sceneOf(moving, settings, {point});
    scene.pointerSamples = std::make_shared<const std::vector<PointerSample>>(
        std::vector<PointerSample>{{0, 0.2, 0.8, true}, {1, 0.8, 0.1, true}});
    scene.editablePointer = true;
    const std::vector<double> times{0.0, 0.15, 0.3, 0.5, 0.95};

    // The rows themselves, in bands of any even height and the last band of what is left.
    VideoFrameSource planes(moving.toStdString()), pictures(moving.toStdString());
    PictureRowConverter converter;
    for (const double t : times) {
        const DecodedPicture picture = planes.pictureAt(t);
        ASSERT_TRUE(picture.hasPlanes()) << "a 4:2:0 recording is read from its planes";
        const QImage expected = pictures.frameAt(t).image;
        ASSERT_EQ(picture.size(), expected.size());
        for (const int band : {2, 16, 34}) {
            QImage rows(expected.size(), QImage::Format_RGB32);
            for (int top = 0; top < rows.height(); top += band)
                picture.convertRows(top, std::min(band, rows.height() - top), rows.scanLine(top), rows.bytesPerLine(),
                                    converter);
            EXPECT_EQ(rows, expected) << "bands of " << band << " rows at " << t;
        }
    }
    QImage row(kSourceWidth, 2, QImage::Format_RGB32);
    EXPECT_THROW(planes.pictureAt(0.5).convertRows(1, 2, row.bits(), row.bytesPerLine(), converter), MediaError)
        << "bands start on whole row pairs";

    for (const QSize canvas : {QSize(1280, 720), QSize(320, 180), QSize(158, 92)}) {
        const FrameComposer composer(scene, canvas, {}, false);
        VideoFrameSource fromPlanes(moving.toStdString()), fromPictures(moving.toStdString());
        const int w = canvas.width(), h = canvas.height(), cw = (w + 1) / 2, ch = (h + 1) / 2;
        for (const double t : times) {
            // Filled with different values, so that a sample left unwritten on either side shows.
            std::vector<uint8_t> y(size_t(w * h), 0), u(size_t(cw * ch), 0), v(u);
            std::vector<uint8_t> y2(y.size(), 255), u2(u.size(), 255), v2(v.size(), 255);
            composer.composeYuv420(fromPlanes.pictureAt(t), t, {y.data(), u.data(), v.data(), w, cw, cw});
            composer.composeYuv420(fromPictures.frameAt(t).image, t, {y2.data(), u2.data(), v2.data(), w, cw, cw});
            EXPECT_TRUE(y == y2 && u == u2 && v == v2) << w << "x" << h << " at " << t;
        }
    }
}

TEST(ExporterRulesTest, FrameCountsAndProgressReports)
{
    EXPECT_EQ(Exporter::movieFrameCount(0.01), 1);
    EXPECT_EQ(Exporter::movieFrameCount(2.0), 120);
    EXPECT_EQ(Exporter::movieFrameCount(10.0), 600);
    // 600 frames report on frames 0, 6, 12, ... and on the last one.
    EXPECT_TRUE(Exporter::movieFrameProgress(0, 600).has_value());
    EXPECT_FALSE(Exporter::movieFrameProgress(5, 600).has_value());
    EXPECT_TRUE(Exporter::movieFrameProgress(6, 600).has_value());
    EXPECT_DOUBLE_EQ(*Exporter::movieFrameProgress(599, 600), 0.95);
    EXPECT_DOUBLE_EQ(*Exporter::movieFrameProgress(119, 120), 0.95);
    for (int i = 0; i < 120; ++i)
        EXPECT_TRUE(Exporter::movieFrameProgress(i, 120).has_value());
    const QString temporary = Exporter::temporaryPath("/videos/Demo.mp4", ExportFormat::mov);
    EXPECT_TRUE(temporary.startsWith("/videos/.sablewick-export-"));
    EXPECT_TRUE(temporary.endsWith(".mov"));
    const QString uuid = temporary.mid(QString("/videos/.sablewick-export-").size(), 36);
    EXPECT_EQ(uuid, uuid.toUpper());
    EXPECT_FALSE(QUuid::fromString(uuid).isNull());
}

}  // namespace
}  // namespace sablewick

#include "document/ResourceLookup.h"
#include "rendering/Background.h"
#include "rendering/Compositor.h"
#include "rendering/FrameComposer.h"
#include "rendering/GradientPainter.h"
#include "rendering/Scene.h"
#include "rendering/Yuv420Converter.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>
#include <sys/stat.h>

namespace sablewick {
namespace {

constexpr QSize kCanvas(320, 180);

// Colour distance: the largest channel difference.
int distance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

QRgb opaque(uint32_t rgb)
{
    return 0xFF000000u | rgb;
}

// A y-up canvas point to the image pixel that holds it.
QPoint pixelAt(const QImage& image, double x, double yUp)
{
    return {int(std::floor(x)), int(std::floor(image.height() - yUp))};
}

QRgb at(const QImage& image, double x, double yUp)
{
    return image.pixel(pixelAt(image, x, yUp));
}

EditSettings plainSettings()
{
    EditSettings s;
    s.backgroundKind = BackgroundKind::solid;
    s.solidColor = 0x3366CC;
    s.shadowStrength = 0;
    s.pointerVisible = false;
    return s;
}

// Every layer in play: gradient, frame ring, shadow and the drawn pointer.
EditSettings styledSettings()
{
    EditSettings s = plainSettings();
    s.backgroundKind = BackgroundKind::gradient;
    s.frameInset = 20;
    s.shadowStrength = 0.6;
    s.pointerVisible = true;
    return s;
}

FocusPoint zoomAt(double time, double x, double y)
{
    FocusPoint point;
    point.id = QUuid::createUuid();
    point.time = time;
    point.x = x;
    point.y = y;
    return point;
}

QImage solidFrame(QSize size, uint32_t rgb, QImage::Format format = QImage::Format_RGB32)
{
    QImage frame(size, format);
    frame.fill(QColor::fromRgb(opaque(rgb)));
    return frame;
}

// Four quadrants as seen on screen: top-left red, top-right green, bottom-left blue,
// bottom-right yellow.
QImage quadrants(QSize size)
{
    QImage frame(size, QImage::Format_RGB32);
    QPainter p(&frame);
    const int w = size.width() / 2, h = size.height() / 2;
    p.fillRect(0, 0, w, h, QColor(0xFF0000));
    p.fillRect(w, 0, size.width() - w, h, QColor(0x00FF00));
    p.fillRect(0, h, w, size.height() - h, QColor(0x0000FF));
    p.fillRect(w, h, size.width() - w, size.height() - h, QColor(0xFFFF00));
    return frame;
}

Compositor::Layout layoutOf(const EditSettings& settings, QSize source, const std::vector<FocusPoint>& events = {},
                            double time = 0)
{
    return Compositor::layout({0, 0, double(source.width()), double(source.height())}, QSizeF(kCanvas), settings,
                              events, time, {});
}

// A scene of a recording that left the pointer out of the picture, so the track is drawn.
Scene sceneOf(const EditSettings& settings, const std::vector<FocusPoint>& focusPoints,
              const std::vector<PointerSample>& track, bool editablePointer = true)
{
    Scene scene;
    scene.settings = settings;
    scene.focusPoints = focusPoints;
    scene.pointerSamples = std::make_shared<const std::vector<PointerSample>>(track);
    scene.editablePointer = editablePointer;
    return scene;
}

// Backgrounds -------------------------------------------------------------------------------------

TEST(BackgroundTest, SolidAndHiddenKinds)
{
    EditSettings s = plainSettings();
    QImage image = Compositor::makeBackground(kCanvas, s, {}, false);
    ASSERT_EQ(image.size(), kCanvas);
    EXPECT_EQ(image.pixel(0, 0), opaque(0x3366CC));
    EXPECT_EQ(image.pixel(319, 179), opaque(0x3366CC));

    s.backgroundKind = BackgroundKind::hidden;
    EXPECT_EQ(Compositor::makeBackground(kCanvas, s, {}, false).pixel(100, 100), opaque(0x000000));
    EXPECT_EQ(qAlpha(Compositor::makeBackground(kCanvas, s, {}, true).pixel(100, 100)), 0);
}

TEST(BackgroundTest, DrawnGradientRunsFromBottomLeftToTopRightWithItsGlows)
{
    const ResourceLookup::ScopedRoots noResources({});
    EditSettings s;
    s.background = BackgroundPreset{"test-two", "Two", 0x000000, 0xFFFFFF, std::nullopt, std::nullopt};
    const QImage plain = Compositor::makeBackground(kCanvas, s, {}, false);
    // y up: the first colour at the bottom-left corner, the second at the top-right one.
    EXPECT_LE(distance(plain.pixel(0, 179), opaque(0x000000)), 3);
    EXPECT_LE(distance(plain.pixel(319, 0), opaque(0xFFFFFF)), 3);
    EXPECT_LE(distance(plain.pixel(160, 90), opaque(0x808080)), 3);

    // A fourth colour without a glow is not drawn.
    s.background.fourth = 0xFF0000;
    const QImage fourthOnly = Compositor::makeBackground(kCanvas, s, {}, false);
    EXPECT_LE(distance(fourthOnly.pixel(262, 140), plain.pixel(262, 140)), 2);

    // The glow sits at (0.17, 0.82) y up, mixed in at 0.58; the fourth colour at (0.82, 0.22), 0.92.
    s.background.glow = 0x00FF00;
    const QImage glows = Compositor::makeBackground(kCanvas, s, {}, false);
    const QRgb glowCentre = at(glows, 0.17 * 320, 0.82 * 180);
    EXPECT_NEAR(qGreen(glowCentre), 0.58 * 255 + 0.42 * qGreen(at(plain, 0.17 * 320, 0.82 * 180)), 6);
    const QRgb fourthCentre = at(glows, 0.82 * 320, 0.22 * 180);
    EXPECT_GT(qRed(fourthCentre), 225);
    EXPECT_LT(qBlue(fourthCentre), 40);

    // The shared drawing function is what the background uses.
    const QImage direct = paintPresetGradient(kCanvas, s.background);
    EXPECT_EQ(direct.pixel(77, 33), glows.pixel(77, 33));
}

TEST(BackgroundTest, PicturesAreAspectFilledAndBlurredOnlyForPatternsAndImages)
{
    // 40 x 20, left half white and right half black, on a square canvas: scaled by 4 (to 160 x 80)
    // and centred, so the canvas shows the middle 80 pixels, half white and half black.
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter(&picture).fillRect(0, 0, 20, 20, Qt::white);
    const QSize square(80, 80);

    EditSettings s = plainSettings();
    s.backgroundKind = BackgroundKind::pattern;
    const QImage sharp = Compositor::makeBackground(square, s, picture, false);
    EXPECT_EQ(sharp.pixel(30, 40), opaque(0xFFFFFF));
    EXPECT_EQ(sharp.pixel(50, 40), opaque(0x000000));
    EXPECT_EQ(sharp.pixel(37, 5), opaque(0xFFFFFF));
    EXPECT_EQ(sharp.pixel(42, 75), opaque(0x000000));
    // Enlarged four times, the edge spreads over the four pixels nearest to it, symmetrically.
    EXPECT_NEAR(qGray(sharp.pixel(39, 40)) + qGray(sharp.pixel(40, 40)), 255, 2);
    EXPECT_GT(qGray(sharp.pixel(39, 40)), qGray(sharp.pixel(40, 40)));

    s.backgroundBlur = 6;
    const QImage blurred = Compositor::makeBackground(square, s, picture, false);
    EXPECT_NEAR(qGray(blurred.pixel(39, 40)) + qGray(blurred.pixel(40, 40)), 255, 12);
    EXPECT_GT(qGray(blurred.pixel(34, 40)), 150);
    EXPECT_LT(qGray(blurred.pixel(34, 40)), 250);
    // The picture continues beyond the canvas: the top and bottom rows keep full strength.
    EXPECT_GE(qGray(blurred.pixel(5, 0)), 250);
    EXPECT_LE(qGray(blurred.pixel(75, 79)), 5);

    // A gradient's picture is never blurred.
    s.backgroundKind = BackgroundKind::gradient;
    EXPECT_EQ(Compositor::makeBackground(square, s, picture, false), sharp);
}

TEST(BackgroundTest, MissingOrUnreadablePicturesFallBackWithoutFuss)
{
    EditSettings s = plainSettings();
    for (BackgroundKind kind : {BackgroundKind::pattern, BackgroundKind::image}) {
        s.backgroundKind = kind;
        EXPECT_EQ(Compositor::makeBackground(kCanvas, s, {}, false).pixel(10, 10), opaque(0x3366CC));
    }

    // The user's own picture is a file that is no image at all, or one that is gone.
    QTemporaryDir dir;
    const QString broken = dir.filePath("broken.png");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is not a picture");
    file.close();
    // A named pipe would block the export that reads it, beyond the reach of a cancel.
    const QString pipe = dir.filePath("pipe.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", dir.filePath("zero.png")));
    s.backgroundKind = BackgroundKind::image;
    for (const QString& path : {broken, dir.filePath("missing.jpg"), pipe, dir.filePath("zero.png")}) {
        s.backgroundImageURL = QUrl::fromLocalFile(path);
        const QImage picture = Compositor::loadBackgroundPicture(s);
        EXPECT_TRUE(picture.isNull());
        EXPECT_EQ(Compositor::makeBackground(kCanvas, s, picture, false).pixel(5, 5), opaque(0x3366CC));
    }
}

TEST(BackgroundTest, OversizedPicturesAreDecodedSmaller)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("panorama.png");
    QImage wide(12000, 30, QImage::Format_RGB32);
    wide.fill(QColor(0x40A060));
    ASSERT_TRUE(wide.save(path));
    EditSettings s = plainSettings();
    s.backgroundKind = BackgroundKind::image;
    s.backgroundImageURL = QUrl::fromLocalFile(path);
    const QImage picture = Compositor::loadBackgroundPicture(s);
    EXPECT_EQ(picture.width(), 8192);
    EXPECT_EQ(Compositor::makeBackground(kCanvas, s, picture, false).pixel(160, 90), opaque(0x40A060));
}

TEST(BackgroundTest, GeneratedPicturesExistAndMatchTheirNames)
{
    // The build paints every gradient preset's picture with the drawn gradient's own code.
    for (const BackgroundPreset& preset : BackgroundPreset::all()) {
        const auto url = preset.fileURL();
        ASSERT_TRUE(url.has_value()) << preset.id.toStdString();
        EXPECT_TRUE(url->toLocalFile().endsWith("Backgrounds/gradient-" + preset.id + ".jpg"));
        QImage picture = QImageReader(url->toLocalFile()).read();
        ASSERT_FALSE(picture.isNull()) << preset.id.toStdString();
        const QImage small = picture.scaled(kCanvas, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QImage drawn = paintPresetGradient(kCanvas, preset);
        for (QPoint p : {QPoint(10, 170), QPoint(310, 10), QPoint(160, 90), QPoint(54, 32), QPoint(262, 140)})
            EXPECT_LE(distance(small.pixel(p), drawn.pixel(p)), 6) << preset.id.toStdString();
    }
    // The artwork: present, readable and each unlike every other.
    std::vector<QImage> artwork;
    for (BackgroundArtwork a : EnumCases<BackgroundArtwork>::cases) {
        const auto url = Artwork::fileURL(a);
        ASSERT_TRUE(url.has_value()) << Artwork::filename(a).toStdString();
        const QImage picture = QImageReader(url->toLocalFile()).read();
        ASSERT_FALSE(picture.isNull());
        EXPECT_GE(picture.width(), 1920);
        artwork.push_back(picture.scaled(QSize(64, 36), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_RGB32));
    }
    for (size_t i = 0; i < artwork.size(); ++i) {
        for (size_t j = i + 1; j < artwork.size(); ++j) {
            double difference = 0;
            for (int y = 0; y < 36; ++y)
                for (int x = 0; x < 64; ++x)
                    difference += distance(artwork[i].pixel(x, y), artwork[j].pixel(x, y));
            EXPECT_GT(difference / (64 * 36), 8) << i << " and " << j;
        }
    }
}

// Frames ------------------------------------------------------------------------------------------

TEST(FrameComposerTest, CardSitsOnTheBackgroundWithRoundedCorners)
{
    EditSettings s = plainSettings();
    s.cornerRadius = 120;  // 20 pixels on a 180-pixel canvas
    const QSize source(160, 90);
    FrameComposer composer(sceneOf(s, {}, {}), kCanvas, {}, false);
    const QImage frame = composer.compose(solidFrame(source, 0xE02020), 0);
    const auto L = layoutOf(s, source);
    const LayoutRect& c = L.contentRect;

    EXPECT_EQ(frame.pixel(0, 0), opaque(0x3366CC));
    EXPECT_EQ(at(frame, c.midX(), c.midY()), opaque(0xE02020));
    // Just inside each corner of the card's rectangle the background shows through.
    EXPECT_EQ(at(frame, c.minX() + 1, c.minY() + 1), opaque(0x3366CC));
    EXPECT_EQ(at(frame, c.maxX() - 1, c.maxY() - 1), opaque(0x3366CC));
    // Mid-edge, just inside, is video.
    EXPECT_EQ(at(frame, c.minX() + 1.5, c.midY()), opaque(0xE02020));
    EXPECT_EQ(at(frame, c.midX(), c.maxY() - 1.5), opaque(0xE02020));
}

TEST(FrameComposerTest, FrameRingTakesItsColourAndInnerCornersBalance)
{
    EditSettings s = plainSettings();
    s.cornerRadius = 60;
    s.frameInset = 30;  // 5 pixels
    s.frameColor = 0x20C040;
    const QSize source(160, 90);
    const auto L = layoutOf(s, source);
    ASSERT_NEAR(L.frameRect.width - L.contentRect.width, 10, 1e-9);

    for (bool balanced : {true, false}) {
        s.balancedCorners = balanced;
        FrameComposer composer(sceneOf(s, {}, {}), kCanvas, {}, false);
        const QImage frame = composer.compose(solidFrame(source, 0xFFFFFF), 0);
        EXPECT_EQ(at(frame, L.frameRect.minX() + 2.5, L.frameRect.midY()), opaque(0x20C040));
        EXPECT_EQ(at(frame, L.frameRect.midX(), L.frameRect.maxY() - 2.5), opaque(0x20C040));
        EXPECT_EQ(at(frame, L.contentRect.midX(), L.contentRect.midY()), opaque(0xFFFFFF));
        // The content's corner: balanced corners (radius 5 = 10 - 5) keep a point 2.5 pixels in
        // from the corner on the video; unbalanced ones (radius 10) round off a point 1.5 pixels
        // in, where the frame colour shows.
        const LayoutRect& c = L.contentRect;
        if (balanced)
            EXPECT_EQ(at(frame, c.minX() + 2.5, c.maxY() - 2.5), opaque(0xFFFFFF));
        else
            EXPECT_EQ(at(frame, c.minX() + 1.5, c.maxY() - 1.5), opaque(0x20C040));
    }
}

TEST(FrameComposerTest, ShadowFallsBelowTheCard)
{
    EditSettings s = plainSettings();
    s.solidColor = 0xFFFFFF;
    s.shadowStrength = 1;
    const QSize source(160, 90);
    FrameComposer composer(sceneOf(s, {}, {}), kCanvas, {}, false);
    const QImage frame = composer.compose(solidFrame(source, 0x808080), 0);
    const auto L = layoutOf(s, source);
    // 12 units down is 2 pixels at this size; blurred by about 4.3.
    const double below = qGray(at(frame, L.frameRect.midX(), L.frameRect.minY() - 2.5));
    const double above = qGray(at(frame, L.frameRect.midX(), L.frameRect.maxY() + 2.5));
    EXPECT_LT(below, 200);
    EXPECT_LT(below + 15, above);
    EXPECT_EQ(frame.pixel(0, 0), opaque(0xFFFFFF));

    s.shadowStrength = 0;
    FrameComposer none(sceneOf(s, {}, {}), kCanvas, {}, false);
    EXPECT_EQ(at(none.compose(solidFrame(source, 0x808080), 0), L.frameRect.midX(), L.frameRect.minY() - 2.5),
              opaque(0xFFFFFF));
}

TEST(FrameComposerTest, PointerIsDrawnAtItsHotSpotWithYUp)
{
    EditSettings s = plainSettings();
    s.pointerVisible = true;
    s.pointerStyle = PointerStyle::dot;
    s.pointerSize = 4;
    const QSize source(640, 360);
    std::vector<PointerSample> track;
    for (int i = 0; i <= 30; ++i)
        track.push_back({i / 30.0, 0.25, 0.75, true});
    FrameComposer composer(sceneOf(s, {}, track), kCanvas, {}, false);
    const QImage frame = composer.compose(solidFrame(source, 0x000000), 0.5);
    const auto L = layoutOf(s, source);
    const LayoutRect& c = L.contentRect;
    // The white dot is centred on the pointer: a quarter from the left, a quarter from the top.
    EXPECT_GT(qGray(at(frame, c.minX() + 0.25 * c.width, c.minY() + 0.75 * c.height)), 150);
    EXPECT_EQ(at(frame, c.minX() + 0.25 * c.width, c.minY() + 0.25 * c.height), opaque(0x000000));
    EXPECT_EQ(at(frame, c.minX() + 0.75 * c.width, c.minY() + 0.75 * c.height), opaque(0x000000));

    // A pointer that the recording already shows is not drawn a second time from its track.
    FrameComposer baked(sceneOf(s, {}, track, false), kCanvas, {}, false);
    EXPECT_EQ(at(baked.compose(solidFrame(source, 0x000000), 0.5), c.minX() + 0.25 * c.width,
                 c.minY() + 0.75 * c.height),
              opaque(0x000000));
}

TEST(FrameComposerTest, ZoomMagnifiesThePointerAndScalesTheFrameWithTheCard)
{
    const QSize source(640, 360);
    std::vector<PointerSample> track;
    for (int i = 0; i <= 150; ++i)
        track.push_back({i / 30.0, 0.5, 0.5, true});
    FocusPoint point;
    point.id = QUuid::createUuid();
    point.x = 0.5;
    point.y = 0.5;
    point.zoomStrength = 2;
    point.zoomDuration = 3;
    const std::vector<FocusPoint> events{point};
    const double rest = 4, hold = 1.5;
    // Total brightness: white pixels count 1, partly covered edge pixels in proportion.
    auto light = [](const QImage& image) {
        double sum = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                sum += qGray(image.pixel(x, y)) / 255.0;
        return sum;
    };

    // The white dot on a black recording and background grows with the video's magnification (2)
    // times the punch-in, in area by its square.
    EditSettings s = plainSettings();
    s.solidColor = 0x000000;
    s.pointerVisible = true;
    s.pointerStyle = PointerStyle::dot;
    s.pointerSize = 4;
    const FrameComposer pointer(sceneOf(s, events, track), kCanvas, {}, false);
    const auto L = layoutOf(s, source, events, hold);
    ASSERT_GT(L.punchScale, 1.05);
    const double magnification = 2 * L.punchScale;
    EXPECT_NEAR(light(pointer.compose(solidFrame(source, 0x000000), hold))
                    / light(pointer.compose(solidFrame(source, 0x000000), rest)),
                magnification * magnification, 0.35);

    // A white frame around black video: its width and its length both grow with the punch-in.
    s.pointerVisible = false;
    s.frameInset = 30;  // 5 pixels
    s.frameColor = 0xFFFFFF;
    const FrameComposer framed(sceneOf(s, events, {}), kCanvas, {}, false);
    const auto F = layoutOf(s, source, events, hold);
    EXPECT_NEAR(light(framed.compose(solidFrame(source, 0x000000), hold))
                    / light(framed.compose(solidFrame(source, 0x000000), rest)),
                F.punchScale * F.punchScale, 0.02);
}

TEST(FrameComposerTest, ZoomedFrameShowsTheVisibleRegionOfTheSource)
{
    EditSettings s = plainSettings();
    const QSize source(160, 90);
    FocusPoint point;
    point.id = QUuid::createUuid();
    point.time = 0;
    point.x = 0.2;  // left
    point.y = 0.8;  // top, y up
    point.zoomStrength = 3;
    const std::vector<FocusPoint> events{point};
    FrameComposer composer(sceneOf(s, events, {}), kCanvas, {}, false);

    const QImage unzoomed = composer.compose(quadrants(source), 5);
    const auto L0 = layoutOf(s, source, events, 5);
    EXPECT_EQ(L0.punchScale, 1);
    EXPECT_EQ(at(unzoomed, L0.contentRect.midX() - 10, L0.contentRect.midY() + 10), opaque(0xFF0000));
    EXPECT_EQ(at(unzoomed, L0.contentRect.midX() + 10, L0.contentRect.midY() - 10), opaque(0xFFFF00));

    const double hold = 1.2;
    const auto L = layoutOf(s, source, events, hold);
    ASSERT_GT(L.punchScale, 1);
    ASSERT_LT(L.visibleRect.width, 160 / 2.9);
    const QImage zoomed = composer.compose(quadrants(source), hold);
    // Where the card's centre lands after the punch-in, the visible window's centre is shown: in
    // the top-left (red) quadrant.
    const double cx = L.contentRect.midX() * L.punchScale + L.punchOffset.x();
    const double cy = L.contentRect.midY() * L.punchScale + L.punchOffset.y();
    EXPECT_LT(L.visibleRect.maxX(), 80);
    EXPECT_GT(L.visibleRect.minY(), 45);
    EXPECT_EQ(at(zoomed, cx, cy), opaque(0xFF0000));
    // The whole card is red: the window lies inside that quadrant.
    const double halfW = L.contentRect.width / 2 * L.punchScale - 3, halfH = L.contentRect.height / 2 * L.punchScale - 3;
    for (double dx : {-halfW, halfW})
        for (double dy : {-halfH, halfH})
            EXPECT_EQ(at(zoomed, cx + dx, cy + dy), opaque(0xFF0000));
}

TEST(FrameComposerTest, CropKeepsOnlyTheChosenPartOfTheSource)
{
    EditSettings s = plainSettings();
    s.cropLeft = 0.5;    // the red and blue halves go
    s.cropBottom = 0.5;  // and the bottom (yellow) half, y up
    const QSize source(160, 90);
    FrameComposer composer(sceneOf(s, {}, {}), kCanvas, {}, false);
    const QImage frame = composer.compose(quadrants(source), 0);
    const auto L = layoutOf(s, source);
    EXPECT_EQ(L.crop.x, 80);
    EXPECT_EQ(L.crop.y, 45);
    const LayoutRect& c = L.contentRect;
    for (double fx : {0.1, 0.5, 0.9})
        for (double fy : {0.1, 0.5, 0.9})
            EXPECT_EQ(at(frame, c.minX() + fx * c.width, c.minY() + fy * c.height), opaque(0x00FF00)) << fx << "," << fy;
}

TEST(FrameComposerTest, SourcesOfAnySizeShareOneComposer)
{
    EditSettings s = plainSettings();
    s.shadowStrength = 0.3;
    FrameComposer composer(sceneOf(s, {}, {}), kCanvas, {}, false);
    for (QSize size : {QSize(160, 90), QSize(45, 80), QSize(1, 1), QSize(30, 700), QSize(160, 90)}) {
        const QImage frame = composer.compose(solidFrame(size, 0xC0A020), 0);
        const auto L = layoutOf(s, size);
        EXPECT_EQ(at(frame, L.contentRect.midX(), L.contentRect.midY()), opaque(0xC0A020)) << size.width();
        EXPECT_EQ(frame.pixel(0, 0), opaque(0x3366CC));
    }
}

TEST(FrameComposerTest, SlowZoomMovesThePictureSmoothlyBySubPixelSteps)
{
    // Black background, a recording black on the left and white on the right: the total light of
    // one row is the width of white it shows, so the edge's position can be measured to a fraction
    // of a pixel and compared with where the layout puts it.
    EditSettings s = plainSettings();
    s.solidColor = 0x000000;
    const QSize source(160, 90);
    QImage frame = solidFrame(source, 0x000000);
    QPainter(&frame).fillRect(80, 0, 80, 90, Qt::white);
    FocusPoint point;
    point.id = QUuid::createUuid();
    point.x = 0.3;
    point.y = 0.5;
    const std::vector<FocusPoint> events{point};
    FrameComposer composer(sceneOf(s, events, {}), kCanvas, {}, false);

    std::vector<double> measured, expected;
    for (int step = 0; step <= 40; ++step) {
        const double t = 0.2 + step * 0.002;
        const auto L = layoutOf(s, source, events, t);
        const double P = L.punchScale;
        const double left = L.contentRect.minX() * P + L.punchOffset.x();
        const double right = L.contentRect.maxX() * P + L.punchOffset.x();
        const double predicted = left + (80 - L.visibleRect.minX()) / L.visibleRect.width * (right - left);
        const QImage composed = composer.compose(frame, t);
        const int row = pixelAt(composed, 0, L.contentRect.midY() * P + L.punchOffset.y()).y();
        double white = 0;
        for (int x = 0; x < composed.width(); ++x)
            white += qGray(composed.pixel(x, row)) / 255.0;
        const double edge = right - white;
        EXPECT_NEAR(edge, predicted, 0.3) << "at " << t;
        measured.push_back(edge);
        expected.push_back(predicted);
    }
    // Every 2 ms step moves the edge by a fraction of a pixel, as far as the layout says: no
    // standing still and then jumping a whole pixel.
    for (size_t i = 1; i < measured.size(); ++i) {
        const double moved = measured[i] - measured[i - 1];
        EXPECT_GT(moved, 0.05);
        EXPECT_LT(moved, 0.7);
        EXPECT_NEAR(moved, expected[i] - expected[i - 1], 0.1);
    }
    EXPECT_GT(measured.back() - measured.front(), 5.0);
}

// A player's picture scaled down for a small preview, in proportion or not, composes to the frame
// of the full-size picture: the card, the zoom and the pointer follow the movie's own size.
TEST(FrameComposerTest, ScaledSourceOfAMovieGivesTheFullSizeFrame)
{
    EditSettings s = styledSettings();
    s.pointerSize = 3;
    const QSize movie(640, 360);
    // Smooth shading with a few broad bars, so that scaling it loses nothing that shows.
    QImage full(movie, QImage::Format_RGB32);
    for (int y = 0; y < movie.height(); ++y)
        for (int x = 0; x < movie.width(); ++x)
            full.setPixel(x, y, qRgb(x * 255 / movie.width(), (x / 80) % 2 ? 200 : 60, y * 255 / movie.height()));
    std::vector<PointerSample> track{{0, 0.3, 0.6, true}, {2, 0.7, 0.4, true}};
    FocusPoint point = zoomAt(0.2, 0.6, 0.3);
    point.zoomStrength = 2;
    const FrameComposer composer(sceneOf(s, {point}, track), kCanvas, {}, false);
    const auto meanDifference = [](const QImage& a, const QImage& b) {
        double sum = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                sum += distance(a.pixel(x, y), b.pixel(x, y));
        return sum / (a.width() * a.height());
    };
    for (QSize scaled : {QSize(320, 180), QSize(401, 181), QSize(200, 150)}) {
        const QImage source = full.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        for (double t : {0.0, 0.6, 1.2}) {
            const QImage expected = composer.compose(full, t);
            QImage frame;
            composer.compose(source, movie, t, frame);
            EXPECT_LT(meanDifference(frame, expected), 3.0) << scaled.width() << "x" << scaled.height() << " at " << t;
            // Laid out for the scaled size instead, the card of a picture out of proportion moves.
            if (scaled == QSize(200, 150)) {
                EXPECT_GT(meanDifference(composer.compose(source, t), expected), 10.0) << t;
            }
        }
    }
}

TEST(FrameComposerTest, AnySourceFormatGivesTheSameFrame)
{
    EditSettings s = plainSettings();
    s.shadowStrength = 0.5;
    const QSize source(96, 54);
    FrameComposer composer(sceneOf(s, {}, {}), kCanvas, {}, false);
    const QImage reference = composer.compose(quadrants(source), 0);
    for (QImage::Format format : {QImage::Format_RGB888, QImage::Format_ARGB32, QImage::Format_RGBA8888,
                                  QImage::Format_ARGB32_Premultiplied, QImage::Format_BGR30}) {
        const QImage frame = composer.compose(quadrants(source).convertToFormat(format), 0);
        EXPECT_EQ(frame, reference) << format;
    }
    // A 32-bit frame whose padding byte the decoder left at zero still gives an opaque card.
    QImage padded = quadrants(source);
    for (int y = 0; y < padded.height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(padded.scanLine(y));
        for (int x = 0; x < padded.width(); ++x)
            row[x] &= 0x00FFFFFFu;
    }
    EXPECT_EQ(composer.compose(padded, 0), reference);
    // No frame at all: the background alone.
    EXPECT_EQ(composer.compose(QImage(), 0).pixel(160, 90), opaque(0x3366CC));
}

// The encoder's 4:2:0 frame equals the image path's frame converted whole.
void expectYuvEqualsImage(const FrameComposer& composer, const QImage& frame, double t)
{
    const QImage rgb = composer.compose(frame, t);
    const int w = rgb.width(), h = rgb.height(), cw = (w + 1) / 2, ch = (h + 1) / 2;
    // Filled with a value no conversion gives, so that a sample left unwritten shows.
    std::vector<uint8_t> y(size_t(w * h), 255), u(size_t(cw * ch), 255), v(u), y2(y.size()), u2(u.size()), v2(v.size());
    composer.composeYuv420(frame, t, {y.data(), u.data(), v.data(), w, cw, cw});
    std::vector<const uint32_t*> rows;
    for (int r = 0; r < h; ++r)
        rows.push_back(reinterpret_cast<const uint32_t*>(rgb.constScanLine(r)));
    convertToYuv420(rows.data(), h, w, 0, {y2.data(), u2.data(), v2.data(), w, cw, cw});
    EXPECT_EQ(y, y2) << w << "x" << h << " at " << t;
    EXPECT_EQ(u, u2) << w << "x" << h << " at " << t;
    EXPECT_EQ(v, v2) << w << "x" << h << " at " << t;
}

TEST(FrameComposerTest, EncoderFramesEqualImagesAtRestAndWhileZooming)
{
    // Frames at rest take everything around the card from the layer converted once; zoomed frames
    // are drawn whole. Odd sizes put the card's edges inside chroma blocks.
    const EditSettings s = styledSettings();
    const std::vector<PointerSample> track{{0, 0.4, 0.6, true}, {1, 0.6, 0.4, true}};
    for (const QSize canvas : {QSize(320, 180), QSize(319, 181), QSize(158, 91)}) {
        for (const std::vector<FocusPoint>& events : {std::vector<FocusPoint>{}, std::vector<FocusPoint>{zoomAt(0.2, 0.6, 0.3)}}) {
            const FrameComposer composer(sceneOf(s, events, track), canvas, {}, false);
            // In order, as an export asks: the same composer, frames before, during and after a zoom.
            for (double t : {0.0, 0.02, 0.3, 0.6, 3.9, 30.0, 30.05})
                expectYuvEqualsImage(composer, quadrants(QSize(200, 120)), t);
        }
    }
}

TEST(FrameComposerTest, ReusedEncoderFramesAtRestKeepTheLayerAroundTheCard)
{
    // An encoder's frame is reused for a later one; at rest what lies around the card is then
    // already there, while a zoomed frame in between writes over it.
    const EditSettings s = styledSettings();
    const FrameComposer composer(sceneOf(s, {zoomAt(0.2, 0.6, 0.3)}, {}), QSize(319, 181), {}, false);
    const int w = 319, h = 181, cw = (w + 1) / 2, ch = (h + 1) / 2;
    std::vector<uint8_t> y(size_t(w * h)), u(size_t(cw * ch)), v(u.size());
    FrameComposer::Yuv420Surround surround;
    // A recording of another shape lays the card out anew: its layer is not the one there.
    struct Step {
        double time;
        int sourceHeight;
        bool atRest;
    };
    for (const Step step : {Step{0.0, 120, true}, Step{0.02, 120, true}, Step{0.03, 100, true}, Step{0.6, 120, false},
                            Step{30.0, 120, true}, Step{30.05, 120, true}}) {
        const QImage frame = quadrants(QSize(200, step.sourceHeight));
        composer.composeYuv420(DecodedPicture(frame), step.time, {y.data(), u.data(), v.data(), w, cw, cw}, &surround);
        EXPECT_EQ(surround.geometry != nullptr, step.atRest) << step.time;
        std::vector<uint8_t> y2(y.size(), 255), u2(u.size(), 255), v2(v.size(), 255);
        composer.composeYuv420(frame, step.time, {y2.data(), u2.data(), v2.data(), w, cw, cw});
        EXPECT_TRUE(y == y2 && u == u2 && v == v2) << step.time;
    }
}

TEST(FrameComposerTest, AComposerOfOtherZoomsAndPointerSharesTheLookAndComposesAsANewOne)
{
    // As a zoom dragged along the timeline gives them: the same look, the zoom moved and the
    // pointer track changed. The base has laid out its card already (its geometry is shared); the
    // frames must be those of a composer made from nothing, at rest, zooming and held, in the
    // image and the encoder's paths, also for a recording of another shape.
    const EditSettings s = styledSettings();
    const std::vector<PointerSample> track{{0, 0.4, 0.6, true}, {1, 0.6, 0.4, true}};
    const std::vector<PointerSample> otherTrack{{0, 0.7, 0.2, true}, {2, 0.1, 0.9, true}};
    const FrameComposer base(sceneOf(s, {zoomAt(0.2, 0.6, 0.3)}, track), QSize(319, 181), {}, false);
    const QImage frame = quadrants(QSize(200, 120));
    base.compose(frame, 0);
    const Scene moved = sceneOf(s, {zoomAt(1.4, 0.3, 0.7)}, otherTrack);
    const FrameComposer shared(base, moved);
    const FrameComposer fresh(moved, QSize(319, 181), {}, false);
    for (const QSize sourceSize : {QSize(200, 120), QSize(200, 100)}) {
        const QImage source = quadrants(sourceSize);
        for (double t : {0.0, 0.6, 1.5, 2.0, 30.0}) {
            EXPECT_EQ(shared.compose(source, t), fresh.compose(source, t)) << t;
            expectYuvEqualsImage(shared, source, t);
        }
    }
    EXPECT_EQ(shared.background(), base.background());

    // Other settings need a background and a card of their own.
    EditSettings other = s;
    other.frameInset = 4;
    EXPECT_THROW(FrameComposer(base, sceneOf(other, {}, track)), std::invalid_argument);
}

TEST(FrameComposerTest, PreviewAndExportShareOneResult)
{
    EditSettings s = styledSettings();
    const QSize source(200, 120);
    std::vector<PointerSample> track{{0, 0.4, 0.6, true}, {1, 0.6, 0.4, true}};
    const FocusPoint point = zoomAt(0.2, 0.6, 0.3);
    const std::vector<FocusPoint> events{point};
    const FrameComposer composer(sceneOf(s, events, track), kCanvas, {}, false);
    const QImage frame = quadrants(source);
    const double t = 0.6;  // in the middle of the ramp

    const QImage rgb = composer.compose(frame, t);
    // The YUV path composes the same pixels, band by band.
    expectYuvEqualsImage(composer, frame, t);

    // Several frames at once on several threads give what one thread gives.
    std::vector<QImage> results(4);
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&, i] { results[size_t(i)] = composer.compose(frame, t); });
    for (std::thread& thread : threads)
        thread.join();
    for (const QImage& result : results)
        EXPECT_EQ(result, rgb);

    // The preview's clear background for the hidden kind; the export's black.
    s.backgroundKind = BackgroundKind::hidden;
    const FrameComposer preview(sceneOf(s, events, track), kCanvas, {}, true);
    const FrameComposer video(sceneOf(s, events, track), kCanvas, {}, false);
    EXPECT_EQ(qAlpha(preview.compose(frame, t).pixel(0, 0)), 0);
    EXPECT_EQ(video.compose(frame, t).pixel(0, 0), opaque(0x000000));
}

}  // namespace
}  // namespace sablewick

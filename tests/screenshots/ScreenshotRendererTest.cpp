#include "rendering/Compositor.h"
#include "rendering/ExportJob.h"
#include "rendering/ExporterError.h"
#include "screenshots/ScreenshotError.h"
#include "screenshots/ScreenshotRenderer.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <cmath>
#include <set>

namespace sablewick {
namespace {

QImage filled(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Every pixel different from its neighbours, so that pixelation is visible everywhere.
QImage noise(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            state = state * 1664525u + 1013904223u;
            row[x] = 0xFF000000u | (state >> 8);
        }
    }
    return image;
}

ScreenshotAnnotation mark(ScreenshotTool tool, QRectF box, RgbColor colour = 0xFF0000, double weight = 4,
                          QString text = {})
{
    ScreenshotAnnotation a;
    a.tool = tool;
    a.x = box.left();
    a.y = box.top();
    a.endX = box.right();
    a.endY = box.bottom();
    a.color = colour;
    a.weight = weight;
    a.text = std::move(text);
    return a;
}

EditSettings screenshotSettings(QSize source, BackgroundKind kind)
{
    EditSettings settings;
    settings.aspect = AspectRatio::auto_;
    settings.sourceAspectWidth = source.width();
    settings.sourceAspectHeight = source.height();
    settings.backgroundKind = kind;
    settings.solidColor = 0x00FF00;
    settings.shadowStrength = 0;
    return settings;
}

QImage decoded(const QByteArray& bytes)
{
    QImage image;
    image.loadFromData(bytes);
    return image.convertToFormat(QImage::Format_ARGB32);
}

QString writeImage(const QTemporaryDir& dir, const char* name, const QImage& image, int rotation = 0)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QImageWriter writer(path);
    if (rotation == 90)
        writer.setTransformation(QImageIOHandler::TransformationRotate90);
    EXPECT_TRUE(writer.write(image)) << name;
    return path;
}

TEST(ScreenshotRendererTest, LoadsRegularImageFilesUprightAndCapped)
{
    QTemporaryDir dir;
    EXPECT_EQ(ScreenshotRenderer::load(writeImage(dir, "small.png", filled(800, 600, 0xFF336699))).size(),
              QSize(800, 600));
    // Only the long side is capped; the short side follows in proportion.
    EXPECT_EQ(ScreenshotRenderer::load(writeImage(dir, "wide.png", filled(12010, 20, 0xFF336699))).size(),
              QSize(12000, 20));

    // A landscape picture stored with a quarter-turn tag comes out as the upright portrait.
    QImage landscape = filled(40, 20, 0xFFFFFFFF);
    QPainter(&landscape).fillRect(0, 0, 20, 20, Qt::black);  // the left half dark
    const QImage upright = ScreenshotRenderer::load(writeImage(dir, "turned.jpg", landscape, 90));
    ASSERT_EQ(upright.size(), QSize(20, 40));
    EXPECT_LT(qGray(upright.pixel(10, 5)), 60);    // turned clockwise: the dark half on top
    EXPECT_GT(qGray(upright.pixel(10, 35)), 200);

    const QString text = dir.filePath(QStringLiteral("notes.png"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    const QString fifo = dir.filePath(QStringLiteral("pipe.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& bad : {text, fifo, dir.filePath(QStringLiteral("missing.png")), dir.path()}) {
        try {
            ScreenshotRenderer::load(bad);
            ADD_FAILURE() << bad.toStdString() << " loaded";
        } catch (const ScreenshotError& error) {
            EXPECT_EQ(error.kind(), ScreenshotError::Kind::invalidImage);
            EXPECT_EQ(error.description(), QStringLiteral("This file is not a readable image."));
        }
    }
}

TEST(ScreenshotRendererTest, OutputSizeKeepsSourcePixelsWithinTheCaps)
{
    const QSize source(1600, 1000);
    const EditSettings settings = screenshotSettings(source, BackgroundKind::solid);
    const QSize one = ScreenshotRenderer::outputSize(source, settings, 1);
    // One output pixel per shown source pixel: the card is as wide as the source.
    const Compositor::Layout layout = Compositor::layout({0, 0, 1600, 1000}, QSizeF(one), settings, {}, 0, {});
    EXPECT_NEAR(layout.contentRect.width, 1600, 1.5);
    EXPECT_EQ(ScreenshotRenderer::outputSize(source, settings, 0.1), ScreenshotRenderer::outputSize(source, settings, 0.25));
    EXPECT_EQ(ScreenshotRenderer::outputSize(source, settings, 3), ScreenshotRenderer::outputSize(source, settings, 2));
    EXPECT_NEAR(ScreenshotRenderer::outputSize(source, settings, 2).width(), 2 * one.width(), 1);
    EXPECT_EQ(ScreenshotRenderer::outputSize(source, settings, std::nan("")), one);

    const QSize huge(12000, 6000);
    const QSize capped = ScreenshotRenderer::outputSize(huge, screenshotSettings(huge, BackgroundKind::solid), 2);
    EXPECT_EQ(std::max(capped.width(), capped.height()), 8192);
}

TEST(ScreenshotRendererTest, ComposesTheCardOnTheCanvas)
{
    const QSize source(400, 300);
    const EditSettings settings = screenshotSettings(source, BackgroundKind::solid);
    const QSize size = ScreenshotRenderer::outputSize(source, settings, 1);
    const QImage picture = ScreenshotRenderer::render(filled(400, 300, 0xFF0000FF), settings, {}, size, nullptr)
                               .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(picture.size(), size);
    EXPECT_GT(size.width(), 400);
    EXPECT_EQ(picture.pixel(size.width() / 2, size.height() / 2), 0xFF0000FFu);  // the card
    EXPECT_EQ(picture.pixel(1, 1), 0xFF00FF00u);                                  // the canvas
    EXPECT_EQ(picture.pixel(size.width() - 2, size.height() - 2), 0xFF00FF00u);
}

TEST(ScreenshotRendererTest, PngKeepsTransparencyAndJpegIsFlattenedOnWhite)
{
    const QSize source(400, 300);
    const EditSettings settings = screenshotSettings(source, BackgroundKind::hidden);
    const QSize size = ScreenshotRenderer::outputSize(source, settings, 1);
    const QImage picture = ScreenshotRenderer::render(filled(400, 300, 0xFF0000FF), settings, {}, size, nullptr);

    const QImage png = decoded(ScreenshotRenderer::data(picture, ScreenshotFormat::png, 0.92));
    ASSERT_EQ(png.size(), size);
    EXPECT_EQ(qAlpha(png.pixel(0, 0)), 0);  // outside the rounded corner
    EXPECT_EQ(png.pixel(size.width() / 2, size.height() / 2), 0xFF0000FFu);

    const QImage jpeg = decoded(ScreenshotRenderer::data(picture, ScreenshotFormat::jpeg, 0.92));
    ASSERT_EQ(jpeg.size(), size);
    const QRgb corner = jpeg.pixel(0, 0);
    EXPECT_GT(qRed(corner), 245);
    EXPECT_GT(qGreen(corner), 245);
    EXPECT_GT(qBlue(corner), 245);
    EXPECT_GT(qBlue(jpeg.pixel(size.width() / 2, size.height() / 2)), 230);

    // Quality below the least counts as the least.
    EXPECT_EQ(ScreenshotRenderer::data(picture, ScreenshotFormat::jpeg, 0),
              ScreenshotRenderer::data(picture, ScreenshotFormat::jpeg, 0.1));
    EXPECT_THROW(ScreenshotRenderer::data(QImage(), ScreenshotFormat::png, 1), ScreenshotError);
}

TEST(ScreenshotRendererTest, HighlightBlendsItsColourOverTheShot)
{
    const QImage shot = ScreenshotRenderer::annotate(
        filled(400, 300, 0xFF808080), {mark(ScreenshotTool::highlight, {0.25, 0.25, 0.5, 0.5}, 0xFFFF00)});
    const QRgb inside = shot.pixel(200, 150);
    EXPECT_NEAR(qRed(inside), 0.28 * 255 + 0.72 * 128, 2);
    EXPECT_NEAR(qGreen(inside), 0.28 * 255 + 0.72 * 128, 2);
    EXPECT_NEAR(qBlue(inside), 0.72 * 128, 2);
    EXPECT_EQ(shot.pixel(50, 50), 0xFF808080u);
    EXPECT_EQ(shot.pixel(320, 240), 0xFF808080u);
}

TEST(ScreenshotRendererTest, PixelationCoversOnlyItsRegionInsideThePicture)
{
    const QImage source = noise(400, 300);
    auto pixelated = [&](std::vector<ScreenshotAnnotation> marks) { return ScreenshotRenderer::annotate(source, marks); };

    // Blocks of 16 pixels on a 400 x 300 picture (the least block size).
    const QImage inside = pixelated({mark(ScreenshotTool::pixelate, {0.2, 0.2, 0.4, 0.4})});
    EXPECT_EQ(inside.pixel(96, 96), inside.pixel(111, 111));   // one block, [96, 112)
    EXPECT_NE(inside.pixel(111, 111), inside.pixel(112, 112)); // the next block
    EXPECT_NE(inside.pixel(100, 100), source.pixel(100, 100));
    EXPECT_EQ(inside.pixel(50, 50), source.pixel(50, 50));
    EXPECT_EQ(inside.pixel(300, 250), source.pixel(300, 250));

    EXPECT_EQ(pixelated({mark(ScreenshotTool::pixelate, {1.2, 0.2, 0.3, 0.3})}), source);

    const QImage half = pixelated({mark(ScreenshotTool::pixelate, {0.9, 0.5, 0.5, 0.5})});
    EXPECT_EQ(half.pixel(360, 150), half.pixel(362, 152));
    EXPECT_NE(half.pixel(360, 150), source.pixel(360, 150));
    EXPECT_EQ(half.pixel(300, 150), source.pixel(300, 150));

    // Pixelation lies under the other marks, whatever their order.
    const QImage under = pixelated({mark(ScreenshotTool::highlight, {0, 0, 1, 1}, 0xFFFFFF),
                                    mark(ScreenshotTool::pixelate, {0, 0, 0.5, 0.5})});
    EXPECT_EQ(under.pixel(0, 0), under.pixel(15, 15));
}

// How many pixels' worth of black lies across column x: the line's width on a white shot.
double inkAcross(const QImage& image, int x)
{
    double ink = 0;
    for (int y = 0; y < image.height(); ++y)
        ink += (255 - qGray(image.pixel(x, y))) / 255.0;
    return ink;
}

TEST(ScreenshotRendererTest, StrokesScaleWithThePicture)
{
    const QImage white = filled(400, 300, 0xFFFFFFFF);
    struct Case {
        double weight;
        double width;  // pixels on a 400 x 300 picture: max(0.4 weight, 1)
    };
    for (const Case c : {Case{1, 1}, Case{4, 1.6}, Case{10, 4}}) {
        const QImage shot = ScreenshotRenderer::annotate(
            white, {mark(ScreenshotTool::line, {0.1, 0.5, 0.8, 0}, 0x000000, c.weight)});
        EXPECT_NEAR(inkAcross(shot, 200), c.width, 0.15) << "weight " << c.weight;
    }
}

TEST(ScreenshotRendererTest, TextAndBadgesAreDrawn)
{
    const QImage white = filled(1080, 720, 0xFFFFFFFF);
    const QImage text = ScreenshotRenderer::annotate(
        white, {mark(ScreenshotTool::text, {0.1, 0.1, 0, 0}, 0x000000, 4, QStringLiteral("Hello"))});
    // The line hangs below its anchor, within the mark's estimated box.
    int darkInside = 0, darkOutside = 0;
    for (int y = 0; y < 720; ++y) {
        for (int x = 0; x < 1080; ++x) {
            const bool dark = qGray(text.pixel(x, y)) < 128;
            const bool inBox = x >= 108 && x < 108 + 0.18 * 1080 && y >= 72 && y < 72 + 0.065 * 720 + 10;
            (inBox ? darkInside : darkOutside) += dark ? 1 : 0;
        }
    }
    EXPECT_GT(darkInside, 200);
    EXPECT_EQ(darkOutside, 0);

    // A badge: a disk of its colour with its label in white at the middle. On a picture 1080 pixels
    // high the disk has a radius of 23 pixels.
    const QImage badge = ScreenshotRenderer::annotate(
        filled(1080, 1080, 0xFFFFFFFF), {mark(ScreenshotTool::number, {0.5, 0.5, 0, 0}, 0xFF0000, 4, QStringLiteral("8"))});
    int red = 0, whiteInDisk = 0;
    for (int y = 540 - 15; y < 540 + 15; ++y) {
        for (int x = 540 - 15; x < 540 + 15; ++x) {
            const QRgb p = badge.pixel(x, y);
            red += (qRed(p) > 200 && qGreen(p) < 60) ? 1 : 0;
            whiteInDisk += (qGreen(p) > 200) ? 1 : 0;
        }
    }
    EXPECT_GT(red, 100);
    EXPECT_GT(whiteInDisk, 20);
    EXPECT_EQ(badge.pixel(540 - 21, 540), 0xFFFF0000u);  // inside the disk, beside the digit
    EXPECT_EQ(badge.pixel(540 - 25, 540), 0xFFFFFFFFu);  // outside it
}

TEST(ScreenshotRendererTest, PreviewsOnAReducedSourceMatchTheFullRender)
{
    // A picture with edges and flat areas, marked with every kind of mark.
    QImage source(1600, 1200, QImage::Format_RGB32);
    source.fill(0xFFF0F0F0);
    {
        QPainter painter(&source);
        for (int i = 0; i < 12; ++i)
            painter.fillRect(100 * i, 80 * i, 300, 200, QColor::fromHsv(30 * i, 200, 200));
    }
    const std::vector<ScreenshotAnnotation> marks = {
        mark(ScreenshotTool::pixelate, {0.1, 0.1, 0.3, 0.3}),
        mark(ScreenshotTool::highlight, {0.5, 0.1, 0.3, 0.2}, 0xFFFF00),
        mark(ScreenshotTool::arrow, {0.2, 0.7, 0.5, 0.2}, 0x0000FF, 8),
        mark(ScreenshotTool::rectangle, {0.6, 0.5, 0.3, 0.3}, 0xFF0000, 6),
        mark(ScreenshotTool::number, {0.4, 0.5, 0, 0}, 0x00AA00, 4, QStringLiteral("3")),
    };
    const EditSettings settings = screenshotSettings(source.size(), BackgroundKind::solid);
    const QSize full = ScreenshotRenderer::outputSize(source.size(), settings, 1);
    const QSize preview(full.width() * 2 / 5, full.height() * 2 / 5);

    ScreenshotRenderer::CanvasCache cache;
    const QImage reduced = ScreenshotRenderer::render(source, settings, marks, preview, nullptr, &cache)
                               .convertToFormat(QImage::Format_RGB32);
    const QImage exact = ScreenshotRenderer::render(source, settings, marks, preview, nullptr)
                             .convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(reduced.size(), exact.size());
    double difference = 0;
    int far = 0;
    for (int y = 0; y < exact.height(); ++y) {
        for (int x = 0; x < exact.width(); ++x) {
            const QRgb a = reduced.pixel(x, y), b = exact.pixel(x, y);
            const int d = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
            difference += d;
            far += d > 120 ? 1 : 0;
        }
    }
    const double pixels = double(exact.width()) * exact.height();
    EXPECT_LT(difference / pixels, 3.0);  // channel steps per pixel, summed over the three channels
    EXPECT_LT(far / pixels, 0.01);        // only antialiased edges may differ much
    // A second render of the same source reuses the reduced copy and gives the same picture.
    EXPECT_EQ(ScreenshotRenderer::render(source, settings, marks, preview, nullptr, &cache)
                  .convertToFormat(QImage::Format_RGB32),
              reduced);
}

TEST(ScreenshotRendererTest, CancelledJobsStopTheRender)
{
    const QSize source(40, 30);
    const EditSettings settings = screenshotSettings(source, BackgroundKind::solid);
    ExportJob job;
    job.cancel();
    try {
        ScreenshotRenderer::render(filled(40, 30, 0xFF000000), settings, {}, {80, 60}, &job);
        ADD_FAILURE() << "a cancelled render finished";
    } catch (const ExporterFailure& failure) {
        EXPECT_EQ(failure.error(), ExporterError::cancelled);
    }
    EXPECT_THROW(ScreenshotRenderer::render(filled(40, 30, 0xFF000000), settings, {}, {0, 60}, nullptr),
                 ScreenshotError);
}

}  // namespace
}  // namespace sablewick

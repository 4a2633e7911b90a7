#include "editor/EditorTestSupport.h"
#include "workspace/CanvasBackground.h"

#include <QPainter>
#include <QThreadPool>

namespace sablewick::test {
namespace {

TEST(CanvasBackground, RendersAtMost960PixelsAndTwoAPoint)
{
    struct Case {
        QSizeF points;
        QSize pixels;
    };
    const Case cases[] = {
        {{480, 270}, {960, 540}}, {{1920, 1080}, {960, 540}}, {{100, 50}, {200, 100}},
        {{0, 0}, {1, 1}},         {{-5, 20}, {1, 40}},        {{0.5, 0.5}, {1, 1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CanvasBackground::renderSize(c.points), c.pixels) << c.points.width() << " x " << c.points.height();
}

TEST(CanvasBackground, RendersOnlyForItsKeyAndShowsTheNewest)
{
    EditSettings settings;
    settings.backgroundKind = BackgroundKind::solid;
    settings.solidColor = 0xFF0000;
    CanvasBackground view(settings);
    view.resize(100, 50);
    view.show();
    ASSERT_TRUE(waitUntil([&] { return view.preview().size() == QSize(200, 100); }));
    EXPECT_EQ(view.preview().pixelColor(10, 10), QColor(255, 0, 0));
    const int started = view.renderingsStarted();

    // Card settings are not part of the background: nothing renders again.
    settings.canvasPadding = 20;
    settings.shadowStrength = 0.9;
    view.setSettings(settings);
    EXPECT_EQ(view.renderingsStarted(), started);

    // Two colours in a row: only the second reaches the screen, whichever finishes first.
    settings.solidColor = 0x00FF00;
    view.setSettings(settings);
    settings.solidColor = 0x0000FF;
    view.setSettings(settings);
    EXPECT_EQ(view.renderingsStarted(), started + 2);
    ASSERT_TRUE(waitUntil([&] { return view.preview().pixelColor(10, 10) == QColor(0, 0, 255); }));
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(view.preview().pixelColor(10, 10), QColor(0, 0, 255));
}

TEST(CanvasBackground, TransparencyGridHasALightTopLeftSquare)
{
    QImage image(25, 25, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    paintTransparencyGrid(painter, QSizeF(25, 25));
    painter.end();
    const QRgb light = QColor::fromRgbF(0.95f, 0.95f, 0.95f).rgb();
    const QRgb dark = QColor::fromRgbF(0.83f, 0.83f, 0.83f).rgb();
    int lightCells = 0;
    for (int r = 0; r <= 2; ++r)
        for (int c = 0; c <= 2; ++c) {
            const QRgb at = image.pixel(std::min(c * 10 + 2, 24), std::min(r * 10 + 2, 24));
            EXPECT_EQ(at, (r + c) % 2 == 0 ? light : dark) << r << "," << c;
            lightCells += at == light;
        }
    EXPECT_EQ(lightCells, 5);
}

}  // namespace
}  // namespace sablewick::test

#include "support/FakeScheduler.h"
#include "support/TemporaryEnvironment.h"

#include "screenshoteditor/ImageCanvasGeometry.h"
#include "screenshoteditor/ImageCanvasView.h"
#include "screenshots/ScreenshotModel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace sablewick {
namespace {

void send(QWidget& widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, widget.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

TEST(ImageCanvasViewTest, AnArrowDrawnWithTheMouseLandsInTheModelAndEscapeStopsAMove)
{
    QTemporaryDir dir;
    test::ScopedEnvironment environment;
    environment.set("SABLEWICK_STATE_DIRECTORY", dir.filePath(QStringLiteral("state")).toStdString());
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(0xFF3366CC);
    const QString path = dir.filePath(QStringLiteral("Shot.png"));
    ASSERT_TRUE(image.save(path));
    test::FakeScheduler scheduler;
    ScreenshotModelServices services;
    services.scheduler = &scheduler;
    ScreenshotModel model(services);
    ASSERT_TRUE(model.open(QUrl::fromLocalFile(path)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isOpening(); }));

    ImageCanvasView view(model);
    view.resize(900, 760);
    view.show();
    const QRectF canvas = view.canvasRect();
    const auto at = [&](double x, double y) {
        return canvas.topLeft() +
               ImageCanvasGeometry::previewRect({x, y, 0, 0}, model.sourceSize(), canvas.size(), model.settings())
                   .topLeft();
    };

    view.gesture().setTool(ScreenshotTool::arrow);
    send(view, QEvent::MouseButtonPress, at(0.2, 0.3), Qt::LeftButton);
    send(view, QEvent::MouseMove, at(0.4, 0.4), Qt::LeftButton);
    send(view, QEvent::MouseMove, at(0.7, 0.6), Qt::LeftButton);
    send(view, QEvent::MouseButtonRelease, at(0.7, 0.6), Qt::NoButton);
    ASSERT_EQ(model.annotations().size(), 1u);
    const ScreenshotAnnotation arrow = model.annotations()[0];
    EXPECT_EQ(arrow.tool, ScreenshotTool::arrow);
    EXPECT_NEAR(arrow.x, 0.2, 1e-6);
    EXPECT_NEAR(arrow.endX, 0.7, 1e-6);
    EXPECT_NEAR(arrow.endY, 0.6, 1e-6);

    // Select it and start a move; Escape puts it back, and the pointer moving on moves nothing.
    view.gesture().setTool(ScreenshotTool::select);
    send(view, QEvent::MouseButtonPress, at(0.45, 0.45), Qt::LeftButton);
    send(view, QEvent::MouseMove, at(0.5, 0.5), Qt::LeftButton);
    EXPECT_NE(model.annotations()[0], arrow);
    QTest::keyClick(&view, Qt::Key_Escape);
    send(view, QEvent::MouseMove, at(0.55, 0.55), Qt::LeftButton);
    send(view, QEvent::MouseButtonRelease, at(0.55, 0.55), Qt::NoButton);
    EXPECT_EQ(model.annotations()[0], arrow);
}

// Whether `colour` is within a few levels of `expected` in every channel.
bool near(QRgb colour, QRgb expected)
{
    return std::abs(qRed(colour) - qRed(expected)) <= 12 && std::abs(qGreen(colour) - qGreen(expected)) <= 12
           && std::abs(qBlue(colour) - qBlue(expected)) <= 12;
}

// One of the checkerboard's two greys.
bool checkerGrey(QRgb colour) { return near(colour, qRgb(212, 212, 212)) || near(colour, qRgb(242, 242, 242)); }

// Each change that makes a new picture reaches the screen, whether the canvas shows previews pixel
// for pixel or, larger than any preview, resampled: a picture kept from before would be stale.
TEST(ImageCanvasViewTest, TheCanvasShowsTheNewPictureAfterBackgroundChangesUndoAndCrop)
{
    QTemporaryDir dir;
    test::ScopedEnvironment environment;
    environment.set("SABLEWICK_STATE_DIRECTORY", dir.filePath(QStringLiteral("state")).toStdString());
    const QRgb red = qRgb(204, 34, 34), blue = qRgb(34, 68, 204), green = qRgb(34, 170, 68),
               yellow = qRgb(238, 221, 34);
    QImage image(2400, 1350, QImage::Format_RGB32);
    image.fill(red);
    for (int y = 0; y < image.height(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)) + 1200, 1200, blue);
    const QString path = dir.filePath(QStringLiteral("Shot.png"));
    ASSERT_TRUE(image.save(path));

    struct Case {
        const char* name;
        QSize window;
        bool pixelForPixel;
    };
    for (const Case& c : {Case{"a canvas smaller than a preview", QSize(900, 700), true},
                          Case{"a canvas larger than any preview", QSize(2100, 1400), false}}) {
        SCOPED_TRACE(c.name);
        test::FakeScheduler scheduler;
        ScreenshotModelServices services;
        services.scheduler = &scheduler;
        ScreenshotModel model(services);
        ASSERT_TRUE(model.open(QUrl::fromLocalFile(path)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isOpening(); }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isOpening(); }));
        EditSettings settings = model.settings();
        settings.backgroundKind = BackgroundKind::solid;
        settings.solidColor = 0x22AA44;
        settings.shadowStrength = 0;
        model.setSettings(settings);
        model.flushEdits();

        ImageCanvasView view(model);
        view.resize(c.window);
        view.show();
        QSignalSpy settled(&model, &ScreenshotModel::previewSettled);
        // Runs a change and returns what the canvas shows once its preview has settled.
        const auto after = [&](const std::function<void()>& change) {
            settled.clear();
            change();
            EXPECT_TRUE(settled.wait(20000));
            return view.grab().toImage();
        };
        // What the canvas shows at a source point, and in the padding beside the picture.
        const auto at = [&](const QImage& shown, double x, double y) {
            const QRectF canvas = view.canvasRect();
            const QPointF p = canvas.topLeft()
                              + ImageCanvasGeometry::previewRect({x, y, 0, 0}, model.sourceSize(), canvas.size(),
                                                                 model.settings())
                                    .topLeft();
            return shown.pixel(p.toPoint());
        };
        const auto padding = [&](const QImage& shown) {
            const EditSettings& s = model.settings();
            const QRectF canvas = view.canvasRect();
            const QPointF corner = ImageCanvasGeometry::previewRect({s.cropLeft, s.cropTop, 0, 0}, model.sourceSize(),
                                                                    canvas.size(), s)
                                       .topLeft();
            return shown.pixel((canvas.topLeft() + corner / 2).toPoint());
        };

        QImage shown = after([] {});
        const QSize canvasPixels = (view.canvasRect().size() * view.devicePixelRatioF()).toSize();
        if (c.pixelForPixel) {
            EXPECT_LE(std::abs(model.preview().width() - canvasPixels.width()), 1);
            EXPECT_LE(std::abs(model.preview().height() - canvasPixels.height()), 1);
        } else {
            EXPECT_LT(model.preview().width(), canvasPixels.width());
        }
        EXPECT_TRUE(near(padding(shown), green));
        EXPECT_TRUE(near(at(shown, 0.25, 0.5), red));
        EXPECT_TRUE(near(at(shown, 0.75, 0.5), blue));

        shown = after([&] {
            EditSettings s = model.settings();
            s.solidColor = 0xEEDD22;
            model.setSettings(s);
        });
        EXPECT_TRUE(near(padding(shown), yellow)) << std::hex << padding(shown);

        shown = after([&] { model.undo(); });
        EXPECT_TRUE(near(padding(shown), green)) << std::hex << padding(shown);

        // Only the blue half is kept: the picture's left quarter is blue now too.
        shown = after([&] { model.crop({0.5, 0}, {1, 1}); });
        EXPECT_TRUE(near(at(shown, 0.55, 0.5), blue)) << std::hex << at(shown, 0.55, 0.5);
        EXPECT_TRUE(near(padding(shown), green));

        // Without a background the checkerboard shows through; back with one, it is gone.
        shown = after([&] {
            EditSettings s = model.settings();
            s.backgroundKind = BackgroundKind::hidden;
            model.setSettings(s);
        });
        EXPECT_TRUE(checkerGrey(padding(shown))) << std::hex << padding(shown);
        EXPECT_TRUE(near(at(shown, 0.75, 0.5), blue));
        shown = after([&] { model.undo(); });
        EXPECT_TRUE(near(padding(shown), green)) << std::hex << padding(shown);
    }
}

}  // namespace
}  // namespace sablewick

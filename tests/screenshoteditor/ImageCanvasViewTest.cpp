#include "AnnotationFixture.h"
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
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>

namespace sablewick {
namespace {

void send(QWidget& widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, widget.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

// A 400 by 300 picture of one colour open in a model in fake time, on a canvas view.
struct OpenPicture {
    QTemporaryDir dir;
    test::ScopedEnvironment environment;
    test::FakeScheduler scheduler;
    std::unique_ptr<ScreenshotModel> model;
    std::unique_ptr<ImageCanvasView> view;

    OpenPicture()
    {
        environment.set("SABLEWICK_STATE_DIRECTORY", dir.filePath(QStringLiteral("state")).toStdString());
        model = test::openFilledPicture(dir, scheduler, {400, 300}, 0xFF3366CC, QStringLiteral("Shot.png"));
        view = std::make_unique<ImageCanvasView>(*model);
        view->resize(900, 760);
        view->show();
    }
};

TEST(ImageCanvasViewTest, AnArrowDrawnWithTheMouseLandsInTheModelAndEscapeStopsAMove)
{
    OpenPicture open;
    ScreenshotModel& model = *open.model;
    ImageCanvasView& view = *open.view;
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

TEST(ImageCanvasViewTest, TheCropBeingDraggedIsOutlinedInsideItsBorderOnAShadow)
{
    OpenPicture open;
    ScreenshotModel& model = *open.model;
    ImageCanvasView& view = *open.view;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            open.scheduler.advance(0.1);
            return !model.preview().isNull();
        },
        20000));
    const QRectF canvas = view.canvasRect();
    const auto toView = [&](const QRectF& source) {
        return ImageCanvasGeometry::previewRect(source, model.sourceSize(), canvas.size(), model.settings())
            .translated(canvas.topLeft());
    };
    const QImage before = view.grab().toImage();

    view.gesture().setTool(ScreenshotTool::crop);
    send(view, QEvent::MouseButtonPress, toView({0.3, 0.3, 0, 0}).topLeft(), Qt::LeftButton);
    send(view, QEvent::MouseMove, toView({0.7, 0.7, 0, 0}).topLeft(), Qt::LeftButton);
    ASSERT_TRUE(view.gesture().cropSelection());
    const QRectF outline = toView(*view.gesture().cropSelection());
    const QImage during = view.grab().toImage();

    // Along the top edge, on its first dash: white inside the border, the shadow just outside it,
    // and the picture untouched a few points further out.
    const int x = int(outline.left() + 3);
    const int top = int(std::floor(outline.top()));
    const QRgb dash = during.pixel(x, top + 1);
    EXPECT_TRUE(near(dash, qRgb(255, 255, 255))) << std::hex << dash;
    const QRgb shade = during.pixel(x, top - 1), plain = before.pixel(x, top - 1);
    const auto brightness = [](QRgb c) { return qRed(c) + qGreen(c) + qBlue(c); };
    EXPECT_LT(brightness(shade), brightness(plain) - 60) << "no shadow outside the dashes";
    EXPECT_TRUE(near(during.pixel(x, top - 5), before.pixel(x, top - 5))) << "the shadow reaches too far";
    send(view, QEvent::MouseButtonRelease, toView({0.7, 0.7, 0, 0}).topLeft(), Qt::NoButton);
}

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

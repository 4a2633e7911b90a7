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
#include <QTest>

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

}  // namespace
}  // namespace sablewick

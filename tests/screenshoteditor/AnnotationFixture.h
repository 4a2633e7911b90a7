#pragma once

#include "screenshots/ScreenshotAnnotation.h"
#include "screenshots/ScreenshotModel.h"
#include "support/FakeScheduler.h"

#include <QImage>
#include <QTest>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace sablewick::test {

inline ScreenshotAnnotation mark(ScreenshotTool tool, double x, double y, double endX, double endY, QString text = {})
{
    ScreenshotAnnotation a;
    a.tool = tool;
    a.x = x;
    a.y = y;
    a.endX = endX;
    a.endY = endY;
    a.text = std::move(text);
    return a;
}

// A picture of one colour saved in `dir` under `name` and opened in a model that runs in the fake
// time of `scheduler`.
inline std::unique_ptr<ScreenshotModel> openFilledPicture(const QTemporaryDir& dir, FakeScheduler& scheduler,
                                                          QSize size, QRgb colour, const QString& name)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path));
    ScreenshotModelServices services;
    services.scheduler = &scheduler;
    auto model = std::make_unique<ScreenshotModel>(services);
    EXPECT_TRUE(model->open(QUrl::fromLocalFile(path)));
    // The picture is read on a worker.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !model->isOpening(); }));
    return model;
}

}  // namespace sablewick::test

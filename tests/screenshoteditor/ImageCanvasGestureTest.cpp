#include "support/FakeScheduler.h"
#include "support/TemporaryEnvironment.h"

#include "AnnotationFixture.h"
#include "screenshoteditor/ImageCanvasGeometry.h"
#include "screenshoteditor/ImageCanvasGesture.h"
#include "screenshots/ScreenshotModel.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include <algorithm>
#include <QTemporaryDir>

namespace sablewick {
namespace {

using test::mark;

const QSizeF canvas(800, 700);

// A real model on a small opened image; gestures are fed in canvas points computed from source
// points with the same mapping the canvas paints with.
class ImageCanvasGestureTest : public ::testing::Test {
protected:
    ImageCanvasGestureTest()
    {
        m_environment.set("SABLEWICK_STATE_DIRECTORY", m_dir.filePath(QStringLiteral("state")).toStdString());
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(0xFF3366CC);
        const QString path = m_dir.filePath(QStringLiteral("Shot.png"));
        image.save(path);
        ScreenshotModelServices services;
        services.scheduler = &m_scheduler;
        m_model = std::make_unique<ScreenshotModel>(services);
        EXPECT_TRUE(m_model->open(QUrl::fromLocalFile(path)));
        EXPECT_TRUE(QTest::qWaitFor([this] { return !m_model->isOpening(); }));
        m_gesture = std::make_unique<ImageCanvasGesture>(*m_model);
    }

    QPointF at(double x, double y) const
    {
        return ImageCanvasGeometry::previewRect({x, y, 0, 0}, m_model->sourceSize(), canvas, m_model->settings())
            .topLeft();
    }

    // A press at `from`, changes through each of `path` and a release at the last point.
    ImageCanvasGesture::Outcome drag(QPointF from, std::vector<QPointF> path)
    {
        for (const QPointF& p : path)
            m_gesture->draw(from, p, canvas);
        return m_gesture->finish(from, path.back(), canvas);
    }

    // The marks as one undo step of their own, so a test sees whether a gesture added another.
    void place(std::vector<ScreenshotAnnotation> marks)
    {
        m_model->setAnnotations(std::move(marks));
        m_model->flushEdits();
    }

    // True when the last undo step is the placement of the mark `id`: undoing it removes the mark.
    bool placementIsTheLastStep(const QUuid& id)
    {
        m_model->undo();
        const auto& marks = m_model->annotations();
        const bool removed = std::none_of(marks.begin(), marks.end(), [&](const auto& a) { return a.id == id; });
        m_model->redo();
        return removed;
    }

    QTemporaryDir m_dir;
    test::ScopedEnvironment m_environment;
    test::FakeScheduler m_scheduler;
    std::unique_ptr<ScreenshotModel> m_model;
    std::unique_ptr<ImageCanvasGesture> m_gesture;
};

TEST_F(ImageCanvasGestureTest, SourcePointsSurviveTheTripThroughTheCanvas)
{
    EditSettings cropped = m_model->settings();
    cropped.cropLeft = 0.2;
    cropped.cropTop = 0.1;
    m_model->setSettings(cropped);
    for (const QPointF source : {QPointF(0.25, 0.15), QPointF(0.5, 0.5), QPointF(0.9, 0.95)}) {
        const auto back = m_model->sourcePoint(at(source.x(), source.y()), canvas, false);
        ASSERT_TRUE(back);
        EXPECT_NEAR(back->x(), source.x(), 1e-9);
        EXPECT_NEAR(back->y(), source.y(), 1e-9);
    }
}

TEST_F(ImageCanvasGestureTest, ShapesNeedMoreThanAClickAndBecomeOneSelectedUndoStep)
{
    m_gesture->setTool(ScreenshotTool::arrow);
    const QPointF from = at(0.3, 0.3);
    drag(from, {from});
    drag(from, {from + QPointF(2, 2)});
    EXPECT_TRUE(m_model->annotations().empty());
    EXPECT_FALSE(m_model->canUndo());
    EXPECT_FALSE(m_model->draft());

    drag(from, {from + QPointF(10, 0), from + QPointF(40, 30), at(0.6, 0.5)});
    ASSERT_EQ(m_model->annotations().size(), 1u);
    const ScreenshotAnnotation& arrow = m_model->annotations()[0];
    EXPECT_EQ(arrow.tool, ScreenshotTool::arrow);
    EXPECT_NEAR(arrow.x, 0.3, 1e-9);
    EXPECT_NEAR(arrow.endX, 0.6, 1e-9);
    EXPECT_NEAR(arrow.endY, 0.5, 1e-9);
    EXPECT_EQ(m_gesture->selected(), arrow.id);
    EXPECT_FALSE(m_model->draft());
    m_model->undo();
    EXPECT_TRUE(m_model->annotations().empty());
    EXPECT_FALSE(m_model->canUndo());
}

TEST_F(ImageCanvasGestureTest, ADragOutsideThePictureIsIgnoredAndItsEndPointIsClamped)
{
    m_gesture->setTool(ScreenshotTool::rectangle);
    drag({2, 2}, {{2, 2}, at(0.5, 0.5)});
    EXPECT_TRUE(m_model->annotations().empty());

    drag(at(0.5, 0.5), {at(0.7, 0.6), {canvas.width() - 1, canvas.height() - 1}});
    ASSERT_EQ(m_model->annotations().size(), 1u);
    EXPECT_NEAR(m_model->annotations()[0].endX, 1, 1e-9);
    EXPECT_NEAR(m_model->annotations()[0].endY, 1, 1e-9);
}

TEST_F(ImageCanvasGestureTest, BadgesCountOnFromTheHighestNumber)
{
    m_gesture->setTool(ScreenshotTool::number);
    drag(at(0.2, 0.2), {at(0.2, 0.2)});
    ASSERT_EQ(m_model->annotations().size(), 1u);
    EXPECT_EQ(m_model->annotations()[0].text, QStringLiteral("1"));
    EXPECT_EQ(m_gesture->selected(), m_model->annotations()[0].id);

    auto marks = m_model->annotations();
    marks.push_back(mark(ScreenshotTool::number, 0.4, 0.4, 0.4, 0.4, QStringLiteral("2")));
    marks.push_back(mark(ScreenshotTool::number, 0.5, 0.4, 0.5, 0.4, QStringLiteral("two")));
    m_model->setAnnotations(marks);
    drag(at(0.6, 0.6), {at(0.65, 0.6)});
    ASSERT_EQ(m_model->annotations().size(), 4u);
    EXPECT_EQ(m_model->annotations()[3].text, QStringLiteral("3"));
    EXPECT_NEAR(m_model->annotations()[3].x, 0.6, 1e-9);  // placed at the press, not the release
}

TEST_F(ImageCanvasGestureTest, TextAsksForItsLineAtThePress)
{
    m_gesture->setTool(ScreenshotTool::text);
    EXPECT_EQ(drag(at(0.3, 0.4), {at(0.5, 0.6)}), ImageCanvasGesture::Outcome::textRequested);
    ASSERT_TRUE(m_gesture->textAnchor());
    EXPECT_NEAR(m_gesture->textAnchor()->x(), 0.3, 1e-9);
    EXPECT_TRUE(m_model->annotations().empty());
}

TEST_F(ImageCanvasGestureTest, CropsEitherWayAlikeAndReturnToSelect)
{
    for (const bool reversed : {false, true}) {
        m_gesture->setTool(ScreenshotTool::crop);
        const QPointF a = at(0.2, 0.1), b = at(0.7, 0.8);
        const QPointF from = reversed ? b : a, to = reversed ? a : b;
        m_gesture->draw(from, to, canvas);
        ASSERT_TRUE(m_gesture->cropSelection());
        EXPECT_NEAR(m_gesture->cropSelection()->left(), 0.2, 1e-9);
        m_gesture->finish(from, to, canvas);
        EXPECT_FALSE(m_gesture->cropSelection());
        EXPECT_EQ(m_gesture->tool(), ScreenshotTool::select);
        const EditSettings& s = m_model->settings();
        EXPECT_NEAR(s.cropLeft, 0.2, 1e-9);
        EXPECT_NEAR(s.cropRight, 0.3, 1e-9);
        EXPECT_NEAR(s.cropTop, 0.1, 1e-9);
        EXPECT_NEAR(s.cropBottom, 0.2, 1e-9);
        m_model->undo();
        EXPECT_EQ(m_model->settings().cropLeft, 0);
    }
    // Too small to keep: no crop, still back to select.
    m_gesture->setTool(ScreenshotTool::crop);
    drag(at(0.5, 0.5), {at(0.5, 0.5)});
    EXPECT_EQ(m_model->settings().cropLeft, 0);
    EXPECT_EQ(m_gesture->tool(), ScreenshotTool::select);
}

TEST_F(ImageCanvasGestureTest, MovesFollowThePressAndStopAtTheEdge)
{
    place({mark(ScreenshotTool::rectangle, 0.1, 0.1, 0.3, 0.3), mark(ScreenshotTool::rectangle, 0.2, 0.2, 0.4, 0.4)});
    const QUuid top = m_model->annotations()[1].id;
    const QPointF from = at(0.25, 0.25);
    m_gesture->draw(from, from, canvas);
    EXPECT_EQ(m_gesture->selected(), top);
    m_gesture->draw(from, at(0.95, 0.25), canvas);  // past what the edge allows
    EXPECT_NEAR(m_model->annotations()[1].endX, 1, 1e-9);
    m_gesture->draw(from, at(0.35, 0.3), canvas);  // back within reach: follows again
    EXPECT_NEAR(m_model->annotations()[1].x, 0.3, 1e-9);
    EXPECT_NEAR(m_model->annotations()[1].y, 0.25, 1e-9);
    m_gesture->finish(from, at(0.35, 0.3), canvas);
    EXPECT_NEAR(m_model->annotations()[0].x, 0.1, 1e-9);  // the one below stays
    m_model->undo();
    EXPECT_NEAR(m_model->annotations()[1].x, 0.2, 1e-9);
    EXPECT_TRUE(placementIsTheLastStep(top));

    // A press on empty picture clears the selection.
    drag(at(0.8, 0.8), {at(0.8, 0.8)});
    EXPECT_FALSE(m_gesture->selected());
}

TEST_F(ImageCanvasGestureTest, ClicksOnMarksReachingPastTheEdgeMoveNothing)
{
    struct Case {
        const char* name;
        ScreenshotAnnotation mark;
        QPointF press;
    };
    const Case cases[] = {
        {"badge at the right edge", mark(ScreenshotTool::number, 0.99, 0.5, 0.99, 0.5, QStringLiteral("1")), {0.99, 0.5}},
        {"badge at the top-left", mark(ScreenshotTool::number, 0.005, 0.005, 0.005, 0.005, QStringLiteral("1")), {0.01, 0.01}},
        {"long text at the bottom", mark(ScreenshotTool::text, 0.5, 0.97, 0.5, 0.97, QString(30, QLatin1Char('w'))), {0.6, 0.98}},
    };
    for (const Case& c : cases) {
        place({c.mark});
        const ScreenshotAnnotation before = m_model->annotations()[0];
        const QPointF press = at(c.press.x(), c.press.y());
        drag(press, {press, press});
        EXPECT_EQ(m_model->annotations()[0], before) << c.name;
        EXPECT_EQ(m_gesture->selected(), before.id) << c.name;
        EXPECT_TRUE(placementIsTheLastStep(before.id)) << c.name;
    }
}

TEST_F(ImageCanvasGestureTest, EscapeCancelsTheDragForTheRestOfThePress)
{
    place({mark(ScreenshotTool::rectangle, 0.2, 0.2, 0.4, 0.4)});
    const ScreenshotAnnotation before = m_model->annotations()[0];
    const QPointF from = at(0.3, 0.3);
    m_gesture->draw(from, at(0.5, 0.5), canvas);
    EXPECT_NE(m_model->annotations()[0], before);
    m_gesture->cancel();
    EXPECT_EQ(m_model->annotations()[0], before);
    m_gesture->draw(from, at(0.6, 0.6), canvas);  // the pointer keeps moving after Escape
    m_gesture->finish(from, at(0.6, 0.6), canvas);
    EXPECT_EQ(m_model->annotations()[0], before);
    EXPECT_TRUE(placementIsTheLastStep(before.id));

    // A new press works again.
    drag(from, {at(0.35, 0.3)});
    EXPECT_NEAR(m_model->annotations()[0].x, 0.25, 1e-9);

    // Escape while drawing drops the shape and returns to select; the rest of the press draws nothing.
    m_gesture->setTool(ScreenshotTool::ellipse);
    m_gesture->draw(at(0.6, 0.6), at(0.8, 0.8), canvas);
    EXPECT_TRUE(m_model->draft());
    m_gesture->cancel();
    EXPECT_FALSE(m_model->draft());
    EXPECT_EQ(m_gesture->tool(), ScreenshotTool::select);
    drag(at(0.6, 0.6), {at(0.9, 0.9)});
    EXPECT_EQ(m_model->annotations().size(), 1u);
}

TEST_F(ImageCanvasGestureTest, AToolChangeMidDragLeavesNothingHalfMade)
{
    m_gesture->setTool(ScreenshotTool::arrow);
    m_gesture->draw(at(0.2, 0.2), at(0.6, 0.6), canvas);
    EXPECT_TRUE(m_model->draft());
    m_gesture->setTool(ScreenshotTool::rectangle);
    EXPECT_FALSE(m_model->draft());
    drag(at(0.2, 0.2), {at(0.7, 0.7)});
    EXPECT_TRUE(m_model->annotations().empty());
    EXPECT_FALSE(m_gesture->isDragging());
}

}  // namespace
}  // namespace sablewick

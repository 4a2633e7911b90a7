#include "AnnotationFixture.h"
#include "screenshoteditor/ImageCanvasGeometry.h"

#include <gtest/gtest.h>

namespace sablewick {
namespace {

namespace geometry = ImageCanvasGeometry;

ScreenshotAnnotation box(double x, double y, double endX, double endY,
                         ScreenshotTool tool = ScreenshotTool::rectangle)
{
    return test::mark(tool, x, y, endX, endY);
}

TEST(ImageCanvasGeometryTest, PreviewRectPlacesTheCroppedPictureInsideThePadding)
{
    const QSize source(400, 300);
    const QSizeF canvas(800, 700);
    EditSettings settings;
    const QRectF whole = geometry::previewRect({0, 0, 1, 1}, source, canvas, settings);
    // The picture keeps its aspect and sits centred, away from the canvas's edges.
    EXPECT_NEAR(whole.width() / whole.height(), 4.0 / 3.0, 1e-9);
    EXPECT_NEAR(whole.center().x(), 400, 1e-6);
    EXPECT_NEAR(whole.center().y(), 350, 1e-6);
    EXPECT_GT(whole.left(), 0);
    EXPECT_GT(whole.top(), 0);

    // With the left half and the bottom quarter cropped away, the kept part fills the same kind of
    // box, and the cut-off part lies left of it and below it, unclipped.
    settings.cropLeft = 0.5;
    settings.cropBottom = 0.25;
    const QRectF kept = geometry::previewRect({0.5, 0, 0.5, 0.75}, source, canvas, settings);
    const QRectF all = geometry::previewRect({0, 0, 1, 1}, source, canvas, settings);
    EXPECT_NEAR(kept.width() / kept.height(), (0.5 * 400) / (0.75 * 300), 1e-9);
    EXPECT_NEAR(all.right(), kept.right(), 1e-6);
    EXPECT_NEAR(all.top(), kept.top(), 1e-6);
    EXPECT_NEAR(all.width(), 2 * kept.width(), 1e-6);
    EXPECT_NEAR(all.height(), kept.height() / 0.75, 1e-6);
}

TEST(ImageCanvasGeometryTest, HitTestPrefersTheTopmostMarkAndHonoursTheMargin)
{
    const std::vector<ScreenshotAnnotation> marks{
        box(0.1, 0.1, 0.5, 0.5),                        // 0: below
        box(0.3, 0.3, 0.7, 0.7),                        // 1: overlapping, drawn later
        box(0.2, 0.9, 0.6, 0.9, ScreenshotTool::line),  // 2: flat line, zero height
    };
    struct Case {
        QPointF point;
        std::optional<std::size_t> hit;
    };
    const Case cases[] = {
        {{0.4, 0.4}, 1},            // inside both: the later one
        {{0.2, 0.2}, 0},            // inside the lower one only
        {{0.71, 0.5}, 1},           // just outside, within the margin
        {{0.72, 0.5}, std::nullopt},
        {{0.4, 0.9}, 2},            // on the flat line
        {{0.4, 0.914}, 2},          // within the margin below it
        {{0.4, 0.917}, std::nullopt},
        {{0.9, 0.1}, std::nullopt},  // empty picture
    };
    for (const Case& c : cases)
        EXPECT_EQ(geometry::hitAnnotation(marks, c.point), c.hit) << c.point.x() << "," << c.point.y();
    EXPECT_EQ(geometry::hitAnnotation({}, {0.5, 0.5}), std::nullopt);
}

TEST(ImageCanvasGeometryTest, MovesStopAtTheImageEdgesWithoutPushingMarksThatReachPastThem)
{
    struct Case {
        const char* name;
        QRectF bounds;
        QPointF wished;
        QPointF moved;
    };
    const Case cases[] = {
        {"inside", {0.2, 0.2, 0.2, 0.2}, {0.1, -0.1}, {0.1, -0.1}},
        {"stops at the right edge", {0.6, 0.2, 0.3, 0.2}, {0.3, 0}, {0.1, 0}},
        {"stops at the top edge", {0.2, 0.1, 0.2, 0.2}, {0, -0.3}, {0, -0.1}},
        {"badge past the right edge: a click", {0.975, 0.5, 0.05, 0.05}, {0, 0}, {0, 0}},
        {"badge past the right edge: further right", {0.975, 0.5, 0.05, 0.05}, {0.1, 0}, {0, 0}},
        {"badge past the right edge: back inwards", {0.975, 0.5, 0.05, 0.05}, {-0.2, 0}, {-0.2, 0}},
        {"text past the bottom-left: a click", {-0.01, 0.96, 0.3, 0.065}, {0, 0}, {0, 0}},
        {"wider than the image", {-0.1, 0.2, 1.2, 0.2}, {0.3, 0}, {0, 0}},
    };
    for (const Case& c : cases) {
        const QPointF moved = geometry::clampedMove(c.bounds, c.wished);
        EXPECT_NEAR(moved.x(), c.moved.x(), 1e-12) << c.name;
        EXPECT_NEAR(moved.y(), c.moved.y(), 1e-12) << c.name;
    }
}

TEST(ImageCanvasGeometryTest, OutlinesAreAtLeastEightPointsAndCropBoxesIgnoreDirection)
{
    const QRectF flat = geometry::outlineRect({100, 50, 40, 0});
    EXPECT_EQ(flat, QRectF(100, 46, 40, 8));
    const QRectF tiny = geometry::outlineRect({10, 10, 2, 3});
    EXPECT_EQ(tiny, QRectF(7, 7.5, 8, 8));
    EXPECT_EQ(geometry::outlineRect({0, 0, 30, 20}), QRectF(0, 0, 30, 20));

    EXPECT_EQ(geometry::spannedRect({0.8, 0.7}, {0.2, 0.1}), geometry::spannedRect({0.2, 0.1}, {0.8, 0.7}));
    EXPECT_EQ(geometry::spannedRect({0.8, 0.1}, {0.2, 0.7}), QRectF(QPointF(0.2, 0.1), QPointF(0.8, 0.7)));
}

}  // namespace
}  // namespace sablewick

#include "rendering/Compositor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace sablewick {
namespace {

using Compositor::FocusState;
using Points = std::vector<FocusPoint>;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double tolerance = 1e-9;

FocusPoint point(double time, double x = 0.5, double y = 0.5)
{
    FocusPoint p;
    p.id = QUuid::createUuid();
    p.time = time;
    p.x = x;
    p.y = y;
    p.kind = FocusKind::click;
    return p;
}

// The edit's defaults: length 2.2 s, strength 1.65, transition 0.8 s.
FocusState stateAt(double time, const std::vector<FocusPoint>& events,
                   const std::vector<PointerSample>& samples = {})
{
    return Compositor::focusState(time, events, 2.2, 1.65, true, samples, 0.8);
}

void expectState(const FocusState& actual, double x, double y, double scale)
{
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.scale, scale, tolerance);
}

void expectRect(const LayoutRect& actual, const LayoutRect& expected, double within = 1e-6)
{
    EXPECT_NEAR(actual.x, expected.x, within);
    EXPECT_NEAR(actual.y, expected.y, within);
    EXPECT_NEAR(actual.width, expected.width, within);
    EXPECT_NEAR(actual.height, expected.height, within);
}

TEST(CompositorTest, EaseIsTheQuinticSmootherstep)
{
    EXPECT_DOUBLE_EQ(Compositor::ease(0), 0);
    EXPECT_DOUBLE_EQ(Compositor::ease(0.5), 0.5);
    EXPECT_DOUBLE_EQ(Compositor::ease(1), 1);
    EXPECT_NEAR(Compositor::ease(0.25), 6 * std::pow(0.25, 5) - 15 * std::pow(0.25, 4) + 10 * std::pow(0.25, 3), 1e-15);
}

TEST(CompositorTest, CropRectAppliesFractionsOfTheUncroppedSource)
{
    struct Row {
        const char* name;
        double left, right, top, bottom;
        LayoutRect expected;
    };
    const LayoutRect source{10, 20, 1000, 500};
    const std::vector<Row> rows{
        {"none", 0, 0, 0, 0, source},
        {"each edge", 0.1, 0.2, 0.3, 0.25, {110, 145, 700, 225}},
        // Bottom trims the low-y side, top the high-y side.
        {"bottom only", 0, 0, 0, 0.5, {10, 270, 1000, 250}},
        {"negative counts as zero", -0.5, -1, -0.2, -3, source},
        {"not a number removes nothing", nan, nan, nan, nan, source},
        // Left wins: right shrinks to 0.399, 0.001 of the width is kept.
        {"opposite crops exceed the frame", 0.6, 0.6, 0, 0, {610, 20, 1, 500}},
        {"left beyond the frame", 1.5, 0, 0, 0, {1009, 20, 1, 500}},
        {"bottom and top exceed", 0, 0, 0.9, 0.3, {10, 170, 1000, 0.5}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EditSettings settings;
        settings.cropLeft = row.left;
        settings.cropRight = row.right;
        settings.cropTop = row.top;
        settings.cropBottom = row.bottom;
        expectRect(Compositor::cropRect(source, settings), row.expected, 1e-6);
    }
}

TEST(CompositorTest, UnzoomedWhenDisabledEmptyOrBeforeTheFirstPoint)
{
    const std::vector<FocusPoint> events{point(1.0, 0.2, 0.8)};
    expectState(Compositor::focusState(1.5, events, 2.2, 1.65, false, {}, 0.8), 0.5, 0.5, 1);
    expectState(stateAt(1.5, {}), 0.5, 0.5, 1);
    expectState(stateAt(0.99, events), 0.5, 0.5, 1);
    expectState(stateAt(nan, events), 0.5, 0.5, 1);
}

TEST(CompositorTest, OnePointRampsInHoldsAndRampsOut)
{
    // Length 2.2, strength 1.65, transition 0.8: ramp 0.8, hold until 1.4, out by 2.2.
    const std::vector<FocusPoint> events{point(0, 0.2, 0.7)};
    struct Row {
        double time;
        double scale;
    };
    const double half = 1 + 0.5 * 0.65;
    for (const Row& row : std::vector<Row>{{0, 1},
                                           {0.4, half},
                                           {0.8, 1.65},
                                           {1.1, 1.65},
                                           {1.4, 1.65},
                                           {1.8, half},
                                           {2.2, 1},
                                           {5.0, 1}}) {
        SCOPED_TRACE(row.time);
        // A zoom from the full frame never pans: the position is the target all along.
        expectState(stateAt(row.time, events), 0.2, 0.7, row.scale);
    }
}

TEST(CompositorTest, RampIsCappedByLengthAndRaisedToItsMinimum)
{
    // Length 0.5 with transition 0.8: ramp 0.19; half way in at 0.095 s, out from 0.31 s.
    FocusPoint shortZoom = point(0);
    shortZoom.zoomDuration = 0.5;
    EXPECT_NEAR(stateAt(0.095, {shortZoom}).scale, 1.325, tolerance);
    EXPECT_NEAR(stateAt(0.19, {shortZoom}).scale, 1.65, tolerance);
    EXPECT_NEAR(stateAt(0.31, {shortZoom}).scale, 1.65, tolerance);
    EXPECT_NEAR(stateAt(0.405, {shortZoom}).scale, 1.325, tolerance);
    EXPECT_NEAR(stateAt(0.5, {shortZoom}).scale, 1, tolerance);

    // A transition of 0.05 is raised to 0.15.
    FocusPoint quick = point(0);
    quick.zoomTransition = 0.05;
    EXPECT_NEAR(stateAt(0.075, {quick}).scale, 1.325, tolerance);
    EXPECT_NEAR(stateAt(0.15, {quick}).scale, 1.65, tolerance);

    // A length below 0.1 s counts as 0.1 s (ramp 0.038).
    FocusPoint tiny = point(0);
    tiny.zoomDuration = 0.01;
    EXPECT_NEAR(stateAt(0.019, {tiny}).scale, 1.325, tolerance);
    EXPECT_NEAR(stateAt(0.1, {tiny}).scale, 1, tolerance);
}

TEST(CompositorTest, StrengthIsHeldBetweenTheLimits)
{
    struct Row {
        double strength;
        double held;
    };
    // A NaN override counts as none: the edit's 1.65 serves.
    for (const Row& row : std::vector<Row>{{0.9, 1.05}, {6, 4}, {2, 2}, {nan, 1.65}}) {
        SCOPED_TRACE(row.strength);
        FocusPoint p = point(0);
        p.zoomStrength = row.strength;
        EXPECT_NEAR(stateAt(1.0, {p}).scale, row.held, tolerance);
    }
    // The edit's strength serves points without their own.
    EXPECT_NEAR(Compositor::focusState(1.0, std::vector{point(0)}, 2.2, 3, true, {}, 0.8).scale,
                3, tolerance);
    // A NaN default falls to the gentlest zoom.
    EXPECT_NEAR(Compositor::focusState(1.0, std::vector{point(0)}, 2.2, nan, true, {}, 0.8).scale,
                1.05, tolerance);
}

TEST(CompositorTest, ChainedPointsPanFromWhereThePreviousOneIs)
{
    // A at 0 s and B at 1.0 s: B starts from A's held state and pans at full zoom.
    const std::vector<FocusPoint> chained{point(0, 0.2, 0.3), point(1.0, 0.8, 0.7)};
    struct Row {
        double time, x, y, scale;
    };
    for (const Row& row : std::vector<Row>{{1.0, 0.2, 0.3, 1.65},
                                           {1.4, 0.5, 0.5, 1.65},
                                           {1.8, 0.8, 0.7, 1.65},
                                           {2.4, 0.8, 0.7, 1.65},
                                           {2.8, 0.8, 0.7, 1.325},
                                           {3.2, 0.8, 0.7, 1}}) {
        SCOPED_TRACE(row.time);
        expectState(stateAt(row.time, chained), row.x, row.y, row.scale);
    }

    // Starting mid-ramp: B at 0.4 s begins from A's (0.2, 0.3, 1.325).
    const std::vector<FocusPoint> midRamp{point(0, 0.2, 0.3), point(0.4, 0.8, 0.7)};
    expectState(stateAt(0.4, midRamp), 0.2, 0.3, 1.325);
    expectState(stateAt(0.8, midRamp), 0.5, 0.5, 1.325 + 0.5 * (1.65 - 1.325));

    // After the first has ended, the second jumps to its own position and only scales.
    const std::vector<FocusPoint> apart{point(0, 0.2, 0.3), point(5.0, 0.8, 0.7)};
    expectState(stateAt(5.4, apart), 0.8, 0.7, 1.325);
}

TEST(CompositorTest, EventsAreWalkedInStableTimeOrderWithNaNTimesLast)
{
    const std::vector<FocusPoint> sorted{point(0, 0.2, 0.3), point(1.0, 0.8, 0.7)};
    const std::vector<FocusPoint> reversed{sorted[1], sorted[0]};
    for (const double t : {0.5, 1.4, 2.0, 3.0})
        EXPECT_EQ(stateAt(t, sorted), stateAt(t, reversed)) << t;

    // Equal times: the later one in the input becomes active.
    const std::vector<FocusPoint> tie{point(1.0, 0.1, 0.1), point(1.0, 0.9, 0.9)};
    expectState(stateAt(2.0, tie), 0.9, 0.9, 1.65);
    expectState(stateAt(2.0, {tie[1], tie[0]}), 0.1, 0.1, 1.65);

    // A NaN time never starts, wherever it stands in the list.
    expectState(stateAt(2.0, {point(nan, 0.1, 0.1)}), 0.5, 0.5, 1);
    expectState(stateAt(2.0, {point(nan, 0.1, 0.1), point(1.0, 0.9, 0.9)}), 0.9, 0.9, 1.65);
    expectState(stateAt(2.0, {point(1.0, 0.9, 0.9), point(nan, 0.1, 0.1)}), 0.9, 0.9, 1.65);

    // Infinite times sort as numbers: -inf has long ended, +inf never starts.
    expectState(stateAt(2.0, {point(-inf, 0.1, 0.1)}), 0.1, 0.1, 1);
    expectState(stateAt(2.0, {point(inf, 0.1, 0.1), point(-inf, 0.3, 0.3), point(1.0, 0.9, 0.9)}),
                0.9, 0.9, 1.65);
}

TEST(CompositorTest, FollowModeAimsAtTheSmoothedPointer)
{
    FocusPoint follow = point(0, 0.2, 0.3);
    follow.zoomMode = ZoomMode::follow;
    // No samples: the point's own position.
    expectState(stateAt(1.0, {follow}), 0.2, 0.3, 1.65);

    std::vector<PointerSample> still;
    for (int i = 0; i <= 90; ++i)
        still.push_back({i / 30.0, 0.9, 0.1, true});
    expectState(stateAt(1.0, {follow}, still), 0.9, 0.1, 1.65);
    // Outside the track: the point's own position again.
    expectState(stateAt(1.0, {follow}, {{2.0, 0.9, 0.1, true}}), 0.2, 0.3, 1.65);
}

EditSettings wide()
{
    EditSettings settings;  // 16:9, padding 7.5, gradient, strength 1.65
    return settings;
}

const LayoutRect fullHD{0, 0, 1920, 1080};

TEST(CompositorTest, LayoutWithoutZoomShowsTheWholeCropInThePaddedCard)
{
    const auto layout = Compositor::layout(fullHD, {1920, 1080}, wide(), {}, 0, {});
    expectRect(layout.crop, fullHD);
    expectRect(layout.visibleRect, fullHD);
    // Padding 0.075 leaves 1632 x 918: fit 0.85.
    expectRect(layout.contentRect, {144, 81, 1632, 918});
    expectRect(layout.frameRect, {144, 81, 1632, 918});
    EXPECT_DOUBLE_EQ(layout.punchScale, 1);
    EXPECT_NEAR(layout.punchOffset.x(), 0, 1e-9);
    EXPECT_NEAR(layout.punchOffset.y(), 0, 1e-9);
}

TEST(CompositorTest, FullZoomPunchesInAboutTheCanvasCentre)
{
    const std::vector<FocusPoint> events{point(0, 0.5, 0.5)};
    const auto layout = Compositor::layout(fullHD, {1920, 1080}, wide(), events, 1.0, {});
    // min(0.95 * 1920 / 1632, 0.95 * 1080 / 918, 1 + 0.12 * 0.65) = 1.078
    EXPECT_NEAR(layout.punchScale, 1.078, 1e-12);
    EXPECT_NEAR(layout.punchOffset.x(), 960 - 960 * 1.078, 1e-9);
    EXPECT_NEAR(layout.punchOffset.y(), 540 - 540 * 1.078, 1e-9);
    expectRect(layout.visibleRect, {960 - 1920 / 1.65 / 2, 540 - 1080 / 1.65 / 2, 1920 / 1.65,
                                    1080 / 1.65});

    // Half way through the ramp the punch-in has made half its way (progress follows the scale).
    const auto ramping = Compositor::layout(fullHD, {1920, 1080}, wide(), events, 0.4, {});
    EXPECT_NEAR(ramping.punchScale, 1 + 0.5 * 0.078, 1e-12);

    // A strong edit stops the card's edge at 95 % of the canvas.
    EditSettings strong = wide();
    strong.zoomStrength = 4;
    const auto limited = Compositor::layout(fullHD, {1920, 1080}, strong, events, 1.0, {});
    EXPECT_NEAR(limited.frameRect.width * limited.punchScale, 0.95 * 1920, 1e-9);
}

TEST(CompositorTest, VisibleWindowIsPinnedInsideTheCrop)
{
    // The lower right corner of the source: the window touches the right and bottom edges.
    const auto corner =
        Compositor::layout(fullHD, {1920, 1080}, wide(), Points{point(0, 1.0, 0.0)}, 1.0, {});
    EXPECT_NEAR(corner.visibleRect.maxX(), 1920, 1e-9);
    EXPECT_NEAR(corner.visibleRect.minY(), 0, 1e-9);

    // With a crop the window stays inside the crop even for a target outside it.
    EditSettings cropped = wide();
    cropped.cropLeft = 0.25;
    cropped.cropTop = 0.1;
    const auto outside =
        Compositor::layout(fullHD, {1920, 1080}, cropped, Points{point(0, 0.05, 0.99)}, 1.0, {});
    EXPECT_NEAR(outside.visibleRect.minX(), 480, 1e-9);
    EXPECT_NEAR(outside.visibleRect.maxY(), 972, 1e-9);

    // Everywhere on the timeline and the source, the window lies inside the crop.
    for (double x = 0; x <= 1.0; x += 0.125) {
        for (double t = 0; t <= 2.4; t += 0.2) {
            const auto layout =
                Compositor::layout(fullHD, {1920, 1080}, cropped, Points{point(0, x, 1 - x)}, t, {});
            EXPECT_GE(layout.visibleRect.minX(), layout.crop.minX() - 1e-9);
            EXPECT_LE(layout.visibleRect.maxX(), layout.crop.maxX() + 1e-9);
            EXPECT_GE(layout.visibleRect.minY(), layout.crop.minY() - 1e-9);
            EXPECT_LE(layout.visibleRect.maxY(), layout.crop.maxY() + 1e-9);
        }
    }
}

TEST(CompositorTest, LargestZoomOfTheEditSetsTravelAndPunchProgress)
{
    // A not yet started point with its own strength 6 makes the largest zoom 6 (not capped).
    FocusPoint strong = point(10, 0.5, 0.5);
    strong.zoomStrength = 6;
    const std::vector<FocusPoint> events{point(0, 1.0, 0.5), strong};
    const auto layout = Compositor::layout(fullHD, {1920, 1080}, wide(), events, 1.0, {});
    // Travel: (1920 - 1920 / 6) / 2 = 800; the target 960 from centre is pinned (nx = 1).
    EXPECT_NEAR(layout.visibleRect.maxX(), 1920, 1e-9);
    // Progress (1.65 - 1) / (6 - 1) = 0.13 of the 1.078 punch-in.
    EXPECT_NEAR(layout.punchScale, 1 + 0.13 * 0.078, 1e-12);

    // Inside the timeline 6 is held at 4.
    const auto held = Compositor::layout(fullHD, {1920, 1080}, wide(), Points{strong}, 11.0, {});
    EXPECT_NEAR(held.visibleRect.width, 1920 / 4.0, 1e-9);
    EXPECT_NEAR(held.punchScale, 1 + 0.6 * 0.078, 1e-12);

    // A target short of the full travel is not pinned: nx = 0.2 * 960 / 800 -> eased offset.
    const auto partial =
        Compositor::layout(fullHD, {1920, 1080}, wide(), Points{point(0, 0.6, 0.5), strong}, 1.0, {});
    const double nx = 192.0 / 800.0;
    const double ex = 2 * Compositor::ease((nx + 1) / 2) - 1;
    EXPECT_NEAR(partial.visibleRect.midX(), 960 + ex * (1920 - 1920 / 1.65) / 2, 1e-9);
}

TEST(CompositorTest, PaddingFollowsTheAspectAndTheBackground)
{
    struct Row {
        const char* name;
        AspectRatio aspect;
        BackgroundKind kind;
        double padding;
        QSizeF canvas;
        LayoutRect content;
    };
    const std::vector<Row> rows{
        // Auto: 81 points on all four sides of a 1794 x 1080 canvas.
        {"auto", AspectRatio::auto_, BackgroundKind::gradient, 7.5, {1794, 1080},
         {81, 81, 1632, 918}},
        // Vertical canvas: auto pads by the short side, 9:16 pads each side by its own length.
        {"auto tall", AspectRatio::auto_, BackgroundKind::gradient, 7.5, {1080, 1920},
         {81, 960 - 918 * 1080.0 / 1920 / 2, 918, 918 * 1080.0 / 1920}},
        {"vertical", AspectRatio::vertical, BackgroundKind::gradient, 7.5, {1080, 1920},
         {81, 960 - 918 * 1080.0 / 1920 / 2, 918, 918 * 1080.0 / 1920}},
        {"square", AspectRatio::square, BackgroundKind::gradient, 7.5, {1080, 1080},
         {81, 540 - 918 * 1080.0 / 1920 / 2, 918, 918 * 1080.0 / 1920}},
        // Padding never below 2.5 % with a background; none without one.
        {"minimum padding", AspectRatio::wide, BackgroundKind::solid, 0, {1920, 1080},
         {48, 27, 1824, 1026}},
        {"hidden", AspectRatio::wide, BackgroundKind::hidden, 7.5, {1920, 1080},
         {0, 0, 1920, 1080}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EditSettings settings;
        settings.aspect = row.aspect;
        settings.backgroundKind = row.kind;
        settings.canvasPadding = row.padding;
        const auto layout = Compositor::layout(fullHD, row.canvas, settings, {}, 0, {});
        expectRect(layout.contentRect, row.content);
    }

    // Tall source on a tall canvas shows the difference: auto's vertical room is 1920 - 162,
    // 9:16's is 1920 - 288.
    const LayoutRect tallSource{0, 0, 1080, 4000};
    EditSettings automatic;
    automatic.aspect = AspectRatio::auto_;
    EditSettings vertical;
    vertical.aspect = AspectRatio::vertical;
    EXPECT_NEAR(Compositor::layout(tallSource, {1080, 1920}, automatic, {}, 0, {}).contentRect.height,
                1758, 1e-9);
    EXPECT_NEAR(Compositor::layout(tallSource, {1080, 1920}, vertical, {}, 0, {}).contentRect.height,
                1632, 1e-9);
}

TEST(CompositorTest, FrameInsetGrowsTheCardAndIsCapped)
{
    struct Row {
        const char* name;
        std::optional<double> inset;
        double expected;
    };
    for (const Row& row : std::vector<Row>{{"absent", std::nullopt, 0},
                                           {"20 points", 20, 20},
                                           {"capped at 15 % of the short side", 500, 162},
                                           {"negative", -10, 0},
                                           {"not a number", nan, 0}}) {
        SCOPED_TRACE(row.name);
        EditSettings settings;
        settings.frameInset = row.inset;
        const auto layout = Compositor::layout(fullHD, {1920, 1080}, settings, {}, 0, {});
        EXPECT_NEAR(layout.contentRect.minY() - layout.frameRect.minY(), row.expected, 1e-9);
        EXPECT_NEAR(layout.frameRect.height, layout.contentRect.height + 2 * row.expected, 1e-9);
        // The card (frame included) fits in the padded canvas.
        EXPECT_NEAR(layout.frameRect.height, 918, 1e-9);
    }
    // Lengths scale with the canvas: 20 points on a 720-high canvas are 13.33 pixels.
    EditSettings settings;
    settings.frameInset = 20;
    const auto small = Compositor::layout(fullHD, {1280, 720}, settings, {}, 0, {});
    EXPECT_NEAR(small.contentRect.minY() - small.frameRect.minY(), 20 * 720.0 / 1080, 1e-9);
}

TEST(CompositorTest, HiddenBackgroundAlreadyFillsTheCanvasSoThereIsNoPunchIn)
{
    EditSettings hidden;
    hidden.backgroundKind = BackgroundKind::hidden;
    hidden.zoomStrength = 4;
    const auto layout = Compositor::layout(fullHD, {1920, 1080}, hidden, Points{point(0)}, 1.0, {});
    expectRect(layout.frameRect, fullHD);
    EXPECT_DOUBLE_EQ(layout.punchScale, 1);
    EXPECT_NEAR(layout.visibleRect.width, 480, 1e-9);
}

TEST(CompositorTest, DegenerateInputsGiveFiniteGeometry)
{
    const std::vector<FocusPoint> events{point(0, nan, nan)};
    const auto empty = Compositor::layout({0, 0, 0, 0}, {1920, 1080}, wide(), events, 1.0, {});
    const auto tiny = Compositor::layout(fullHD, {0, 0}, wide(), events, 1.0, {});
    for (const auto& layout : {empty, tiny}) {
        for (const LayoutRect& r :
             {layout.crop, layout.visibleRect, layout.frameRect, layout.contentRect}) {
            EXPECT_TRUE(std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) &&
                        std::isfinite(r.height));
        }
        EXPECT_TRUE(std::isfinite(layout.punchScale));
        EXPECT_TRUE(std::isfinite(layout.punchOffset.x()) && std::isfinite(layout.punchOffset.y()));
    }
}

TEST(CompositorTest, DetailSizeKeepsEveryCanvasPixelOfTheStrongestZoom)
{
    EditSettings defaults;  // strength 1.65, zooms 2.2 s long
    EditSettings disabled;
    disabled.zoomEnabled = false;
    EditSettings cropped;
    cropped.cropLeft = cropped.cropRight = cropped.cropTop = cropped.cropBottom = 0.25;
    EditSettings broken;
    broken.zoomStrength = nan;
    FocusPoint strong = point(1);
    strong.zoomStrength = 4;
    const struct {
        const char* name;
        QSize movie;
        QSizeF canvas;
        EditSettings settings;
        Points events;
        QSize expected;
    } cases[] = {
        // 498 / 2160 of each side; the width rounds up.
        {"4K, no zoom", {3840, 2160}, {886, 498}, defaults, {}, {886, 498}},
        {"4K, edit's strength", {3840, 2160}, {886, 498}, defaults, {point(1), point(3)}, {1461, 822}},
        {"4K, zooms switched off", {3840, 2160}, {886, 498}, disabled, {point(1)}, {886, 498}},
        {"4K, strongest point wins", {3840, 2160}, {886, 498}, defaults, {point(1), strong}, {3542, 1992}},
        {"4K, NaN strength is the gentlest", {3840, 2160}, {886, 498}, broken, {point(1)}, {930, 523}},
        // Half of each side shown: the crop fills the card.
        {"4K, cropped to the middle", {3840, 2160}, {886, 498}, cropped, {}, {1771, 996}},
        {"1080p, edit's strength", {1920, 1080}, {886, 498}, defaults, {point(1)}, {1461, 822}},
        {"small movie is never enlarged", {320, 180}, {640, 360}, defaults, {point(1)}, {320, 180}},
        {"portrait movie on a wide canvas", {1080, 1920}, {886, 498}, defaults, {}, {281, 498}},
        {"no movie", {}, {886, 498}, defaults, {point(1)}, {}},
    };
    for (const auto& c : cases) {
        const QSize size = Compositor::detailSize(c.movie, c.canvas, c.settings, c.events);
        EXPECT_EQ(size, c.expected) << c.name;
        if (c.movie.isEmpty())
            continue;
        // While each zoom holds, the canvas draws no more pixels across the movie than the
        // scaled frame keeps.
        std::vector<std::pair<Points, double>> moments{{Points{}, 0.0}};
        for (const FocusPoint& event : c.events)
            moments.push_back({Points{event}, event.time + 1.1});
        for (const auto& [events, time] : moments) {
            const auto L = Compositor::layout({0, 0, double(c.movie.width()), double(c.movie.height())}, c.canvas,
                                              c.settings, events, time, {});
            const double across = L.contentRect.width * L.punchScale / L.visibleRect.width * c.movie.width();
            const double down = L.contentRect.height * L.punchScale / L.visibleRect.height * c.movie.height();
            EXPECT_GE(size.width() + 1e-6, std::min(across, double(c.movie.width()))) << c.name << " at " << time;
            EXPECT_GE(size.height() + 1e-6, std::min(down, double(c.movie.height()))) << c.name << " at " << time;
        }
    }
}

}  // namespace
}  // namespace sablewick

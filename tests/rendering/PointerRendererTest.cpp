#include "rendering/PointerRenderer.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace sablewick {
namespace {

const LayoutRect fullHD{0, 0, 1920, 1080};

FocusPoint click(double time, double x = 0.25, double y = 0.75)
{
    FocusPoint p;
    p.id = QUuid::createUuid();
    p.time = time;
    p.x = x;
    p.y = y;
    p.kind = FocusKind::click;
    return p;
}

// The pointer resting at (0.5, 0.5) for three seconds.
std::vector<PointerSample> restingTrack()
{
    std::vector<PointerSample> track;
    for (int i = 0; i <= 90; ++i)
        track.push_back({i / 30.0, 0.5, 0.5, true});
    return track;
}

TEST(PointerRendererTest, CursorBitmapsAreDrawnOnceWithTheirHotSpots)
{
    for (const PointerStyle style : {PointerStyle::arrow, PointerStyle::outline, PointerStyle::dot}) {
        const QImage* image = PointerRenderer::cursorImage(style);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->size(), QSize(96, 96));
        EXPECT_EQ(image, PointerRenderer::cursorImage(style));  // built once
        EXPECT_EQ(PointerRenderer::previewImages().at(style).size(), QSize(96, 96));
    }
    // Hot spots are measured y up; the images' rows run top-down.
    EXPECT_EQ(PointerRenderer::hotSpot(PointerStyle::arrow), QPointF(6, 90));
    EXPECT_EQ(PointerRenderer::hotSpot(PointerStyle::dot), QPointF(24, 72));

    const QImage& arrow = *PointerRenderer::cursorImage(PointerStyle::arrow);
    const QImage& outline = *PointerRenderer::cursorImage(PointerStyle::outline);
    const QImage& dot = *PointerRenderer::cursorImage(PointerStyle::dot);
    // The tip is drawn at the hot spot, the body below it (point (5, 20) is pixel (15, 36)).
    EXPECT_GT(qAlpha(arrow.pixel(6, 6)), 100);
    EXPECT_LT(qGray(arrow.pixel(15, 36)), 40);       // near-black fill
    EXPECT_GT(qGray(outline.pixel(15, 36)), 220);    // white fill
    EXPECT_EQ(qAlpha(arrow.pixel(80, 30)), 0);        // right of the arrow: nothing
    EXPECT_GT(qAlpha(arrow.pixel(15, 60)), qAlpha(arrow.pixel(15, 2)));  // shadow falls down
    // The dot is centred on its hot spot.
    EXPECT_GT(qGray(dot.pixel(24, 24)), 200);
    // White at 0.85 over its own shadow.
    EXPECT_GE(qAlpha(dot.pixel(24, 24)), int(0.85 * 255));
    EXPECT_EQ(qAlpha(dot.pixel(24, 80)), 0);

    const QImage& ripple = PointerRenderer::rippleImage();
    EXPECT_EQ(ripple.size(), QSize(128, 128));
    const QColor ring = ripple.pixelColor(64, 5);
    EXPECT_GT(ring.alpha(), 200);
    EXPECT_GT(ring.blue(), ring.red());
    EXPECT_EQ(qAlpha(ripple.pixel(64, 64)), 0);
    EXPECT_EQ(PointerRenderer::ripplePreview().size(), QSize(128, 128));
}

TEST(PointerRendererTest, CursorSizeScalesWithFrameHeightAndSetting)
{
    struct Row {
        const char* name;
        std::optional<double> size;
        double frameHeight;
        double side;  // of the drawn cursor in pixels
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Row& row : std::vector<Row>{{"default", std::nullopt, 1080, 51.2},
                                           {"2", 2, 1080, 64},
                                           {"clamped to 4", 10, 1080, 128},
                                           {"clamped to 0.5", 0.2, 1080, 16},
                                           {"not a number counts as 4", nan, 1080, 128},
                                           {"720-high frame", std::nullopt, 720, 51.2 * 720 / 1080}}) {
        SCOPED_TRACE(row.name);
        EditSettings settings;
        settings.pointerSize = row.size;
        const auto placed = PointerRenderer::placement({0, 0, row.frameHeight * 16 / 9, row.frameHeight},
                                                       1.0, restingTrack(), settings, {});
        ASSERT_TRUE(placed);
        EXPECT_NEAR(96 * placed->cursor.scale, row.side, 1e-9);
    }
}

TEST(PointerRendererTest, HotSpotLandsOnThePointer)
{
    for (const PointerStyle style : {PointerStyle::arrow, PointerStyle::outline, PointerStyle::dot}) {
        SCOPED_TRACE(int(style));
        EditSettings settings;
        settings.pointerStyle = style;
        const LayoutRect extent{100, 50, 1920, 1080};
        const auto placed = PointerRenderer::placement(extent, 1.0, restingTrack(), settings, {});
        ASSERT_TRUE(placed);
        const QPointF hot = PointerRenderer::hotSpot(style);
        EXPECT_EQ(placed->cursor.style, style);
        EXPECT_NEAR(placed->cursor.position.x(), 100 + 960, 1e-9);
        EXPECT_NEAR(placed->cursor.position.y(), 50 + 540, 1e-9);
        EXPECT_NEAR(placed->cursor.origin.x() + placed->cursor.scale * hot.x(), 1060, 1e-9);
        EXPECT_NEAR(placed->cursor.origin.y() + placed->cursor.scale * hot.y(), 590, 1e-9);
    }
}

TEST(PointerRendererTest, ClicksPressTheCursorAndSendARipple)
{
    EditSettings settings;
    settings.pointerRipple = true;
    const auto track = restingTrack();
    const std::vector<FocusPoint> events{click(1.0)};
    const double full = 1.6 / 3;
    struct Row {
        double dt;
        double press;
        bool ripple;
        double rippleRadius;  // in units of a 1080-high frame
        double opacity;
    };
    for (const Row& row : std::vector<Row>{{-0.05, 1, false, 0, 0},
                                           {0, 1, true, 12, 0.55},
                                           {0.09, 0.82, true, 12 + 26 * 0.225, 0.55 * 0.775},
                                           {0.18, 1, true, 12 + 26 * 0.45, 0.55 * 0.55},
                                           {0.2, 1, true, 25, 0.275},
                                           {0.4001, 1, false, 0, 0}}) {
        SCOPED_TRACE(row.dt);
        const auto placed = PointerRenderer::placement(fullHD, 1.0 + row.dt, track, settings, events);
        ASSERT_TRUE(placed);
        EXPECT_NEAR(placed->cursor.scale, full * row.press, 1e-9);
        ASSERT_EQ(placed->ripple.has_value(), row.ripple);
        if (row.ripple) {
            // The ring (116 of the bitmap's 128 pixels across) has the row's radius.
            EXPECT_NEAR(placed->ripple->scale * 116 / 2, row.rippleRadius, 1e-9);
            EXPECT_NEAR(placed->ripple->opacity, row.opacity, 1e-9);
            // Centred on the click's own position, not on the pointer.
            EXPECT_NEAR(placed->ripple->centre.x(), 0.25 * 1920, 1e-9);
            EXPECT_NEAR(placed->ripple->centre.y(), 0.75 * 1080, 1e-9);
        }
    }

    // Ripples only when asked for; press can be switched off.
    EditSettings plain;
    const auto noRipple = PointerRenderer::placement(fullHD, 1.0, track, plain, events);
    ASSERT_TRUE(noRipple);
    EXPECT_FALSE(noRipple->ripple);
    plain.pointerPress = false;
    EXPECT_NEAR(PointerRenderer::placement(fullHD, 1.09, track, plain, events)->cursor.scale, full,
                1e-9);

    // Two clicks 0.1 s apart: the later one in the list drives the effects.
    const std::vector<FocusPoint> two{click(1.0, 0.1, 0.1), click(1.1, 0.9, 0.9)};
    const auto later = PointerRenderer::placement(fullHD, 1.19, track, settings, two);
    ASSERT_TRUE(later && later->ripple);
    EXPECT_NEAR(later->ripple->centre.x(), 0.9 * 1920, 1e-9);
    EXPECT_NEAR(later->cursor.scale, full * 0.82, 1e-9);

    // Typing and manual points do not press.
    auto typing = click(1.0);
    typing.kind = FocusKind::typing;
    EXPECT_NEAR(PointerRenderer::placement(fullHD, 1.09, track, settings, std::vector{typing})->cursor.scale,
                full, 1e-9);
}

TEST(PointerRendererTest, HiddenOrAbsentPointerLeavesTheFrameAlone)
{
    EditSettings settings;
    EXPECT_FALSE(PointerRenderer::placement(fullHD, 5.0, restingTrack(), settings, {}));
    auto hiddenTrack = restingTrack();
    for (auto& sample : hiddenTrack)
        sample.visible = false;
    EXPECT_FALSE(PointerRenderer::placement(fullHD, 1.0, hiddenTrack, settings, {}));
    settings.pointerVisible = false;
    EXPECT_FALSE(PointerRenderer::placement(fullHD, 1.0, restingTrack(), settings, {}));

    QImage frame(64, 36, QImage::Format_RGB32);
    frame.fill(Qt::white);
    EXPECT_EQ(PointerRenderer::overlay(frame, 1.0, restingTrack(), settings, {}), frame);
}

TEST(PointerRendererTest, OverlayDrawsTheArrowTipOnThePointerWithYUp)
{
    QImage frame(640, 360, QImage::Format_RGB32);
    frame.fill(Qt::white);
    // The pointer at (0.25, 0.75): y up, so a quarter of the way down the image.
    std::vector<PointerSample> track;
    for (int i = 0; i <= 60; ++i)
        track.push_back({i / 30.0, 0.25, 0.75, true});
    EditSettings settings;
    settings.pointerSize = 4;  // 96 * 4 * (360 / 1080) / 3 = 42.7 pixels
    const QImage drawn = PointerRenderer::overlay(frame, 1.0, track, settings, {});
    ASSERT_EQ(drawn.size(), frame.size());
    const double s = 4.0 * 360 / 1080 / 3;
    // Point (5, 20) of the drawing (inside the arrow's body) lies below and right of the tip.
    const QPoint body(int(160 + s * (15 - 6)), int(90 + s * (36 - 6)));
    EXPECT_LT(qGray(drawn.pixel(body)), 60);
    // Above and left of the tip the frame is untouched.
    EXPECT_EQ(drawn.pixel(150, 80), qRgb(255, 255, 255));
    EXPECT_EQ(drawn.pixel(600, 300), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace sablewick

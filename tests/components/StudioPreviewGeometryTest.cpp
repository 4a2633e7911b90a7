#include "components/StudioPreviewGeometry.h"

#include <gtest/gtest.h>

#include <limits>

namespace sablewick {
namespace {

using StudioPreviewGeometry::fittedRect;

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

void expectRect(const QRectF& actual, const QRectF& expected)
{
    EXPECT_DOUBLE_EQ(actual.x(), expected.x());
    EXPECT_DOUBLE_EQ(actual.y(), expected.y());
    EXPECT_DOUBLE_EQ(actual.width(), expected.width());
    EXPECT_DOUBLE_EQ(actual.height(), expected.height());
}

TEST(StudioPreviewGeometry, FitsAndCentres)
{
    struct Row { QSizeF canvas; QSizeF available; double padding; QRectF expected; };
    const Row rows[] = {
        // Width-limited 16:9 canvas: the room is 948 by 748.
        {{1920, 1080}, {1000, 800}, 26, {26, 133.375, 948, 533.25}},
        // A square canvas in a wide area is limited by the height, equal margins left and right.
        {{500, 500}, {1200, 400}, 20, {420, 20, 360, 360}},
        // Equal ratios use the width ratio; the result fills the room exactly.
        {{200, 100}, {420, 220}, 10, {10, 10, 400, 200}},
        // A room smaller than the padding gives an empty rectangle at the centre.
        {{1920, 1080}, {40, 300}, 26, {20, 150, 0, 0}},
        // Nothing available and no padding: an empty rectangle at the origin.
        {{1920, 1080}, {0, 0}, 0, {0, 0, 0, 0}},
        // Negative padding enlarges the room beyond the area, still centred.
        {{100, 100}, {100, 100}, -10, {-10, -10, 120, 120}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.canvas.width() << "x" << row.canvas.height() << " in "
                                        << row.available.width() << "x" << row.available.height());
        expectRect(fittedRect(row.canvas, row.available, row.padding), row.expected);
    }
}

TEST(StudioPreviewGeometry, UnusableInputGivesTheZeroRectangle)
{
    struct Row { QSizeF canvas; QSizeF available; };
    const Row rows[] = {
        {{0, 1080}, {800, 600}},   {{1920, 0}, {800, 600}},   {{-4, 3}, {800, 600}},
        {{4, -3}, {800, 600}},     {{inf, 3}, {800, 600}},    {{4, nan}, {800, 600}},
        {{16, 9}, {-1, 600}},      {{16, 9}, {800, -1}},      {{16, 9}, {inf, 600}},
        {{16, 9}, {800, nan}},
    };
    for (const Row& row : rows) {
        const QRectF r = fittedRect(row.canvas, row.available, 26);
        EXPECT_EQ(r.x(), 0.0);
        EXPECT_EQ(r.y(), 0.0);
        EXPECT_EQ(r.width(), 0.0);
        EXPECT_EQ(r.height(), 0.0);
    }
}

} // namespace
} // namespace sablewick

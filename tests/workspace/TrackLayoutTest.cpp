#include "workspace/TrackLayout.h"

#include <gtest/gtest.h>

#include <limits>

namespace sablewick {
namespace {

using Part = TrackLayout::Part;

TEST(TrackLayout, MapsTimeToTheAxisAndBack)
{
    struct Case {
        double stripWidth, duration, time, x;
    };
    const Case cases[] = {
        {636, 10, 0, 18},
        {636, 10, 10, 618},
        {636, 10, 5, 318},
        {636, 10, 12, 738},    // beyond the clip: off the axis, not clamped
        {636, 0, 0.005, 318},  // a zero duration counts as 0.01 s
        {636, -4, 0.01, 618},
        {30, 10, 10, 19},      // a strip narrower than the insets keeps a 1-point axis
        {636, std::numeric_limits<double>::quiet_NaN(), 0.01, 618},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stripWidth << " " << c.duration << " " << c.time);
        const TrackLayout layout(c.stripWidth, c.duration);
        EXPECT_DOUBLE_EQ(layout.x(c.time), c.x);
        EXPECT_NEAR(layout.timeAt(c.x), c.time, 1e-9);
    }
    const TrackLayout layout(636, 10);
    EXPECT_DOUBLE_EQ(layout.timeOffset(60), 1.0);
    EXPECT_DOUBLE_EQ(layout.timeOffset(-120), -2.0);
}

TEST(TrackLayout, PlacesTheBands)
{
    const TrackLayout layout(636, 10);
    EXPECT_EQ(layout.filmstrip(), QRectF(18, 34, 600, 38));
    EXPECT_EQ(layout.zoomLane(), QRectF(18, 85.5, 600, 37));
    EXPECT_EQ(layout.trimHandle(0), QRectF(7, 29, 22, 48));
    EXPECT_EQ(layout.playhead(5), QRectF(311, 9, 14, 120));
    EXPECT_EQ(layout.playheadLine(5), QRectF(317, 17.5, 2, 103));
    EXPECT_EQ(layout.trimHighlight(2, 8), QRectF(138, 34, 360, 38));
    EXPECT_EQ(layout.trimHighlight(4, 4), QRectF(257.5, 34, 1, 38));  // coinciding handles: 1 point
}

TEST(TrackLayout, SizesSegments)
{
    struct Case {
        double start, length;
        double x0, width;
        bool caption;
    };
    const TrackLayout layout(636, 10);
    const Case cases[] = {
        {1, 2, 78, 120, true},
        {9, 2, 558, 60, true},      // cut at the clip's end
        {10, 2, 618, 10, false},    // at the end: 10 points wide
        {12, 2, 738, 10, false},    // beyond the end
        {0, 0, 18, 10, false},
        {0, 0.966, 18, 57.96, false},
        {0, 0.967, 18, 58.02, true},  // wider than 58 points shows its caption
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " " << c.length);
        const auto place = layout.segment({c.start, c.length, false});
        EXPECT_NEAR(place.body.left(), c.x0, 1e-9);
        EXPECT_NEAR(place.body.width(), c.width, 1e-9);
        EXPECT_EQ(place.body.top(), 89.5);
        EXPECT_EQ(place.body.height(), 29);
        EXPECT_NEAR(place.grip.center().x(), c.x0 + c.width, 1e-9);
        EXPECT_EQ(place.grip.size(), QSizeF(22, 35));
        EXPECT_EQ(place.showsCaption, c.caption);
    }
}

// Zooms that lie over each other never draw text over text: each caption stops before the next
// segment along the lane begins, and of two that begin together the one drawn in front keeps it.
TEST(TrackLayout, CaptionsOfOverlappingZoomsNeverMeet)
{
    using Segment = TrackLayout::Segment;
    struct Case {
        const char* name;
        std::vector<Segment> segments;
        std::vector<bool> captioned;
    };
    const TrackLayout layout(636, 10);  // 60 points a second
    const Case cases[] = {
        {"apart", {{1, 2, false}, {5, 2, false}}, {true, true}},
        {"the second begins within the first's caption", {{1, 2, false}, {1.3, 2, false}}, {false, true}},
        {"the second begins past the first's caption", {{1, 4, false}, {3, 2, false}}, {true, true}},
        {"one inside the other", {{0, 6, false}, {2, 1.5, false}}, {true, true}},
        {"same start, the later drawn in front", {{2, 2, false}, {2, 3, false}}, {false, true}},
        {"same start, the selected drawn in front", {{2, 2, true}, {2, 3, false}}, {true, false}},
        {"a short zoom shows none", {{1, 0.5, false}, {4, 2, false}}, {false, true}},
        {"a chain", {{1, 3, false}, {1.9, 3, true}, {2.8, 3, false}, {6, 1, false}}, {true, true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<QRectF> areas = layout.captionAreas(c.segments);
        ASSERT_EQ(areas.size(), c.segments.size());
        for (size_t i = 0; i < areas.size(); ++i) {
            EXPECT_EQ(!areas[i].isEmpty(), c.captioned[i]) << "segment " << i;
            if (areas[i].isEmpty())
                continue;
            EXPECT_TRUE(layout.segment(c.segments[i]).body.contains(areas[i])) << "segment " << i;
            for (size_t j = 0; j < areas.size(); ++j) {
                if (j == i)
                    continue;
                EXPECT_FALSE(areas[i].intersects(areas[j])) << i << " meets " << j;
                // Nor does a caption run under another segment's start, where that one's caption begins.
                const double otherStart = layout.segment(c.segments[j]).body.left();
                if (otherStart >= areas[i].left()) {
                    EXPECT_LE(areas[i].right(), otherStart) << i << " runs into " << j;
                }
            }
        }
    }
}

TEST(TrackLayout, LaysFilmstripCells)
{
    const TrackLayout layout(636, 10);
    EXPECT_TRUE(layout.filmstripCells(0).empty());
    const auto cells = layout.filmstripCells(12);
    ASSERT_EQ(cells.size(), 12u);
    EXPECT_DOUBLE_EQ(cells[0].width(), 50);
    // The row is 11 points wider than the axis and centred: each outer cell loses 5.5 points.
    EXPECT_DOUBLE_EQ(cells[0].left(), 12.5);
    EXPECT_DOUBLE_EQ(cells[11].right(), 623.5);
    EXPECT_DOUBLE_EQ(cells[1].left() - cells[0].right(), 1);
    EXPECT_EQ(layout.filmstripCells(1).front(), QRectF(18, 34, 600, 38));
}

TEST(TrackLayout, HitsTheFrontmostPart)
{
    const TrackLayout layout(636, 10);
    // trim 2 ... 8, playhead at 2 (on the trim-in handle), segments at 1-3 and 2.5-4.5 (the second selected)
    const std::vector<TrackLayout::Segment> segments = {{1, 2, false}, {2.5, 2, true}, {6, 0.1, false}};
    struct Case {
        QPointF at;
        TrackLayout::Hit hit;
    };
    const Case cases[] = {
        {{138, 53}, {Part::playhead}},       // playhead in front of the handle it stands on
        {{144.9, 53}, {Part::playhead}},     // within 7 points of the line
        {{146, 53}, {Part::trimIn}},         // the handle's outer part
        {{130, 53}, {Part::trimIn}},
        {{498, 40}, {Part::trimOut}},
        {{300, 53}, {Part::filmstrip}},
        {{300, 110}, {Part::zoomLane}},
        {{100, 104}, {Part::segmentBody, 0}},
        {{138, 110}, {Part::segmentBody, 0}},  // segment over the playhead line
        {{178, 104}, {Part::segmentBody, 1}},  // the selected segment over its neighbour
        {{198, 104}, {Part::segmentBody, 1}},  // the selected body covers an unselected grip
        {{288, 104}, {Part::segmentGrip, 1}},
        {{383, 104}, {Part::segmentGrip, 2}},  // a tiny segment's grip covers its body
        {{300, 5}, {}},
        {{300, 126}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.at.x() << "," << c.at.y());
        const auto hit = layout.hitTest(c.at, 2, 8, 2, segments);
        EXPECT_EQ(int(hit.part), int(c.hit.part));
        EXPECT_EQ(hit.segment, c.hit.segment);
    }
}

}  // namespace
}  // namespace sablewick

#include "workspace/TimelineText.h"

#include <gtest/gtest.h>

#include <limits>

namespace sablewick {
namespace {

struct TimeCase {
    double seconds;
    const char* time;
    const char* precise;
};

TEST(TimelineText, FormatsTimesTruncatedAndRounded)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const TimeCase cases[] = {
        {0, "00:00", "00:00.00"},
        {83.456, "01:23", "01:23.46"},
        {125.9, "02:05", "02:05.90"},
        {59.999, "00:59", "01:00.00"},   // hundredths round up into the next minute
        {4500, "75:00", "75:00.00"},     // minutes are not wrapped into hours
        {-3, "00:00", "00:00.00"},
        {0.005, "00:00", "00:00.01"},    // halves away from zero
        {nan, "00:00", "00:00.00"},
        {std::numeric_limits<double>::infinity(), "35791394:07", "00:00.00"},
    };
    for (const TimeCase& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(TimelineText::time(c.seconds).toStdString(), c.time);
        EXPECT_EQ(TimelineText::preciseTime(c.seconds).toStdString(), c.precise);
    }
}

TEST(TimelineText, CountsHintsAndLabels)
{
    EXPECT_EQ(TimelineText::zoomCount(0), "0 zooms");
    EXPECT_EQ(TimelineText::zoomCount(1), "1 zoom");
    EXPECT_EQ(TimelineText::zoomCount(12), "12 zooms");
    EXPECT_EQ(TimelineText::hint(0), "Add a zoom, then choose its subject in the preview");
    EXPECT_EQ(TimelineText::hint(1), "Drag a zoom to move it · drag its edge to resize");
    EXPECT_EQ(TimelineText::segmentCaption(2), "Zoom 200%");
    EXPECT_EQ(TimelineText::segmentCaption(1.256), "Zoom 126%");
    EXPECT_EQ(TimelineText::segmentLabel("typing", 12.9, 1.24), "Typing zoom at 12 seconds, 1.2 seconds long");
    EXPECT_EQ(TimelineText::gripLabel(3.99), "Resize zoom at 3 seconds");
}

}  // namespace
}  // namespace sablewick

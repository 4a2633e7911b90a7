// The ruler of the timeline strip, as the strip draws it in its own font, over clips from a
// hundredth of a second to a day and strips from a sliver to a magnified timeline.
#include "workspace/TimelineTrack.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <cmath>
#include <set>

namespace sablewick {
namespace {

// The time a label reads, in seconds, and the unit of its last digit.
struct Reading {
    double seconds = 0;
    double unit = 1;
};

std::optional<Reading> read(const QString& label)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{2,}):(\\d{2})(?:\\.(\\d{1,2}))?$"));
    const QRegularExpressionMatch match = form.match(label);
    if (!match.hasMatch() || match.captured(2).toInt() >= 60)
        return std::nullopt;
    const QString fraction = match.captured(3);
    const double unit = std::pow(10.0, -fraction.size());
    return Reading{match.captured(1).toInt() * 60.0 + match.captured(2).toInt() + fraction.toInt() * unit, unit};
}

TEST(TimelineRuler, LabelsAreDistinctApartTruthfulAndEndWithTheLength)
{
    const double durations[] = {-1, 0.01, 0.3, 0.9, 1, 2.5, 3, 7.5, 10, 59.9, 61, 600, 3599.5, 5407, 6000, 86400};
    // From a sliver through the strip of a window at its narrowest to a timeline magnified twelvefold.
    const double widths[] = {36, 120, 250, 420, 600, 636, 1200, 1884, 12 * 1884};
    for (double duration : durations) {
        for (double width : widths) {
            SCOPED_TRACE(testing::Message() << duration << " s on " << width << " points");
            const TrackLayout layout(width, duration);
            const std::vector<TrackLayout::RulerMark> marks = TimelineTrack::rulerOf(layout);
            ASSERT_FALSE(marks.empty());

            std::set<QString> seen;
            for (size_t i = 0; i < marks.size(); ++i) {
                const TrackLayout::RulerMark& mark = marks[i];
                EXPECT_TRUE(seen.insert(mark.label).second) << "repeated label " << mark.label.toStdString();
                const std::optional<Reading> reading = read(mark.label);
                ASSERT_TRUE(reading) << mark.label.toStdString();
                // A label reads its mark's time, cut to the label's last digit.
                EXPECT_LE(reading->seconds, mark.time + 1e-9) << mark.label.toStdString();
                EXPECT_GT(reading->seconds + reading->unit, mark.time + 1e-9) << mark.label.toStdString();
                EXPECT_NEAR(mark.tick.center().x(), layout.x(mark.time), 1e-9);
                EXPECT_GE(mark.labelRect.left(), 0) << mark.label.toStdString();
                EXPECT_LE(mark.labelRect.right(), std::max(width, mark.labelRect.width()) + 1e-9)
                    << mark.label.toStdString();
                if (i > 0) {
                    EXPECT_GT(mark.time, marks[i - 1].time);
                    EXPECT_GE(mark.labelRect.left(), marks[i - 1].labelRect.right() + TrackLayout::rulerLabelGap)
                        << marks[i - 1].label.toStdString() << " runs into " << mark.label.toStdString();
                }
            }
            // The clip's length is always shown, at its end.
            EXPECT_DOUBLE_EQ(marks.back().time, layout.clipDuration());
            // Where there is room for several labels, there are several: a short clip shows
            // fractions of a second rather than its two ends only.
            if (width >= 250 && layout.clipDuration() >= 0.05) {
                EXPECT_GE(marks.size(), 3u) << marks.back().label.toStdString();
            }
        }
    }
}

TEST(TimelineRuler, AShortClipCountsInFractions)
{
    const std::vector<TrackLayout::RulerMark> marks = TimelineTrack::rulerOf(TrackLayout(636, 3));
    QStringList labels;
    for (const TrackLayout::RulerMark& mark : marks)
        labels << mark.label;
    EXPECT_EQ(labels.join(QLatin1Char(' ')).toStdString(), "00:00.0 00:00.5 00:01.0 00:01.5 00:02.0 00:02.5 00:03.0");
}

}  // namespace
}  // namespace sablewick

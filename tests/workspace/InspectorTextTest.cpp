// The fixed texts, formats and rules of the Focus, Cursor and Audio pages.
#include "workspace/InspectorText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace sablewick {
namespace {

TEST(InspectorText, NumbersReadTheSameInEveryLocale)
{
    EXPECT_EQ(InspectorText::percent(0.25), "25%");
    EXPECT_EQ(InspectorText::percent(0.4), "40%");
    EXPECT_EQ(InspectorText::percent(1.65), "165%");
    EXPECT_EQ(InspectorText::factor(1.6), QString::fromUtf8("1.6×"));
    EXPECT_EQ(InspectorText::factor(5), QString::fromUtf8("5.0×"));
    EXPECT_EQ(InspectorText::seconds(0.8), "0.80 s");
    EXPECT_EQ(InspectorText::selectedZoomTitle(12.4), QString::fromUtf8("Selected zoom · 00:12"));
    EXPECT_EQ(InspectorText::removeZoomLabel(65), "Remove zoom at 01:05");
    EXPECT_EQ(InspectorText::removeZoomLabel(61 * 60 + 5.9), "Remove zoom at 61:05");
}

TEST(InspectorText, ALengthStaysWithinTheRoomAndAboveThreeTenths)
{
    struct Case {
        double typed, room;
        std::optional<double> stored;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const Case& c : std::vector<Case>{{0.05, 10, 0.3},
                                           {99, 10, 10},
                                           {2.5, 10, 2.5},
                                           {5, 0.2, 0.2},
                                           {0.01, 0.2, 0.2},
                                           {nan, 10, std::nullopt},
                                           {inf, 10, std::nullopt},
                                           {-inf, 10, std::nullopt}}) {
        EXPECT_EQ(InspectorText::clampedLength(c.typed, c.room), c.stored) << c.typed << " in " << c.room;
    }
    EXPECT_DOUBLE_EQ(InspectorText::shortestLength(0.2), 0.2) << "a 0.2 s room runs over 0.2...0.2";
    EXPECT_DOUBLE_EQ(InspectorText::shortestLength(10), 0.3);
}

TEST(InspectorText, TheGuidanceCardFollowsThePlacement)
{
    const InspectorText::Guidance none = InspectorText::guidance(false, false);
    EXPECT_EQ(none.headline, "Bring a detail into focus");
    EXPECT_EQ(none.button, "Add zoom here");
    EXPECT_EQ(none.buttonSymbol, "plus.magnifyingglass");
    EXPECT_EQ(InspectorText::guidance(false, true).headline, "Choose a zoom to fine-tune");
    const InspectorText::Guidance placing = InspectorText::guidance(true, true);
    EXPECT_EQ(placing.symbol, "scope");
    EXPECT_EQ(placing.headline, "Choose its subject");
    EXPECT_EQ(placing.button, "Cancel placement");
    EXPECT_TRUE(placing.buttonSymbol.isEmpty());
    EXPECT_TRUE(placing.cancelsPlacement);
    EXPECT_EQ(InspectorText::guidance(true, false).headline, "Choose its subject");
}

TEST(InspectorText, AZoomShowsItsOwnValuesElseTheEdits)
{
    EditSettings settings;
    settings.zoomStrength = 1.65;
    FocusPoint point;
    EXPECT_DOUBLE_EQ(InspectorText::zoomAmount(point, settings), 1.65);
    EXPECT_DOUBLE_EQ(InspectorText::zoomTransition(point, settings), 0.8) << "neither has a transition";
    settings.zoomTransition = 0.5;
    EXPECT_DOUBLE_EQ(InspectorText::zoomTransition(point, settings), 0.5);
    point.zoomStrength = 3;
    point.zoomTransition = 1.2;
    EXPECT_DOUBLE_EQ(InspectorText::zoomAmount(point, settings), 3);
    EXPECT_DOUBLE_EQ(InspectorText::zoomTransition(point, settings), 1.2);

    const QString unavailable = "Follow cursor is available for new Sablewick recordings.";
    EXPECT_EQ(InspectorText::zoomModeNote(false, ZoomMode::follow), unavailable);
    EXPECT_EQ(InspectorText::zoomModeNote(false, std::nullopt), unavailable);
    EXPECT_EQ(InspectorText::zoomModeNote(true, ZoomMode::follow),
              "The camera follows the smoothed cursor path inside this block.");
    EXPECT_EQ(InspectorText::zoomModeNote(true, std::nullopt),
              "The camera holds the focus position you place in the preview.");
    EXPECT_EQ(InspectorText::kindSymbol(FocusKind::click), "cursorarrow.click");
    EXPECT_EQ(InspectorText::kindSymbol(FocusKind::typing), "keyboard");
    EXPECT_EQ(InspectorText::kindSymbol(FocusKind::manual), "plus.magnifyingglass");
}

TEST(InspectorText, MusicNamesAndVolumes)
{
    EXPECT_EQ(InspectorText::track(std::nullopt).title, "None");
    EXPECT_EQ(InspectorText::track(MusicChoice::none).detail, "No music bed");
    EXPECT_EQ(InspectorText::track(MusicChoice::daylight).detail, QString::fromUtf8("Bright & easy · 110 BPM"));
    EXPECT_EQ(InspectorText::track(MusicChoice::pulse).title, "Night Pulse");
    EXPECT_EQ(InspectorText::track(MusicChoice::custom).title, "Imported audio");
    EXPECT_EQ(InspectorText::musicLibraryTitle(), QString::fromUtf8("Library · 6 original tracks"));

    EXPECT_DOUBLE_EQ(InspectorText::shownVolume(std::nullopt, 0.28), 0.28);
    EXPECT_DOUBLE_EQ(InspectorText::shownVolume(1.5, 1.0), 1.0);
    EXPECT_DOUBLE_EQ(InspectorText::shownVolume(-0.2, 1.0), 0.0);
    EXPECT_DOUBLE_EQ(InspectorText::shownVolume(std::numeric_limits<double>::quiet_NaN(), 1.0), 0.0);

    EXPECT_EQ(InspectorText::soundStyleNote(InteractionSoundStyle::tactile),
              "Dry taps and light key textures, mixed under the music.");
    EXPECT_EQ(InspectorText::soundStyleNote(std::nullopt), QString::fromUtf8("Soft notes follow the library track’s harmony."));
}

}  // namespace
}  // namespace sablewick

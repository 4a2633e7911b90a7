#include "document/EditSettings.h"
#include "document/FocusPoint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace sablewick {
namespace {

TEST(EditSettings, DefaultsAreTheDocumentedValues)
{
    const EditSettings s;
    EXPECT_EQ(s.trimStart, 0);
    EXPECT_EQ(s.trimEnd, 0);
    EXPECT_EQ(s.zoomDuration, 2.2);
    EXPECT_EQ(s.zoomStrength, 1.65);
    EXPECT_EQ(s.background.id, "prism");
    EXPECT_EQ(s.backgroundKind, BackgroundKind::gradient);
    EXPECT_EQ(s.solidColor, 0xE8ECF2u);
    EXPECT_EQ(s.aspect, AspectRatio::wide);
    EXPECT_EQ(s.cornerRadius, 24);
    EXPECT_EQ(s.canvasPadding, 7.5);
    EXPECT_EQ(s.shadowStrength, 0.24);
    EXPECT_TRUE(s.zoomEnabled);
    EXPECT_FALSE(s.backgroundArtwork);
    EXPECT_FALSE(s.pointerSize);
    EXPECT_FALSE(s.musicChoice);
    EXPECT_FALSE(s.typingSounds);

    // Absent optionals read as their effective defaults.
    EXPECT_EQ(s.effectiveCustomAspectWidth(), 16);
    EXPECT_EQ(s.effectiveCustomAspectHeight(), 9);
    EXPECT_EQ(s.effectiveFrameInset(), 0);
    EXPECT_EQ(s.effectiveFrameColor(), 0xFFFFFFu);
    EXPECT_TRUE(s.effectiveBalancedCorners());
    EXPECT_EQ(s.effectiveSourceAspectWidth(), 1920);
    EXPECT_EQ(s.effectiveSourceAspectHeight(), 1080);
    EXPECT_TRUE(s.effectivePointerVisible());
    EXPECT_EQ(s.effectivePointerSize(), 1.6);
    EXPECT_EQ(s.effectivePointerStyle(), PointerStyle::arrow);
    EXPECT_TRUE(s.effectivePointerSmooth());
    EXPECT_TRUE(s.effectivePointerPress());
    EXPECT_FALSE(s.effectivePointerRipple());
    EXPECT_EQ(s.effectiveZoomTransition(), 0.8);
    EXPECT_EQ(s.effectiveMusicChoice(), MusicChoice::none);
    EXPECT_EQ(s.effectiveMusicVolume(), 0.28);
    EXPECT_EQ(s.effectiveSourceVolume(), 1.0);
    EXPECT_FALSE(s.effectiveInteractionSounds());
    EXPECT_EQ(s.effectiveInteractionSoundStyle(), InteractionSoundStyle::musical);
    EXPECT_EQ(s.effectiveInteractionVolume(), 0.45);
    EXPECT_TRUE(s.effectiveClickSounds());
    EXPECT_TRUE(s.effectiveTypingSounds());

    EXPECT_EQ(s.canvasSize(), QSizeF(1920, 1080));
    EXPECT_EQ(s.aspectLabel(), "16:9");
}

struct CanvasCase {
    const char* name;
    void (*setUp)(EditSettings&);
    double width;
    double height;
    const char* label;
};

void PrintTo(const CanvasCase& c, std::ostream* out) { *out << c.name; }

class CanvasSize : public ::testing::TestWithParam<CanvasCase> {};

TEST_P(CanvasSize, FollowsTheAspectRules)
{
    EditSettings s;
    GetParam().setUp(s);
    const QSizeF size = s.canvasSize();
    EXPECT_DOUBLE_EQ(size.width(), GetParam().width);
    EXPECT_DOUBLE_EQ(size.height(), GetParam().height);
    if (GetParam().label) {
        EXPECT_EQ(s.aspectLabel(), GetParam().label);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Aspects, CanvasSize,
    ::testing::Values(
        CanvasCase{"wide", [](EditSettings& s) { s.aspect = AspectRatio::wide; }, 1920, 1080, "16:9"},
        CanvasCase{"square", [](EditSettings& s) { s.aspect = AspectRatio::square; }, 1080, 1080, "1:1"},
        CanvasCase{"vertical", [](EditSettings& s) { s.aspect = AspectRatio::vertical; }, 1080, 1920, "9:16"},
        CanvasCase{"classic", [](EditSettings& s) { s.aspect = AspectRatio::classic; }, 1440, 1080, "4:3"},
        CanvasCase{"customAbsent", [](EditSettings& s) { s.aspect = AspectRatio::custom; }, 1920, 1080, "16:9"},
        CanvasCase{"custom21x9",
                   [](EditSettings& s) {
                       s.aspect = AspectRatio::custom;
                       s.customAspectWidth = 21;
                       s.customAspectHeight = 9;
                   },
                   2520, 1080, "21:9"},
        CanvasCase{"custom1x5ClampedToQuarter",
                   [](EditSettings& s) {
                       s.aspect = AspectRatio::custom;
                       s.customAspectWidth = 1;
                       s.customAspectHeight = 5;
                   },
                   1080, 4320, "1:5"},
        CanvasCase{"custom9x1ClampedToFour",
                   [](EditSettings& s) {
                       s.aspect = AspectRatio::custom;
                       s.customAspectWidth = 9;
                       s.customAspectHeight = 1;
                   },
                   4320, 1080, "9:1"},
        CanvasCase{"custom3x4Portrait",
                   [](EditSettings& s) {
                       s.aspect = AspectRatio::custom;
                       s.customAspectWidth = 3;
                       s.customAspectHeight = 4;
                   },
                   1080, 1440, "3:4"},
        CanvasCase{"customZeroCountsAsOne",
                   [](EditSettings& s) {
                       s.aspect = AspectRatio::custom;
                       s.customAspectWidth = 0;
                       s.customAspectHeight = 9;
                   },
                   1080, 4320, "0:9"},
        CanvasCase{"customHugeTermsClampTo10000",
                   [](EditSettings& s) {
                       s.aspect = AspectRatio::custom;
                       s.customAspectWidth = std::numeric_limits<std::int64_t>::max();
                       s.customAspectHeight = 5000;
                   },
                   2160, 1080, nullptr},
        CanvasCase{"customNegativeCountsAsOne",
                   [](EditSettings& s) {
                       s.aspect = AspectRatio::custom;
                       s.customAspectWidth = 2;
                       s.customAspectHeight = -7;
                   },
                   2160, 1080, "2:-7"},
        CanvasCase{"autoDefaults", [](EditSettings& s) { s.aspect = AspectRatio::auto_; }, 1794, 1080, "Auto"},
        CanvasCase{"autoHiddenBackground",
                   [](EditSettings& s) {
                       s.aspect = AspectRatio::auto_;
                       s.backgroundKind = BackgroundKind::hidden;
                   },
                   1920, 1080, "Auto"},
        CanvasCase{"autoPortraitSource",
                   [](EditSettings& s) {
                       s.aspect = AspectRatio::auto_;
                       s.sourceAspectWidth = 1080;
                       s.sourceAspectHeight = 1920;
                   },
                   1080, 1794, nullptr},
        CanvasCase{"autoZeroPaddingKeepsMinimum",
                   [](EditSettings& s) {
                       s.aspect = AspectRatio::auto_;
                       s.canvasPadding = 0;
                   },
                   // pad 54, u 1026, c 16/9
                   54 + 1026 * 16.0 / 9.0, 1080, nullptr},
        CanvasCase{"autoRoomNeverBelow20",
                   [](EditSettings& s) {
                       s.aspect = AspectRatio::auto_;
                       s.canvasPadding = 45;  // pad 972
                       s.frameInset = 50;     // ins 100
                   },
                   972 + 100 + 20 * 16.0 / 9.0, 1080, nullptr},
        CanvasCase{"autoNegativeInsetCountsAsZero",
                   [](EditSettings& s) {
                       s.aspect = AspectRatio::auto_;
                       s.frameInset = -10;
                   },
                   1794, 1080, nullptr},
        CanvasCase{"autoFrameInsetAddsRoom",
                   [](EditSettings& s) {
                       s.aspect = AspectRatio::auto_;
                       s.frameInset = 9;  // ins 18, u 900
                   },
                   162 + 18 + 900 * 16.0 / 9.0, 1080, nullptr},
        CanvasCase{"autoCropsBeyondOneKeepAThousandth",
                   [](EditSettings& s) {
                       s.aspect = AspectRatio::auto_;
                       s.cropLeft = 0.6;
                       s.cropRight = 0.7;  // sw = 1.92 -> c = 1.92 / 1080
                   },
                   1080, 162 + 918 / (1.92 / 1080), nullptr},
        CanvasCase{"autoNaNPaddingFallsBackToMinimum",
                   [](EditSettings& s) {
                       s.aspect = AspectRatio::auto_;
                       s.canvasPadding = std::nan("");
                   },
                   54 + 1026 * 16.0 / 9.0, 1080, nullptr}),
    [](const ::testing::TestParamInfo<CanvasCase>& info) { return std::string(info.param.name); });

TEST(EditSettings, EqualityComparesEveryFieldStrictly)
{
    EditSettings a;
    EditSettings b;
    EXPECT_EQ(a, b);

    // An optional set to its effective default is still a different record.
    b.pointerSize = 1.6;
    EXPECT_NE(a, b);
    b = a;
    b.background.glow.reset();
    EXPECT_NE(a, b);
    b = a;
    b.musicFileURL = QUrl::fromLocalFile("/tmp/a.m4a");
    EXPECT_NE(a, b);

    // Doubles compare numerically: NaN never equals itself.
    a.cropLeft = std::nan("");
    b = a;
    EXPECT_NE(a, b);
}

TEST(StoredEnumerations, ParseOnlyTheirExactStoredValues)
{
    EXPECT_EQ(fromStoredValue<BackgroundKind>("Color"), BackgroundKind::solid);
    EXPECT_EQ(fromStoredValue<BackgroundKind>("None"), BackgroundKind::hidden);
    EXPECT_FALSE(fromStoredValue<BackgroundKind>("color"));
    EXPECT_FALSE(fromStoredValue<BackgroundKind>("none"));
    EXPECT_FALSE(fromStoredValue<BackgroundKind>("solid"));
    EXPECT_FALSE(fromStoredValue<BackgroundKind>(" Color"));
    EXPECT_EQ(fromStoredValue<ZoomMode>("Follow cursor"), ZoomMode::follow);
    EXPECT_EQ(fromStoredValue<ZoomMode>("Fixed"), ZoomMode::manual);
    EXPECT_FALSE(fromStoredValue<ZoomMode>("follow"));
    EXPECT_FALSE(fromStoredValue<ZoomMode>("manual"));
    EXPECT_EQ(fromStoredValue<AspectRatio>("Auto"), AspectRatio::auto_);
    EXPECT_FALSE(fromStoredValue<AspectRatio>("auto"));
    EXPECT_EQ(fromStoredValue<FocusKind>("typing"), FocusKind::typing);
    EXPECT_FALSE(fromStoredValue<FocusKind>("Typing"));
    EXPECT_EQ(fromStoredValue<MusicChoice>("pulse"), MusicChoice::pulse);
    EXPECT_FALSE(fromStoredValue<MusicChoice>("jazz"));
    EXPECT_EQ(fromStoredValue<BackgroundArtwork>("patternMemphis"), BackgroundArtwork::patternMemphis);
    EXPECT_FALSE(fromStoredValue<BackgroundArtwork>("pattern-memphis"));
}

template <class E>
void expectStoredValues(const std::vector<std::string_view>& expected)
{
    ASSERT_EQ(allCases<E>().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(storedValue(allCases<E>()[i]), expected[i]);
        EXPECT_EQ(fromStoredValue<E>(expected[i]), allCases<E>()[i]);
    }
}

TEST(StoredEnumerations, ListEveryCaseInOrderWithItsStoredValue)
{
    expectStoredValues<AspectRatio>({"Auto", "16:9", "1:1", "9:16", "4:3", "Custom"});
    expectStoredValues<BackgroundKind>({"Gradient", "Pattern", "Image", "Color", "None"});
    expectStoredValues<PointerStyle>({"Arrow", "Outline", "Dot"});
    expectStoredValues<InteractionSoundStyle>({"Musical", "Tactile"});
    expectStoredValues<ZoomMode>({"Fixed", "Follow cursor"});
    expectStoredValues<FocusKind>({"click", "typing", "manual"});
    expectStoredValues<MusicChoice>({"none", "glass", "daylight", "motion", "drift", "bloom", "pulse", "custom"});
    expectStoredValues<BackgroundArtwork>({"glassFlow", "midnightCurrent", "clayFolds", "patternDots", "patternGrid",
                                           "patternRipples", "patternHatch", "patternContour", "patternCheck",
                                           "patternConfetti", "patternWaves", "patternIsometric", "patternMemphis"});
    EXPECT_EQ(title(BackgroundKind::solid), "Color");
    EXPECT_EQ(title(AspectRatio::classic), "4:3");
}

TEST(FocusPoint, EqualityIncludesTheIdAndTheOverrides)
{
    const FocusPoint a{QUuid::createUuid(), 1.5, 0.25, 0.75, FocusKind::click};
    FocusPoint b = a;
    EXPECT_EQ(a, b);
    b.id = QUuid::createUuid();
    EXPECT_NE(a, b);

    // Overrides equal to the edit's values still make a different record from absent ones.
    b = a;
    b.zoomDuration = EditSettings().zoomDuration;
    EXPECT_NE(a, b);
    b = a;
    b.zoomMode = ZoomMode::manual;
    EXPECT_NE(a, b);

    const PointerSample sample{0.5, 0, 1, true};
    EXPECT_EQ(sample, (PointerSample{0.5, 0, 1, true}));
    EXPECT_NE(sample, (PointerSample{0.5, 0, 1, false}));
}

}  // namespace
}  // namespace sablewick

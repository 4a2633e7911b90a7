#include "preferences/StudioAccent.h"

#include "preferences/QtPrinting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <vector>

namespace sablewick {
namespace {

using namespace StudioAccentContrast;

StudioRgb rgb(quint32 hex)
{
    return {((hex >> 16) & 0xFF) / 255.0, ((hex >> 8) & 0xFF) / 255.0, (hex & 0xFF) / 255.0};
}

quint32 hex8(const QColor& color)
{
    return color.rgb() & 0xFFFFFFu;
}

TEST(StudioAccentContrastTest, LuminanceAndRatioFollowWcag)
{
    EXPECT_DOUBLE_EQ(luminance(rgb(0x000000)), 0.0);
    EXPECT_NEAR(luminance(rgb(0xFFFFFF)), 1.0, 1e-12);
    // Below the 0.04045 knee the curve is linear: 10/255 / 12.92.
    EXPECT_NEAR(luminance(rgb(0x0A0A0A)), (10.0 / 255.0) / 12.92, 1e-12);
    EXPECT_NEAR(luminance(rgb(0x808080)), 0.2158605, 1e-6);
    EXPECT_NEAR(luminance(rgb(0xFF0000)), 0.2126, 1e-12);
    EXPECT_NEAR(ratio(rgb(0x000000), rgb(0xFFFFFF)), 21.0, 1e-9);
    EXPECT_NEAR(ratio(rgb(0xFFFFFF), rgb(0x000000)), 21.0, 1e-9);
    EXPECT_DOUBLE_EQ(ratio(QColor(Qt::red), QColor(Qt::red)), 1.0);
    // The QColor form reads the same sRGB values.
    EXPECT_NEAR(ratio(QColor::fromRgb(0xEAA300), QColor::fromRgb(0xECECEC)), ratio(rgb(0xEAA300), rgb(0xECECEC)), 1e-12);
}

TEST(StudioAccentContrastTest, AnAccentThatReadsWellIsReturnedAsItIs)
{
    QColor translucentBlue = QColor::fromRgb(0x0040C0);
    translucentBlue.setAlphaF(0.5f);
    ASSERT_GE(ratio(translucentBlue, QColor::fromRgb(0xECECEC)), 4.5);
    EXPECT_FALSE(readableBlend(translucentBlue, QColor::fromRgb(0xECECEC)));
    const QColor result = readable(translucentBlue, QColor::fromRgb(0xECECEC));
    EXPECT_EQ(result, translucentBlue);
    EXPECT_EQ(result.alpha(), translucentBlue.alpha());
    EXPECT_LT(result.alpha(), 255);
}

TEST(StudioAccentContrastTest, GoldOnTheLightWindowIsDarkenedJustEnough)
{
    const QColor gold = QColor::fromRgb(0xEAA300);
    const QColor window = StudioSystemColors::windowBackground().light;
    const std::optional<Blend> blend = readableBlend(gold, window);
    ASSERT_TRUE(blend);
    EXPECT_EQ(blend->target, 0.0);
    const double step = 1.0 / 65536.0;
    EXPECT_GE(ratio(blend->color(), rgb(0xECECEC)), 4.5);
    // One bisection step less no longer reaches the ratio: the blend is the smallest one that does.
    const Blend lessBlend{blend->accent, blend->target, blend->amount - step};
    EXPECT_LT(ratio(lessBlend.color(), rgb(0xECECEC)), 4.5);
    // The amount is a whole number of steps: the bisection ran exactly sixteen times.
    EXPECT_DOUBLE_EQ(std::fmod(blend->amount * 65536.0, 1.0), 0.0);

    const QColor result = readable(gold, window);
    EXPECT_EQ(hex8(result), 0x8E6300u);
    EXPECT_FLOAT_EQ(result.alphaF(), 1.0f);
    EXPECT_LT(result.red(), gold.red());
}

TEST(StudioAccentContrastTest, TranslucentAccentsComeBackOpaque)
{
    QColor faint = QColor::fromRgb(0xEAA300);
    faint.setAlphaF(0.3f);
    EXPECT_FLOAT_EQ(readable(faint, QColor::fromRgb(0xECECEC)).alphaF(), 1.0f);
}

TEST(StudioAccentContrastTest, MidGreyBlendsTowardsBlackOnTheTieSide)
{
    // Black and white tie on a grey of luminance sqrt(0.0525) - 0.05 (about 0x757575); the grey just
    // above it favours black, just below it white.
    const double tie = std::sqrt(0.0525) - 0.05;
    const QColor above = QColor::fromRgba64(0x75E0, 0x75E0, 0x75E0);
    const QColor below = QColor::fromRgba64(0x75D0, 0x75D0, 0x75D0);
    ASSERT_GT(luminance(above), tie);
    ASSERT_LT(luminance(below), tie);
    ASSERT_NEAR(luminance(above), tie, 1e-3);
    const QColor accent = QColor::fromRgb(0x808080);
    EXPECT_EQ(readableBlend(accent, above)->target, 0.0);
    EXPECT_EQ(readableBlend(accent, below)->target, 1.0);
    // At the tie either extreme gives sqrt(21), about 4.58:1, so only a near-black passes.
    const Blend blend = *readableBlend(accent, above);
    EXPECT_GT(blend.amount, 0.95);
    EXPECT_LT(blend.amount, 1.0);
    EXPECT_GE(ratio(blend.color(), StudioRgb{0x75E0 / 65535.0, 0x75E0 / 65535.0, 0x75E0 / 65535.0}), 4.5);
}

TEST(StudioAccentContrastTest, AColourThatIsNotSrgbHasNoLuminanceAndIsLeftAlone)
{
    const QColor invalid;
    EXPECT_EQ(luminance(invalid), 0.0);
    // On the dark window it does not pass, yet it cannot be blended.
    const QColor darkWindow = StudioSystemColors::windowBackground().dark;
    ASSERT_LT(ratio(invalid, darkWindow), 4.5);
    EXPECT_FALSE(readableBlend(invalid, darkWindow));
    EXPECT_FALSE(readable(invalid, darkWindow).isValid());
}

// Results worked out independently (a separate script of the same arithmetic): the number of
// 1/65536 bisection steps of the blend, and the colour it gives in 8 bits; 0 steps means the
// accent is kept as it is.
struct AccentCase {
    StudioAccent accent;
    quint32 lightResult;
    int lightSteps;
    quint32 darkResult;
    int darkSteps;
};

void PrintTo(const AccentCase& c, std::ostream* os)
{
    *os << rawValue(c.accent).toStdString();
}

class AccentOnWindowTest : public testing::TestWithParam<AccentCase> {};

TEST_P(AccentOnWindowTest, ReadsAtFourAndAHalfToOneInBothSchemes)
{
    const AccentCase c = GetParam();
    const StudioDynamicColor native = nativeColor(c.accent, QColor());
    const StudioDynamicColor window = StudioSystemColors::windowBackground();
    for (const auto& [scheme, result, steps] : {std::tuple{StudioColorScheme::light, c.lightResult, c.lightSteps},
                                                std::tuple{StudioColorScheme::dark, c.darkResult, c.darkSteps}}) {
        SCOPED_TRACE(scheme == StudioColorScheme::light ? "light" : "dark");
        const QColor accent = native.resolved(scheme);
        const QColor background = window.resolved(scheme);
        const std::optional<Blend> blend = readableBlend(accent, background);
        if (steps == 0) {
            EXPECT_FALSE(blend);
            EXPECT_EQ(readable(accent, background), accent);
        } else {
            ASSERT_TRUE(blend);
            EXPECT_EQ(blend->amount * 65536.0, steps);
            // Light windows darken the accent, dark windows lighten it.
            EXPECT_EQ(blend->target, scheme == StudioColorScheme::light ? 0.0 : 1.0);
            EXPECT_GE(ratio(blend->color(), rgb(background.rgb() & 0xFFFFFF)), 4.5);
        }
        EXPECT_EQ(hex8(readable(accent, background)), result);
        EXPECT_GE(ratio(readable(accent, background), background), minimumRatio);
    }
}

// Whatever the desktop's highlight or the user's own colour, the corrected colour as it is drawn
// (8 bits a channel) reaches the minimum: rounding may only move it further from the window.
TEST(StudioAccentContrastTest, TheDrawnColourAlwaysReachesTheMinimum)
{
    const StudioDynamicColor window = StudioSystemColors::windowBackground();
    std::vector<QColor> accents;
    for (StudioAccent accent : allStudioAccents) {
        if (accent == StudioAccent::system)
            continue;  // the desktop's highlight: a few of those follow
        accents.push_back(nativeColor(accent, QColor()).light);
        accents.push_back(nativeColor(accent, QColor()).dark);
    }
    for (quint32 own : {0xFFFFFFu, 0x000000u, 0x808080u, 0x757575u, 0x6B88FFu, 0x00FF00u, 0x3584E4u, 0xE95420u})
        accents.push_back(colorFromRgb24(own));
    for (const QColor& background : {window.light, window.dark}) {
        for (const QColor& accent : accents) {
            const QColor drawn = readable(accent, background);
            EXPECT_GE(ratio(drawn, background), minimumRatio) << std::hex << accent.rgb() << " on " << background.rgb();
            EXPECT_GE(ratio(QColor::fromRgb(drawn.rgb()), background), minimumRatio) << std::hex << accent.rgb();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Accents, AccentOnWindowTest,
    testing::Values(AccentCase{StudioAccent::blue, 0x0067D8, 9981, 0x3A9CFF, 12738},
                    AccentCase{StudioAccent::indigo, 0x5856D6, 0, 0x9190EE, 20589},
                    AccentCase{StudioAccent::purple, 0x9646BF, 9147, 0xCA76F5, 10872},
                    AccentCase{StudioAccent::pink, 0xCD2444, 12723, 0xFF6483, 14500},
                    AccentCase{StudioAccent::red, 0xCA2E26, 13553, 0xFF685F, 12116},
                    AccentCase{StudioAccent::orange, 0x9C5B00, 25220, 0xFF9F0A, 0},
                    AccentCase{StudioAccent::green, 0x207A37, 25029, 0x30D158, 0},
                    AccentCase{StudioAccent::graphite, 0x6A6A6E, 16205, 0x99999E, 402},
                    AccentCase{StudioAccent::electricBlue, 0x2855F9, 0, 0x5E98FF, 6024},
                    AccentCase{StudioAccent::cyan, 0x007493, 16235, 0x22D3EE, 0},
                    AccentCase{StudioAccent::mint, 0x007A5C, 19243, 0x36E6B3, 0},
                    AccentCase{StudioAccent::lime, 0x5A7400, 24580, 0xC1F542, 0},
                    AccentCase{StudioAccent::gold, 0x8E6300, 25649, 0xFFCF3A, 0},
                    AccentCase{StudioAccent::coral, 0xC1364F, 12587, 0xFF6B81, 0},
                    AccentCase{StudioAccent::magenta, 0xB620BE, 8445, 0xF45CF7, 0},
                    AccentCase{StudioAccent::violet, 0x7B3FF2, 0, 0xAD83FF, 0}),
    [](const testing::TestParamInfo<AccentCase>& info) { return rawValue(info.param.accent).remove(QLatin1Char(' ')).toStdString(); });

TEST(StudioAccentTest, RawValuesAreTheDisplayNames)
{
    ASSERT_EQ(allStudioAccents.size(), 18u);
    const char* names[] = {"System", "Blue",  "Indigo", "Purple", "Pink", "Red",  "Orange", "Green",   "Graphite",
                           "Custom", "Electric Blue", "Cyan", "Mint", "Lime", "Gold", "Coral", "Magenta", "Violet"};
    for (std::size_t i = 0; i < allStudioAccents.size(); ++i) {
        EXPECT_EQ(rawValue(allStudioAccents[i]), QString::fromLatin1(names[i]));
        EXPECT_EQ(studioAccentFromRawValue(QString::fromLatin1(names[i])), allStudioAccents[i]);
    }
    EXPECT_EQ(studioAccentFromRawValue(QStringLiteral("electricBlue")), std::nullopt);
    EXPECT_EQ(studioAccentFromRawValue(QStringLiteral("blue")), std::nullopt);
    EXPECT_EQ(classicStudioAccents.back(), StudioAccent::custom);
    EXPECT_EQ(vibrantStudioAccents.front(), StudioAccent::electricBlue);
}

TEST(StudioAccentTest, NativeColoursFollowTheScheme)
{
    EXPECT_EQ(nativeColor(StudioAccent::gold, QColor()), (StudioDynamicColor{QColor(0xEA, 0xA3, 0x00), QColor(0xFF, 0xCF, 0x3A)}));
    EXPECT_EQ(nativeColor(StudioAccent::blue, QColor()), StudioSystemColors::blue());
    EXPECT_EQ(nativeColor(StudioAccent::graphite, QColor()), StudioSystemColors::graphite());
    // The system accent is the desktop's, in both schemes; custom stands in as system blue.
    const QColor desktop = QColor::fromRgb(0x3DAEE9);
    EXPECT_EQ(nativeColor(StudioAccent::system, desktop), StudioDynamicColor::fixed(desktop));
    EXPECT_EQ(nativeColor(StudioAccent::custom, desktop), StudioSystemColors::blue());
}

}  // namespace
}  // namespace sablewick

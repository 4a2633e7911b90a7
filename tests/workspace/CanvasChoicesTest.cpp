// The canvas inspector's rules apart from its widgets: texts, limits, typed and picked values,
// the lists it shows and the shuffle.
#include "workspace/CanvasChoices.h"

#include <gtest/gtest.h>

#include <set>

namespace sablewick {
namespace {

using namespace CanvasChoices;

const QString within = QStringLiteral("A ratio, not a pixel size. Choose output resolution when exporting.");
const QString tooTall = QStringLiteral("The canvas is limited to 1:4. Use a ratio between 1:4 and 4:1.");
const QString tooWide = QStringLiteral("The canvas is limited to 4:1. Use a ratio between 1:4 and 4:1.");

TEST(CanvasChoicesTest, CustomRatioNoteNamesTheLimitItMeets)
{
    struct Case {
        std::int64_t width, height;
        const QString& note;
    };
    for (const Case& c : {Case{1, 5, tooTall}, Case{5, 1, tooWide}, Case{4, 1, within}, Case{1, 4, within},
                          Case{16, 9, within}, Case{10000, 2499, tooWide}, Case{2499, 10000, tooTall},
                          // A height below 1 counts as 1, so it can neither divide by zero nor flip the sign.
                          Case{3, 0, within}, Case{5, 0, tooWide}, Case{1, -7, within}})
        EXPECT_EQ(customRatioNote(c.width, c.height), c.note) << c.width << ":" << c.height;
}

TEST(CanvasChoicesTest, TypedRatioSidesAreClampedWholeNumbersInTheUsersLocale)
{
    const QLocale c = QLocale::c();
    const QLocale german(QLocale::German, QLocale::Germany);
    struct Case {
        const char* text;
        const QLocale& locale;
        std::optional<std::int64_t> stored;
    };
    for (const Case& k : {Case{"21", c, 21}, Case{" 7 ", c, 7}, Case{"0", c, 1}, Case{"-3", c, 1},
                          Case{"20000", c, 10000}, Case{"10000", c, 10000},
                          Case{"99999999999999999999999", c, 10000}, Case{"-99999999999999999999999", c, 1},
                          Case{"1.000", german, 1000}, Case{"12.000", german, 10000}, Case{"1,5", german, std::nullopt},
                          Case{"2.5", c, std::nullopt}, Case{"abc", c, std::nullopt}, Case{"", c, std::nullopt},
                          Case{"16:9", c, std::nullopt}, Case{"1e3", c, std::nullopt}})
        EXPECT_EQ(typedRatioSide(QString::fromUtf8(k.text), k.locale), k.stored) << k.text;
}

TEST(CanvasChoicesTest, LabelsAndTexts)
{
    const std::vector<std::pair<AspectRatio, const char*>> aspects{
        {AspectRatio::auto_, "Fit content"},          {AspectRatio::wide, "16:9 · Landscape"},
        {AspectRatio::square, "1:1 · Square"},        {AspectRatio::vertical, "9:16 · Portrait"},
        {AspectRatio::classic, "4:3 · Classic"},      {AspectRatio::custom, "Custom"}};
    for (const auto& [aspect, label] : aspects)
        EXPECT_EQ(aspectLabel(aspect), QString::fromUtf8(label));

    const std::vector<std::pair<BackgroundKind, const char*>> kinds{
        {BackgroundKind::gradient, "Gradient"}, {BackgroundKind::pattern, "Pattern"}, {BackgroundKind::image, "Image"},
        {BackgroundKind::solid, "Color"},       {BackgroundKind::hidden, "None"}};
    for (const auto& [kind, label] : kinds) {
        EXPECT_EQ(kindLabel(kind), label);
        EXPECT_EQ(shuffleHelp(kind), QStringLiteral("Choose another ") + QString::fromLatin1(label).toLower());
    }
    EXPECT_EQ(shuffleHelp(BackgroundKind::solid), "Choose another color");

    EXPECT_EQ(swatchTitle(0xFFFFFF), "Color #FFFFFF");
    EXPECT_EQ(swatchTitle(0x0000AB), "Color #0000AB");
    EXPECT_EQ(gradientToggleTitle(false), "All 26");
    EXPECT_EQ(gradientToggleTitle(true), "Show less");
    EXPECT_EQ(gradientToggleAccessibleName(false), "Show all 26 gradients");
    EXPECT_EQ(gradientToggleAccessibleName(true), "Show fewer gradients");

    EXPECT_EQ(wholeValue(0.24, 100, "%"), "24%");
    EXPECT_EQ(wholeValue(0.4, 100, "%"), "40%");
    EXPECT_EQ(wholeValue(12.5, 1, " px"), "12 px");  // halves go to the even neighbour, as printf does
    EXPECT_EQ(wholeValue(7.5, 1, "%"), "8%");
    EXPECT_EQ(wholeValue(33.7, 1, QString()), "34");
}

TEST(CanvasChoicesTest, CollapsedGradientListKeepsTheCurrentPresetInSight)
{
    const auto& all = BackgroundPreset::all();
    ASSERT_EQ(all.size(), 26u);
    const std::vector<BackgroundPreset> firstNineteen(all.begin(), all.begin() + 19);
    EXPECT_EQ(visibleGradients(all[3], false), firstNineteen);
    EXPECT_EQ(visibleGradients(all[18], false), firstNineteen);
    EXPECT_EQ(visibleGradients(all[22], true), all);

    std::vector<BackgroundPreset> withTwentyThird(all.begin(), all.begin() + 18);
    withTwentyThird.push_back(all[22]);
    EXPECT_EQ(visibleGradients(all[22], false), withTwentyThird);

    // An edit may carry a preset no longer in the catalogue (an older project): it is shown too.
    BackgroundPreset retired = all[0];
    retired.id = QStringLiteral("retired");
    retired.second = 0x123456;
    EXPECT_EQ(visibleGradients(retired, false).back(), retired);
    EXPECT_EQ(visibleGradients(retired, false).size(), 19u);
}

TEST(CanvasChoicesTest, ArtworkTilesFollowTheArtworkShownAndTheUsersPicture)
{
    EditSettings s;
    s.backgroundKind = BackgroundKind::image;
    s.backgroundArtwork = BackgroundArtwork::patternGrid;
    // A stored pattern in the image kind shows the first picture.
    EXPECT_TRUE(artworkTileSelected(s, BackgroundArtwork::glassFlow));
    EXPECT_FALSE(artworkTileSelected(s, BackgroundArtwork::patternGrid));
    s.backgroundImageURL = QUrl::fromLocalFile("/tmp/own.png");
    for (BackgroundArtwork a : artworks(BackgroundKind::image))
        EXPECT_FALSE(artworkTileSelected(s, a));
    // Patterns are not replaced by the user's picture.
    s.backgroundKind = BackgroundKind::pattern;
    EXPECT_TRUE(artworkTileSelected(s, BackgroundArtwork::patternGrid));
    EXPECT_EQ(artworks(BackgroundKind::pattern).size(), 10u);
    EXPECT_EQ(artworks(BackgroundKind::image).size(), 3u);
    EXPECT_TRUE(artworks(BackgroundKind::solid).empty());
}

TEST(CanvasChoicesTest, ShuffleNeverRepeatsWhileAnotherCandidateExists)
{
    EditSettings s;
    // Every index the generator can give, so each candidate is seen once.
    const auto every = [](EditSettings settings, auto read) {
        std::vector<decltype(read(settings))> seen;
        for (std::size_t i = 0;; ++i) {
            std::size_t count = 0;
            const EditSettings next = shuffled(settings, [&](std::size_t n) {
                count = n;
                return i;
            });
            seen.push_back(read(next));
            if (i + 1 >= count)
                return seen;
        }
    };

    s.background = BackgroundPreset::all()[5];
    const auto gradients = every(s, [](const EditSettings& e) { return e.background.id; });
    EXPECT_EQ(gradients.size(), 25u);
    EXPECT_EQ(std::count(gradients.begin(), gradients.end(), s.background.id), 0);

    s.backgroundKind = BackgroundKind::solid;
    s.solidColor = 0xF24B59;
    const auto solids = every(s, [](const EditSettings& e) { return e.solidColor; });
    EXPECT_EQ(solids.size(), 17u);
    EXPECT_EQ(std::count(solids.begin(), solids.end(), 0xF24B59u), 0);
    // A colour of the user's own is not in the list: all 18 are candidates.
    s.solidColor = 0x123456;
    EXPECT_EQ(every(s, [](const EditSettings& e) { return e.solidColor; }).size(), 18u);

    s.backgroundKind = BackgroundKind::pattern;
    s.backgroundArtwork = BackgroundArtwork::patternHatch;
    s.backgroundImageURL = QUrl::fromLocalFile("/tmp/own.png");
    const auto patterns = every(s, [](const EditSettings& e) { return e.backgroundArtwork; });
    EXPECT_EQ(patterns.size(), 9u);
    EXPECT_EQ(std::count(patterns.begin(), patterns.end(), BackgroundArtwork::patternHatch), 0);
    EXPECT_FALSE(shuffled(s, [](std::size_t) { return 0; }).backgroundImageURL);

    // The exclusion is the stored artwork: a stored picture leaves all ten patterns as candidates.
    s.backgroundArtwork = BackgroundArtwork::clayFolds;
    EXPECT_EQ(every(s, [](const EditSettings& e) { return e.backgroundArtwork; }).size(), 10u);

    s.backgroundKind = BackgroundKind::image;
    const auto images = every(s, [](const EditSettings& e) { return e.backgroundArtwork; });
    EXPECT_EQ(std::set(images.begin(), images.end()),
              (std::set<std::optional<BackgroundArtwork>>{BackgroundArtwork::glassFlow, BackgroundArtwork::midnightCurrent}));

    // A generator that answers out of range still picks within the list.
    EXPECT_TRUE(shuffled(s, [](std::size_t n) { return n + 40; }).backgroundArtwork);

    s.backgroundKind = BackgroundKind::hidden;
    EXPECT_EQ(shuffled(s, [](std::size_t) { return 0; }), s);
}

TEST(CanvasChoicesTest, PickedColoursBecomeRoundedHexValues)
{
    struct Case {
        QColor color;
        RgbColor hex;
    };
    for (const Case& c : {Case{QColor::fromRgbF(1, 0.5f, 0), 0xFF8000}, Case{QColor(0x12, 0x34, 0x56), 0x123456},
                          Case{QColor::fromHsvF(0, 0, 1), 0xFFFFFF}, Case{QColor::fromCmykF(0, 0, 0, 1), 0x000000},
                          Case{QColor::fromRgbF(1.5f, -0.2f, 0.999f), 0xFF00FF}, Case{QColor(), 0}})
        EXPECT_EQ(canvasHex(c.color), c.hex) << c.color.name().toStdString();
    for (RgbColor value : colors())
        EXPECT_EQ(canvasHex(colorOf(value)), value);
    EXPECT_EQ(colors().size(), 18u);
}

TEST(CanvasChoicesTest, APresetNameNeedsMoreThanBlanks)
{
    struct Case {
        const char* name;
        bool savable;
    };
    for (const Case& c : {Case{"Warm", true}, Case{"  Warm  ", true}, Case{"", false}, Case{"   ", false},
                          Case{" \t ", false}, Case{"\u00a0", false},
                          // A line break is left for the store, which trims it and then ignores the name.
                          Case{"\n", true}, Case{" \n ", true}})
        EXPECT_EQ(presetNameSavable(QString::fromUtf8(c.name)), c.savable) << c.name;
}

TEST(CanvasChoicesTest, FrameRowsFollowTheBackgroundAndTheInset)
{
    using R = FrameRow;
    EditSettings s;
    EXPECT_EQ(frameRows(s), (std::vector<R>{R::spacing, R::inset, R::shadow, R::radius}));
    s.frameInset = 0;
    EXPECT_EQ(frameRows(s), (std::vector<R>{R::spacing, R::inset, R::shadow, R::radius}));
    s.frameInset = 4;
    EXPECT_EQ(frameRows(s), (std::vector<R>{R::spacing, R::inset, R::insetColor, R::balance, R::shadow, R::radius}));
    s.backgroundKind = BackgroundKind::hidden;
    EXPECT_EQ(frameRows(s), (std::vector<R>{R::inset, R::insetColor, R::balance, R::shadow, R::radius}));
}

}  // namespace
}  // namespace sablewick

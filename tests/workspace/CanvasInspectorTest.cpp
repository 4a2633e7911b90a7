// The canvas panel over a plain record, as either editor binds it: which controls each background
// and frame shows, what a tile, swatch, shuffle, picture, colour or preset writes, and how often.
#include "components/KitTestSupport.h"
#include "components/ScriptedDialogs.h"

#include "components/StudioButton.h"
#include "components/StudioColorSwatch.h"
#include "components/StudioLabel.h"
#include "components/StudioSlider.h"
#include "components/StudioSwitch.h"
#include "document/CanvasStyle.h"
#include "platform/PreferencesStore.h"
#include "workspace/CanvasColorWell.h"
#include "workspace/CanvasInspector.h"
#include "workspace/InspectorSection.h"
#include "workspace/StudioBackgroundTile.h"

#include <QColorDialog>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace sablewick::test {
namespace {

class CanvasInspectorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        panel = std::make_unique<CanvasInspector>(
            StudioBinding<EditSettings>{[this] { return settings; },
                                        [this](const EditSettings& s) {
                                            settings = s;
                                            ++writes;
                                            panel->refresh();
                                        }},
            presets, &dialogs);
        panel->setChance([this](std::size_t n) {
            asked.push_back(n);
            return n - 1;
        });
        panel->resize(330, 1400);
        panel->show();
        QCoreApplication::processEvents();
    }

    // Changes the record as another part of the program would, then tells the panel.
    void change(const std::function<void(EditSettings&)>& edit)
    {
        edit(settings);
        panel->refresh();
    }
    template <class W = QWidget>
    W* named(const QString& name) const
    {
        for (W* w : panel->findChildren<W*>())
            if (w->accessibleName() == name || w->objectName() == name)
                return w;
        return nullptr;
    }
    bool shown(const QWidget* w) const { return w && w->isVisibleTo(panel.get()); }
    bool showsText(const QString& text) const
    {
        for (auto* label : panel->findChildren<StudioLabel*>())
            if (shown(label) && label->text() == text)
                return true;
        return false;
    }
    StudioBackgroundTile* tile(std::size_t i) const
    {
        return static_cast<StudioBackgroundTile*>(panel->backgroundTiles().at(i));
    }
    std::vector<int> selectedTiles() const
    {
        std::vector<int> selected;
        for (std::size_t i = 0; i < panel->backgroundTiles().size(); ++i)
            if (tile(i)->isSelected())
                selected.push_back(int(i));
        return selected;
    }
    QStringList menuTexts(QMenu* menu) const
    {
        QStringList texts;
        for (QAction* a : menu->actions())
            texts << (a->isSeparator() ? QStringLiteral("---") : a->text());
        return texts;
    }
    QAction* menuItem(QMenu* menu, const QString& text) const
    {
        for (QAction* a : menu->actions())
            if (a->text() == text)
                return a;
        return nullptr;
    }

    EditSettings settings;
    int writes = 0;
    std::vector<std::size_t> asked;
    MemoryPreferencesStore store;
    CanvasPresets presets{store};
    ScriptedDialogs dialogs;
    std::unique_ptr<CanvasInspector> panel;
};

TEST_F(CanvasInspectorTest, EachBackgroundKindShowsItsOwnControls)
{
    auto* shuffle = named(QStringLiteral("Shuffle background"));
    auto* blur = named<SettingSlider>(QStringLiteral("Blur"));
    auto* choose = named(QStringLiteral("chooseImage"));
    auto* custom = named<CanvasColorWell>(QStringLiteral("Custom color"));
    const QString hidden =
        QStringLiteral("Show the content without an outer background. Choose a background to add canvas spacing.");
    struct Case {
        BackgroundKind kind;
        std::size_t tiles;
        bool blur, choose, colors;
        const char* help;
    };
    for (const Case& c : {Case{BackgroundKind::gradient, 19, false, false, false, "Choose another gradient"},
                          Case{BackgroundKind::pattern, 10, true, false, false, "Choose another pattern"},
                          Case{BackgroundKind::image, 3, true, true, false, "Choose another image"},
                          Case{BackgroundKind::solid, 0, false, false, true, "Choose another color"}}) {
        change([&](EditSettings& s) { s.backgroundKind = c.kind; });
        const bool tiles = c.tiles > 0;
        EXPECT_EQ(tiles ? panel->backgroundTiles().size() : 0, c.tiles) << c.help;
        if (tiles) {
            EXPECT_TRUE(shown(panel->backgroundTiles().front()->parentWidget())) << c.help;
        }
        EXPECT_EQ(shown(blur), c.blur) << c.help;
        EXPECT_EQ(shown(choose), c.choose) << c.help;
        EXPECT_EQ(shown(custom), c.colors) << c.help;
        EXPECT_TRUE(shown(shuffle));
        EXPECT_EQ(shuffle->toolTip(), c.help);
        EXPECT_FALSE(showsText(hidden));
    }
    change([](EditSettings& s) { s.backgroundKind = BackgroundKind::hidden; });
    EXPECT_FALSE(shown(shuffle)) << "nothing to shuffle without a background";
    EXPECT_FALSE(shown(custom));
    EXPECT_TRUE(showsText(hidden));
    EXPECT_EQ(writes, 0) << "showing a record writes nothing";
}

TEST_F(CanvasInspectorTest, GradientLibraryKeepsTheCurrentPresetInSightAndTilesInPlace)
{
    const auto& all = BackgroundPreset::all();
    auto* toggle = named<QAbstractButton>(QStringLiteral("gradientLibrary"));
    EXPECT_EQ(toggle->text(), "All 26");
    EXPECT_EQ(toggle->accessibleName(), "Show all 26 gradients");
    EXPECT_TRUE(showsText(all[0].name));
    EXPECT_EQ(selectedTiles(), std::vector<int>{0});

    change([&](EditSettings& s) { s.background = all[22]; });
    ASSERT_EQ(panel->backgroundTiles().size(), 19u);
    EXPECT_EQ(tile(18)->title(), all[22].name);
    EXPECT_EQ(tile(17)->title(), all[17].name);
    EXPECT_EQ(selectedTiles(), std::vector<int>{18});

    QWidget* before = tile(3);
    change([](EditSettings& s) { s.shadowStrength = 0.5; });
    EXPECT_EQ(tile(3), before) << "an unrelated change leaves the tiles and their renderings alone";

    toggle->click();
    EXPECT_EQ(panel->backgroundTiles().size(), 26u);
    EXPECT_EQ(toggle->text(), "Show less");
    EXPECT_EQ(toggle->accessibleName(), "Show fewer gradients");
    EXPECT_EQ(selectedTiles(), std::vector<int>{22});
    // Leaving the gradients and coming back keeps the library open.
    change([](EditSettings& s) { s.backgroundKind = BackgroundKind::solid; });
    change([](EditSettings& s) { s.backgroundKind = BackgroundKind::gradient; });
    EXPECT_EQ(panel->backgroundTiles().size(), 26u);

    click(tile(5));
    EXPECT_EQ(settings.background, all[5]);
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(selectedTiles(), std::vector<int>{5});
    EXPECT_TRUE(showsText(all[5].name));
}

TEST_F(CanvasInspectorTest, ArtworkTilesAndTheUsersOwnPicture)
{
    change([](EditSettings& s) {
        s.backgroundKind = BackgroundKind::image;
        s.backgroundArtwork = BackgroundArtwork::patternGrid;
    });
    EXPECT_EQ(selectedTiles(), std::vector<int>{0}) << "a stored pattern shows the first picture";
    EXPECT_EQ(tile(0)->title(), Artwork::name(BackgroundArtwork::glassFlow));

    auto* choose = named<QAbstractButton>(QStringLiteral("chooseImage"));
    EXPECT_EQ(choose->text(), QString::fromUtf8("Choose your own image…"));
    dialogs.openAnswers = {std::nullopt};
    choose->click();
    EXPECT_EQ(writes, 0) << "a cancelled panel changes nothing";
    const QUrl own = QUrl::fromLocalFile(QStringLiteral("/home/someone/Pictures/a very long holiday picture name.png"));
    dialogs.openAnswers = {own};
    choose->click();
    ASSERT_EQ(dialogs.openRequests.size(), 2u);
    EXPECT_TRUE(dialogs.openRequests.back().types.front().patterns.contains(QStringLiteral("*.png")));
    EXPECT_EQ(settings.backgroundImageURL, own);
    EXPECT_EQ(settings.backgroundArtwork, BackgroundArtwork::patternGrid) << "the artwork is left as it was";
    EXPECT_EQ(choose->text(), QString::fromUtf8("Replace image…"));
    EXPECT_TRUE(selectedTiles().empty()) << "the user's picture replaces every artwork";
    auto* name = named(own.fileName());
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(shown(name));

    // An artwork pick is two writes: the artwork, then the user's picture cleared.
    writes = 0;
    click(tile(2));
    EXPECT_EQ(writes, 2);
    EXPECT_EQ(settings.backgroundArtwork, BackgroundArtwork::clayFolds);
    EXPECT_FALSE(settings.backgroundImageURL);
    EXPECT_EQ(selectedTiles(), std::vector<int>{2});
    EXPECT_FALSE(shown(name));

    settings.backgroundImageURL = own;
    panel->refresh();
    named<QAbstractButton>(QStringLiteral("Remove custom background"))->click();
    EXPECT_FALSE(settings.backgroundImageURL);
    EXPECT_EQ(settings.backgroundArtwork, BackgroundArtwork::clayFolds);
}

TEST_F(CanvasInspectorTest, ShuffleWritesAnotherBackgroundOfTheKind)
{
    auto* shuffle = named<QAbstractButton>(QStringLiteral("Shuffle background"));
    shuffle->click();
    EXPECT_EQ(asked, std::vector<std::size_t>{25});
    EXPECT_EQ(settings.background, BackgroundPreset::all().back());
    EXPECT_EQ(writes, 1);

    change([](EditSettings& s) {
        s.backgroundKind = BackgroundKind::pattern;
        s.backgroundArtwork = BackgroundArtwork::patternMemphis;
        s.backgroundImageURL = QUrl::fromLocalFile("/tmp/own.png");
    });
    shuffle->click();
    EXPECT_EQ(asked.back(), 9u);
    EXPECT_EQ(settings.backgroundArtwork, BackgroundArtwork::patternIsometric);
    EXPECT_FALSE(settings.backgroundImageURL);
    EXPECT_EQ(writes, 3);

    change([](EditSettings& s) {
        s.backgroundKind = BackgroundKind::solid;
        s.solidColor = 0xF1D2E6;
    });
    shuffle->click();
    EXPECT_EQ(settings.solidColor, 0xD1C2EBu);
}

TEST_F(CanvasInspectorTest, SolidColoursAndTheCustomColour)
{
    change([](EditSettings& s) { s.backgroundKind = BackgroundKind::solid; });
    auto* white = named<StudioColorSwatch>(QStringLiteral("Color #FFFFFF"));
    ASSERT_NE(white, nullptr);
    EXPECT_EQ(white->toolTip(), "Color #FFFFFF");
    EXPECT_FALSE(white->isSelected()) << "the default colour 0xE8ECF2 is not among the swatches";
    white->click();
    EXPECT_EQ(settings.solidColor, 0xFFFFFFu);
    EXPECT_TRUE(white->isSelected());

    auto* well = named<CanvasColorWell>(QStringLiteral("Custom color"));
    EXPECT_EQ(well->swatch()->color(), QColor(Qt::white));
    well->openChooser();
    ASSERT_NE(well->chooser(), nullptr);
    EXPECT_FALSE(well->chooser()->testOption(QColorDialog::ShowAlphaChannel));
    well->chooser()->setCurrentColor(QColor::fromRgbF(1, 0.5f, 0));
    EXPECT_EQ(settings.solidColor, 0xFF8000u);
    EXPECT_FALSE(white->isSelected());
    // Cancelling the chooser puts back the colour it opened with.
    well->chooser()->reject();
    EXPECT_EQ(settings.solidColor, 0xFFFFFFu);
}

TEST_F(CanvasInspectorTest, FrameRowsFollowTheBackgroundAndTheInset)
{
    auto* spacing = named<SettingSlider>(QStringLiteral("Canvas spacing"));
    auto* inset = named<SettingSlider>(QStringLiteral("Inset"));
    auto* insetColor = named<CanvasColorWell>(QStringLiteral("Inset color"));
    auto* balance = named<StudioSwitch>(QStringLiteral("Balance inner corners"));
    auto* shadow = named<SettingSlider>(QStringLiteral("Shadow"));
    ASSERT_TRUE(spacing && inset && insetColor && balance && shadow);
    EXPECT_TRUE(shown(spacing));
    EXPECT_FALSE(shown(insetColor));
    EXPECT_FALSE(shown(balance));
    EXPECT_EQ(shadow->formattedValue(), "24%");
    EXPECT_EQ(inset->formattedValue(), "0 px");
    EXPECT_DOUBLE_EQ(shadow->field()->slider()->scale().upper(), 0.6);

    change([](EditSettings& s) { s.backgroundKind = BackgroundKind::hidden; });
    EXPECT_FALSE(shown(spacing));
    change([](EditSettings& s) { s.backgroundKind = BackgroundKind::pattern; });
    EXPECT_TRUE(shown(spacing));
    EXPECT_EQ(spacing->formattedValue(), "8%") << "7.5 stays as it was";

    // Moving the inset stores it and brings its colour (white) and the corner balance (on).
    inset->field()->slider()->setValue(inset->field()->slider()->maximum() / 4);
    EXPECT_EQ(settings.frameInset, 16);
    EXPECT_EQ(inset->formattedValue(), "16 px");
    EXPECT_TRUE(shown(insetColor));
    EXPECT_TRUE(shown(balance));
    EXPECT_EQ(insetColor->swatch()->color(), QColor(Qt::white));
    EXPECT_TRUE(balance->isChecked());
    EXPECT_FALSE(settings.balancedCorners);
    balance->click();
    EXPECT_EQ(settings.balancedCorners, false);
    change([](EditSettings& s) { s.balancedCorners.reset(); });
    EXPECT_TRUE(balance->isChecked());
}

TEST_F(CanvasInspectorTest, PresetsAreSavedAppliedAndDeletedFromTheMenu)
{
    EXPECT_EQ(menuTexts(panel->presetsMenu()), (QStringList{"No saved presets", "---", QString::fromUtf8("Save current style…")}));
    EXPECT_FALSE(panel->presetsMenu()->actions().front()->isEnabled());

    change([](EditSettings& s) {
        s.backgroundKind = BackgroundKind::solid;
        s.solidColor = 0x5BA88D;
        s.cornerRadius = 40;
    });
    menuItem(panel->presetsMenu(), QString::fromUtf8("Save current style…"))->trigger();
    QDialog* dialog = panel->presetNameDialog();
    ASSERT_NE(dialog, nullptr);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("presetName"));
    auto* save = dialog->findChild<QAbstractButton*>(QStringLiteral("savePreset"));
    EXPECT_FALSE(save->isEnabled());
    QTest::keyClicks(name, "  \t ");
    EXPECT_FALSE(save->isEnabled()) << "blanks are no name";
    name->clear();
    QTest::keyClicks(name, " Mint card ");
    ASSERT_TRUE(save->isEnabled());
    save->click();
    ASSERT_EQ(presets.items().size(), 1u);
    EXPECT_EQ(presets.items()[0].name, "Mint card");
    EXPECT_EQ(panel->typedPresetName(), " Mint card ");
    EXPECT_EQ(writes, 0) << "saving a preset does not touch the edit";

    EXPECT_EQ(menuTexts(panel->presetsMenu()),
              (QStringList{"Mint card", "---", QString::fromUtf8("Save current style…"), "Delete preset"}));

    // Applying it writes the whole look at once and keeps the format.
    change([](EditSettings& s) {
        s = EditSettings{};
        s.aspect = AspectRatio::custom;
        s.customAspectWidth = 21;
    });
    menuItem(panel->presetsMenu(), "Mint card")->trigger();
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(settings.backgroundKind, BackgroundKind::solid);
    EXPECT_EQ(settings.solidColor, 0x5BA88Du);
    EXPECT_EQ(settings.cornerRadius, 40);
    EXPECT_EQ(settings.frameInset, 0.0) << "the frame settings become present";
    EXPECT_EQ(settings.frameColor, 0xFFFFFFu);
    EXPECT_EQ(settings.balancedCorners, true);
    EXPECT_EQ(settings.aspect, AspectRatio::custom);
    EXPECT_EQ(settings.customAspectWidth, 21);

    // Saving under the same name in other letters replaces the style and keeps the first name.
    menuItem(panel->presetsMenu(), QString::fromUtf8("Save current style…"))->trigger();
    EXPECT_TRUE(panel->typedPresetName().isEmpty());
    QTest::keyClicks(panel->presetNameDialog()->findChild<QLineEdit*>(QStringLiteral("presetName")), "MINT CARD");
    QTest::keyClick(panel->presetNameDialog()->findChild<QLineEdit*>(QStringLiteral("presetName")), Qt::Key_Return);
    ASSERT_EQ(presets.items().size(), 1u);
    EXPECT_EQ(presets.items()[0].name, "Mint card");

    QMenu* remove = menuItem(panel->presetsMenu(), "Delete preset")->menu();
    ASSERT_NE(remove, nullptr);
    EXPECT_EQ(menuTexts(remove), QStringList{"Mint card"});
    remove->actions().front()->trigger();
    EXPECT_TRUE(presets.items().empty());
}

TEST_F(CanvasInspectorTest, CancellingTheSaveDialogStoresNothing)
{
    menuItem(panel->presetsMenu(), QString::fromUtf8("Save current style…"))->trigger();
    QDialog* dialog = panel->presetNameDialog();
    QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("presetName")), "Draft");
    for (auto* b : dialog->findChildren<QAbstractButton*>())
        if (b->text() == "Cancel")
            b->click();
    EXPECT_TRUE(presets.items().empty());
    EXPECT_EQ(panel->typedPresetName(), "Draft");
}

}  // namespace
}  // namespace sablewick::test

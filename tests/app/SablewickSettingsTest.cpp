#include "app/SablewickSettings.h"

#include "app/StudioShortcutRecorder.h"
#include "components/StudioButton.h"
#include "components/StudioSegments.h"
#include "components/StudioSwitch.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "preferences/FakeSystemAppearance.h"

#include <gtest/gtest.h>

namespace sablewick {
namespace {

using A = StudioShortcutAction;

TEST(SettingsTabTest, TabsAndTheirRawValues)
{
    EXPECT_EQ(settingsTabFromRawValue("General"), SettingsTab::general);
    EXPECT_EQ(settingsTabFromRawValue("Shortcuts"), SettingsTab::shortcuts);
    EXPECT_EQ(settingsTabFromRawValue("general"), std::nullopt);
    EXPECT_EQ(settingsTabFromRawValue(""), std::nullopt);
}

TEST(SettingsTabTest, ShortcutSectionsSplitTheGlobalActionsFromTheEditorOnes)
{
    const auto sections = settingsSections(SettingsTab::shortcuts);
    ASSERT_EQ(sections.size(), 3u);
    EXPECT_EQ(sections[0].header, "Recording · works in any app");
    EXPECT_EQ(sections[1].header, "Editor · when Sablewick is active");
    EXPECT_TRUE(sections[2].header.isEmpty());
    std::vector<A> global, editor;
    for (const auto& item : sections[0].items)
        global.push_back(*item.action);
    for (const auto& item : sections[1].items)
        editor.push_back(*item.action);
    EXPECT_EQ(global, (std::vector<A>{A::recording, A::markZoom, A::captureScreenshot}));
    ASSERT_EQ(editor.size(), 15u);
    EXPECT_EQ(editor.front(), A::openImage);
    EXPECT_EQ(editor.back(), A::loop);
}

TEST(SettingsTabTest, CustomColourRoundsHalvesAwayFromZero)
{
    const std::pair<QColor, quint32> cases[] = {
        {QColor::fromRgbF(0.5f, 0.25f, 1.0f), 0x8040FFu},
        {QColor::fromRgbF(0, 0, 0), 0x000000u},
        {QColor::fromRgbF(1, 1, 1), 0xFFFFFFu},
        {QColor(0x6B, 0x88, 0xFF), 0x6B88FFu},
        {QColor::fromHsvF(0.0f, 1.0f, 1.0f), 0xFF0000u},  // another colour model converts first
    };
    for (const auto& [color, rgb] : cases)
        EXPECT_EQ(customAccentFromColor(color), rgb) << color.name().toStdString();
    EXPECT_EQ(customAccentFromColor(QColor()), std::nullopt);
    EXPECT_EQ(customAccentFromColor(colorFromCustomAccent(0x12AB34)), 0x12AB34u);
}

class SablewickSettingsTest : public ::testing::Test {
protected:
    template <class T>
    T* find(const QString& text = {})
    {
        for (T* widget : settings.form()->findChildren<T*>()) {
            if (text.isEmpty() || widget->text() == text)
                return widget;
        }
        return nullptr;
    }

    MemoryPreferencesStore store;
    AppPreferences preferences{store, std::make_shared<test::FakeSystemAppearance>()};
    std::optional<QColor> nextColor;
    SablewickSettings settings{preferences, store, [this](const QColor&, QWidget*) { return nextColor; }};
};

TEST_F(SablewickSettingsTest, OpensOnAppearanceWithThreeTabs)
{
    EXPECT_EQ(settings.tab(), SettingsTab::appearance);
    EXPECT_EQ(settings.size(), QSize(650, 610));
    auto* picker = settings.findChild<StudioSegments*>();
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->labels(), (QStringList{"General", "Appearance", "Shortcuts"}));
    EXPECT_EQ(picker->selectedIndex(), 1);
}

TEST_F(SablewickSettingsTest, MenuBarSwitchIsOnUntilTurnedOff)
{
    settings.setTab(SettingsTab::general);
    auto* toggle = find<StudioSwitch>("Show Sablewick in the menu bar");
    ASSERT_TRUE(toggle);
    EXPECT_TRUE(toggle->isChecked());
    std::vector<bool> told;
    QObject::connect(&settings, &SablewickSettings::showMenuBarIconChanged, [&](bool shown) { told.push_back(shown); });
    toggle->click();
    EXPECT_EQ(store.value("showMenuBarIcon"), QVariant(false));
    EXPECT_FALSE(showMenuBarIcon(store));
    EXPECT_EQ(told, std::vector<bool>{false});
}

TEST_F(SablewickSettingsTest, ChosenColourBecomesTheCustomAccent)
{
    preferences.setAccent(StudioAccent::green);
    nextColor = QColor::fromRgbF(0.5f, 0.25f, 1.0f);
    settings.chooseCustomColor();
    EXPECT_EQ(preferences.customAccent(), 0x8040FFu);
    EXPECT_EQ(preferences.accent(), StudioAccent::custom);

    preferences.setAccent(StudioAccent::blue);
    nextColor.reset();  // cancelled
    settings.chooseCustomColor();
    EXPECT_EQ(preferences.accent(), StudioAccent::blue);
    EXPECT_EQ(preferences.customAccent(), 0x8040FFu);
}

TEST_F(SablewickSettingsTest, RestoringAppearanceLeavesShortcutsAndTheMenuBarSwitch)
{
    store.setValue("showMenuBarIcon", false);
    preferences.setShortcutOverrides({{A::loop, {std::nullopt}}});
    preferences.setAppearance(StudioAppearance::dark);
    preferences.setAccent(StudioAccent::custom);
    preferences.setCustomAccent(0x123456);
    preferences.setReduceMotion(true);
    preferences.setReduceTransparency(true);
    auto* motion = find<StudioSwitch>("Reduce interface motion");
    ASSERT_TRUE(motion);
    EXPECT_TRUE(motion->isChecked());

    find<StudioButton>("Restore appearance defaults")->click();
    EXPECT_EQ(preferences.appearance(), StudioAppearance::system);
    EXPECT_EQ(preferences.accent(), StudioAccent::blue);
    EXPECT_EQ(preferences.customAccent(), 0x6B88FFu);
    EXPECT_FALSE(preferences.reduceMotion());
    EXPECT_FALSE(preferences.reduceTransparency());
    EXPECT_FALSE(motion->isChecked());
    EXPECT_EQ(preferences.binding(A::loop), std::nullopt);
    EXPECT_FALSE(showMenuBarIcon(store));
}

TEST_F(SablewickSettingsTest, RestoringShortcutsBringsBackEveryDefault)
{
    const StudioKeyBinding other{QStringLiteral("j"), 38, StudioKeyBinding::commandBit};
    preferences.setShortcutOverrides({{A::loop, {std::nullopt}}, {A::save, {other}}});
    preferences.setAccent(StudioAccent::green);
    settings.setTab(SettingsTab::shortcuts);
    EXPECT_EQ(settings.form()->findChildren<StudioShortcutRecorder*>().size(), 18);

    find<StudioButton>("Restore shortcut defaults")->click();
    EXPECT_EQ(preferences.binding(A::loop), defaultBinding(A::loop));
    EXPECT_EQ(preferences.binding(A::save), defaultBinding(A::save));
    EXPECT_EQ(store.value(AppPreferences::shortcutsKey).toByteArray(), QByteArray("{}"));
    EXPECT_EQ(preferences.accent(), StudioAccent::green);
}

}  // namespace
}  // namespace sablewick

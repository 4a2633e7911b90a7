#include "preferences/SystemAppearance.h"

#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "preferences/QtPrinting.h"

#include <QDBusVariant>

#include <gtest/gtest.h>

namespace sablewick {
namespace {

using Scheme = StudioColorScheme;

TEST(PortalAppearanceTest, ReadsColourSchemeMotionAndContrast)
{
    struct Case {
        const char* label;
        QVariantMap map;
        DesktopSettings expected;
    };
    const Case cases[] = {
        {"nothing", {}, {}},
        {"prefers dark", {{"color-scheme", 1u}}, {Scheme::dark, {}, {}}},
        {"prefers light", {{"color-scheme", 2u}}, {Scheme::light, {}, {}}},
        {"no preference", {{"color-scheme", 0u}}, {}},
        {"unknown value", {{"color-scheme", 7u}}, {}},
        {"signed number", {{"color-scheme", 1}}, {Scheme::dark, {}, {}}},
        {"text", {{"color-scheme", QStringLiteral("1")}}, {}},
        {"wrapped in a variant", {{"color-scheme", QVariant::fromValue(QDBusVariant(1u))}}, {Scheme::dark, {}, {}}},
        {"all three", {{"color-scheme", 2u}, {"reduced-motion", 1u}, {"contrast", 1u}}, {Scheme::light, true, true}},
        {"switches off", {{"reduced-motion", 0u}, {"contrast", 0u}}, {std::nullopt, false, false}},
        {"switch out of range", {{"reduced-motion", 2u}}, {}},
    };
    for (const Case& c : cases) {
        const DesktopSettings got = parsePortalAppearance(c.map);
        EXPECT_EQ(got.colorScheme, c.expected.colorScheme) << c.label;
        EXPECT_EQ(got.reduceMotion, c.expected.reduceMotion) << c.label;
        EXPECT_EQ(got.highContrast, c.expected.highContrast) << c.label;
    }
}

TEST(PortalAppearanceTest, PaletteBrightnessDecidesWhenThePortalIsSilent)
{
    EXPECT_EQ(colorSchemeOfPalette(studioPalette(Scheme::dark, Qt::blue)), Scheme::dark);
    EXPECT_EQ(colorSchemeOfPalette(studioPalette(Scheme::light, Qt::blue)), Scheme::light);
    EXPECT_EQ(colorSchemeOfPalette(QPalette(QColor::fromRgb(0x7A7A7A), QColor::fromRgb(0x7A7A7A))), Scheme::dark);
    EXPECT_EQ(colorSchemeOfPalette(QPalette(QColor::fromRgb(0x808080), QColor::fromRgb(0x808080))), Scheme::light);
}

TEST(PortalAppearanceTest, NoBusMeansNoAnswer)
{
    const auto source = makePortalSettingsSource(200, QStringLiteral("unix:path=/nonexistent/sablewick-test-bus"));
    EXPECT_EQ(source->read(), DesktopSettings{});
}

class ScriptedSource final : public DesktopSettingsSource {
public:
    DesktopSettings answer;
    int reads = 0;
    std::function<void(const DesktopSettings&)> changed;

    DesktopSettings read() override
    {
        ++reads;
        return answer;
    }
    void watch(std::function<void(const DesktopSettings&)> callback) override { changed = std::move(callback); }
};

TEST(DesktopSystemAppearanceTest, AsksThePortalOnceAndFallsBackToThePalette)
{
    auto owned = std::make_unique<ScriptedSource>();
    ScriptedSource* source = owned.get();
    source->answer = {std::nullopt, true, false};
    DesktopSystemAppearance desktop(std::move(owned));
    EXPECT_EQ(source->reads, 0);  // nothing is asked before it is needed
    // No QGuiApplication here: the built-in light palette stands in for the desktop's.
    EXPECT_EQ(desktop.colorScheme(), Scheme::light);
    EXPECT_TRUE(desktop.reduceMotion());
    EXPECT_FALSE(desktop.reduceTransparency());
    EXPECT_EQ(source->reads, 1);
}

TEST(DesktopSystemAppearanceTest, DesktopChangesReachThePreferences)
{
    auto owned = std::make_unique<ScriptedSource>();
    ScriptedSource* source = owned.get();
    source->answer = {Scheme::light, false, false};
    auto desktop = std::make_shared<DesktopSystemAppearance>(std::move(owned));
    MemoryPreferencesStore store;
    AppPreferences prefs(store, desktop);
    int notices = 0;
    QObject::connect(&prefs, &AppPreferences::systemAppearanceChanged, [&] { ++notices; });

    EXPECT_EQ(prefs.effectiveColorScheme(), Scheme::light);
    ASSERT_TRUE(source->changed);
    source->changed({Scheme::dark, false, true});
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(prefs.effectiveColorScheme(), Scheme::dark);
    EXPECT_TRUE(prefs.studioReduceTransparency());
    // The same settings again are no change.
    source->changed({Scheme::dark, false, true});
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(source->reads, 1);
}

}  // namespace
}  // namespace sablewick

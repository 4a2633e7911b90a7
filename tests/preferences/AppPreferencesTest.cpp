#include "preferences/AppPreferences.h"

#include "platform/PreferencesStore.h"
#include "preferences/FakeSystemAppearance.h"
#include "preferences/KeyBindingLiteral.h"

#include <QTemporaryDir>

#include <limits>

#include "preferences/QtPrinting.h"

#include <gtest/gtest.h>

namespace sablewick {
namespace {

using A = StudioShortcutAction;
using B = StudioKeyBinding;

// Counts the emissions of one signal.
class SignalCount {
public:
    template <typename Signal>
    SignalCount(AppPreferences* sender, Signal signal)
    {
        QObject::connect(sender, signal, &m_context, [this] { ++m_count; });
    }
    int count() const { return m_count; }

private:
    QObject m_context;
    int m_count = 0;
};

class AppPreferencesTest : public testing::Test {
protected:
    std::unique_ptr<AppPreferences> read()
    {
        return std::make_unique<AppPreferences>(store, desktop);
    }

    MemoryPreferencesStore store;
    std::shared_ptr<test::FakeSystemAppearance> desktop = std::make_shared<test::FakeSystemAppearance>();
};

const QString kAllKeys[] = {AppPreferences::appearanceKey,    AppPreferences::accentKey,
                            AppPreferences::customAccentKey,  AppPreferences::reduceMotionKey,
                            AppPreferences::reduceTransparencyKey, AppPreferences::shortcutsKey};

TEST_F(AppPreferencesTest, AnEmptyStoreGivesTheDefaultsAndWritesNothing)
{
    const auto prefs = read();
    EXPECT_EQ(prefs->appearance(), StudioAppearance::system);
    EXPECT_EQ(prefs->accent(), StudioAccent::blue);
    EXPECT_EQ(prefs->customAccent(), 0x6B88FFu);
    EXPECT_FALSE(prefs->reduceMotion());
    EXPECT_FALSE(prefs->reduceTransparency());
    EXPECT_TRUE(prefs->shortcutOverrides().empty());
    EXPECT_EQ(prefs->shortcutCapture(), std::nullopt);
    EXPECT_TRUE(prefs->registrationErrors().empty());
    for (const QString& key : kAllKeys)
        EXPECT_FALSE(store.contains(key)) << key.toStdString();
}

struct ReadCase {
    QVariant stored;
    int expected;
};

TEST_F(AppPreferencesTest, AppearanceMatchesExactly)
{
    const std::pair<QVariant, StudioAppearance> cases[] = {
        {QVariant(), StudioAppearance::system},
        {QStringLiteral("System"), StudioAppearance::system},
        {QStringLiteral("Light"), StudioAppearance::light},
        {QStringLiteral("Dark"), StudioAppearance::dark},
        {QStringLiteral("dark"), StudioAppearance::system},
        {QStringLiteral("DARK"), StudioAppearance::system},
        {QStringLiteral(" Dark"), StudioAppearance::system},
        {QVariant::fromValue<qint64>(2), StudioAppearance::system},
        {QByteArray("Dark"), StudioAppearance::system},
    };
    for (const auto& [stored, expected] : cases) {
        store.removeValue(AppPreferences::appearanceKey);
        if (stored.isValid())
            store.setValue(AppPreferences::appearanceKey, stored);
        EXPECT_EQ(read()->appearance(), expected) << stored.toString().toStdString();
    }
}

TEST_F(AppPreferencesTest, AccentMatchesTheDisplayName)
{
    const std::pair<QVariant, StudioAccent> cases[] = {
        {QVariant(), StudioAccent::blue},
        {QStringLiteral("Electric Blue"), StudioAccent::electricBlue},
        {QStringLiteral("electricBlue"), StudioAccent::blue},
        {QStringLiteral("Custom"), StudioAccent::custom},
        {QStringLiteral("System"), StudioAccent::system},
        {QStringLiteral("Violet"), StudioAccent::violet},
        {QStringLiteral(""), StudioAccent::blue},
        {QVariant::fromValue<qint64>(3), StudioAccent::blue},
    };
    for (const auto& [stored, expected] : cases) {
        store.removeValue(AppPreferences::accentKey);
        if (stored.isValid())
            store.setValue(AppPreferences::accentKey, stored);
        EXPECT_EQ(read()->accent(), expected) << stored.toString().toStdString();
    }
}

TEST_F(AppPreferencesTest, CustomAccentMustBeAnIntegerAndIsClampedAndMasked)
{
    const std::pair<QVariant, quint32> cases[] = {
        {QVariant(), 0x6B88FF},
        {QVariant::fromValue<qint64>(-5), 0x000000},
        {QVariant::fromValue<qint64>(0), 0x000000},
        {QVariant::fromValue<qint64>(0x123456), 0x123456},
        {QVariant::fromValue<qint64>(33488896), 0xFF0000},  // 0x1FF0000: the top byte is dropped
        {QVariant::fromValue<qint64>(4294967295), 0xFFFFFF},
        {QVariant::fromValue<qint64>(4294967296), 0xFFFFFF},
        {QVariant::fromValue<qint64>(std::numeric_limits<qint64>::max()), 0xFFFFFF},
        {QStringLiteral("16711680"), 0x6B88FF},  // digits, not an integer
        {QVariant(255.0), 0x6B88FF},
        {QVariant(true), 0x6B88FF},
    };
    for (const auto& [stored, expected] : cases) {
        store.removeValue(AppPreferences::customAccentKey);
        if (stored.isValid())
            store.setValue(AppPreferences::customAccentKey, stored);
        EXPECT_EQ(read()->customAccent(), expected) << stored.toString().toStdString();
    }
}

TEST_F(AppPreferencesTest, ReduceSwitchesUseTheBooleanReading)
{
    const std::pair<QVariant, bool> cases[] = {
        {QVariant(), false},
        {QVariant(true), true},
        {QVariant(false), false},
        {QVariant::fromValue<qint64>(1), true},
        {QVariant::fromValue<qint64>(0), false},
        {QStringLiteral("YES"), true},
        {QStringLiteral("true"), true},
        {QStringLiteral("no"), false},
        {QStringLiteral("0"), false},
        {QVariant(0.5), true},
        {QByteArray("1"), false},
    };
    for (const auto& [stored, expected] : cases) {
        for (const QString& key : {AppPreferences::reduceMotionKey, AppPreferences::reduceTransparencyKey}) {
            store.removeValue(key);
            if (stored.isValid())
                store.setValue(key, stored);
        }
        const auto prefs = read();
        EXPECT_EQ(prefs->reduceMotion(), expected) << stored.toString().toStdString();
        EXPECT_EQ(prefs->reduceTransparency(), expected) << stored.toString().toStdString();
    }
}

TEST_F(AppPreferencesTest, SettersStoreAtOnceAndSignalChanges)
{
    auto prefs = read();
    SignalCount appearance(prefs.get(), &AppPreferences::appearanceChanged);
    SignalCount accent(prefs.get(), &AppPreferences::accentChanged);
    SignalCount custom(prefs.get(), &AppPreferences::customAccentChanged);
    SignalCount motion(prefs.get(), &AppPreferences::reduceMotionChanged);
    SignalCount transparency(prefs.get(), &AppPreferences::reduceTransparencyChanged);

    prefs->setAppearance(StudioAppearance::dark);
    prefs->setAccent(StudioAccent::electricBlue);
    prefs->setCustomAccent(0xFF123456u);
    prefs->setReduceMotion(true);
    prefs->setReduceTransparency(true);

    EXPECT_EQ(store.value(AppPreferences::appearanceKey), QVariant(QStringLiteral("Dark")));
    EXPECT_EQ(store.value(AppPreferences::accentKey), QVariant(QStringLiteral("Electric Blue")));
    // Written as given; the top byte only goes when it is read back.
    EXPECT_EQ(store.value(AppPreferences::customAccentKey), QVariant::fromValue<qint64>(0xFF123456));
    EXPECT_EQ(store.value(AppPreferences::reduceMotionKey), QVariant(true));
    EXPECT_EQ(store.value(AppPreferences::reduceTransparencyKey), QVariant(true));
    for (const SignalCount* spy : {&appearance, &accent, &custom, &motion, &transparency})
        EXPECT_EQ(spy->count(), 1);

    // The same value again: no notice.
    prefs->setAccent(StudioAccent::electricBlue);
    EXPECT_EQ(accent.count(), 1);

    const auto again = read();
    EXPECT_EQ(again->appearance(), StudioAppearance::dark);
    EXPECT_EQ(again->accent(), StudioAccent::electricBlue);
    EXPECT_EQ(again->customAccent(), 0x123456u);
    EXPECT_TRUE(again->reduceMotion());
    EXPECT_TRUE(again->reduceTransparency());
}

TEST_F(AppPreferencesTest, SettingTheAppearanceBeforeTheApplicationStartsOnlyStoresIt)
{
    // Unit tests run under a QCoreApplication: there is no GUI application to apply it to.
    auto prefs = read();
    SignalCount applied(prefs.get(), &AppPreferences::applicationAppearanceApplied);
    prefs->setAppearance(StudioAppearance::light);
    EXPECT_EQ(store.value(AppPreferences::appearanceKey), QVariant(QStringLiteral("Light")));
    EXPECT_EQ(applied.count(), 0);
}

TEST_F(AppPreferencesTest, ResetAppearanceWritesAllFiveKeysAndKeepsShortcuts)
{
    auto prefs = read();
    prefs->setAccent(StudioAccent::gold);
    prefs->setReduceMotion(true);
    prefs->setShortcutOverrides({{A::loop, {std::nullopt}}});
    prefs->saveShortcuts();
    const QVariant shortcuts = store.value(AppPreferences::shortcutsKey);
    for (const QString& key : {AppPreferences::appearanceKey, AppPreferences::customAccentKey,
                               AppPreferences::reduceTransparencyKey})
        ASSERT_FALSE(store.contains(key));

    prefs->resetAppearance();
    EXPECT_EQ(store.value(AppPreferences::appearanceKey), QVariant(QStringLiteral("System")));
    EXPECT_EQ(store.value(AppPreferences::accentKey), QVariant(QStringLiteral("Blue")));
    EXPECT_EQ(store.value(AppPreferences::customAccentKey), QVariant::fromValue<qint64>(0x6B88FF));
    EXPECT_EQ(store.value(AppPreferences::reduceMotionKey), QVariant(false));
    EXPECT_EQ(store.value(AppPreferences::reduceTransparencyKey), QVariant(false));
    EXPECT_EQ(prefs->accent(), StudioAccent::blue);
    EXPECT_EQ(prefs->shortcutOverrides().size(), 1u);
    EXPECT_EQ(store.value(AppPreferences::shortcutsKey), shortcuts);
}

TEST_F(AppPreferencesTest, PreferencesSurviveTheFileStore)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("preferences.json"));
    {
        FilePreferencesStore file(path);
        AppPreferences prefs(file, desktop);
        prefs.setAccent(StudioAccent::custom);
        prefs.setCustomAccent(0xABCDEF);
        prefs.setShortcutOverrides({{A::export_, {kb("e", 14, 9)}}, {A::loop, {std::nullopt}}});
        prefs.saveShortcuts();
    }
    FilePreferencesStore file(path);
    AppPreferences prefs(file, desktop);
    EXPECT_EQ(prefs.accent(), StudioAccent::custom);
    EXPECT_EQ(prefs.customAccent(), 0xABCDEFu);
    EXPECT_EQ(prefs.binding(A::export_), kb("e", 14, 9));
    EXPECT_EQ(prefs.binding(A::loop), std::nullopt);
    EXPECT_EQ(prefs.binding(A::save), defaultBinding(A::save));
}

// ---- stored shortcuts ----

TEST_F(AppPreferencesTest, StoredShortcutsAreFilteredWhenRead)
{
    store.setValue(AppPreferences::shortcutsKey, QByteArray(R"({
        "export": {"binding": {"key": "e", "keyCode": 14, "modifiers": 9}},
        "loop": {},
        "removedAction": {"binding": {"key": "k", "keyCode": 40, "modifiers": 1}},
        "addZoom": {"binding": {"key": "a", "keyCode": 0, "modifiers": 0}},
        "undo": {"binding": {"key": "u", "keyCode": 32, "modifiers": 16}},
        "redo": {"binding": {"key": "y", "keyCode": 200, "modifiers": 1}},
        "save": {"binding": {"key": "f13", "keyCode": 105, "modifiers": 1}},
        "openVideo": {"binding": {"key": "s", "keyCode": 1, "modifiers": 1}}
    })"));
    const QVariant before = store.value(AppPreferences::shortcutsKey);
    const auto prefs = read();
    const StudioShortcutOverrides expected{
        {A::export_, {kb("e", 14, 9)}},
        {A::loop, {std::nullopt}},
        // Passes the reading filter although assigning it would be refused.
        {A::addZoom, {kb("a", 0, 0)}},
        // No conflict rule is applied when reading.
        {A::openVideo, {kb("s", 1, 1)}},
    };
    EXPECT_EQ(prefs->shortcutOverrides(), expected);
    EXPECT_EQ(prefs->binding(A::loop), std::nullopt);
    EXPECT_EQ(prefs->binding(A::undo), defaultBinding(A::undo));
    // The filtered result is not written back.
    EXPECT_EQ(store.value(AppPreferences::shortcutsKey), before);
}

TEST_F(AppPreferencesTest, OneMalformedMemberDropsEveryOverride)
{
    store.setValue(AppPreferences::shortcutsKey, QByteArray(R"({
        "export": {"binding": {"key": "e", "keyCode": 14, "modifiers": 9}},
        "save": {"binding": {"key": "s", "keyCode": "1", "modifiers": 1}}})"));
    EXPECT_TRUE(read()->shortcutOverrides().empty());
}

TEST_F(AppPreferencesTest, SystemWideHotKeysReadBackMustPassValidation)
{
    store.setValue(AppPreferences::shortcutsKey, QByteArray(R"({
        "recording": {"binding": {"key": "a", "keyCode": 0, "modifiers": 0}},
        "markZoom": {"binding": {"key": "q", "keyCode": 12, "modifiers": 1}},
        "captureScreenshot": {"binding": {"key": "f5", "keyCode": 96, "modifiers": 0}},
        "openImage": {"binding": {"key": "b", "keyCode": 11, "modifiers": 0}}
    })"));
    auto prefs = read();
    // A plain letter and a reserved combination would grab keys from every application: dropped,
    // so the defaults apply. A bare function key is accepted by validation and stays.
    EXPECT_EQ(prefs->binding(A::recording), defaultBinding(A::recording));
    EXPECT_EQ(prefs->binding(A::markZoom), defaultBinding(A::markZoom));
    EXPECT_EQ(prefs->binding(A::captureScreenshot), kb("f5", 96, 0));
    // Shortcuts of the application's own windows keep the plain reading filter.
    EXPECT_EQ(prefs->binding(A::openImage), kb("b", 11, 0));

    // A hot key that would steal another action's combination is dropped too; a cleared one stays.
    store.setValue(AppPreferences::shortcutsKey, QByteArray(R"({
        "recording": {"binding": {"key": "s", "keyCode": 1, "modifiers": 1}},
        "markZoom": {}
    })"));
    prefs = read();
    EXPECT_EQ(prefs->binding(A::recording), defaultBinding(A::recording));
    EXPECT_EQ(prefs->binding(A::markZoom), std::nullopt);
}

TEST_F(AppPreferencesTest, UnreadableShortcutsAreKeptAsideBeforeTheFirstSave)
{
    const std::pair<const char*, QVariant> unreadable[] = {
        {"malformed JSON", QByteArray("{\"export\": {\"binding\"")},
        {"not data", QStringLiteral("{}")},
    };
    for (const auto& [label, stored] : unreadable) {
        SCOPED_TRACE(label);
        MemoryPreferencesStore memory;
        memory.setValue(AppPreferences::shortcutsKey, stored);
        AppPreferences prefs(memory, desktop);
        EXPECT_TRUE(prefs.shortcutOverrides().empty());
        // Reading alone changes nothing.
        EXPECT_EQ(memory.value(AppPreferences::shortcutsKey), stored);
        EXPECT_FALSE(memory.contains(AppPreferences::unreadableShortcutsKey));

        prefs.setShortcutOverrides({{A::save, {kb("s", 1, 3)}}});
        prefs.saveShortcuts();
        EXPECT_EQ(memory.value(AppPreferences::unreadableShortcutsKey), stored);
        EXPECT_EQ(memory.value(AppPreferences::shortcutsKey),
                  QVariant(QByteArray(R"({"save":{"binding":{"key":"s","keyCode":1,"modifiers":3}}})")));

        // Later saves leave the kept copy alone.
        prefs.setShortcutOverrides({});
        prefs.saveShortcuts();
        EXPECT_EQ(memory.value(AppPreferences::unreadableShortcutsKey), stored);
        EXPECT_EQ(memory.value(AppPreferences::shortcutsKey), QVariant(QByteArray("{}")));

        // A value that turns unreadable in a later session never replaces the one kept before.
        memory.setValue(AppPreferences::shortcutsKey, QByteArray("[1]"));
        AppPreferences later(memory, desktop);
        later.saveShortcuts();
        EXPECT_EQ(memory.value(AppPreferences::unreadableShortcutsKey), stored);
        EXPECT_EQ(memory.value(AppPreferences::unreadableShortcutsKey + ".2"), QVariant(QByteArray("[1]")));
    }
}

TEST_F(AppPreferencesTest, ReadableShortcutsAreNotKeptAside)
{
    store.setValue(AppPreferences::shortcutsKey, QByteArray(R"({"removedAction": {}})"));
    auto prefs = read();
    prefs->saveShortcuts();
    EXPECT_FALSE(store.contains(AppPreferences::unreadableShortcutsKey));
    EXPECT_EQ(store.value(AppPreferences::shortcutsKey), QVariant(QByteArray("{}")));
}

TEST_F(AppPreferencesTest, SettingOverridesPersistsNothingUntilSaved)
{
    auto prefs = read();
    SignalCount changed(prefs.get(), &AppPreferences::shortcutOverridesChanged);
    prefs->setShortcutOverrides({{A::undo, {kb("u", 32, 1)}}});
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(store.contains(AppPreferences::shortcutsKey));
    EXPECT_EQ(prefs->binding(A::undo), kb("u", 32, 1));
    prefs->saveShortcuts();
    EXPECT_EQ(read()->binding(A::undo), kb("u", 32, 1));
}

TEST_F(AppPreferencesTest, HelpTextCarriesTheEffectiveBinding)
{
    auto prefs = read();
    EXPECT_EQ(prefs->help(QStringLiteral("Export"), A::export_), QString::fromUtf8("Export \xC2\xB7 Ctrl+E"));
    EXPECT_EQ(prefs->help(QStringLiteral("Play"), A::playback), QString::fromUtf8("Play \xC2\xB7 Space"));
    prefs->setShortcutOverrides({{A::export_, {std::nullopt}}});
    EXPECT_EQ(prefs->help(QStringLiteral("Export"), A::export_), QStringLiteral("Export"));
}

TEST_F(AppPreferencesTest, EndingACaptureOnlyEndsItsOwnAction)
{
    auto prefs = read();
    SignalCount changed(prefs.get(), &AppPreferences::shortcutCaptureChanged);
    prefs->setShortcutCapture(A::undo);
    prefs->endShortcutCapture(A::save);
    EXPECT_EQ(prefs->shortcutCapture(), A::undo);
    prefs->endShortcutCapture(A::undo);
    EXPECT_EQ(prefs->shortcutCapture(), std::nullopt);
    prefs->endShortcutCapture(A::undo);
    EXPECT_EQ(prefs->shortcutCapture(), std::nullopt);
    EXPECT_EQ(changed.count(), 2);

    SignalCount errors(prefs.get(), &AppPreferences::registrationErrorsChanged);
    prefs->setRegistrationErrors({{A::recording, QStringLiteral("Taken")}});
    EXPECT_EQ(prefs->registrationErrors().at(A::recording), QStringLiteral("Taken"));
    EXPECT_EQ(errors.count(), 1);
}

// ---- validation ----

const QString kForm = QStringLiteral("Choose a letter, number, arrow or function key.");
const QString kModifier = QString::fromUtf8("Include Ctrl, Alt or Meta so the shortcut won\xE2\x80\x99t interrupt typing.");
const QString kReserved = QStringLiteral("That combination is reserved for the system or a standard window command.");

QString usedBy(const char* title)
{
    return QString::fromUtf8("Already used by \xE2\x80\x9C") + QString::fromUtf8(title) + QString::fromUtf8("\xE2\x80\x9D.");
}

struct ValidationCase {
    const char* label;
    StudioKeyBinding binding;
    A action;
    std::optional<QString> message;
};

TEST_F(AppPreferencesTest, ValidationAppliesItsRulesInOrder)
{
    const auto prefs = read();
    const ValidationCase cases[] = {
        // 1. form, before everything else
        {"two letters", kb("ab", 0, 1), A::loop, kForm},
        {"modifiers out of range", kb("q", 12, 16), A::loop, kForm},
        {"key code out of range", kb("s", 128, 1), A::loop, kForm},
        {"f13", kb("f13", 105, 0), A::loop, kForm},
        // 2. a typing-safe modifier, before the reserved rule
        {"plain letter", kb("a", 0, 0), A::loop, kModifier},
        {"shift alone", kb("q", 12, 8), A::loop, kModifier},
        {"bare space for loop", kb("space", 49, 0), A::loop, kModifier},
        {"shift space for playback", kb("space", 49, 8), A::playback, kModifier},
        {"bare F5", kb("f5", 96, 0), A::loop, std::nullopt},
        {"shift F5", kb("f5", 96, 8), A::openImage, std::nullopt},
        {"bare space for playback", kb("space", 49, 0), A::playback, std::nullopt},
        {"bare escape", kb("escape", 53, 0), A::loop, kModifier},
        // 3. reserved
        {"Ctrl+Q", kb("q", 12, 1), A::loop, kReserved},
        {"Ctrl+Shift+Q", kb("q", 12, 9), A::loop, kReserved},
        {"Meta+Ctrl+Q", kb("q", 12, 5), A::loop, kReserved},
        {"Ctrl+Alt+Esc", kb("escape", 53, 3), A::loop, kReserved},
        {"Ctrl+Tab", kb("tab", 48, 1), A::loop, kReserved},
        {"Ctrl+Shift+Tab", kb("tab", 48, 9), A::loop, kReserved},
        {"Ctrl+Space", kb("space", 49, 1), A::playback, kReserved},
        {"Ctrl+Alt+Space", kb("space", 49, 3), A::loop, kReserved},
        {"Ctrl+W", kb("w", 13, 1), A::loop, kReserved},
        {"Ctrl+H", kb("h", 4, 1), A::loop, kReserved},
        {"Ctrl+M", kb("m", 46, 1), A::loop, kReserved},
        {"Ctrl+,", kb(",", 43, 1), A::loop, kReserved},
        {"Ctrl+A", kb("a", 0, 1), A::save, kReserved},
        {"Ctrl+C", kb("c", 8, 1), A::loop, kReserved},
        {"Ctrl+V", kb("v", 9, 1), A::loop, kReserved},
        {"Ctrl+X", kb("x", 7, 1), A::loop, kReserved},
        {"Ctrl+Shift+W", kb("w", 13, 9), A::loop, std::nullopt},
        {"Meta+Alt+Q", kb("q", 12, 6), A::loop, std::nullopt},
        {"Alt+Esc", kb("escape", 53, 2), A::loop, std::nullopt},
        // 4. conflicts, the first action in order named
        {"Ctrl+S on export", kb("s", 1, 1), A::export_, usedBy("Save project")},
        {"Ctrl+O on loop", kb("o", 31, 1), A::loop, usedBy("Open video")},
        {"Ctrl+Shift+O on loop", kb("o", 31, 9), A::loop, usedBy("Open project")},
        {"Ctrl+Shift+Z on undo", kb("z", 6, 9), A::undo, usedBy("Redo")},
        {"hot key combination", kb("r", 15, 7), A::loop, usedBy("Start / stop recording")},
        {"same code, other name", kb("k", 1, 1), A::export_, usedBy("Save project")},
        {"same name, other code", kb("s", 99, 1), A::export_, usedBy("Save project")},
        {"own binding", kb("e", 14, 1), A::export_, std::nullopt},
        {"space for playback, own", kb("space", 49, 0), A::playback, std::nullopt},
        {"free combination", kb("k", 40, 3), A::loop, std::nullopt},
    };
    for (const ValidationCase& c : cases)
        EXPECT_EQ(prefs->validationError(c.binding, c.action), c.message) << c.label;
}

TEST_F(AppPreferencesTest, ConflictsFollowTheEffectiveBindings)
{
    auto prefs = read();
    ASSERT_EQ(prefs->validationError(kb("s", 1, 1), A::export_), usedBy("Save project"));
    prefs->setShortcutOverrides({{A::save, {std::nullopt}}, {A::undo, {kb("u", 32, 1)}}});
    // save was cleared, undo moved: their old combinations are free, undo's new one is taken.
    EXPECT_EQ(prefs->validationError(kb("s", 1, 1), A::export_), std::nullopt);
    EXPECT_EQ(prefs->validationError(kb("z", 6, 1), A::loop), std::nullopt);
    EXPECT_EQ(prefs->validationError(kb("u", 32, 1), A::loop), usedBy("Undo"));
    // A bare space held by another action blocks playback from taking it.
    prefs->setShortcutOverrides({{A::loop, {kb("space", 49, 0)}}});
    EXPECT_EQ(prefs->validationError(kb("space", 49, 0), A::playback), usedBy("Loop playback"));
}

// ---- accent colours and the desktop ----

TEST_F(AppPreferencesTest, NativeAccentUsesTheCustomColourOnlyForCustom)
{
    auto prefs = read();
    prefs->setAccent(StudioAccent::custom);
    const StudioDynamicColor custom = prefs->nativeAccent();
    EXPECT_EQ(custom.light, QColor(107, 136, 255));
    EXPECT_EQ(custom.dark, QColor(107, 136, 255));
    // The custom colour is used as it is, not corrected, yet its readable form is.
    const StudioDynamicColor readable = prefs->readableAccent();
    EXPECT_EQ(readable.light.rgb() & 0xFFFFFF, 0x4F65BDu);
    EXPECT_EQ(readable.dark.rgb() & 0xFFFFFF, 0x7893FFu);

    prefs->setAccent(StudioAccent::blue);
    EXPECT_EQ(prefs->nativeAccent(), StudioSystemColors::blue());

    prefs->setAccent(StudioAccent::gold);
    EXPECT_EQ(prefs->readableAccent().light.rgb() & 0xFFFFFF, 0x8E6300u);
    EXPECT_EQ(prefs->readableAccent().dark.rgb() & 0xFFFFFF, 0xFFCF3Au);

    prefs->setAccent(StudioAccent::system);
    desktop->accent = QColor::fromRgb(0x00FF00);
    EXPECT_EQ(prefs->nativeAccent(), StudioDynamicColor::fixed(QColor::fromRgb(0x00FF00)));
    // Bright green is unreadable on the light window and darkened there.
    EXPECT_GE(StudioAccentContrast::ratio(prefs->readableAccent().light, StudioSystemColors::windowBackground().light), 4.5);
    EXPECT_EQ(prefs->readableAccent().dark, QColor::fromRgb(0x00FF00));
}

TEST_F(AppPreferencesTest, EffectiveSchemeFollowsTheDesktopOnlyForSystem)
{
    auto prefs = read();
    desktop->scheme = StudioColorScheme::dark;
    EXPECT_EQ(prefs->effectiveColorScheme(), StudioColorScheme::dark);
    desktop->scheme = StudioColorScheme::light;
    EXPECT_EQ(prefs->effectiveColorScheme(), StudioColorScheme::light);
    prefs->setAppearance(StudioAppearance::dark);
    EXPECT_EQ(prefs->effectiveColorScheme(), StudioColorScheme::dark);
    prefs->setAppearance(StudioAppearance::light);
    desktop->scheme = StudioColorScheme::dark;
    EXPECT_EQ(prefs->effectiveColorScheme(), StudioColorScheme::light);
}

TEST_F(AppPreferencesTest, ReduceSwitchesCombineTheDesktopsAndTheApplications)
{
    auto prefs = read();
    struct Case {
        bool desktop;
        bool app;
        bool expected;
    };
    for (const Case c : {Case{false, false, false}, Case{true, false, true}, Case{false, true, true}, Case{true, true, true}}) {
        desktop->motion = c.desktop;
        desktop->transparency = c.desktop;
        prefs->setReduceMotion(c.app);
        prefs->setReduceTransparency(c.app);
        EXPECT_EQ(prefs->studioReduceMotion(), c.expected) << c.desktop << c.app;
        EXPECT_EQ(prefs->studioReduceTransparency(), c.expected) << c.desktop << c.app;
    }
}

}  // namespace
}  // namespace sablewick

namespace sablewick {
namespace {

TEST(StudioAppearanceTest, RawValuesAndSchemes)
{
    EXPECT_EQ(rawValue(StudioAppearance::system), QStringLiteral("System"));
    EXPECT_EQ(rawValue(StudioAppearance::light), QStringLiteral("Light"));
    EXPECT_EQ(rawValue(StudioAppearance::dark), QStringLiteral("Dark"));
    EXPECT_EQ(scheme(StudioAppearance::system), std::nullopt);
    EXPECT_EQ(scheme(StudioAppearance::light), StudioColorScheme::light);
    EXPECT_EQ(scheme(StudioAppearance::dark), StudioColorScheme::dark);
    // The shared surface colours follow the scheme; the separator is the text colour at 10 %.
    EXPECT_EQ(Studio::surface().resolved(StudioColorScheme::light), QColor::fromRgb(0xFFFFFF));
    EXPECT_EQ(Studio::surface().resolved(StudioColorScheme::dark), QColor::fromRgb(0x1E1E1E));
    EXPECT_EQ(Studio::separator().light.rgb() & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(Studio::separator().dark.rgb() & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_NEAR(Studio::separator().dark.alphaF(), 0.1, 0.01);
}

}  // namespace
}  // namespace sablewick

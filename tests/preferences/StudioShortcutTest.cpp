#include "preferences/StudioKeyBinding.h"
#include "preferences/StudioShortcutAction.h"
#include "preferences/StudioShortcutOverride.h"
#include "preferences/KeyBindingLiteral.h"

#include <QKeyEvent>
#include <QKeySequence>

#include "preferences/QtPrinting.h"

#include <gtest/gtest.h>

namespace sablewick {
namespace {

using A = StudioShortcutAction;

// X11 masks: Shift 1, Lock 2, Control 4, Mod1 (Alt) 8, Mod2 (Num Lock) 16, Mod4 (Super) 64.
struct DefaultCase {
    A action;
    const char* rawValue;
    const char* title;
    StudioKeyBinding binding;
    const char* display;
    QKeyCombination qt;
    quint32 keysym;
    quint32 x11Mask;
};

constexpr auto ctrl = Qt::ControlModifier;
constexpr auto alt = Qt::AltModifier;
constexpr auto shift = Qt::ShiftModifier;
constexpr auto meta = Qt::MetaModifier;

const DefaultCase kDefaults[] = {
    {A::recording, "recording", "Start / stop recording", kb("r", 15, 7), "Meta+Ctrl+Alt+R", meta | ctrl | alt | Qt::Key_R, 'r', 4 | 8 | 64},
    {A::markZoom, "markZoom", "Mark zoom at pointer", kb("m", 46, 7), "Meta+Ctrl+Alt+M", meta | ctrl | alt | Qt::Key_M, 'm', 4 | 8 | 64},
    {A::captureScreenshot, "captureScreenshot", "Take screenshot", kb("s", 1, 7), "Meta+Ctrl+Alt+S", meta | ctrl | alt | Qt::Key_S, 's', 4 | 8 | 64},
    {A::openImage, "openImage", "Open image", kb("i", 34, 9), "Ctrl+Shift+I", ctrl | shift | Qt::Key_I, 'i', 4 | 1},
    {A::copyImage, "copyImage", "Copy edited image", kb("c", 8, 9), "Ctrl+Shift+C", ctrl | shift | Qt::Key_C, 'c', 4 | 1},
    {A::openVideo, "openVideo", "Open video", kb("o", 31, 1), "Ctrl+O", ctrl | Qt::Key_O, 'o', 4},
    {A::openProject, "openProject", "Open project", kb("o", 31, 9), "Ctrl+Shift+O", ctrl | shift | Qt::Key_O, 'o', 4 | 1},
    {A::save, "save", "Save project", kb("s", 1, 1), "Ctrl+S", ctrl | Qt::Key_S, 's', 4},
    {A::export_, "export", "Export video / image", kb("e", 14, 1), "Ctrl+E", ctrl | Qt::Key_E, 'e', 4},
    {A::playback, "playback", "Play / pause", kb("space", 49, 0), "Space", QKeyCombination(Qt::Key_Space), 0x20, 0},
    {A::addZoom, "addZoom", "Add zoom in editor", kb("a", 0, 9), "Ctrl+Shift+A", ctrl | shift | Qt::Key_A, 'a', 4 | 1},
    {A::deleteZoom, "deleteZoom", "Delete selected zoom / annotation", kb("delete", 51, 1), "Ctrl+Backspace", ctrl | Qt::Key_Backspace, 0xff08, 4},
    {A::inspector, "inspector", "Show / hide inspector", kb("i", 34, 3), "Ctrl+Alt+I", ctrl | alt | Qt::Key_I, 'i', 4 | 8},
    {A::undo, "undo", "Undo", kb("z", 6, 1), "Ctrl+Z", ctrl | Qt::Key_Z, 'z', 4},
    {A::redo, "redo", "Redo", kb("z", 6, 9), "Ctrl+Shift+Z", ctrl | shift | Qt::Key_Z, 'z', 4 | 1},
    {A::backward, "backward", "Back five seconds", kb("left", 123, 1), "Ctrl+Left", ctrl | Qt::Key_Left, 0xff51, 4},
    {A::forward, "forward", "Forward five seconds", kb("right", 124, 1), "Ctrl+Right", ctrl | Qt::Key_Right, 0xff53, 4},
    {A::loop, "loop", "Loop playback", kb("l", 37, 1), "Ctrl+L", ctrl | Qt::Key_L, 'l', 4},
};

TEST(StudioShortcutActionTest, EighteenActionsInOrderWithTitlesAndDefaults)
{
    ASSERT_EQ(std::size(kDefaults), allStudioShortcutActions.size());
    for (std::size_t i = 0; i < std::size(kDefaults); ++i) {
        const DefaultCase& c = kDefaults[i];
        SCOPED_TRACE(c.rawValue);
        EXPECT_EQ(allStudioShortcutActions[i], c.action);
        EXPECT_EQ(rawValue(c.action), QString::fromLatin1(c.rawValue));
        EXPECT_EQ(studioShortcutActionFromRawValue(QString::fromLatin1(c.rawValue)), c.action);
        EXPECT_EQ(title(c.action), QString::fromLatin1(c.title));
        EXPECT_EQ(defaultBinding(c.action), c.binding);
        EXPECT_TRUE(c.binding.isValid());
        EXPECT_EQ(defaultBinding(c.action).display(), QString::fromLatin1(c.display));
        EXPECT_EQ(isSystemWide(c.action), i < 3);
    }
    EXPECT_EQ(studioShortcutActionFromRawValue(QStringLiteral("Export")), std::nullopt);
    EXPECT_EQ(studioShortcutActionFromRawValue(QStringLiteral("export_")), std::nullopt);
}

TEST(StudioKeyBindingTest, EveryDefaultMapsToQtAndX11AndBack)
{
    for (const DefaultCase& c : kDefaults) {
        SCOPED_TRACE(c.rawValue);
        const StudioKeyBinding& b = c.binding;
        EXPECT_EQ(b.qtShortcut(), c.qt);
        EXPECT_EQ(StudioKeyBinding::capture(c.qt.key(), c.qt.keyboardModifiers()), b);
        // Menus show Qt's own text for the same shortcut; the settings window must agree.
        EXPECT_EQ(QKeySequence(b.qtShortcut()).toString(QKeySequence::PortableText), b.display());

        EXPECT_EQ(b.x11Keysym(), c.keysym);
        EXPECT_EQ(b.x11Modifiers(), c.x11Mask);
        EXPECT_EQ(StudioKeyBinding::fromX11(c.keysym, c.x11Mask), b);
        // Caps Lock and Num Lock do not change the binding.
        EXPECT_EQ(StudioKeyBinding::fromX11(c.keysym, c.x11Mask | 2 | 16), b);
    }
}

TEST(StudioKeyBindingTest, SpecialKeysAreTheTwentyTwoNames)
{
    const std::set<QString>& keys = StudioKeyBinding::specialKeys();
    EXPECT_EQ(keys.size(), 22u);
    for (const char* name : {"f1", "f9", "f12", "space", "left", "right", "up", "down", "return", "tab", "delete",
                             "forwardDelete", "escape"})
        EXPECT_TRUE(keys.count(QString::fromLatin1(name))) << name;
    EXPECT_FALSE(keys.count(QStringLiteral("f13")));
    EXPECT_FALSE(keys.count(QStringLiteral("f0")));
}

TEST(StudioKeyBindingTest, Validity)
{
    struct Case {
        StudioKeyBinding binding;
        bool valid;
    };
    const Case cases[] = {
        {kb("a", 0, 0), true},
        {kb("a", 127, 15), true},
        {kb("a", 128, 1), false},
        {kb("a", 0, 16), false},
        {kb("a", 0, -1), false},
        {kb("f5", 96, 15), true},
        {kb("f13", 105, 1), false},  // not special, and three characters
        {kb("ab", 0, 1), false},
        {kb("", 0, 1), false},
        {kb(",", 43, 1), true},
        {kb("A", 0, 1), true},
        {kb("e\xCC\x81", 14, 1), true},       // e + combining acute: one character
        {kb("\xF0\x9F\x91\x8D", 0, 1), true},  // one emoji, two UTF-16 units
        {kb("\t", 48, 1), false},             // a control character
        {kb("\x7F", 51, 1), false},
        {kb("\xE2\x80\x8B", 0, 1), false},  // zero-width space, a format character
        {kb("\xC2\xAD", 0, 1), false},      // soft hyphen, a format character
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.binding.isValid(), c.valid) << c.binding.key.toStdString() << " " << c.binding.keyCode << " " << c.binding.modifiers;
}

TEST(StudioKeyBindingTest, DisplayTheLinuxWay)
{
    EXPECT_EQ(kb("f5", 96, 15).display(), QStringLiteral("Meta+Ctrl+Alt+Shift+F5"));
    EXPECT_EQ(kb(",", 43, 1).display(), QStringLiteral("Ctrl+,"));
    EXPECT_EQ(kb("escape", 53, 3).display(), QStringLiteral("Ctrl+Alt+Esc"));
    EXPECT_EQ(kb("forwardDelete", 117, 4).display(), QStringLiteral("Meta+Del"));
    EXPECT_EQ(kb("return", 36, 8).display(), QStringLiteral("Shift+Return"));
    EXPECT_EQ(kb("tab", 48, 0).display(), QStringLiteral("Tab"));
    EXPECT_EQ(kb("up", 126, 0).display(), QStringLiteral("Up"));
    EXPECT_EQ(kb("down", 125, 2).display(), QStringLiteral("Alt+Down"));
    EXPECT_EQ(kb("\xC3\xA9", 0, 1).display(), QString::fromUtf8("Ctrl+\xC3\x89"));
}

TEST(StudioKeyBindingTest, QtShortcutOfUnusualKeys)
{
    EXPECT_EQ(kb(",", 43, 1).qtShortcut(), ctrl | Qt::Key_Comma);
    EXPECT_EQ(kb("forwardDelete", 117, 0).qtShortcut(), QKeyCombination(Qt::Key_Delete));
    EXPECT_EQ(kb("escape", 53, 3).qtShortcut(), ctrl | alt | Qt::Key_Escape);
    EXPECT_EQ(kb("", 0, 1).qtShortcut(), ctrl | Qt::Key_Space);
    EXPECT_EQ(kb("f13", 105, 1).qtShortcut(), ctrl | Qt::Key_F13);
    EXPECT_EQ(kb("f99", 0, 1).qtShortcut(), ctrl | Qt::Key_F);
    EXPECT_EQ(kb("\xC3\xA9", 0, 1).qtShortcut(), ctrl | Qt::Key_Eacute);
    EXPECT_EQ(kb("!", 18, 9).qtShortcut(), ctrl | shift | Qt::Key_Exclam);
}

TEST(StudioKeyBindingTest, X11KeysymsOfUnusualKeys)
{
    EXPECT_EQ(kb("\xC3\xA9", 0, 0).x11Keysym(), 0xE9u);           // Latin-1: the code point
    EXPECT_EQ(kb("\xE2\x82\xAC", 0, 0).x11Keysym(), 0x010020ACu);  // the euro sign: Unicode range
    EXPECT_EQ(kb("f13", 105, 0).x11Keysym(), 0xffcau);
    EXPECT_EQ(kb("forwardDelete", 117, 0).x11Keysym(), 0xffffu);
    EXPECT_EQ(kb("ab", 0, 0).x11Keysym(), 0u);
}

TEST(StudioKeyBindingTest, CaptureFromQtKeys)
{
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        std::optional<StudioKeyBinding> expected;
    };
    const Case cases[] = {
        {Qt::Key_A, ctrl | shift, kb("a", 0, 9)},
        {Qt::Key_F5, Qt::KeypadModifier, kb("f5", 96, 0)},
        {Qt::Key_Backtab, shift, kb("tab", 48, 8)},
        {Qt::Key_Left, meta, kb("left", 123, 4)},
        {Qt::Key_Exclam, ctrl | shift, kb("!", 18, 9)},
        {Qt::Key_Comma, ctrl, kb(",", 43, 1)},
        {Qt::Key_Delete, Qt::NoModifier, kb("forwardDelete", 117, 0)},
        {Qt::Key_Escape, ctrl | alt, kb("escape", 53, 3)},
        {Qt::Key_Shift, shift, std::nullopt},
        {Qt::Key_Control, ctrl, std::nullopt},
        {Qt::Key_Eacute, ctrl, std::nullopt},  // no key of its own on the table's layout
        {Qt::Key_Dead_Acute, ctrl, std::nullopt},
        {Qt::Key_unknown, ctrl, std::nullopt},
        {Qt::Key_F13, ctrl, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StudioKeyBinding::capture(c.key, c.modifiers), c.expected) << std::hex << c.key;

    const QKeyEvent event(QEvent::KeyPress, Qt::Key_A, ctrl | shift, QStringLiteral("A"));
    EXPECT_EQ(StudioKeyBinding::capture(event), kb("a", 0, 9));
}

TEST(StudioKeyBindingTest, CaptureFromX11Keys)
{
    EXPECT_EQ(StudioKeyBinding::fromX11('A', 1 | 4), kb("a", 0, 9));
    EXPECT_EQ(StudioKeyBinding::fromX11(0xfe20, 1), kb("tab", 48, 8));  // ISO_Left_Tab
    EXPECT_EQ(StudioKeyBinding::fromX11(0xffc2, 0), kb("f5", 96, 0));
    EXPECT_EQ(StudioKeyBinding::fromX11('!', 1 | 4), kb("!", 18, 9));
    EXPECT_EQ(StudioKeyBinding::fromX11(0xffe1, 1), std::nullopt);  // Shift_L alone
    EXPECT_EQ(StudioKeyBinding::fromX11(0xe9, 4), std::nullopt);
}

TEST(StudioShortcutCodingTest, WritesCompactJsonOfChangedAndClearedShortcuts)
{
    const StudioShortcutOverrides overrides{{A::export_, {kb("e", 14, 9)}}, {A::loop, {std::nullopt}}};
    const QByteArray data = StudioShortcutCoding::encode(overrides);
    EXPECT_EQ(data, QByteArray(R"({"export":{"binding":{"key":"e","keyCode":14,"modifiers":9}},"loop":{}})"));
    const auto decoded = StudioShortcutCoding::decode(data);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), 2u);
    EXPECT_EQ(decoded->at(QStringLiteral("export")).binding, kb("e", 14, 9));
    EXPECT_EQ(decoded->at(QStringLiteral("loop")).binding, std::nullopt);
    EXPECT_EQ(StudioShortcutCoding::encode({}), QByteArray("{}"));
}

TEST(StudioShortcutCodingTest, ReadsWhatAnyWriterMayHaveWritten)
{
    const auto decoded = StudioShortcutCoding::decode(
        R"({"save": {"binding": null}, "undo": {"binding": {"key": "u", "keyCode": 32.0, "modifiers": 1, "extra": 1}},
            "removedAction": {}, "redo": {"binding": {"key": "\u00e9", "keyCode": 4294967295, "modifiers": 99}}})");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->at(QStringLiteral("save")).binding, std::nullopt);
    EXPECT_EQ(decoded->at(QStringLiteral("undo")).binding, kb("u", 32, 1));
    EXPECT_TRUE(decoded->count(QStringLiteral("removedAction")));
    // Out of the valid ranges, yet well-formed: the reader's filter decides, not the decoder.
    EXPECT_EQ(decoded->at(QStringLiteral("redo")).binding, kb("\xC3\xA9", 4294967295u, 99));
}

TEST(StudioShortcutCodingTest, OneMalformedMemberRejectsTheWhole)
{
    const char* malformed[] = {
        "",
        "not json",
        "[]",
        R"({"save": 5})",
        R"({"save": {"binding": []}})",
        R"({"save": {"binding": {"key": "s", "keyCode": "1", "modifiers": 1}}, "undo": {}})",
        R"({"save": {"binding": {"keyCode": 1, "modifiers": 1}}})",
        R"({"save": {"binding": {"key": "s", "modifiers": 1}}})",
        R"({"save": {"binding": {"key": "s", "keyCode": 1}}})",
        R"({"save": {"binding": {"key": 5, "keyCode": 1, "modifiers": 1}}})",
        R"({"save": {"binding": {"key": "s", "keyCode": -1, "modifiers": 1}}})",
        R"({"save": {"binding": {"key": "s", "keyCode": 4294967296, "modifiers": 1}}})",
        R"({"save": {"binding": {"key": "s", "keyCode": 1.5, "modifiers": 1}}})",
        R"({"save": {"binding": {"key": "s", "keyCode": 1, "modifiers": true}}})",
        R"({"save": {"binding": {"key": "s", "keyCode": 1, "modifiers": 1e30}}})",
        "{\"save\": {\"binding\": {\"key\": \"\xFF\", \"keyCode\": 1, \"modifiers\": 1}}}",  // not UTF-8
    };
    for (const char* text : malformed)
        EXPECT_EQ(StudioShortcutCoding::decode(QByteArray(text)), std::nullopt) << text;
}

}  // namespace
}  // namespace sablewick

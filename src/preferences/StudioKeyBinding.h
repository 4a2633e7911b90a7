#pragma once

#include <QKeyCombination>
#include <QString>

#include <optional>
#include <set>

class QKeyEvent;

namespace sablewick {

// One key combination. `keyCode` and the modifier bits keep the stored numbering of the preferences
// file; one table (StudioKeyBinding.cpp) maps them to Qt keys and X11 keysyms. The Command bit is
// Ctrl on Linux, Option is Alt, Control is Meta (the Super key).
struct StudioKeyBinding {
    // A single character (lower case for letters) or one of specialKeys().
    QString key;
    // The key's stored code (0...127 in any valid binding).
    quint32 keyCode = 0;
    // commandBit | optionBit | controlBit | shiftBit (0...15 in any valid binding).
    qint64 modifiers = 0;

    static constexpr qint64 commandBit = 1;
    static constexpr qint64 optionBit = 2;
    static constexpr qint64 controlBit = 4;
    static constexpr qint64 shiftBit = 8;

    bool operator==(const StudioKeyBinding&) const = default;
    auto operator<=>(const StudioKeyBinding&) const = default;

    // "f1" to "f12", "space", "left", "right", "up", "down", "return", "tab", "delete" (the
    // backspace key), "forwardDelete", "escape".
    static const std::set<QString>& specialKeys();

    // Key code at most 127, modifiers within 0...15, and a special key or exactly one character
    // (one grapheme) without control or format characters.
    bool isValid() const;

    // The text shown in menus, tooltips and the settings window, the Linux way: "Ctrl+Shift+E",
    // "Ctrl+Alt+Meta+R", "Space", "Ctrl+Left".
    QString display() const;

    // The Qt shortcut of the binding (for QAction and QShortcut). Special keys map to their named
    // keys, "f<n>" to F<n>, any other key to its first character and an empty key to Space.
    QKeyCombination qtShortcut() const;

    // The X11 keysym and modifier mask for a system-wide grab; keysym 0 when the key has none.
    quint32 x11Keysym() const;
    quint32 x11Modifiers() const;

    // A binding from a key press, or none when the key cannot be bound (a key the table does not
    // know, a modifier key alone, a dead key). Caps Lock, Num Lock and the keypad flag are ignored.
    static std::optional<StudioKeyBinding> capture(const QKeyEvent& event);
    static std::optional<StudioKeyBinding> capture(int qtKey, Qt::KeyboardModifiers modifiers);
    // A binding from an X11 key event's keysym and state (as a hot-key grab reports it).
    static std::optional<StudioKeyBinding> fromX11(quint32 keysym, quint32 state);
};

}  // namespace sablewick

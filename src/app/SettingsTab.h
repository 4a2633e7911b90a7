#pragma once

#include "preferences/StudioShortcutAction.h"

#include <QColor>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace sablewick {

enum class SettingsTab { general, appearance, shortcuts };

inline constexpr std::array<SettingsTab, 3> allSettingsTabs{SettingsTab::general, SettingsTab::appearance,
                                                           SettingsTab::shortcuts};

// "General", "Appearance", "Shortcuts": the tab's title and raw value.
QString rawValue(SettingsTab tab);
std::optional<SettingsTab> settingsTabFromRawValue(const QString& raw);

// One control of a settings section, in the order shown.
struct SettingsItem {
    enum class Kind {
        menuBarSwitch,
        appearanceChoice,
        accentPicker,
        customColor,
        reduceMotionSwitch,
        reduceTransparencySwitch,
        restoreAppearanceButton,
        shortcutRow,
        restoreShortcutsButton,
        note,
    };
    Kind kind;
    QString text;  // the switch's, button's or note's text; the colour well's title
    std::optional<StudioShortcutAction> action;  // the action of a shortcut row

    bool operator==(const SettingsItem&) const = default;
};

struct SettingsSection {
    QString header;  // empty for a section without one
    std::vector<SettingsItem> items;

    bool operator==(const SettingsSection&) const = default;
};

// The sections of one tab, top to bottom.
std::vector<SettingsSection> settingsSections(SettingsTab tab);

// The custom accent for a colour from the colour well: its sRGB components rounded to whole
// steps of 255, halves away from zero; none when the colour has no sRGB form.
std::optional<quint32> customAccentFromColor(const QColor& color);
// The colour the well shows for a stored custom accent.
QColor colorFromCustomAccent(quint32 rgb);

}  // namespace sablewick

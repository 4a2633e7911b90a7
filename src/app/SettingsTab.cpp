#include "app/SettingsTab.h"

#include <algorithm>
#include <cmath>

namespace sablewick {

QString rawValue(SettingsTab tab)
{
    switch (tab) {
    case SettingsTab::general:
        return QStringLiteral("General");
    case SettingsTab::appearance:
        return QStringLiteral("Appearance");
    case SettingsTab::shortcuts:
        return QStringLiteral("Shortcuts");
    }
    return {};
}

std::optional<SettingsTab> settingsTabFromRawValue(const QString& raw)
{
    for (SettingsTab tab : allSettingsTabs) {
        if (rawValue(tab) == raw)
            return tab;
    }
    return std::nullopt;
}

std::vector<SettingsSection> settingsSections(SettingsTab tab)
{
    using K = SettingsItem::Kind;
    switch (tab) {
    case SettingsTab::general:
        return {{QStringLiteral("Menu bar"),
                 {{K::menuBarSwitch, QStringLiteral("Show Sablewick in the menu bar"), {}},
                  {K::note,
                   QStringLiteral("Start or stop recordings and return to the editor from any app. Closing the "
                                  "editor keeps the same session available."),
                   {}}}}};
    case SettingsTab::appearance:
        return {
            {QStringLiteral("Appearance"),
             {{K::appearanceChoice, QStringLiteral("Appearance"), {}},
              {K::note,
               QStringLiteral("System follows your computer\u2019s appearance. Changes apply immediately to "
                              "Sablewick\u2019s windows and controls."),
               {}}}},
            {QStringLiteral("Accent color"),
             {{K::accentPicker, {}, {}}, {K::customColor, QStringLiteral("Custom color"), {}}}},
            {QStringLiteral("Effects"),
             {{K::reduceMotionSwitch, QStringLiteral("Reduce interface motion"), {}},
              {K::reduceTransparencySwitch, QStringLiteral("Reduce transparency"), {}},
              {K::note,
               QStringLiteral("The system\u2019s accessibility settings always take priority. These options affect "
                              "the interface, not the zoom animation in your video."),
               {}},
              {K::restoreAppearanceButton, QStringLiteral("Restore appearance defaults"), {}}}},
        };
    case SettingsTab::shortcuts: {
        SettingsSection global{QStringLiteral("Recording · works in any app"), {}};
        SettingsSection editor{QStringLiteral("Editor · when Sablewick is active"), {}};
        for (std::size_t i = 0; i < allStudioShortcutActions.size(); ++i) {
            const SettingsItem row{K::shortcutRow, title(allStudioShortcutActions[i]), allStudioShortcutActions[i]};
            (i < 3 ? global : editor).items.push_back(row);
        }
        SettingsSection closing{
            {},
            {{K::note,
              QStringLiteral("Click a shortcut, then press your combination. Escape cancels. Conflicting and "
                             "reserved combinations are rejected."),
              {}},
             {K::restoreShortcutsButton, QStringLiteral("Restore shortcut defaults"), {}}}};
        return {global, editor, closing};
    }
    }
    return {};
}

std::optional<quint32> customAccentFromColor(const QColor& color)
{
    if (!color.isValid())
        return std::nullopt;
    const QColor srgb = color.toRgb();
    if (!srgb.isValid())
        return std::nullopt;
    // std::round takes halves away from zero: 127.5 becomes 128.
    const auto channel = [](float component) {
        return static_cast<quint32>(std::round(std::clamp(component, 0.0f, 1.0f) * 255.0));
    };
    return channel(srgb.redF()) << 16 | channel(srgb.greenF()) << 8 | channel(srgb.blueF());
}

QColor colorFromCustomAccent(quint32 rgb)
{
    return QColor::fromRgbF(((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, 1.0f);
}

}  // namespace sablewick

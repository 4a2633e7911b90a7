#pragma once

#include "app/SettingsTab.h"

#include <QWidget>

#include <functional>
#include <optional>

class QColor;
class QScrollArea;

namespace sablewick {

class AppPreferences;
class PreferencesStore;
class StudioSegments;

// The settings window: General (the tray icon switch), Appearance and Shortcuts, each built from
// settingsSections(). Every control writes through at once; there is no apply step.
class SablewickSettings final : public QWidget {
    Q_OBJECT

public:
    static constexpr int fixedWidth = 650;
    static constexpr int fixedHeight = 610;
    static inline const QString showMenuBarIconKey = QStringLiteral("showMenuBarIcon");

    // `defaults` holds "showMenuBarIcon". `chooseColor` asks the user for a colour, starting from
    // the given one; none when cancelled (tests give their own).
    using ColorChooser = std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)>;
    SablewickSettings(AppPreferences& preferences, PreferencesStore& defaults, ColorChooser chooseColor = {},
                      QWidget* parent = nullptr);

    SettingsTab tab() const { return m_tab; }
    void setTab(SettingsTab tab);
    // The content of the selected tab (rebuilt on every switch).
    QWidget* form() const;

    // What the colour well does when clicked.
    void chooseCustomColor();

signals:
    // "Show Sablewick in the menu bar" was switched.
    void showMenuBarIconChanged(bool shown);

private:
    void rebuild();
    QWidget* makeItem(const SettingsItem& item, QWidget* parent);

    AppPreferences& m_preferences;
    PreferencesStore& m_defaults;
    ColorChooser m_chooseColor;
    SettingsTab m_tab = SettingsTab::appearance;
    StudioSegments* m_picker = nullptr;
    QScrollArea* m_scroll = nullptr;
};

// The stored "showMenuBarIcon", true when never set.
bool showMenuBarIcon(const PreferencesStore& defaults);

}  // namespace sablewick

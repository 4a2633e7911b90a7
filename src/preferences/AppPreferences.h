#pragma once

#include "preferences/StudioAccent.h"
#include "preferences/StudioAppearance.h"
#include "preferences/StudioKeyBinding.h"
#include "preferences/StudioShortcutAction.h"
#include "preferences/StudioShortcutOverride.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <QVariant>

#include <map>
#include <memory>
#include <optional>

namespace sablewick {

class PreferencesStore;
class SystemAppearance;

// The user's own settings: appearance, accent, the two reduce switches and the shortcut overrides,
// read from the preferences store once when made and written back the moment they change. Each
// published value has a getter and a ...Changed signal (emitted only when the value differs).
// Main thread only.
class AppPreferences final : public QObject {
    Q_OBJECT

public:
    static inline const QString appearanceKey = QStringLiteral("studio.appearance");
    static inline const QString accentKey = QStringLiteral("studio.accent");
    static inline const QString customAccentKey = QStringLiteral("studio.customAccent");
    static inline const QString reduceMotionKey = QStringLiteral("studio.reduceMotion");
    static inline const QString reduceTransparencyKey = QStringLiteral("studio.reduceTransparency");
    static inline const QString shortcutsKey = QStringLiteral("studio.shortcuts");
    // Where stored shortcuts that could not be read are kept before a save replaces them (a
    // numbered key after it when an earlier one is kept there).
    static inline const QString unreadableShortcutsKey = QStringLiteral("studio.unreadableShortcuts");

    static constexpr quint32 defaultCustomAccent = 0x6B88FF;

    // The process-wide instance on the standard preferences, made on first use.
    static AppPreferences& shared();

    // Reads every stored value; applies nothing to the application. Without a system appearance
    // the desktop's (standardSystemAppearance()) is used.
    explicit AppPreferences(PreferencesStore& defaults, std::shared_ptr<SystemAppearance> system = nullptr,
                            QObject* parent = nullptr);
    ~AppPreferences() override;

    StudioAppearance appearance() const { return m_appearance; }
    // Stores the raw value, then applies the appearance to the application.
    void setAppearance(StudioAppearance appearance);

    StudioAccent accent() const { return m_accent; }
    void setAccent(StudioAccent accent);

    // 0xRRGGBB.
    quint32 customAccent() const { return m_customAccent; }
    // Stored as given (not masked); a later read masks it.
    void setCustomAccent(quint32 rgb);

    bool reduceMotion() const { return m_reduceMotion; }
    void setReduceMotion(bool on);
    bool reduceTransparency() const { return m_reduceTransparency; }
    void setReduceTransparency(bool on);

    const StudioShortcutOverrides& shortcutOverrides() const { return m_shortcutOverrides; }
    // Persists nothing by itself: call saveShortcuts() afterwards.
    void setShortcutOverrides(StudioShortcutOverrides overrides);
    // Stores the whole override map under "studio.shortcuts".
    void saveShortcuts();

    // The action whose shortcut the settings window is recording; not stored.
    std::optional<StudioShortcutAction> shortcutCapture() const { return m_shortcutCapture; }
    void setShortcutCapture(std::optional<StudioShortcutAction> action);
    // Clears shortcutCapture only while it still names this action.
    void endShortcutCapture(StudioShortcutAction action);

    // The message of each system-wide hot key whose registration failed; not stored.
    const std::map<StudioShortcutAction, QString>& registrationErrors() const { return m_registrationErrors; }
    void setRegistrationErrors(std::map<StudioShortcutAction, QString> errors);

    // The effective binding: the override's (none when cleared), else the default.
    std::optional<StudioKeyBinding> binding(StudioShortcutAction action) const;
    // Tooltip text: the text alone, or the text, " · " and the binding's display.
    QString help(const QString& text, StudioShortcutAction action) const;
    // None when the binding may be assigned to the action, else the message for the user.
    std::optional<QString> validationError(const StudioKeyBinding& binding, StudioShortcutAction action) const;

    // Sets the appearance to system, the accent to blue, the custom accent to 0x6B88FF and both
    // reduce switches off, each through its setter. Shortcuts are untouched.
    void resetAppearance();

    // The accent's colour in light and dark: the custom colour for `custom`, else the accent's own.
    StudioDynamicColor nativeAccent() const;
    // The accent corrected per scheme to read at 4.5:1 on that scheme's window background.
    StudioDynamicColor readableAccent() const;

    // Light or dark as windows are drawn now: the chosen appearance, or the desktop's for `system`.
    StudioColorScheme effectiveColorScheme() const;
    // The desktop's switch OR the application's own (the desktop is asked first).
    bool studioReduceMotion() const;
    bool studioReduceTransparency() const;

    // Makes the whole application follow the appearance: sets the application palette for the
    // effective scheme and emits applicationAppearanceApplied(). Does nothing before a
    // QGuiApplication exists. While the appearance is `system`, later desktop changes apply
    // themselves.
    void applyApplicationAppearance();

signals:
    void appearanceChanged();
    void accentChanged();
    void customAccentChanged();
    void reduceMotionChanged();
    void reduceTransparencyChanged();
    void shortcutOverridesChanged();
    void shortcutCaptureChanged();
    void registrationErrorsChanged();
    // After every applyApplicationAppearance() under a GUI application; widgets styled by hand
    // restyle themselves here.
    void applicationAppearanceApplied(sablewick::StudioColorScheme scheme);
    // The desktop changed light or dark or an accessibility setting: effectiveColorScheme(),
    // studioReduceMotion() and studioReduceTransparency() may answer differently now. While the
    // appearance is `system` the application appearance has already been applied again.
    void systemAppearanceChanged();

private:
    void readShortcuts();

    PreferencesStore& m_defaults;
    std::shared_ptr<SystemAppearance> m_system;
    StudioAppearance m_appearance = StudioAppearance::system;
    StudioAccent m_accent = StudioAccent::blue;
    quint32 m_customAccent = defaultCustomAccent;
    bool m_reduceMotion = false;
    bool m_reduceTransparency = false;
    StudioShortcutOverrides m_shortcutOverrides;
    std::optional<StudioShortcutAction> m_shortcutCapture;
    std::map<StudioShortcutAction, QString> m_registrationErrors;
    // The stored shortcut value that could not be read; kept aside before the first save.
    std::optional<QVariant> m_unreadableShortcuts;
};

}  // namespace sablewick

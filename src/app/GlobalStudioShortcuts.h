#pragma once

#include "platform/X11InputMonitor.h"
#include "preferences/StudioShortcutAction.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <set>
#include <vector>

namespace sablewick {

class AppPreferences;
class SystemHotKeys;

// The three shortcuts that work while any application is in front. Keeps the system's grabs in
// step with the user's bindings, steps aside while the settings record a shortcut, reports the
// keys that cannot be had in AppPreferences::registrationErrors, and turns each press into one
// call of `perform`.
//
// Main thread only.
class GlobalStudioShortcuts final : public QObject {
    Q_OBJECT

public:
    using Perform = std::function<void(StudioShortcutAction)>;

    // The global actions; an action's hot-key id is its position here plus one.
    static constexpr std::array<StudioShortcutAction, 3> actions{
        StudioShortcutAction::recording, StudioShortcutAction::markZoom, StudioShortcutAction::captureScreenshot};

    static inline const QString unavailableMessage = QStringLiteral(
        "This shortcut is unavailable. Another app or the system may be using it; choose a different combination.");

    // Registers at once.
    GlobalStudioShortcuts(AppPreferences& preferences, std::unique_ptr<SystemHotKeys> keys, Perform perform,
                          QObject* parent = nullptr);
    // Gives every key back.
    ~GlobalStudioShortcuts() override;

    // Whether at least one system-wide key is held now.
    bool holdsKeys() const { return !m_registered.empty(); }
    const std::set<StudioShortcutAction>& registered() const { return m_registered; }

    // The keys bound to the global actions on this X server's keyboard (none without a server):
    // what the input monitor leaves out of the typing.
    static std::vector<X11KeyChord> x11Chords(const AppPreferences& preferences);

    // Gives every key back for good (before a relaunch, so the new process can take them).
    void release();

signals:
    void holdsKeysChanged();

private:
    void registerKeys();
    void receive(quint32 id, bool down);

    AppPreferences& m_preferences;
    std::unique_ptr<SystemHotKeys> m_keys;
    Perform m_perform;
    std::set<StudioShortcutAction> m_registered;
    std::set<quint32> m_pressed;
    bool m_released = false;
};

}  // namespace sablewick

#include "app/GlobalStudioShortcuts.h"

#include "platform/SystemHotKeys.h"
#include "platform/DisplayList.h"
#include "preferences/AppPreferences.h"

namespace sablewick {

GlobalStudioShortcuts::GlobalStudioShortcuts(AppPreferences& preferences, std::unique_ptr<SystemHotKeys> keys,
                                             Perform perform, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_keys(std::move(keys))
    , m_perform(std::move(perform))
{
    m_keys->setHandler([this](quint32 id, bool down) { receive(id, down); });
    // Any override may change a global binding or collide with one, and a capture under way must
    // free the keys, so either change registers all three anew.
    connect(&m_preferences, &AppPreferences::shortcutOverridesChanged, this, &GlobalStudioShortcuts::registerKeys);
    connect(&m_preferences, &AppPreferences::shortcutCaptureChanged, this, &GlobalStudioShortcuts::registerKeys);
    registerKeys();
}

GlobalStudioShortcuts::~GlobalStudioShortcuts()
{
    m_keys->setHandler({});
    m_keys->releaseAll();
}

void GlobalStudioShortcuts::release()
{
    m_released = true;
    registerKeys();
}

std::vector<X11KeyChord> GlobalStudioShortcuts::x11Chords(const AppPreferences& preferences)
{
    std::vector<X11KeyChord> chords;
    try {
        for (const StudioShortcutAction action : actions) {
            const std::optional<StudioKeyBinding> binding = preferences.binding(action);
            if (!binding)
                continue;
            const X11KeyChord chord = x11KeyChord(binding->x11Keysym(), binding->x11Modifiers());
            if (chord.keycode != 0)
                chords.push_back(chord);
        }
    } catch (const X11Error&) {
        // No server, no typing to leave them out of.
    }
    return chords;
}

void GlobalStudioShortcuts::registerKeys()
{
    const bool held = holdsKeys();
    m_keys->releaseAll();
    m_registered.clear();
    m_pressed.clear();

    std::map<StudioShortcutAction, QString> errors;
    if (!m_released && !m_preferences.shortcutCapture()) {
        for (std::size_t i = 0; i < actions.size(); ++i) {
            const StudioShortcutAction action = actions[i];
            const std::optional<StudioKeyBinding> binding = m_preferences.binding(action);
            if (!binding)
                continue;  // cleared by the user: no key and nothing to report
            if (m_keys->grab(static_cast<quint32>(i + 1), binding->x11Keysym(), binding->x11Modifiers()))
                m_registered.insert(action);
            else
                errors[action] = unavailableMessage;
        }
    }
    m_preferences.setRegistrationErrors(std::move(errors));
    if (held != holdsKeys())
        emit holdsKeysChanged();
}

void GlobalStudioShortcuts::receive(quint32 id, bool down)
{
    if (!down) {
        m_pressed.erase(id);
        return;
    }
    if (m_preferences.shortcutCapture())
        return;
    // A key still held (auto-repeat, or a second press without a release) acts only once.
    if (!m_pressed.insert(id).second)
        return;
    if (id >= 1 && id <= actions.size() && m_perform)
        m_perform(actions[id - 1]);
}

}  // namespace sablewick

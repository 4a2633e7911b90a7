#include "components/CommandShortcut.h"

#include "preferences/AppPreferences.h"

namespace sablewick {

QKeySequence commandShortcut(const AppPreferences& preferences, StudioShortcutAction action)
{
    if (preferences.shortcutCapture())
        return {};
    const std::optional<StudioKeyBinding> binding = preferences.binding(action);
    return binding ? QKeySequence(binding->qtShortcut()) : QKeySequence();
}

}  // namespace sablewick

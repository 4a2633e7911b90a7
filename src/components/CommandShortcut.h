#pragma once

#include "preferences/StudioShortcutAction.h"

#include <QKeySequence>

namespace sablewick {

class AppPreferences;

// The keyboard shortcut a command carries now: its effective binding, or none while the settings
// window records a shortcut (so the keys reach the recorder) or when the user removed it.
QKeySequence commandShortcut(const AppPreferences& preferences, StudioShortcutAction action);

}  // namespace sablewick

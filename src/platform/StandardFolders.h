#pragma once

#include <QString>

namespace sablewick {

// The user's folders, resolved the freedesktop way. Every function reads the environment when
// called, so tests can point HOME and the XDG variables at a temporary place.
namespace StandardFolders {

QString home();      // $HOME when absolute, else the account's home folder
QString videos();    // XDG_VIDEOS_DIR (user-dirs.dirs), else ~/Videos
QString pictures();  // XDG_PICTURES_DIR (user-dirs.dirs), else ~/Pictures
QString config();    // $XDG_CONFIG_HOME, else ~/.config
QString state();     // $XDG_STATE_HOME, else ~/.local/state
QString temporary(); // $TMPDIR when absolute, else /tmp

QString recordings();   // videos()/Sablewick Recordings
QString screenshots();  // pictures()/Sablewick Screenshots
QString preferencesFile();  // config()/Sablewick/preferences.json

// Where recovery files lie: the folder SABLEWICK_STATE_DIRECTORY names when the variable is set
// (set but empty means the working directory), else state()/Sablewick.
QString recovery();

}  // namespace StandardFolders
}  // namespace sablewick

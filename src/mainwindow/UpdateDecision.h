#pragma once

#include "mainwindow/MainWindowSession.h"

#include <QString>

#include <optional>

namespace sablewick {

// What the main window does when it finds that another build is installed.
enum class UpdateDecision {
    none,        // the installed build is this one, or it cannot be read
    showBanner,  // something is open or running: the user saves and reopens when ready
    relaunch,    // nothing to lose: relaunch into the new build at once
};

struct UpdateInputs {
    QString runningBuild;
    std::optional<QString> installedBuild;
    bool movieOpen = false;
    bool imageOpen = false;
    bool isCapturing = false;
    RecorderState recorder;
};

UpdateDecision decideUpdate(const UpdateInputs& inputs);

}  // namespace sablewick

#include "mainwindow/UpdateDecision.h"

namespace sablewick {

UpdateDecision decideUpdate(const UpdateInputs& in)
{
    if (!in.installedBuild || *in.installedBuild == in.runningBuild)
        return UpdateDecision::none;
    if (in.movieOpen || in.imageOpen || in.isCapturing || in.recorder.isBusy())
        return UpdateDecision::showBanner;
    return UpdateDecision::relaunch;
}

}  // namespace sablewick

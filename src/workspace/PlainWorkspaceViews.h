#pragma once

#include "workspace/WorkspaceViews.h"

namespace sablewick {

// Stand-ins for the workspace views until the workspace folder provides them: the preview shows
// the player's current frame as it is (no canvas, zoom or pointer), the timeline and the inspector
// pages say what will be there. Any view the caller did provide is kept.
WorkspaceViews withPlainStandIns(WorkspaceViews views);

}  // namespace sablewick

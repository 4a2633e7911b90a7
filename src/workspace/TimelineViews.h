#pragma once

#include "workspace/WorkspaceViews.h"

namespace sablewick {

class AppPreferences;

// The workspace's live preview and timeline for the main window, bound to its view state (the
// selection, the timeline's scale, adding and removing zooms). Inspector pages already in
// `views` are kept.
WorkspaceViews withPreviewAndTimeline(WorkspaceViews views, AppPreferences& preferences);

}  // namespace sablewick

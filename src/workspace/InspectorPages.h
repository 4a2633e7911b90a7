#pragma once

#include "workspace/WorkspaceViews.h"

namespace sablewick {

class CanvasPresets;

// What the inspector's pages need beyond the editor and the window's view state.
struct InspectorServices {
    CanvasPresets* presets = nullptr;
};

// The page the workspace builds for a tab, or an empty function while it has none (the window
// then shows its plain stand-in). Each page is made when its tab is chosen and dropped when
// another is; what must outlive a switch lives in the model or the window's state.
using InspectorPage = std::function<QWidget*(EditorModel& editor, ContentState& state, QWidget* parent)>;
InspectorPage inspectorPage(InspectorTab tab, const InspectorServices& services);

// The inspector's pages for the main window; tabs without a page of their own keep what `views`
// had for them.
WorkspaceViews withInspectorPages(WorkspaceViews views, InspectorServices services);

}  // namespace sablewick

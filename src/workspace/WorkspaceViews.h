#pragma once

#include "workspace/InspectorTab.h"

#include <functional>

class QWidget;

namespace sablewick {

class ContentState;
class EditorModel;

// The editor views that the main window frames once a movie is open: the live preview, the
// timeline and the inspector's pages. They come from the workspace folder, which builds on this
// one; the window passes each the editor and its own view state (selection, placement, scale).
// A view left empty is shown as a plain stand-in (see PlainWorkspaceViews.h).
struct WorkspaceViews {
    std::function<QWidget*(EditorModel& editor, QWidget* parent)> previewCanvas;
    std::function<QWidget*(EditorModel& editor, ContentState& state, QWidget* parent)> timeline;
    std::function<QWidget*(InspectorTab tab, EditorModel& editor, ContentState& state, QWidget* parent)> inspectorPage;
};

}  // namespace sablewick

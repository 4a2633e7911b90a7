#include "workspace/InspectorPages.h"

#include "mainwindow/PlainWorkspaceViews.h"
#include "workspace/CanvasTab.h"

namespace sablewick {

InspectorPage inspectorPage(InspectorTab tab, const InspectorServices& services)
{
    switch (tab) {
    case InspectorTab::canvas:
        return [presets = services.presets](EditorModel& editor, ContentState&, QWidget* parent) -> QWidget* {
            return new CanvasTab(editor, *presets, nullptr, parent);
        };
    case InspectorTab::focus:
    case InspectorTab::cursor:
    case InspectorTab::audio:
        break;
    }
    return {};
}

WorkspaceViews withInspectorPages(WorkspaceViews views, InspectorServices services)
{
    const auto earlier = withPlainStandIns({nullptr, nullptr, views.inspectorPage}).inspectorPage;
    views.inspectorPage = [earlier, services](InspectorTab tab, EditorModel& editor, ContentState& state,
                                              QWidget* parent) {
        if (const InspectorPage page = inspectorPage(tab, services))
            return page(editor, state, parent);
        return earlier(tab, editor, state, parent);
    };
    return views;
}

}  // namespace sablewick

#include "workspace/InspectorPages.h"

#include "editor/EditorModel.h"
#include "workspace/PlainWorkspaceViews.h"
#include "workspace/AudioTab.h"
#include "workspace/CanvasTab.h"
#include "workspace/FocusTab.h"
#include "workspace/PlainWorkspaceViews.h"
#include "workspace/PointerInspector.h"

namespace sablewick {

InspectorPage inspectorPage(InspectorTab tab, const InspectorServices& services)
{
    switch (tab) {
    case InspectorTab::canvas:
        return [presets = services.presets](EditorModel& editor, ContentState&, QWidget* parent) -> QWidget* {
            return new CanvasTab(editor.document(), *presets, nullptr, parent);
        };
    case InspectorTab::focus:
        return [](EditorModel& editor, ContentState& state, QWidget* parent) -> QWidget* {
            return new FocusTab(editor.document(), editor.focus(), state, parent);
        };
    case InspectorTab::cursor:
        return [](EditorModel& editor, ContentState&, QWidget* parent) -> QWidget* {
            return new PointerInspector(editor.document(), parent);
        };
    case InspectorTab::audio:
        return [](EditorModel& editor, ContentState& state, QWidget* parent) -> QWidget* {
            return new AudioTab(editor.document(), editor.playback(), state, AudioTab::askForAudioFile, parent);
        };
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

#include "workspace/TimelineViews.h"

#include "editor/EditorModel.h"
#include "workspace/ContentState.h"
#include "workspace/EditorTimeline.h"
#include "workspace/PreviewCanvas.h"
#include "workspace/TimelineTrack.h"

namespace sablewick {

WorkspaceViews withPreviewAndTimeline(WorkspaceViews views, AppPreferences& preferences)
{
    views.previewCanvas = [](EditorModel& editor, QWidget* parent) {
        return new PreviewCanvas(editor.document(), editor.playback(), parent);
    };
    views.timeline = [&preferences](EditorModel& editor, ContentState& state, QWidget* parent) {
        auto* timeline = new EditorTimeline(
            editor,
            {[&state] { return state.selectedPoint(); },
             [&state](const std::optional<QUuid>& id) { state.setSelectedPoint(id); }},
            {[&state] { return state.timelineScale(); }, [&state](const double& scale) { state.setTimelineScale(scale); }},
            [&state](std::optional<double> time) { state.addZoomAndPlace(time); },
            [&state](const FocusPoint& point) { state.removeZoom(point); }, preferences, parent);
        QObject::connect(&state, &ContentState::changed, timeline, &EditorTimeline::refresh);
        return timeline;
    };
    return views;
}

}  // namespace sablewick

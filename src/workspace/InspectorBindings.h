#pragma once

#include "components/StudioBinding.h"
#include "editor/EditorModel.h"
#include "workspace/SettingsBinding.h"

#include <QUuid>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace sablewick {

// How the inspector's controls reach the open edit. Each read goes to the model, so a control
// never shows a stale copy; each write assigns a changed copy back to the model, which records it
// as an edit (a burst of writes becomes one undo step). Main thread only; the model must outlive
// the bindings.
namespace InspectorBindings {

// A field of the edit's settings, and an optional one read as `absent` while it is not stored.
template <class T>
StudioBinding<T> setting(EditorModel& editor, T EditSettings::*field)
{
    return settingsField(editorSettings(editor), field);
}
template <class T>
StudioBinding<T> optionalSetting(EditorModel& editor, std::optional<T> EditSettings::*field, T absent)
{
    return settingsField(editorSettings(editor), field, absent);
}

// Changes the focus point with this identifier in place (the list keeps its order). A point
// that no longer exists is left alone and no edit is recorded; returns whether it was found.
inline bool editPoint(EditorModel& editor, const QUuid& id, const std::function<void(FocusPoint&)>& change)
{
    std::vector<FocusPoint> events = editor.events();
    const auto found = std::find_if(events.begin(), events.end(), [&](const FocusPoint& p) { return p.id == id; });
    if (found == events.end())
        return false;
    change(*found);
    editor.setEvents(events);
    return true;
}

inline const FocusPoint* findPoint(const EditorModel& editor, const QUuid& id)
{
    const auto& events = editor.events();
    const auto found = std::find_if(events.begin(), events.end(), [&](const FocusPoint& p) { return p.id == id; });
    return found == events.end() ? nullptr : &*found;
}

// One of a zoom's own overrides, read as `fallback()` while it has none (or is gone).
template <class T>
StudioBinding<T> pointOverride(EditorModel& editor, QUuid id, std::optional<T> FocusPoint::*field,
                               std::function<T()> fallback)
{
    return {[&editor, id, field, fallback] {
                const FocusPoint* point = findPoint(editor, id);
                return point && (point->*field) ? *(point->*field) : fallback();
            },
            [&editor, id, field](const T& value) {
                editPoint(editor, id, [&](FocusPoint& p) { p.*field = value; });
            }};
}

// A zoom's focus position on one axis; 0.5 once the zoom is gone.
inline StudioBinding<double> pointPosition(EditorModel& editor, QUuid id, double FocusPoint::*axis)
{
    return {[&editor, id, axis] {
                const FocusPoint* point = findPoint(editor, id);
                return point ? point->*axis : 0.5;
            },
            [&editor, id, axis](const double& value) { editPoint(editor, id, [&](FocusPoint& p) { p.*axis = value; }); }};
}

}  // namespace InspectorBindings

}  // namespace sablewick

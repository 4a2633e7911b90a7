#pragma once

#include "components/StudioBinding.h"
#include "editor/EditorDocument.h"
#include "workspace/SettingsBinding.h"

#include <QUuid>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace sablewick {

// How the inspector's controls reach the open edit. Each read goes to the document, so a control
// never shows a stale copy; each write assigns a changed copy back to the document, which records
// it as an edit (a burst of writes becomes one undo step). Main thread only; the document must
// outlive the bindings.
namespace InspectorBindings {

// A field of the edit's settings, and an optional one read as `absent` while it is not stored.
template <class T>
StudioBinding<T> setting(EditorDocument& document, T EditSettings::*field)
{
    return settingsField(editorSettings(document), field);
}
template <class T>
StudioBinding<T> optionalSetting(EditorDocument& document, std::optional<T> EditSettings::*field, T absent)
{
    return settingsField(editorSettings(document), field, absent);
}

// Changes the focus point with this identifier in place (the list keeps its order). A point
// that no longer exists is left alone and no edit is recorded; returns whether it was found.
inline bool editPoint(EditorDocument& document, const QUuid& id, const std::function<void(FocusPoint&)>& change)
{
    std::vector<FocusPoint> events = document.events();
    const auto found = std::find_if(events.begin(), events.end(), [&](const FocusPoint& p) { return p.id == id; });
    if (found == events.end())
        return false;
    change(*found);
    document.setEvents(events);
    return true;
}

inline const FocusPoint* findPoint(const EditorDocument& document, const QUuid& id)
{
    const auto& events = document.events();
    const auto found = std::find_if(events.begin(), events.end(), [&](const FocusPoint& p) { return p.id == id; });
    return found == events.end() ? nullptr : &*found;
}

// One of a zoom's own overrides, read as `fallback()` while it has none (or is gone).
template <class T>
StudioBinding<T> pointOverride(EditorDocument& document, QUuid id, std::optional<T> FocusPoint::*field,
                               std::function<T()> fallback)
{
    return {
        [&document, id, field, fallback] {
            const FocusPoint* point = findPoint(document, id);
            return point && (point->*field) ? *(point->*field) : fallback();
        },
        [&document, id, field](const T& value) { editPoint(document, id, [&](FocusPoint& p) { p.*field = value; }); }};
}

// A zoom's focus position on one axis; 0.5 once the zoom is gone.
inline StudioBinding<double> pointPosition(EditorDocument& document, QUuid id, double FocusPoint::*axis)
{
    return {[&document, id, axis] {
                const FocusPoint* point = findPoint(document, id);
                return point ? point->*axis : 0.5;
            },
            [&document, id, axis](const double& value) {
                editPoint(document, id, [&](FocusPoint& p) { p.*axis = value; });
            }};
}

}  // namespace InspectorBindings

}  // namespace sablewick

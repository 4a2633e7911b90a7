#pragma once

#include "components/StudioBinding.h"
#include "document/EditSettings.h"

#include <optional>

namespace sablewick {

class EditorDocument;

// The open video edit's settings as a control sees them: read from the document each time,
// written back whole, so the document records every write as an edit.
StudioBinding<EditSettings> editorSettings(EditorDocument& document);

// One field of the settings behind `settings`: a write changes that field of the current record
// and writes the whole record back.
template <class T>
StudioBinding<T> settingsField(StudioBinding<EditSettings> settings, T EditSettings::*field)
{
    return {[settings, field] { return settings.get().*field; },
            [settings, field](const T& value) {
                EditSettings next = settings.get();
                next.*field = value;
                settings.set(next);
            }};
}

// An optional field, read as `absent` while it is not stored; a write always stores it.
template <class T>
StudioBinding<T> settingsField(StudioBinding<EditSettings> settings, std::optional<T> EditSettings::*field, T absent)
{
    return {[settings, field, absent] { return (settings.get().*field).value_or(absent); },
            [settings, field](const T& value) {
                EditSettings next = settings.get();
                next.*field = value;
                settings.set(next);
            }};
}

}  // namespace sablewick

#pragma once

#include "editor/EditorModel.h"

namespace sablewick::test {

// The model's focus point with this identifier, or null once it is gone.
inline const FocusPoint* pointWithId(const EditorModel& editor, const QUuid& id)
{
    for (const FocusPoint& p : editor.document().events())
        if (p.id == id)
            return &p;
    return nullptr;
}

}  // namespace sablewick::test

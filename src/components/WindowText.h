#pragma once

#include <QString>

// The fixed texts that both editor windows show.
namespace sablewick::WindowText {

// The subtitle under a window's title while an edit is open.
inline const QString unsavedSubtitle = QStringLiteral("Edits backed up on this computer");
inline const QString savedSubtitle = QStringLiteral("Project saved");

inline QString editSubtitle(bool hasUnsavedEdits)
{
    return hasUnsavedEdits ? unsavedSubtitle : savedSubtitle;
}

}  // namespace sablewick::WindowText

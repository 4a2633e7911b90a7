#pragma once

#include <QString>

namespace sablewick {

// The editor's own failures; each has one fixed, user-facing description.
enum class EditorError {
    invalidMovie,
    exportUnavailable,
    unsupportedProject,
    outdatedProject,
    missingProjectMovie,
    notLocalFile,
};

QString description(EditorError error);

}  // namespace sablewick

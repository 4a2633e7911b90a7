#include "editor/EditorError.h"

namespace sablewick {

QString description(EditorError error)
{
    switch (error) {
    case EditorError::invalidMovie:
        return QStringLiteral("This file has no readable video duration.");
    case EditorError::exportUnavailable:
        return QStringLiteral("A video exporter is not available.");
    case EditorError::unsupportedProject:
        return QStringLiteral("This project was saved by a newer version of Sablewick.");
    case EditorError::outdatedProject:
        // A version below the first one was never written by Sablewick; calling it newer
        // would send the user looking for an update that cannot help.
        return QStringLiteral("This project was saved by an unsupported version of Sablewick.");
    case EditorError::missingProjectMovie:
        return QStringLiteral("The project's source video could not be opened.");
    case EditorError::notLocalFile:
        return QStringLiteral("Only files on this computer can be opened.");
    }
    return {};
}

}  // namespace sablewick

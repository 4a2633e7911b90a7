#include "recording/RecorderError.h"

namespace sablewick {

QString description(RecorderError error)
{
    switch (error) {
    case RecorderError::noDisplay:
        return QStringLiteral("No display is available to record.");
    case RecorderError::displayUnavailable:
        return QStringLiteral("That display is no longer connected. Choose another display.");
    case RecorderError::noMicrophone:
        return QStringLiteral("No microphone is available. Turn off Microphone or connect one.");
    }
    return {};
}

}  // namespace sablewick

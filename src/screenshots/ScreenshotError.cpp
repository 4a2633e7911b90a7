#include "screenshots/ScreenshotError.h"

namespace sablewick {

ScreenshotError::ScreenshotError(Kind kind) : std::runtime_error(descriptionOf(kind)), m_kind(kind) {}

const char* ScreenshotError::descriptionOf(Kind kind)
{
    switch (kind) {
    case Kind::invalidImage: return "This file is not a readable image.";
    case Kind::encodeFailed: return "The image could not be saved. Choose another location and try again.";
    case Kind::invalidProject: return "This screenshot project is unsupported or its original image is missing.";
    // The recorder's sentence for the same failure, so that both captures say it alike.
    case Kind::noDisplay: return "No display is available to record.";
    }
    return "This file is not a readable image.";
}

}  // namespace sablewick

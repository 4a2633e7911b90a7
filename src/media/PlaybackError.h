#pragma once

#include <QString>

#include <exception>

namespace sablewick {

// The sentence the user reads when a file cannot be played or opened, fit to follow "Could not
// play music: ", "Could not open video: " and the like. A MediaError says what went wrong; any
// other failure (memory, say) gets the general sentence.
QString describePlaybackError(const std::exception& error);

}  // namespace sablewick

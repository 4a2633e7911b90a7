#pragma once

#include <QString>

namespace sablewick {

class MediaError;

// The sentence the user reads when a file cannot be played or opened, fit to follow "Could not
// play music: ", "Could not open video: " and the like.
QString describePlaybackError(const MediaError& error);

}  // namespace sablewick

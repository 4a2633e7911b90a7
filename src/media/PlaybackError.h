#pragma once

#include <QString>

namespace sablewick {

class MediaError;

// The sentence a player reports when a file cannot be played, fit to follow "Could not play
// music: " and the like.
QString describePlaybackError(const MediaError& error);

}  // namespace sablewick

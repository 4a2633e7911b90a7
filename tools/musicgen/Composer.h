#pragma once

#include "Synth.h"
#include "document/MusicChoice.h"

namespace sablewick::musicgen {

// How many four-bar cycles a library track lasts (about 30 to 45 seconds each).
int cyclesOf(MusicChoice track);

// The frames of a whole number of four-bar cycles at the track's tempo.
std::int64_t framesOf(MusicChoice track, int rate);

// Composes one library track as a seamless stereo loop over its four bar roots.
LoopBuffer compose(MusicChoice track, int rate);

}  // namespace sablewick::musicgen

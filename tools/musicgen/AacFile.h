#pragma once

#include "Synth.h"

#include <string>

namespace sablewick::musicgen {

// Encodes a loop as AAC in an MPEG-4 audio file (.m4a), written to a temporary name and renamed
// into place. The encoder's priming delay is recorded in the file's edit list, so the decoded
// track is exactly the loop's length. Throws std::runtime_error on failure.
void writeAacFile(const LoopBuffer& loop, const std::string& path, int bitRate);

}  // namespace sablewick::musicgen

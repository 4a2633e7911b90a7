#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace sablewick::test {

// A movie's sound as 48 kHz mono, decoded by FFmpeg's own command line.
std::vector<std::int16_t> decodedSound(const QString& movie);

}  // namespace sablewick::test

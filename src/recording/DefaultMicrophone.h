#pragma once

#include <QString>

#include <optional>

namespace sablewick::DefaultMicrophone {

// The audio server's default source when it is a microphone (a monitor of an output is what the
// system plays, not a microphone): its identifier, and its name for people.
std::optional<QString> identifier();
std::optional<QString> name();

}  // namespace sablewick::DefaultMicrophone

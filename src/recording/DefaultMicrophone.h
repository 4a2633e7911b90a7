#pragma once

#include "recording/CaptureBackend.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace sablewick::DefaultMicrophone {

// The audio server's default source when it is a microphone (a monitor of an output is what the
// system plays, not a microphone): its identifier, and its name for people.
std::optional<QString> identifier();
std::optional<QString> name();
// Follows the audio server's sources; none without a server.
std::unique_ptr<DeviceWatch> watch(std::function<void()> changed);

}  // namespace sablewick::DefaultMicrophone

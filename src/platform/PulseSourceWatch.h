#pragma once

#include "platform/PulseConnection.h"

#include <functional>

namespace sablewick {

// Follows the audio server's sources: a microphone plugged in or removed, an output added (its
// monitor comes with it), a new default source. Called on the connection's own thread, once or
// more for each change.
class PulseSourceWatch {
public:
    // Throws PulseError when no server answers.
    explicit PulseSourceWatch(std::function<void()> changed);
    // No call of `changed` runs after it returns.
    ~PulseSourceWatch();
    PulseSourceWatch(const PulseSourceWatch&) = delete;
    PulseSourceWatch& operator=(const PulseSourceWatch&) = delete;

private:
    std::function<void()> m_changed;
    PulseConnection m_connection;
};

}  // namespace sablewick

#pragma once

#include <cstdint>
#include <optional>

namespace sablewick {

// The choices of one recording. Not stored: the main window keeps one for its lifetime and the
// setup sheet edits it in place.
struct RecordingOptions {
    std::optional<std::uint32_t> displayID;  // absent: the main display
    bool systemAudio = true;
    bool microphone = false;
    // The next two only reach the sidecar: the movie itself never holds the pointer or clicks.
    bool showCursor = true;
    bool showClicks = false;

    bool operator==(const RecordingOptions&) const = default;
};

}  // namespace sablewick

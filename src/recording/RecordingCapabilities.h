#pragma once

#include "recording/CaptureBackend.h"
#include "recording/RecordingOptions.h"

#include <QSizeF>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace sablewick {

// What the recording setup sheet shows about this computer, read again whenever displays or
// devices may have changed.
struct RecordingDisplayChoice {
    std::uint32_t id = 0;
    QString name;
    QSizeF captureSize;  // RecordingCaptureGeometry::pixelSize of the display
    bool operator==(const RecordingDisplayChoice&) const = default;
};

struct RecordingCapabilities {
    std::vector<RecordingDisplayChoice> displays;
    std::optional<std::uint32_t> mainDisplayID;
    std::optional<QString> microphoneName;  // the default microphone's name; none without one
    MicrophoneAuthorization microphoneAuthorization = MicrophoneAuthorization::notDetermined;
    bool typingAccess = false;  // clicks and typing of other applications can be seen
    std::optional<QString> inputNote;  // why they cannot be, when no setting would change it

    // Reads everything from the recorder's platform. Never throws: what cannot be read is absent.
    static RecordingCapabilities read(CaptureBackend& backend);

    // The display to record after a change: the chosen one while it is connected, else the main
    // display when it is listed, else the first, else none.
    std::optional<std::uint32_t> repairedDisplayID(std::optional<std::uint32_t> chosen) const;
    const RecordingDisplayChoice* display(std::optional<std::uint32_t> id) const;
};

namespace RecordingSetupText {

// "System audio + microphone", "System audio", "Microphone only" or "Silent recording".
QString audioSummary(const RecordingOptions& options);
// "3024 × 1964 · 60 fps".
QString sizeLine(QSizeF captureSize);

}  // namespace RecordingSetupText
}  // namespace sablewick

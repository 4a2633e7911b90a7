#include "recording/RecordingCapabilities.h"

#include "recording/RecordingCaptureGeometry.h"

#include <algorithm>
#include <cmath>

namespace sablewick {

RecordingCapabilities RecordingCapabilities::read(CaptureBackend& backend)
{
    RecordingCapabilities result;
    try {
        for (const CaptureDisplay& d : backend.displays())
            result.displays.push_back({d.id, d.name, RecordingCaptureGeometry::pixelSize(d.size, d.scale)});
    } catch (const CaptureError&) {
        // No display can be listed: the sheet says so and start stays off.
    }
    result.mainDisplayID = backend.mainDisplayID();
    result.microphoneName = backend.defaultMicrophoneName();
    result.microphoneAuthorization = backend.microphoneAuthorization();
    result.typingAccess = backend.canMonitorInput();
    if (!result.typingAccess)
        result.inputNote = backend.inputUnavailableReason();
    return result;
}

const RecordingDisplayChoice* RecordingCapabilities::display(std::optional<std::uint32_t> id) const
{
    if (!id)
        return nullptr;
    auto it = std::find_if(displays.begin(), displays.end(), [&](const RecordingDisplayChoice& d) { return d.id == *id; });
    return it != displays.end() ? &*it : nullptr;
}

std::optional<std::uint32_t> RecordingCapabilities::repairedDisplayID(std::optional<std::uint32_t> chosen) const
{
    if (display(chosen))
        return chosen;
    if (display(mainDisplayID))
        return mainDisplayID;
    if (!displays.empty())
        return displays.front().id;
    return std::nullopt;
}

namespace RecordingSetupText {

QString audioSummary(const RecordingOptions& options)
{
    if (options.systemAudio && options.microphone)
        return QStringLiteral("System audio + microphone");
    if (options.systemAudio)
        return QStringLiteral("System audio");
    if (options.microphone)
        return QStringLiteral("Microphone only");
    return QStringLiteral("Silent recording");
}

QString sizeLine(QSizeF captureSize)
{
    return QStringLiteral("%1 × %2 · 60 fps")
        .arg(static_cast<qint64>(std::llround(captureSize.width())))
        .arg(static_cast<qint64>(std::llround(captureSize.height())));
}

}  // namespace RecordingSetupText
}  // namespace sablewick

#pragma once

#include "media/ScreenRecording.h"
#include "recording/CaptureBackend.h"

#include <memory>

namespace sablewick {

// The movie, its size, rate and sound that a capture request asks for; the picture's source is
// the caller's to set.
ScreenRecordingSettings screenRecordingSettings(const CaptureRequest& request);

// Starts a screen recording and hands it out as the recorder's capture session, with its reports
// turned into the recorder's capture events. `resources` (the display's stream, its portal
// session) stay alive until the recording has ended. Throws what ScreenRecording throws.
std::shared_ptr<CaptureSession> startScreenCapture(const ScreenRecordingSettings& settings, const CaptureEvents& events,
                                                   std::shared_ptr<void> resources = nullptr);

}  // namespace sablewick

#pragma once

#include "platform/AtspiCaret.h"
#include "platform/DisplayList.h"
#include "platform/X11InputMonitor.h"
#include "recording/CaptureBackend.h"

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace sablewick {

// The recorder's platform on an X11 session: XRandR monitors, XShm capture into a fragmented
// H.264 movie, PulseAudio sound, XInput 2 clicks and keys, the text caret from the accessibility
// bus where it answers at once. X11 asks for no permissions, so the permission checks all pass.
//
// Threading: main thread, like the recorder; captures start on a thread of their own because
// opening the audio server may take a moment.
class X11CaptureBackend : public CaptureBackend {
public:
    X11CaptureBackend();
    ~X11CaptureBackend() override;  // waits for a capture that is still starting

    // The application's own system-wide hot keys, left out of the typing.
    void setIgnoredKeys(std::vector<X11KeyChord> chords);
    // The x264 preset of new captures (the benchmark compares presets); empty: the default.
    void setPreset(std::string preset);

    bool screenCaptureAllowed() override { return true; }
    bool requestScreenCapture() override { return true; }
    MicrophoneAuthorization microphoneAuthorization() override { return MicrophoneAuthorization::authorized; }
    bool requestMicrophoneAccess() override { return true; }
    std::optional<QString> defaultMicrophone() override;
    std::optional<QString> defaultMicrophoneName() override;
    std::unique_ptr<DeviceWatch> watchMicrophones(std::function<void()> changed) override;
    std::vector<CaptureDisplay> displays() override;
    std::optional<std::uint32_t> mainDisplayID() override;
    void startCapture(const CaptureRequest& request, CaptureEvents events,
                      std::function<void(CaptureStart)> done) override;
    double now() override;
    QPointF pointerLocation() override;
    std::function<PointerReading()> pointerReader() override;
    std::optional<QPointF> caretLocation() override;
    std::unique_ptr<InputMonitor> monitorInput(InputEvents events) override;
    bool canMonitorInput() override;

private:
    DisplayLayout layout();  // the last one read, read now when there is none

    std::optional<DisplayLayout> m_layout;
    std::unique_ptr<X11Pointer> m_pointer;
    std::vector<X11KeyChord> m_ignoredKeys;
    std::string m_preset;
    std::vector<std::thread> m_starters;
    // Made with the first input monitor: the accessibility bus is only followed once recording.
    std::unique_ptr<AtspiCaret> m_caret;
};

}  // namespace sablewick

#pragma once

#include "platform/DisplayList.h"
#include "platform/Guarded.h"
#include "recording/CaptureBackend.h"

#include <QObject>
#include <QString>

#include <memory>
#include <thread>
#include <vector>

namespace sablewick {

class PipeWireScreenStream;
class PreferencesStore;

// The recorder's platform on a Wayland session: the display comes through the desktop portal's
// screen cast and PipeWire, the sound from the audio server as on X11. The portal asks the user
// which display to share the first time; its restore token, kept in the preferences, shares the
// same display again without asking. The pointer's position comes from the stream where the
// portal sends it beside the pictures; where it cannot, the pointer is drawn into the pictures
// (or left out) and the recording keeps no path. Clicks and typing of other applications are not
// visible to a Wayland client: they come from the input devices where the user may read them (a
// member of the input group) and the pointer's position is known, and are not reported otherwise.
//
// Threading: main thread, like the recorder (the portal needs the event loop). Captures finish
// starting on a thread of their own, which waits for the stream's first picture.
class PortalCaptureBackend : public CaptureBackend {
public:
    // The preference that keeps the portal's restore token.
    static constexpr const char* restoreTokenKey = "ScreenCastRestoreToken";

    // `preferences` keeps the restore token; none: it is kept for this run only.
    explicit PortalCaptureBackend(PreferencesStore* preferences = nullptr);
    ~PortalCaptureBackend() override;  // waits for a capture that is still starting

    bool screenCaptureAllowed() override { return true; }  // the portal asks when a capture starts
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
    std::optional<QPointF> caretLocation() override { return std::nullopt; }
    std::unique_ptr<InputMonitor> monitorInput(InputEvents events) override;
    bool canMonitorInput() override;
    std::optional<QString> inputUnavailableReason() override;

private:
    QString restoreToken() const;
    bool pointerMetadata();
    void keepRestoreToken(const QString& token);

    PreferencesStore* m_preferences;
    QString m_token;  // without preferences
    std::unique_ptr<QObject> m_portalRequests;  // parent of the portal conversations under way
    std::optional<DisplayLayout> m_layout;
    std::vector<std::thread> m_starters;
    // The running capture's stream, set by its starter and read by the pointer's readers.
    struct Stream {
        std::weak_ptr<PipeWireScreenStream> stream;
        QRectF frame;          // the display it shows, global
        bool pointer = false;  // it sends the pointer's position
    };
    Guarded<Stream> m_stream;
    std::optional<bool> m_pointerMetadata;  // whether the portal offers the pointer's position
};

}  // namespace sablewick

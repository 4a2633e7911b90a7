#pragma once

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// What the recorder needs of the platform: permissions, the displays, a capture that writes the
// movie itself, the pointer, and the clicks and keys of other applications. Positions are in
// global screen coordinates: origin at the bottom-left corner of the primary display, y growing
// upward. Times are seconds of one monotonic clock, shared by the frames, the pointer samples and
// the input events, so that all three line up in the edit.

namespace sablewick {

// A failure of the platform's capture. `declined` means the user refused screen capture when
// asked; `cancelled` that the user closed the system's dialog that picks what to share, which is
// no failure to report. The message is shown to the user after a fixed prefix.
class CaptureError : public std::runtime_error {
public:
    enum class Kind { declined, failed, diskFull, cancelled };
    explicit CaptureError(const QString& message, Kind kind = Kind::failed)
        : std::runtime_error(message.toStdString())
        , m_kind(kind)
    {
    }
    Kind kind() const { return m_kind; }
    QString message() const { return QString::fromStdString(what()); }

private:
    Kind m_kind;
};

enum class MicrophoneAuthorization { notDetermined, restricted, denied, authorized };

struct CaptureDisplay {
    std::uint32_t id = 0;
    QString name;
    QSizeF size;        // points
    double scale = 1;   // pixels per point; 0 or less when unknown
    QRectF frame;       // global screen coordinates, points
};

struct CaptureRequest {
    CaptureDisplay display;
    QSize pixelSize;
    int framesPerSecond = 60;
    bool systemAudio = false;
    bool microphone = false;
    std::optional<QString> microphoneDevice;
    QString moviePath;  // already created, empty; the capture replaces it
    // Whether the user wants the pointer seen. A capture that can keep the pointer apart from the
    // pictures leaves it out either way (the editor draws it); one that cannot draws it in when set.
    bool showPointer = true;
};

// What a running capture reports. Called on any thread; the recorder moves the work to its own.
struct CaptureEvents {
    std::function<void()> finished;                        // the movie is complete
    std::function<void(const CaptureError&)> failed;        // the movie could not be written
    std::function<void(const CaptureError&)> stopped;       // capture ended by itself; finished
                                                            // or failed follows
    // The audio server went away: the capture goes on, its sound silent from `seconds` into the
    // movie on. At most once, before `finished`.
    std::function<void(double seconds)> soundLost;
};

// One running capture. Destroying it ends the capture and every thread it started, whatever
// state it is in, so a recorder that drops it never leaves a capture running.
class CaptureSession {
public:
    virtual ~CaptureSession() = default;
    // Monotonic time of the movie's first frame: time zero of the samples and events.
    virtual double startTime() const = 0;
    // Stops adding to the movie and finishes it; `finished` or `failed` follows. Throws
    // CaptureError when the movie cannot be finished.
    virtual void finishMovie() = 0;
    // Stops grabbing the display and the sound. Throws CaptureError.
    virtual void stopCapture() = 0;
    // Whether the pictures leave the pointer out while its position can be read, so that its path
    // is sampled and the editor draws it. Otherwise the pictures are the whole record of the
    // pointer: it is in them or nowhere, and no path is kept.
    virtual bool pointerApart() const { return true; }
};

struct CaptureStart {
    std::shared_ptr<CaptureSession> session;  // set on success
    std::optional<CaptureError> error;        // set on failure
};

// Clicks and keys sent to other applications, with the pointer's position and the clock's time
// at the moment they arrived. Called on the monitor's own thread. Modifier-only keys, the
// application's own windows and its own hot keys never reach these.
struct InputEvents {
    std::function<void(double time, QPointF location)> leftClick;
    std::function<void(double time, QPointF pointer)> keyDown;
    // The monitoring ended by itself (its thread failed, or the display server went away).
    std::function<void(const std::string& reason)> failed;
};

// Where the pointer was, and when on the backend's clock (now()).
struct PointerReading {
    double time = 0;
    QPointF location;
};

// Destroying it stops the monitoring; no callback runs after the destructor returns.
class InputMonitor {
public:
    virtual ~InputMonitor() = default;
};

// Destroying it stops the watching; no callback runs after the destructor returns.
class DeviceWatch {
public:
    virtual ~DeviceWatch() = default;
};

class CaptureBackend {
public:
    virtual ~CaptureBackend() = default;

    // Screen capture permission: the check never prompts; the request may.
    virtual bool screenCaptureAllowed() = 0;
    virtual bool requestScreenCapture() = 0;

    virtual MicrophoneAuthorization microphoneAuthorization() = 0;
    // Asks the user; true when granted.
    virtual bool requestMicrophoneAccess() = 0;
    // The identifier of the default microphone, or none when there is no input device.
    virtual std::optional<QString> defaultMicrophone() = 0;
    // Its name for people, or none when there is no input device.
    virtual std::optional<QString> defaultMicrophoneName() = 0;
    // Calls `changed` on any thread when a microphone may have come, gone or become the default;
    // none when the platform cannot tell.
    virtual std::unique_ptr<DeviceWatch> watchMicrophones(std::function<void()> changed)
    {
        (void)changed;
        return nullptr;
    }

    // The displays that can be recorded. Throws CaptureError.
    virtual std::vector<CaptureDisplay> displays() = 0;
    // The number of the main display, when the platform can tell.
    virtual std::optional<std::uint32_t> mainDisplayID() = 0;

    // Starts a capture. `done` is called exactly once, on any thread, with the running session
    // or the failure; a failed start leaves nothing running.
    virtual void startCapture(const CaptureRequest& request, CaptureEvents events,
                              std::function<void(CaptureStart)> done) = 0;

    virtual double now() = 0;
    virtual QPointF pointerLocation() = 0;
    // The same reading (pointerLocation() and now()) for a thread of the recorder's own, one call at
    // a time, for as long as a recording runs; empty when the backend can only be read on the
    // main thread.
    virtual std::function<PointerReading()> pointerReader() { return {}; }
    // The centre of the focused text caret, or none when it cannot be found quickly.
    virtual std::optional<QPointF> caretLocation() = 0;
    // Throws CaptureError when input cannot be monitored.
    virtual std::unique_ptr<InputMonitor> monitorInput(InputEvents events) = 0;
    // Whether clicks and typing of other applications can be seen; never prompts.
    virtual bool canMonitorInput() = 0;
    // Why clicks and typing cannot be seen whatever the user allows (the session keeps them from
    // every application), in one sentence; none where allowing input monitoring would help.
    virtual std::optional<QString> inputUnavailableReason() { return std::nullopt; }
};

}  // namespace sablewick

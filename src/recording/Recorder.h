#pragma once

#include "document/FocusPoint.h"
#include "recording/CaptureBackend.h"
#include "recording/PointerSampler.h"
#include "recording/ProvisionalSidecar.h"
#include "recording/RecordingOptions.h"
#include "recording/RecordingWindows.h"

#include <QDateTime>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace sablewick {

// Records one display to a movie while sampling the pointer and logging clicks and typing as
// focus points; on finish it writes the sidecar beside the movie and calls the finish action.
// Every outcome is published as one notice plus three permission flags.
//
// Threading: lives on the main thread; every member is called there. The backend's callbacks
// arrive on its threads and are moved to the main thread, where each is dropped unless it
// belongs to the recording that is current at that moment.
class Recorder : public QObject {
    Q_OBJECT
public:
    static constexpr double samplingInterval = 1.0 / 30.0;
    static constexpr double typingGap = 0.55;

    using FinishAction = std::function<void(const QUrl& movie, const std::vector<FocusPoint>& events)>;

    // `backend` must outlive the recorder. `recordingsFolder` is where movies go (the user's
    // videos folder under "Sablewick Recordings" in the application).
    Recorder(CaptureBackend& backend, QString recordingsFolder, QObject* parent = nullptr);
    ~Recorder() override;  // ends a running capture

    // --- published state
    bool isRecording() const { return m_isRecording; }
    bool isStarting() const { return m_isStarting; }
    bool isFinalizing() const { return m_isFinalizing; }
    const std::optional<QString>& notice() const { return m_notice; }
    bool needsScreenPermission() const { return m_needsScreenPermission; }
    bool needsMicrophonePermission() const { return m_needsMicrophonePermission; }
    bool needsRestart() const { return m_needsRestart; }
    const std::optional<QUrl>& finishedURL() const { return m_finishedURL; }
    const QDateTime& recordingStartedAt() const { return m_recordingStartedAt; }

    // --- what the recording collected (kept until the next start)
    const std::vector<FocusPoint>& events() const { return m_events; }
    const std::vector<PointerSample>& pointerSamples() const { return m_pointerSamples; }
    QRectF screenFrame() const { return m_screenFrame; }
    // The backend clock's reading at the movie's first frame: time zero of samples and events.
    double timeZero() const { return m_startedAt; }
    // The backend clock's reading at the last stop: the movie and the pointer's path end there.
    double stopTime() const { return m_stoppedAt; }
    const std::optional<QString>& moviePath() const { return m_moviePath; }

    void setOnFinish(FinishAction action) { m_onFinish = std::move(action); }
    // The application's windows, put away while a recording runs; none: nothing is put away.
    // They must outlive the recorder.
    void setWindows(RecordingWindows* windows) { m_windows = windows; }
    // The user has read the last outcome (the setup sheet opens afresh).
    void clearNotice() { setNotice(std::nullopt); }

    // Starts a recording. While a recording starts, runs or finishes, the start is refused:
    // nothing changes and `done` (if given) is called at once with false. Otherwise `done` is
    // called later with true when the capture runs, or false when the start failed (the reason
    // is in the notice and the flags).
    void start(const RecordingOptions& options, std::function<void(bool)> done = {});
    // Stops a running recording; does nothing otherwise. The movie is finished in the
    // background and the finish (or failure) is published when it is done.
    void stop();

    // Appends a focus point at a global location, or drops it (outside the recorded display, or
    // a keystroke within the typing gap of the previous keystroke of the same burst).
    void appendEvent(FocusKind kind, QPointF location);
    // A manual focus point at the pointer, while recording only: the panel and the hot key.
    void markZoomAtPointer();
    // One pointer sample, while recording a capture that keeps the pointer apart from its pictures.
    // Where the backend can be read on another thread, the samples are taken there at the
    // sampling rate, and reach the samples when the recording stops.
    void samplePointer();

signals:
    void isRecordingChanged();
    void isStartingChanged();
    void isFinalizingChanged();
    void noticeChanged();
    void needsScreenPermissionChanged();
    void needsMicrophonePermissionChanged();
    void needsRestartChanged();
    void finishedURLChanged();
    void recordingStartedAtChanged();
    void eventsChanged();

private:
    void startCapture(std::uint64_t generation, const RecordingOptions& options, const CaptureRequest& request,
                      std::function<void(bool)> done);
    void bringWindowsBack();
    void continueStart(std::uint64_t generation, const RecordingOptions& options, CaptureRequest request,
                       CaptureStart result, std::function<void(bool)> done);
    void failStart(const CaptureError& error);
    void installEventMonitors();
    // Ends the sampling and the monitoring; samples read after `until` (the stop) are dropped.
    void removeEventMonitors(double until = std::numeric_limits<double>::infinity());
    void appendSample(double clockTime, QPointF location);
    void takeSamplerReadings(double until = std::numeric_limits<double>::infinity());
    // What the recording has collected so far, as its sidecar.
    FocusSidecar capturedSidecar() const;
    void updateProvisionalCopy();
    // Writes the sidecar of what was captured and removes the provisional copy; the reason when
    // it could not be written.
    std::optional<QString> writeCapturedSidecar(const QString& movie);
    // On a failure that keeps the movie.
    void keepSidecarOfPartialMovie();
    void handleFinished(std::uint64_t generation);
    void handleFailed(std::uint64_t generation, const CaptureError& error);
    void handleStopped(std::uint64_t generation, const CaptureError& error);
    void handleSoundLost(std::uint64_t generation, double seconds);
    void handleInput(std::uint64_t generation, FocusKind kind, double time, QPointF location);
    void appendEventAt(FocusKind kind, QPointF location, double time);
    void endSession();
    void discardReservedMovie();
    CaptureEvents makeCaptureEvents(std::uint64_t generation);

    void setRecording(bool value);
    void setStarting(bool value);
    void setFinalizing(bool value);
    void setNotice(std::optional<QString> value);
    void setNeedsScreenPermission(bool value);
    void setNeedsMicrophonePermission(bool value);
    void setNeedsRestart(bool value);
    void setFinishedURL(std::optional<QUrl> value);

    CaptureBackend& m_backend;
    QString m_recordingsFolder;

    bool m_isRecording = false;
    bool m_isStarting = false;
    bool m_isFinalizing = false;
    std::optional<QString> m_notice;
    bool m_needsScreenPermission = false;
    bool m_needsMicrophonePermission = false;
    bool m_needsRestart = false;
    std::optional<QUrl> m_finishedURL;
    QDateTime m_recordingStartedAt;

    FinishAction m_onFinish;
    RecordingWindows* m_windows = nullptr;
    bool m_windowsAway = false;
    std::shared_ptr<CaptureSession> m_session;
    std::optional<QString> m_moviePath;
    QRectF m_screenFrame;
    double m_startedAt = 0;  // backend clock
    double m_stoppedAt = 0;  // backend clock
    std::vector<FocusPoint> m_events;
    std::vector<PointerSample> m_pointerSamples;
    std::optional<double> m_lastKeystroke;  // backend clock, within the current burst
    std::unique_ptr<InputMonitor> m_inputMonitor;
    QTimer m_pointerTimer;  // where the backend can only be read here
    std::unique_ptr<PointerSampler> m_sampler;
    // While recording, what was collected is copied beside the movie about once a second, so that
    // a recording that ends abnormally still leaves the clicks, typing and pointer path.
    QTimer m_provisionalTimer;
    std::unique_ptr<ProvisionalSidecar> m_provisional;
    bool m_recordedPointerVisible = true;
    bool m_pointerApart = true;  // the capture's pictures leave the pointer out and its path is sampled
    bool m_recordedClickHighlights = false;
    // Names the current recording; a callback carrying another number is a late one of an
    // earlier recording (or of a start that failed) and is dropped.
    std::uint64_t m_generation = 0;
};

}  // namespace sablewick

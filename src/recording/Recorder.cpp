#include "recording/Recorder.h"

#include "document/Project.h"
#include "recording/RecorderError.h"
#include "recording/RecordingCaptureGeometry.h"
#include "recording/RecordingFiles.h"
#include "platform/MainThread.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace sablewick {

namespace {

const QString kScreenAllowedRestart =
    QStringLiteral("Screen Recording is allowed. Quit and reopen Sablewick, then record again.");
const QString kScreenNotAllowed =
    QStringLiteral("Allow Sablewick in Screen & System Audio Recording, then quit and reopen the app.");
const QString kDeclinedButAllowed =
    QStringLiteral("Screen Recording was enabled, but Sablewick needs to restart before recording.");
const QString kMicrophoneRefused =
    QStringLiteral("Allow Sablewick to use the microphone in System Settings, then try again.");

// Qt's rectangle containment counts the right and bottom edges as inside; ours (minimum edges
// inside, maximum edges outside) keeps a point on the border between two displays on one of them.
bool frameContains(const QRectF& frame, QPointF p)
{
    return p.x() >= frame.left() && p.x() < frame.right() && p.y() >= frame.top() && p.y() < frame.bottom();
}

}  // namespace

Recorder::Recorder(CaptureBackend& backend, QString recordingsFolder, QObject* parent)
    : QObject(parent)
    , m_backend(backend)
    , m_recordingsFolder(std::move(recordingsFolder))
    , m_recordingStartedAt(QDateTime::currentDateTime())
{
    m_pointerTimer.setInterval(std::chrono::milliseconds(33));
    m_pointerTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pointerTimer, &QTimer::timeout, this, &Recorder::samplePointer);
    m_provisionalTimer.setInterval(std::chrono::seconds(1));
    connect(&m_provisionalTimer, &QTimer::timeout, this, &Recorder::updateProvisionalCopy);
}

Recorder::~Recorder()
{
    removeEventMonitors();
    m_provisional.reset();
    m_session.reset();
}

// ---- start --------------------------------------------------------------------------------------

void Recorder::start(const RecordingOptions& options, std::function<void(bool)> done)
{
    auto finish = [&done](bool ok) {
        if (done)
            done(ok);
    };
    if (m_isRecording || m_isStarting || m_isFinalizing)
        return finish(false);

    ++m_generation;
    setStarting(true);
    setFinishedURL(std::nullopt);
    setNotice(std::nullopt);
    setNeedsMicrophonePermission(false);

    if (!m_backend.screenCaptureAllowed()) {
        const bool granted = m_backend.requestScreenCapture();
        setNeedsScreenPermission(!granted);
        setNeedsRestart(granted);
        setNotice(granted ? kScreenAllowedRestart : kScreenNotAllowed);
        setStarting(false);
        return finish(false);
    }
    setNeedsScreenPermission(false);
    setNeedsRestart(false);

    std::optional<QString> microphoneDevice;
    if (options.microphone) {
        MicrophoneAuthorization status = m_backend.microphoneAuthorization();
        if (status == MicrophoneAuthorization::notDetermined)
            status = m_backend.requestMicrophoneAccess() ? MicrophoneAuthorization::authorized
                                                         : MicrophoneAuthorization::denied;
        if (status != MicrophoneAuthorization::authorized) {
            setNeedsMicrophonePermission(true);
            setNotice(kMicrophoneRefused);
            setStarting(false);
            return finish(false);
        }
        microphoneDevice = m_backend.defaultMicrophone();
        if (!microphoneDevice) {
            setNotice(description(RecorderError::noMicrophone));
            setStarting(false);
            return finish(false);
        }
    }

    CaptureRequest request;
    try {
        const std::vector<CaptureDisplay> displays = m_backend.displays();
        auto withID = [&displays](std::optional<std::uint32_t> id) {
            return std::find_if(displays.begin(), displays.end(),
                                [id](const CaptureDisplay& d) { return id && d.id == *id; });
        };
        auto chosen = displays.end();
        if (options.displayID) {
            chosen = withID(options.displayID);
            if (chosen == displays.end())
                throw CaptureError(description(RecorderError::displayUnavailable));
        } else {
            chosen = withID(m_backend.mainDisplayID());
            if (chosen == displays.end())
                chosen = displays.begin();
            if (chosen == displays.end())
                throw CaptureError(description(RecorderError::noDisplay));
        }
        request.display = *chosen;
    } catch (const CaptureError& error) {
        failStart(error);
        return finish(false);
    }

    const CaptureDisplay& display = request.display;
    const double scale = display.scale > 0 ? display.scale : 1.0;
    request.pixelSize = RecordingCaptureGeometry::pixelSize(display.size, scale).toSize();
    request.framesPerSecond = 60;
    request.systemAudio = options.systemAudio;
    request.microphone = options.microphone;
    request.microphoneDevice = microphoneDevice;
    request.showPointer = options.showCursor;

    try {
        request.moviePath = RecordingFiles::reserveMovie(m_recordingsFolder, QDateTime::currentDateTimeUtc());
    } catch (const std::runtime_error& error) {
        failStart(CaptureError(QString::fromStdString(error.what())));
        return finish(false);
    }
    m_moviePath = request.moviePath;

    const std::uint64_t generation = m_generation;
    if (!m_windows)
        return startCapture(generation, options, request, std::move(done));
    // The first frame must not show our own windows: the capture starts once they are away.
    m_windowsAway = true;
    QPointer<Recorder> self(this);
    m_windows->putAway([self, generation, options, request, done]() mutable {
        if (self)
            self->startCapture(generation, options, request, std::move(done));
    });
}

void Recorder::startCapture(std::uint64_t generation, const RecordingOptions& options, const CaptureRequest& request,
                            std::function<void(bool)> done)
{
    QPointer<Recorder> self(this);
    m_backend.startCapture(request, makeCaptureEvents(generation),
                           [self, generation, options, request, done](CaptureStart result) {
                               // Dropped with the recorder: the session in `result` ends as it goes.
                               postToMain(self, [self, generation, options, request, result, done]() mutable {
                                   self->continueStart(generation, options, std::move(request), std::move(result),
                                                       std::move(done));
                               });
                           });
}

void Recorder::bringWindowsBack()
{
    if (m_windows && std::exchange(m_windowsAway, false))
        m_windows->bringBack();
}

void Recorder::continueStart(std::uint64_t generation, const RecordingOptions& options, CaptureRequest request,
                             CaptureStart result, std::function<void(bool)> done)
{
    auto finish = [&done](bool ok) {
        if (done)
            done(ok);
    };
    if (generation != m_generation || !m_isStarting)
        return finish(false);  // dropping `result` ends its capture
    if (!result.session) {
        discardReservedMovie();
        failStart(result.error.value_or(CaptureError(QStringLiteral("The capture did not start."))));
        return finish(false);
    }

    m_session = std::move(result.session);
    m_screenFrame = request.display.frame;
    m_pointerApart = m_session->pointerApart();
    m_startedAt = m_session->startTime();
    // The panel's clock counts from the movie's first frame, not from this later moment.
    const double sinceStart = std::max(0.0, m_backend.now() - m_startedAt);
    m_recordingStartedAt = QDateTime::currentDateTime().addMSecs(-std::llround(sinceStart * 1000));
    emit recordingStartedAtChanged();
    m_events.clear();
    m_pointerSamples.clear();
    m_lastKeystroke.reset();
    emit eventsChanged();
    m_recordedPointerVisible = options.showCursor;
    m_recordedClickHighlights = options.showClicks;

    if (m_moviePath) {
        m_provisional = std::make_unique<ProvisionalSidecar>(FocusSidecar::provisionalPathFor(*m_moviePath));
        m_provisionalTimer.start();
    }
    std::optional<QString> monitorProblem;
    try {
        installEventMonitors();
    } catch (const CaptureError& error) {
        // The movie is worth keeping without clicks and typing; say why they are missing.
        monitorProblem = QStringLiteral("Clicks and typing are not recorded: ") + error.message();
    }

    setRecording(true);
    setFinalizing(false);
    setNotice(monitorProblem);
    setNeedsScreenPermission(false);
    setNeedsRestart(false);
    setStarting(false);
    finish(true);
}

void Recorder::failStart(const CaptureError& error)
{
    if (error.kind() == CaptureError::Kind::cancelled) {
        // The user closed the sharing dialog: back to where they were, with nothing to explain.
        setNeedsScreenPermission(false);
        setNeedsRestart(false);
        setNotice(std::nullopt);
    } else if (error.kind() == CaptureError::Kind::declined) {
        const bool needsPermission = !m_backend.screenCaptureAllowed();
        setNeedsScreenPermission(needsPermission);
        setNeedsRestart(!needsPermission);
        setNotice(needsPermission ? kScreenNotAllowed : kDeclinedButAllowed);
    } else {
        setNeedsScreenPermission(false);
        setNeedsRestart(false);
        setNotice(QStringLiteral("Could not start recording: ") + error.message());
    }
    bringWindowsBack();
    setStarting(false);
}

void Recorder::discardReservedMovie()
{
    // Only the empty placeholder is removed: a capture that wrote something keeps its file.
    if (m_moviePath && QFileInfo(*m_moviePath).size() == 0)
        QFile::remove(*m_moviePath);
    m_moviePath.reset();
}

// ---- stop and the capture's reports ----------------------------------------------------------------

void Recorder::stop()
{
    if (!m_isRecording)
        return;
    m_stoppedAt = m_backend.now();
    if (!m_session) {
        setRecording(false);
        removeEventMonitors(m_stoppedAt);
        bringWindowsBack();
        setNotice(QStringLiteral("The recording has already finished."));
        return;
    }
    // The movie ends first, at the moment of the stop; the pointer's path ends there too.
    std::optional<CaptureError> problem;
    try {
        m_session->finishMovie();
    } catch (const CaptureError& error) {
        problem = error;
    }
    // The capture is stopped even when the movie could not be finished: a capture left running
    // could never be stopped again.
    try {
        m_session->stopCapture();
    } catch (const CaptureError& error) {
        if (!problem)
            problem = error;
    }
    removeEventMonitors(m_stoppedAt);
    // Once the last picture is taken: the windows must not be in it.
    bringWindowsBack();
    setRecording(false);
    setFinalizing(!problem);
    if (problem) {
        setNotice(QStringLiteral("Could not finish recording: ") + problem->message());
        keepSidecarOfPartialMovie();
        endSession();
    }
}

CaptureEvents Recorder::makeCaptureEvents(std::uint64_t generation)
{
    QPointer<Recorder> self(this);
    CaptureEvents events;
    events.finished = [self, generation] {
        postToMain(self, [self, generation] { self->handleFinished(generation); });
    };
    events.failed = [self, generation](const CaptureError& error) {
        postToMain(self, [self, generation, error] { self->handleFailed(generation, error); });
    };
    events.stopped = [self, generation](const CaptureError& error) {
        postToMain(self, [self, generation, error] { self->handleStopped(generation, error); });
    };
    events.soundLost = [self, generation](double seconds) {
        postToMain(self, [self, generation, seconds] { self->handleSoundLost(generation, seconds); });
    };
    return events;
}

void Recorder::handleFinished(std::uint64_t generation)
{
    if (generation != m_generation || !m_session)
        return;
    setRecording(false);
    setFinalizing(false);
    removeEventMonitors();
    bringWindowsBack();
    if (m_moviePath) {
        const QString movie = *m_moviePath;
        const QUrl url = QUrl::fromLocalFile(movie);
        setFinishedURL(url);
        if (const std::optional<QString> problem = writeCapturedSidecar(movie)) {
            // The movie is fine, but without the sidecar the editor has no clicks or pointer
            // path: the user must hear of it rather than read "Recording ready".
            setNotice(QStringLiteral("The recording was saved without its clicks and pointer path: ") + *problem);
        }
        const std::vector<FocusPoint> events = m_events;
        endSession();
        if (m_onFinish)
            m_onFinish(url, events);
        return;
    }
    endSession();
}

void Recorder::handleFailed(std::uint64_t generation, const CaptureError& error)
{
    if (generation != m_generation || !m_session)
        return;
    setRecording(false);
    setFinalizing(false);
    removeEventMonitors();
    bringWindowsBack();
    setNotice(QStringLiteral("Recording failed: ") + error.message());
    keepSidecarOfPartialMovie();
    endSession();
}

std::optional<QString> Recorder::writeCapturedSidecar(const QString& movie)
{
    try {
        ProjectFile::writeSidecar(FocusSidecar::pathFor(movie), capturedSidecar());
    } catch (const std::exception& error) {
        return QString::fromStdString(error.what());  // the provisional copy stays in its place
    }
    if (m_provisional)
        m_provisional->discard();
    return std::nullopt;
}

void Recorder::keepSidecarOfPartialMovie()
{
    // A movie that holds anything is kept up to its last fragment, and what was done while it
    // was recorded belongs beside it. On a full disk the write may fail too; then the provisional
    // copy of a second before is what remains.
    if (m_moviePath && QFileInfo(*m_moviePath).size() > 0)
        writeCapturedSidecar(*m_moviePath);
}

void Recorder::handleStopped(std::uint64_t generation, const CaptureError& error)
{
    if (generation != m_generation || !m_session)
        return;
    setRecording(false);
    setFinalizing(true);
    removeEventMonitors();
    bringWindowsBack();
    setNotice(QStringLiteral("Capture stopped: ") + error.message() + QStringLiteral(". Finishing the video."));
}

void Recorder::handleSoundLost(std::uint64_t generation, double seconds)
{
    if (generation != m_generation || !m_session)
        return;
    // The recording goes on. The notice stays to its end, where it replaces "Recording ready",
    // beside whatever else there was to say.
    const auto whole = static_cast<long long>(std::max(0.0, seconds));
    const QString lost = QStringLiteral("The sound server stopped during the recording; the sound after %1 is silent.")
                             .arg(QString::asprintf("%02lld:%02lld", whole / 60, whole % 60));
    setNotice(m_notice ? *m_notice + QLatin1Char(' ') + lost : lost);
}

void Recorder::endSession()
{
    ++m_generation;  // whatever the old session still reports is late from now on
    m_provisional.reset();  // a copy not replaced by the finished sidecar stays for the editor
    m_session.reset();
    m_moviePath.reset();
}

// ---- pointer, clicks and typing ------------------------------------------------------------------

void Recorder::installEventMonitors()
{
    const std::uint64_t generation = m_generation;
    QPointer<Recorder> self(this);
    InputEvents input;
    input.leftClick = [self, generation](double time, QPointF location) {
        postToMain(self, [self, generation, time, location] {
            self->handleInput(generation, FocusKind::click, time, location);
        });
    };
    input.keyDown = [self, generation](double time, QPointF pointer) {
        postToMain(self, [self, generation, time, pointer] {
            self->handleInput(generation, FocusKind::typing, time, pointer);
        });
    };
    // A monitor or sampler whose thread fails ends the recording as a failed one: the movie so
    // far stays, with what was collected.
    const auto failed = [self, generation](const std::string& reason) {
        const CaptureError error(QString::fromStdString(reason));
        postToMain(self, [self, generation, error] { self->handleFailed(generation, error); });
    };
    input.failed = failed;
    if (m_pointerApart) {
        if (std::function<PointerReading()> reader = m_backend.pointerReader())
            m_sampler = std::make_unique<PointerSampler>(samplingInterval, std::move(reader), failed);
        else
            m_pointerTimer.start();
    }
    m_inputMonitor = m_backend.monitorInput(std::move(input));
}

void Recorder::removeEventMonitors(double until)
{
    m_pointerTimer.stop();
    if (m_sampler) {
        m_sampler->stop();
        takeSamplerReadings(until);
        m_sampler.reset();
    }
    m_inputMonitor.reset();
    if (m_provisionalTimer.isActive()) {
        m_provisionalTimer.stop();
        updateProvisionalCopy();  // the last second too, should the finish never come
    }
}

void Recorder::takeSamplerReadings(double until)
{
    if (!m_sampler)
        return;
    for (const PointerReading& reading : m_sampler->take())
        if (reading.time <= until)
            appendSample(reading.time, reading.location);
}

FocusSidecar Recorder::capturedSidecar() const
{
    FocusSidecar sidecar;
    sidecar.events = m_events;
    sidecar.pointerSamples = m_pointerSamples;
    // A pointer that is part of the pictures must not be drawn a second time by the editor.
    sidecar.editablePointer = m_pointerApart;
    sidecar.recordedPointerVisible = m_recordedPointerVisible;
    sidecar.recordedClickHighlights = m_recordedClickHighlights;
    return sidecar;
}

void Recorder::updateProvisionalCopy()
{
    if (!m_provisional)
        return;
    // The readings made so far join the samples now rather than at the stop: they are in order,
    // and every later reading comes after them.
    takeSamplerReadings();
    m_provisional->submit(capturedSidecar());
}

void Recorder::handleInput(std::uint64_t generation, FocusKind kind, double time, QPointF location)
{
    if (generation != m_generation)
        return;
    if (kind == FocusKind::typing) {
        // The caret is where the typing happens; the pointer is only the fallback.
        if (const std::optional<QPointF> caret = m_backend.caretLocation())
            location = *caret;
    }
    appendEventAt(kind, location, time);
}

void Recorder::appendEvent(FocusKind kind, QPointF location)
{
    appendEventAt(kind, location, m_backend.now());
}

void Recorder::markZoomAtPointer()
{
    if (m_isRecording)
        appendEvent(FocusKind::manual, m_backend.pointerLocation());
}

void Recorder::appendEventAt(FocusKind kind, QPointF location, double clockTime)
{
    if (!frameContains(m_screenFrame, location))
        return;
    const double t = clockTime - m_startedAt;
    if (kind == FocusKind::typing) {
        // A burst is a run of keystrokes each within the gap of the one before it, with no other
        // event in between: it gives one focus point, at its first keystroke.
        const std::optional<double> previous = m_lastKeystroke;
        m_lastKeystroke = t;
        if (previous && !m_events.empty() && m_events.back().kind == FocusKind::typing &&
            t - *previous < typingGap)
            return;
    }
    FocusPoint point;
    point.id = QUuid::createUuid();
    point.time = t;
    point.x = (location.x() - m_screenFrame.left()) / m_screenFrame.width();
    point.y = (location.y() - m_screenFrame.top()) / m_screenFrame.height();
    point.kind = kind;
    m_events.push_back(point);
    emit eventsChanged();
}

void Recorder::samplePointer()
{
    if (!m_isRecording || !m_pointerApart)
        return;
    const QPointF p = m_backend.pointerLocation();
    appendSample(m_backend.now(), p);
}

void Recorder::appendSample(double clockTime, QPointF p)
{
    if (!(m_screenFrame.width() > 0) || !(m_screenFrame.height() > 0))
        return;
    PointerSample sample;
    sample.time = clockTime - m_startedAt;
    sample.x = std::clamp((p.x() - m_screenFrame.left()) / m_screenFrame.width(), 0.0, 1.0);
    sample.y = std::clamp((p.y() - m_screenFrame.top()) / m_screenFrame.height(), 0.0, 1.0);
    sample.visible = frameContains(m_screenFrame, p);
    m_pointerSamples.push_back(sample);
}

// ---- published setters ---------------------------------------------------------------------------

void Recorder::setRecording(bool value)
{
    publish(m_isRecording, value, std::bind_front(&Recorder::isRecordingChanged, this));
}
void Recorder::setStarting(bool value)
{
    publish(m_isStarting, value, std::bind_front(&Recorder::isStartingChanged, this));
}
void Recorder::setFinalizing(bool value)
{
    publish(m_isFinalizing, value, std::bind_front(&Recorder::isFinalizingChanged, this));
}
void Recorder::setNotice(std::optional<QString> value)
{
    publish(m_notice, std::move(value), std::bind_front(&Recorder::noticeChanged, this));
}
void Recorder::setNeedsScreenPermission(bool value)
{
    publish(m_needsScreenPermission, value, std::bind_front(&Recorder::needsScreenPermissionChanged, this));
}
void Recorder::setNeedsMicrophonePermission(bool value)
{
    publish(m_needsMicrophonePermission, value, std::bind_front(&Recorder::needsMicrophonePermissionChanged, this));
}
void Recorder::setNeedsRestart(bool value)
{
    publish(m_needsRestart, value, std::bind_front(&Recorder::needsRestartChanged, this));
}
void Recorder::setFinishedURL(std::optional<QUrl> value)
{
    publish(m_finishedURL, std::move(value), std::bind_front(&Recorder::finishedURLChanged, this));
}

}  // namespace sablewick

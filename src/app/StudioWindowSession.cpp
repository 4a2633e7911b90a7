#include "app/StudioWindowSession.h"

#include "app/SablewickApp.h"
#include "app/StudioSession.h"
#include "mainwindow/RecordingSetupSheet.h"
#include "mainwindow/StandaloneSession.h"
#include "recording/Recorder.h"
#include "recording/RecordingCapabilities.h"
#include "screenshoteditor/ScreenshotSetupSheet.h"
#include "screenshots/ScreenshotCapture.h"
#include "screenshots/ScreenshotModel.h"

#include <QCoreApplication>

namespace sablewick {

StudioWindowSession::StudioWindowSession(SablewickApp& app, StudioSession& session, QObject* parent)
    : MainWindowSession(parent)
    , m_app(app)
    , m_session(session)
{
    // A hot key or the tray raises a request while the window may be closed; the window takes it
    // when it appears, or at once when it is open.
    connect(&m_session, &StudioSession::recordingSetupRequestedChanged, this, [this] {
        if (m_session.recordingSetupRequested())
            emit recordingSetupRequested();
    });
    connect(&m_session, &StudioSession::screenshotSetupRequestedChanged, this, [this] {
        if (m_session.screenshotSetupRequested())
            emit screenshotSetupRequested();
    });
    ScreenshotCapture& capture = m_session.screenshotCapture();
    connect(&capture, &ScreenshotCapture::isCapturingChanged, this, &MainWindowSession::captureStateChanged);
    connect(&capture, &ScreenshotCapture::statusChanged, this, &MainWindowSession::captureStateChanged);
    connect(&m_session.screenshot(), &ScreenshotModel::sourceChanged, this, &MainWindowSession::imageOpenChanged);
    if (Recorder* recorder = m_session.recorder()) {
        for (auto signal : {&Recorder::isStartingChanged, &Recorder::isRecordingChanged, &Recorder::isFinalizingChanged,
                            &Recorder::noticeChanged, &Recorder::needsScreenPermissionChanged,
                            &Recorder::needsMicrophonePermissionChanged, &Recorder::needsRestartChanged})
            connect(recorder, signal, this, &MainWindowSession::recorderStateChanged);
    }
}

StudioWindowSession::~StudioWindowSession() = default;

RecorderState StudioWindowSession::recorderState() const
{
    const Recorder* recorder = m_session.recorder();
    if (!recorder)
        return {.notice = m_unavailable};
    RecorderState state;
    state.isStarting = recorder->isStarting();
    state.isRecording = recorder->isRecording();
    state.isFinalizing = recorder->isFinalizing();
    state.notice = recorder->notice();
    state.needsScreenPermission = recorder->needsScreenPermission();
    state.needsMicrophonePermission = recorder->needsMicrophonePermission();
    state.needsRestart = recorder->needsRestart();
    return state;
}

CaptureState StudioWindowSession::captureState() const
{
    const ScreenshotCapture& capture = m_session.screenshotCapture();
    return {capture.isCapturing(), capture.status()};
}

bool StudioWindowSession::hasImageOpen() const
{
    return m_session.screenshot().sourceURL().has_value();
}

void StudioWindowSession::clearRecorderNotice()
{
    if (Recorder* recorder = m_session.recorder()) {
        recorder->clearNotice();
        return;
    }
    if (std::exchange(m_unavailable, std::nullopt))
        emit recorderStateChanged();
}

void StudioWindowSession::stopRecording()
{
    if (Recorder* recorder = m_session.recorder())
        recorder->stop();
}

void StudioWindowSession::cancelCapture() { m_session.screenshotCapture().cancel(); }
void StudioWindowSession::requestScreenshot() { m_session.requestScreenshot(); }
void StudioWindowSession::importImage() { m_session.importImage(); }
void StudioWindowSession::pasteImage() { m_session.pasteImage(); }
void StudioWindowSession::openImage(const QUrl& file) { m_session.openImage(file); }

void StudioWindowSession::startChosenScreenshot()
{
    if (const std::optional<ScreenshotCaptureOptions> options = std::exchange(m_chosenScreenshot, std::nullopt))
        m_session.captureScreenshot(*options);
}

bool StudioWindowSession::restoreScreenshotEdit() { return m_session.restoreScreenshotEdit(); }

void StudioWindowSession::openSettingsWindow() { m_app.showSettings(); }

void StudioWindowSession::requestQuit()
{
    // The application object asks first when work is under way.
    QCoreApplication::quit();
}

bool StudioWindowSession::saveAndReopenForUpdate() { return m_session.saveAndReopenForUpdate(); }
bool StudioWindowSession::reopenAfterSavingRecovery() { return m_session.reopenAfterSavingRecovery(); }
QString StudioWindowSession::runningBuild() const { return m_session.installation().runningBuild; }
std::optional<QString> StudioWindowSession::installedBuild() const { return m_session.installation().installedBuild(); }

QWidget* StudioWindowSession::makeRecordingSetupSheet(QWidget* parent, std::function<void()> started)
{
    Recorder* recorder = m_session.recorder();
    CaptureBackend* backend = m_session.captureBackend();
    if (!recorder || !backend) {
        m_unavailable = StandaloneSession::unavailableText;
        emit recorderStateChanged();
        return nullptr;
    }
    auto* sheet = new RecordingSetupSheet(
        StudioBinding<RecordingOptions>{[this] { return m_recordingOptions; },
                                        [this](const RecordingOptions& options) { m_recordingOptions = options; }},
        *recorder, [backend] { return RecordingCapabilities::read(*backend); }, parent);
    sheet->followDevices([backend](std::function<void()> changed) { return backend->watchMicrophones(std::move(changed)); });
    connect(sheet, &RecordingSetupSheet::startRequested, this, [this, recorder, started = std::move(started)] {
        // The sheet closes only once the capture runs; a failed start leaves it up with the
        // recorder's notice, so the user can change the options and try again.
        recorder->start(m_recordingOptions, [started](bool running) {
            if (running && started)
                started();
        });
    });
    // The window presenting the sheet closes it; a sheet shown on its own closes itself.
    connect(sheet, &RecordingSetupSheet::dismissRequested, sheet, [sheet] { sheet->window()->close(); });
    connect(sheet, &RecordingSetupSheet::quitRequested, this, &StudioWindowSession::requestQuit);
    return sheet;
}

QWidget* StudioWindowSession::makeScreenshotSetupSheet(QWidget* parent, std::function<void()> chosen)
{
    // The displays that the capture can take: on Wayland the compositor's outputs, not XWayland's.
    auto* sheet = new ScreenshotSetupSheet([&capture = m_session.screenshotCapture()] { return capture.displays(); },
                                           parent);
    m_chosenScreenshot.reset();
    connect(sheet, &ScreenshotSetupSheet::captureRequested, this,
            [this, chosen = std::move(chosen)](const ScreenshotCaptureOptions& options) {
                m_chosenScreenshot = options;
                chosen();
            });
    // The window presenting the sheet closes it; a sheet shown on its own closes itself.
    connect(sheet, &ScreenshotSetupSheet::dismissRequested, sheet, [sheet] { sheet->window()->close(); });
    return sheet;
}

bool StudioWindowSession::takeRecordingSetupRequest()
{
    if (!m_session.recordingSetupRequested())
        return false;
    m_session.setRecordingSetupRequested(false);
    return true;
}

bool StudioWindowSession::takeScreenshotSetupRequest()
{
    if (!m_session.screenshotSetupRequested())
        return false;
    m_session.setScreenshotSetupRequested(false);
    return true;
}

}  // namespace sablewick

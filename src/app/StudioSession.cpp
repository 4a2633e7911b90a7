#include "app/StudioSession.h"

#include "app/GlobalStudioShortcuts.h"
#include "app/SablewickLifecycle.h"
#include "editor/EditorModel.h"
#include "platform/PreferencesStore.h"
#include "platform/SystemHotKeys.h"
#include "preferences/AppPreferences.h"
#include "recording/Recorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QPointer>
#include <QProcess>
#include <QWidget>

namespace sablewick {

StudioSessionServices standardSessionServices(PlaybackFactory& playback)
{
    StudioSessionServices services;
    services.defaults = &standardPreferences();
    services.preferences = &AppPreferences::shared();
    services.editor = standardEditorServices(playback);
    services.makeHotKeys = [] { return makeSystemHotKeys(); };
    services.installation = StudioInstallation::current();
    services.launch = [](const QString& program, QString* error) {
        QProcess process;
        process.setProgram(program);
        process.setWorkingDirectory(QDir::currentPath());
        qint64 pid = 0;
        // True only once the new program is running: a missing or unstartable file fails here.
        if (process.startDetached(&pid))
            return true;
        *error = process.errorString();
        return false;
    };
    services.chooseProjectDestination = []() -> std::optional<QUrl> {
        const QString path = QFileDialog::getSaveFileName(SablewickLifecycle::editorWindow,
                                                          QString(), StudioSession::proposedProjectName,
                                                          QStringLiteral("Sablewick projects (*.json)"));
        if (path.isEmpty())
            return std::nullopt;
        return QUrl::fromLocalFile(path);
    };
    services.quit = [] { QCoreApplication::quit(); };
    return services;
}

StudioSession::StudioSession(StudioSessionServices services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
{
    m_editor = std::make_unique<EditorModel>(m_services.editor);
    if (m_services.capture) {
        m_recorder = std::make_unique<Recorder>(*m_services.capture, m_services.recordingsFolder);
        // A finished recording opens in the editor; the window is not brought forward. A failed
        // open reports itself through the editor's notice.
        QPointer<EditorModel> editor(m_editor.get());
        m_recorder->setOnFinish([editor](const QUrl& movie, const std::vector<FocusPoint>& events) {
            if (editor)
                editor->open(movie, events);
        });
    }
    SablewickLifecycle::session = this;
    SablewickLifecycle::editor = m_editor.get();
    // Before the application object exists the launch work arms them instead.
    if (QCoreApplication::instance())
        activateGlobalShortcuts();
}

StudioSession::~StudioSession()
{
    // The keys go before the models that their actions reach.
    m_globalShortcuts.reset();
    m_recorder.reset();
}

void StudioSession::setRecordingSetupRequested(bool requested)
{
    if (requested == m_recordingSetupRequested)
        return;
    m_recordingSetupRequested = requested;
    emit recordingSetupRequestedChanged();
}

void StudioSession::setScreenshotSetupRequested(bool requested)
{
    if (requested == m_screenshotSetupRequested)
        return;
    m_screenshotSetupRequested = requested;
    emit screenshotSetupRequestedChanged();
}

void StudioSession::activateGlobalShortcuts()
{
    if (m_globalShortcuts)
        return;
    QPointer<StudioSession> self(this);
    m_globalShortcuts = std::make_unique<GlobalStudioShortcuts>(
        *m_services.preferences, m_services.makeHotKeys(), [self](StudioShortcutAction action) {
            if (self)
                self->performGlobalAction(action);
        });
}

void StudioSession::performGlobalAction(StudioShortcutAction action)
{
    switch (action) {
    case StudioShortcutAction::captureScreenshot:
        requestScreenshot();
        break;
    case StudioShortcutAction::markZoom:
        if (m_recorder && m_recorder->isRecording())
            m_recorder->markZoomAtPointer();
        break;
    case StudioShortcutAction::recording:
        if (m_recorder && m_recorder->isRecording()) {
            m_recorder->stop();
            return;
        }
        if (isRecorderBusy() || m_editor->isExporting())
            return;
        setRecordingSetupRequested(true);
        if (m_openEditor)
            m_openEditor();
        break;
    default:
        break;
    }
}

void StudioSession::requestScreenshot()
{
    if (isRecorderBusy())
        return;
    setScreenshotSetupRequested(true);
    if (m_openEditor)
        m_openEditor();
}

void StudioSession::bringForward(QWidget* window)
{
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}

void StudioSession::configureWindows(OpenWindow openWindow)
{
    const auto forward = [openWindow](const QPointer<QWidget>& registered, const QString& id) {
        if (registered)
            bringForward(registered);
        else if (openWindow)
            openWindow(id);
    };
    m_openEditor = [forward] { forward(SablewickLifecycle::editorWindow, QStringLiteral("editor")); };
    m_openScreenshotWindow = [forward] { forward(SablewickLifecycle::screenshotWindow, QStringLiteral("screenshot")); };
}

bool StudioSession::isRecorderBusy() const
{
    return m_recorder && (m_recorder->isRecording() || m_recorder->isStarting() || m_recorder->isFinalizing());
}

bool StudioSession::hasWorkUnderWay() const
{
    return isRecorderBusy() || m_editor->isExporting();
}

bool StudioSession::hasInstalledUpdate() const
{
    const std::optional<QString> installed = m_services.installation.installedBuild();
    return installed && *installed != m_services.installation.runningBuild;
}

bool StudioSession::reopenAfterSavingRecovery()
{
    m_editor->flushPendingEdits();
    m_editor->saveRecovery();
    PreferencesStore& defaults = *m_services.defaults;
    defaults.setValue(restoreAfterUpdateKey, m_editor->movieURL().has_value());
    defaults.setValue(restoreScreenshotAfterUpdateKey, false);
    // The new process reads the flags and takes the keys the moment it starts.
    defaults.flush();
    if (m_globalShortcuts)
        m_globalShortcuts->release();
    emit relaunchStarting();

    QString error;
    if (m_services.launch(m_services.installation.executable, &error)) {
        m_services.quit();
        return true;
    }
    // The new process never started: this one stays, with its keys and its name.
    if (m_globalShortcuts) {
        m_globalShortcuts.reset();
        activateGlobalShortcuts();
    }
    emit relaunchFailed();
    m_editor->setNotice(QStringLiteral("Could not reopen Sablewick: ") + error);
    return false;
}

void StudioSession::restoreAfterRelaunch()
{
    PreferencesStore& defaults = *m_services.defaults;
    const bool video = defaults.boolValue(restoreAfterUpdateKey);
    if (video) {
        defaults.setValue(restoreAfterUpdateKey, false);
        m_editor->openProject(EditorModel::recoveryURL());
    }
    if (defaults.boolValue(restoreScreenshotAfterUpdateKey))
        defaults.setValue(restoreScreenshotAfterUpdateKey, false);
}

bool StudioSession::saveAndReopenForUpdate()
{
    if (hasWorkUnderWay())
        return false;
    if (m_editor->movieURL() && m_editor->hasUnsavedEdits()) {
        if (const std::optional<QUrl>& project = m_editor->projectURL()) {
            m_editor->saveProject(*project);
        } else {
            const std::optional<QUrl> destination =
                m_services.chooseProjectDestination ? m_services.chooseProjectDestination() : std::nullopt;
            if (!destination)
                return false;
            m_editor->saveProject(*destination);
        }
        if (m_editor->hasUnsavedEdits())
            return false;
    }
    return reopenAfterSavingRecovery();
}

}  // namespace sablewick

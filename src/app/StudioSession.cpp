#include "app/StudioSession.h"

#include "app/GlobalStudioShortcuts.h"
#include "app/MinimizedTopLevelWindows.h"
#include "app/RecordingPanel.h"
#include "app/SablewickLifecycle.h"
#include "app/StudioScreenshotDialogs.h"
#include "app/TopLevelWindows.h"
#include "editor/EditorModel.h"
#include "mainwindow/DocumentFlow.h"
#include "platform/PreferencesStore.h"
#include "platform/StandardFolders.h"
#include "platform/SystemHotKeys.h"
#include "preferences/AppPreferences.h"
#include "recording/CaptureBackendChoice.h"
#include "recording/Recorder.h"
#include "recording/X11CaptureBackend.h"
#include "screenshots/ScreenshotCapture.h"
#include "screenshots/ScreenshotModel.h"
#include "screenshots/ScreenshotRenderer.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>
#include <QUuid>
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
    static StudioScreenshotDialogs dialogs;
    static TopLevelWindows windows;
    static MinimizedTopLevelWindows recordingWindows;
    services.screenshot.dialogs = &dialogs;
    services.screenshotCapture.windows = &windows;
    services.recordingWindows = &recordingWindows;
    const CaptureSystem system = captureSystem(QProcessEnvironment::systemEnvironment());
    services.screenshotCapture.portal = system == CaptureSystem::portal;
    // A desktop session can be recorded; an offscreen run has nothing to record.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"))) {
        std::shared_ptr<CaptureBackend> capture = makeCaptureBackend(system, services.defaults);
        services.capture = capture.get();
        services.ownedCapture = capture;
        services.recordingsFolder = StandardFolders::recordings();
        // The hot keys are the user's to change at any time; typing never counts them.
        if (const std::shared_ptr<X11CaptureBackend> x11 = std::dynamic_pointer_cast<X11CaptureBackend>(capture)) {
            AppPreferences* preferences = services.preferences;
            const auto ignoreHotKeys = [preferences, weak = std::weak_ptr<X11CaptureBackend>(x11)] {
                if (const std::shared_ptr<X11CaptureBackend> backend = weak.lock())
                    backend->setIgnoredKeys(GlobalStudioShortcuts::x11Chords(*preferences));
            };
            ignoreHotKeys();
            QObject::connect(preferences, &AppPreferences::shortcutOverridesChanged, preferences, ignoreHotKeys);
        }
    }
    services.chooseImage = []() -> std::optional<QUrl> {
        const QString path = QFileDialog::getOpenFileName(
            SablewickLifecycle::editorWindow, QString(), QString(),
            QStringLiteral("Images (*.png *.jpg *.jpeg *.bmp *.gif *.tif *.tiff *.webp);;JSON (*.json)"));
        if (path.isEmpty())
            return std::nullopt;
        return QUrl::fromLocalFile(path);
    };
    return services;
}

StudioSession::StudioSession(StudioSessionServices services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
{
    m_screenshot = std::make_unique<ScreenshotModel>(m_services.screenshot);
    m_screenshotCapture = std::make_unique<ScreenshotCapture>(m_services.screenshotCapture);
    m_editor = std::make_unique<EditorModel>(m_services.editor);
    // A failed capture is told in both editors, whichever window the user looks at.
    connect(m_screenshotCapture.get(), &ScreenshotCapture::errorChanged, this, [this] {
        if (const std::optional<QString>& error = m_screenshotCapture->error()) {
            m_screenshot->setNotice(*error);
            m_editor->setNotice(*error);
        }
    });
    if (m_services.capture) {
        m_recorder = std::make_unique<Recorder>(*m_services.capture, m_services.recordingsFolder);
        m_recorder->setWindows(m_services.recordingWindows);
        // A finished recording opens in the editor; the window is not brought forward. A failed
        // open reports itself through the editor's notice.
        QPointer<EditorModel> editor(m_editor.get());
        m_recorder->setOnFinish([editor](const QUrl& movie, const std::vector<FocusPoint>& events) {
            if (!editor)
                return;
            // The open window keeps the edit as the movie is finished; with the window closed
            // during the recording, nothing else would.
            if (!SablewickLifecycle::editorWindow)
                DocumentFlow::keepUnsavedEdit(*editor);
            editor->document().open(movie, events);
        });
        m_recordingPanel = std::make_unique<RecordingPanelController>(*m_services.preferences);
        connect(m_recorder.get(), &Recorder::isRecordingChanged, this, [this] {
            if (m_recorder->isRecording())
                m_recordingPanel->show(*m_recorder);
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
    // The panel watches the recorder.
    m_recordingPanel.reset();
    m_recorder.reset();
    // A capture still under way must not complete into a model that is gone.
    m_screenshotCapture.reset();
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
        if (isRecorderBusy() || m_editor->exporter().isExporting() || m_screenshotCapture->isCapturing())
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
    if (isRecorderBusy() || m_screenshotCapture->isCapturing())
        return;
    setScreenshotSetupRequested(true);
    if (m_openEditor)
        m_openEditor();
}

void StudioSession::captureScreenshot(const ScreenshotCaptureOptions& options)
{
    if (isRecorderBusy()) {
        m_screenshot->setNotice(QStringLiteral("Finish the recording before taking a screenshot."));
        return;
    }
    if (m_screenshot->isExporting() || !m_screenshot->confirmReplacing())
        return;
    QPointer<StudioSession> self(this);
    m_screenshotCapture->capture(options, [self](const QString& path) {
        if (self)
            self->openScreenshotImage(QUrl::fromLocalFile(path), false);
    });
}

void StudioSession::openImage(const QUrl& url)
{
    if (m_screenshot->isExporting() || !m_screenshot->confirmReplacing())
        return;
    // Case-sensitive on purpose: "SHOT.SABLEIMAGE.JSON" is some other file and is read as an image.
    const bool project = url.fileName().endsWith(QStringLiteral(".sableimage.json"));
    if (project)
        m_screenshot->openProject(url, screenshotOpened(true));
    else
        openScreenshotImage(url, true);
}

void StudioSession::openScreenshotImage(const QUrl& url, bool tellEditor)
{
    m_screenshot->open(url, screenshotOpened(tellEditor));
}

std::function<void(bool)> StudioSession::screenshotOpened(bool tellEditor)
{
    // The file is read on a worker; the window comes forward once it is there, and a failure is
    // told where the user asked for the file.
    QPointer<StudioSession> self(this);
    return [self, tellEditor](bool opened) {
        if (!self)
            return;
        if (opened) {
            if (self->m_openScreenshotWindow)
                self->m_openScreenshotWindow();
        } else if (tellEditor && !self->m_screenshot->isOpening()) {
            self->m_editor->setNotice(self->m_screenshot->notice());
        }
    };
}

void StudioSession::importImage()
{
    if (!m_services.chooseImage)
        return;
    if (const std::optional<QUrl> url = m_services.chooseImage())
        openImage(*url);
}

QString StudioSession::screenshotsFolder() const
{
    const QString& folder = m_services.screenshotCapture.folder;
    return folder.isEmpty() ? StandardFolders::screenshots() : folder;
}

void StudioSession::pasteImage()
{
    if (m_screenshot->isExporting())
        return;
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull() || !m_screenshot->confirmReplacing())
        return;
    const QString folder = screenshotsFolder();
    const QString path = QDir(folder).filePath(
        QStringLiteral("Pasted-") + QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".png"));
    std::optional<QString> failure;
    try {
        const QByteArray png = ScreenshotRenderer::data(image, ScreenshotFormat::png, 0.92);
        QSaveFile file(path);
        if (!QDir().mkpath(folder))
            failure = QStringLiteral("The folder “%1” cannot be created.").arg(folder);
        else if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size() || !file.commit())
            failure = file.errorString();
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
    }
    if (failure) {
        const QString message = QStringLiteral("Could not paste image: ") + *failure;
        m_screenshot->setNotice(message);
        m_editor->setNotice(message);
        return;
    }
    openScreenshotImage(QUrl::fromLocalFile(path), false);
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
    if (m_recordingPanel)
        m_recordingPanel->openEditor = m_openEditor;
    m_openScreenshotWindow = [forward] { forward(SablewickLifecycle::screenshotWindow, QStringLiteral("screenshot")); };
}

bool StudioSession::isRecorderBusy() const
{
    return m_recorder && (m_recorder->isRecording() || m_recorder->isStarting() || m_recorder->isFinalizing());
}

bool StudioSession::hasWorkUnderWay() const
{
    return isRecorderBusy() || m_editor->exporter().isExporting();
}

bool StudioSession::hasInstalledUpdate() const
{
    const std::optional<QString> installed = m_services.installation.installedBuild();
    return installed && *installed != m_services.installation.runningBuild;
}

bool StudioSession::reopenAfterSavingRecovery()
{
    m_editor->document().flushPendingEdits();
    m_editor->document().saveRecovery();
    m_screenshot->flushEdits();
    m_screenshot->saveRecovery();
    PreferencesStore& defaults = *m_services.defaults;
    defaults.setValue(restoreAfterUpdateKey, m_editor->document().movieURL().has_value());
    defaults.setValue(restoreScreenshotAfterUpdateKey, m_screenshot->sourceURL().has_value());
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
        m_editor->document().openProject(EditorDocument::recoveryURL());
    }
    if (defaults.boolValue(restoreScreenshotAfterUpdateKey))
        restoreScreenshotEdit();
}

bool StudioSession::restoreScreenshotEdit()
{
    PreferencesStore& defaults = *m_services.defaults;
    defaults.setValue(restoreScreenshotAfterUpdateKey, false);
    return m_screenshot->openProject(QUrl::fromLocalFile(ScreenshotModel::recoveryPath()), screenshotOpened(false));
}

bool StudioSession::saveAndReopenForUpdate()
{
    if (hasWorkUnderWay() || m_screenshot->isExporting() || m_screenshotCapture->isCapturing())
        return false;
    if (m_editor->document().movieURL() && m_editor->document().hasUnsavedEdits()) {
        if (const std::optional<QUrl>& project = m_editor->document().projectURL()) {
            m_editor->document().saveProject(*project);
        } else {
            const std::optional<QUrl> destination =
                m_services.chooseProjectDestination ? m_services.chooseProjectDestination() : std::nullopt;
            if (!destination)
                return false;
            m_editor->document().saveProject(*destination);
        }
        // The relaunch goes on only with the edit on disk.
        m_editor->document().finishSaving();
        if (m_editor->document().hasUnsavedEdits())
            return false;
    }
    // The image edit is saved as a project too (asking for a name where it has none), so that
    // unsaved work never rests on the recovery copy alone.
    if (m_screenshot->sourceURL() && m_screenshot->hasUnsavedEdits() && !m_screenshot->saveProjectWithPanel(false))
        return false;
    return reopenAfterSavingRecovery();
}

}  // namespace sablewick

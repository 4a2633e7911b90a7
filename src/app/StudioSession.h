#pragma once

#include "app/StudioInstallation.h"
#include "editor/EditorServices.h"
#include "preferences/StudioShortcutAction.h"
#include "screenshots/ScreenshotCaptureServices.h"
#include "screenshots/ScreenshotModelServices.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace sablewick {

class AppPreferences;
class CaptureBackend;
class RecordingPanelController;
class EditorModel;
class Recorder;
class RecordingWindows;
class GlobalStudioShortcuts;
class PlaybackFactory;
class PreferencesStore;
class ScreenshotCapture;
class ScreenshotModel;
struct ScreenshotCaptureOptions;
class SystemHotKeys;

// What a session is made with. The pointers are not owned and must outlive the session.
struct StudioSessionServices {
    PreferencesStore* defaults = nullptr;  // "restoreAfterUpdate" and the editor's own keys
    AppPreferences* preferences = nullptr;
    EditorServices editor;
    // The display capture of the recorder, or none where this desktop has none: the session then
    // has no recorder. `ownedCapture`, when set, is the same backend, kept as long as the session.
    CaptureBackend* capture = nullptr;
    std::shared_ptr<CaptureBackend> ownedCapture;
    QString recordingsFolder;
    // The windows the recorder takes off the screen while it records; none: they stay.
    RecordingWindows* recordingWindows = nullptr;
    ScreenshotModelServices screenshot;
    // Its folder (empty: the pictures folder's) also receives pasted images.
    ScreenshotCaptureServices screenshotCapture;
    // Asks for an image or screenshot project to open; none when the user cancels.
    std::function<std::optional<QUrl>()> chooseImage;
    std::function<std::unique_ptr<SystemHotKeys>()> makeHotKeys;
    StudioInstallation installation;
    // Starts the program as a process of its own; false with the reason when it could not start.
    std::function<bool(const QString& program, QString* error)> launch;
    // Asks where to save an unsaved video project; none when the user cancels.
    std::function<std::optional<QUrl>()> chooseProjectDestination;
    // Asks the application to end (its termination work then runs).
    std::function<void()> quit;
};

// The services of the running application: the standard stores and preferences, the given player
// engine, the X11 keys, the running installation, detached processes and a save dialog.
StudioSessionServices standardSessionServices(PlaybackFactory& playback);

// The spine of the shell: owns the editors' models and the system-wide keys, wires them together,
// and offers the operations that the windows, the tray menu and the hot keys share: the recording
// and screenshot flows, bringing either editor window forward, and the relaunch into a newly
// installed build. One per process; main thread only.
class StudioSession final : public QObject {
    Q_OBJECT

public:
    static inline const QString restoreAfterUpdateKey = QStringLiteral("restoreAfterUpdate");
    static inline const QString restoreScreenshotAfterUpdateKey = QStringLiteral("restoreScreenshotAfterUpdate");
    static inline const QString proposedProjectName = QStringLiteral("Sablewick Project.sablewick.json");

    explicit StudioSession(StudioSessionServices services, QObject* parent = nullptr);
    ~StudioSession() override;

    EditorModel& editor() const { return *m_editor; }
    ScreenshotModel& screenshot() const { return *m_screenshot; }
    ScreenshotCapture& screenshotCapture() const { return *m_screenshotCapture; }
    // None without a display capture.
    Recorder* recorder() const { return m_recorder.get(); }
    CaptureBackend* captureBackend() const { return m_services.capture; }
    // A recording starts, runs or is being finished.
    bool isRecorderBusy() const;
    AppPreferences& preferences() const { return *m_services.preferences; }
    GlobalStudioShortcuts* globalShortcuts() const { return m_globalShortcuts.get(); }
    // The floating panel that each recording shows; none without a recorder.
    RecordingPanelController* recordingPanel() const { return m_recordingPanel.get(); }

    bool recordingSetupRequested() const { return m_recordingSetupRequested; }
    void setRecordingSetupRequested(bool requested);
    bool screenshotSetupRequested() const { return m_screenshotSetupRequested; }
    void setScreenshotSetupRequested(bool requested);

    // Arms the system-wide keys once; later calls do nothing.
    void activateGlobalShortcuts();
    void performGlobalAction(StudioShortcutAction action);

    // Takes the windows' opening action (a window id, "editor" or "screenshot"): openEditor and
    // openScreenshotWindow bring the registered window forward, or open a new one.
    using OpenWindow = std::function<void(const QString& windowId)>;
    void configureWindows(OpenWindow openWindow);
    const std::function<void()>& openEditor() const { return m_openEditor; }
    const std::function<void()>& openScreenshotWindow() const { return m_openScreenshotWindow; }

    // Asks the main window for the screenshot setup, unless the recorder or a capture is busy.
    void requestScreenshot();

    // Captures with the options of a setup sheet and opens the picture in the image editor,
    // bringing its window forward. Refused while a recording runs or the image editor exports, or
    // when the user keeps an unsaved edit.
    void captureScreenshot(const ScreenshotCaptureOptions& options);
    // Opens an image, or a screenshot project by its ".sableimage.json" name, in the image editor.
    void openImage(const QUrl& url);
    void importImage();
    // Writes the clipboard's image as a PNG into the screenshots folder and opens it.
    void pasteImage();

    // Whether something runs that quitting would cut short: a recording or a video export.
    bool hasWorkUnderWay() const;

    // --- the relaunch into a newly installed build
    const StudioInstallation& installation() const { return m_services.installation; }
    bool hasInstalledUpdate() const;
    // Saves the recovery copies, leaves the restore flags, starts the installed copy and quits;
    // false (with the reason in the editor's notice) when the new process could not be started,
    // and the application then carries on as before.
    bool reopenAfterSavingRecovery();
    // Refuses while busy (also while the image editor exports or a capture runs); saves the open
    // video project and the open image project first, asking for names where they have none.
    bool saveAndReopenForUpdate();
    // In the relaunched process: reads and resets the restore flags and reopens the recovery copy of
    // what was open. The flags are reset first, so a restore that fails is not tried again; a second
    // call finds them reset and does nothing.
    void restoreAfterRelaunch();
    // Resets the image flag and reopens the image editor's recovery copy, bringing its window
    // forward once it has been read; false when no read could start.
    bool restoreScreenshotEdit();

signals:
    void recordingSetupRequestedChanged();
    void screenshotSetupRequestedChanged();
    // The relaunch is about to start the new process, which must be able to claim what this one
    // holds (the bus name); relaunchFailed() gives it back.
    void relaunchStarting();
    void relaunchFailed();

private:
    static void bringForward(QWidget* window);
    QString screenshotsFolder() const;
    void openScreenshotImage(const QUrl& url, bool tellEditor);
    // Brings the image editor forward when an open succeeds; else, with `tellEditor`, the notice
    // goes to the video editor, where the user asked for the file.
    std::function<void(bool opened)> screenshotOpened(bool tellEditor);

    StudioSessionServices m_services;
    std::unique_ptr<ScreenshotModel> m_screenshot;
    std::unique_ptr<ScreenshotCapture> m_screenshotCapture;
    std::unique_ptr<EditorModel> m_editor;
    std::unique_ptr<Recorder> m_recorder;
    std::unique_ptr<RecordingPanelController> m_recordingPanel;
    std::unique_ptr<GlobalStudioShortcuts> m_globalShortcuts;
    bool m_recordingSetupRequested = false;
    bool m_screenshotSetupRequested = false;
    std::function<void()> m_openEditor;
    std::function<void()> m_openScreenshotWindow;
};

}  // namespace sablewick

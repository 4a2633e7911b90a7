#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QWidget;

namespace sablewick {

// The recorder as the main window sees it: the states that its banners, toolbar and guards follow.
struct RecorderState {
    bool isStarting = false;
    bool isRecording = false;
    bool isFinalizing = false;
    std::optional<QString> notice;
    bool needsScreenPermission = false;
    bool needsMicrophonePermission = false;
    bool needsRestart = false;

    // A recording starts, runs or is being finished: nothing may disturb it.
    bool isBusy() const { return isStarting || isRecording || isFinalizing; }
    bool operator==(const RecorderState&) const = default;
};

// A screenshot capture under way and the line that describes its step.
struct CaptureState {
    bool isCapturing = false;
    QString status;
    bool operator==(const CaptureState&) const = default;
};

// What the main window asks of the application's session: the recorder's and the screenshot
// capture's states, the requests that cross windows, and the two setup sheets that the recording
// and screenshot folders make. The window never owns the session; the application does.
// Main thread only.
class MainWindowSession : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~MainWindowSession() override = default;

    virtual RecorderState recorderState() const = 0;
    virtual CaptureState captureState() const = 0;
    // Whether the image editor has a picture open.
    virtual bool hasImageOpen() const = 0;

    virtual void clearRecorderNotice() = 0;
    // Asks the recorder to stop; its state reports the finishing and the end.
    virtual void stopRecording() = 0;
    virtual void cancelCapture() = 0;

    virtual void requestScreenshot() = 0;
    // Asks for an image or screenshot project and opens it in the image editor.
    virtual void importImage() = 0;
    virtual void pasteImage() = 0;
    virtual void openImage(const QUrl& file) = 0;
    // Opens the image editor's recovery copy and brings its window forward; false when it could not.
    virtual bool restoreScreenshotEdit() = 0;
    // Whether this desktop has privacy settings that openPrivacySettings() can show. X11 asks for
    // no permissions and has no such pages, so by default there is nothing to offer.
    virtual bool canOpenPrivacySettings() const { return false; }
    // The desktop's privacy settings for an anchor such as "Privacy_ScreenCapture".
    virtual void openPrivacySettings(const QString& anchor) = 0;
    virtual void openSettingsWindow() = 0;
    // Asks the application to end (it may ask the user first).
    virtual void requestQuit() = 0;
    // Saves both edits and relaunches into the installed build; false when refused or it failed.
    virtual bool saveAndReopenForUpdate() = 0;
    virtual bool reopenAfterSavingRecovery() = 0;
    // The build of this process and of the installed copy; none when the installed copy cannot
    // be read.
    virtual QString runningBuild() const = 0;
    virtual std::optional<QString> installedBuild() const = 0;

    // The setup sheets, or none where the session cannot make one. `started` runs once the
    // recording has really started (the sheet then closes); `capture` runs with nothing once the
    // user chose a capture (the session keeps the options until the sheet has closed).
    virtual QWidget* makeRecordingSetupSheet(QWidget* parent, std::function<void()> started) = 0;
    virtual QWidget* makeScreenshotSetupSheet(QWidget* parent, std::function<void()> chosen) = 0;
    // Starts the capture chosen in the screenshot sheet, once that sheet is gone from the screen.
    virtual void startChosenScreenshot() = 0;

    // Raised requests for a setup sheet; taking one lowers it.
    virtual bool takeRecordingSetupRequest() = 0;
    virtual bool takeScreenshotSetupRequest() = 0;

signals:
    void recorderStateChanged();
    void captureStateChanged();
    void imageOpenChanged();
    void recordingSetupRequested();
    void screenshotSetupRequested();
};

}  // namespace sablewick

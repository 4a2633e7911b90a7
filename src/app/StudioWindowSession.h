#pragma once

#include "mainwindow/MainWindowSession.h"
#include "recording/RecordingOptions.h"
#include "screenshots/ScreenshotCaptureOptions.h"

#include <functional>
#include <optional>

namespace sablewick {

class SablewickApp;
class StudioSession;

// The studio session as the main window asks for it: the recorder's state, the setup sheets and
// the floating panel that follows each recording. It lives in the top folder, the one place that
// knows both the shell and the window above it.
//
// Main thread only. The application object and its session must outlive it.
class StudioWindowSession final : public MainWindowSession {
public:
    StudioWindowSession(SablewickApp& app, StudioSession& session, QObject* parent = nullptr);
    ~StudioWindowSession() override;

    RecorderState recorderState() const override;
    CaptureState captureState() const override;
    bool hasImageOpen() const override;
    void clearRecorderNotice() override;
    void stopRecording() override;
    void cancelCapture() override;
    void requestScreenshot() override;
    void importImage() override;
    void pasteImage() override;
    void openImage(const QUrl& file) override;
    bool restoreScreenshotEdit() override;
    // X11 asks for no permissions: there is no settings page to open.
    void openPrivacySettings(const QString&) override {}
    void openSettingsWindow() override;
    void requestQuit() override;
    bool saveAndReopenForUpdate() override;
    bool reopenAfterSavingRecovery() override;
    QString runningBuild() const override;
    std::optional<QString> installedBuild() const override;
    QWidget* makeRecordingSetupSheet(QWidget* parent, std::function<void()> started) override;
    QWidget* makeScreenshotSetupSheet(QWidget* parent, std::function<void()> chosen) override;
    void startChosenScreenshot() override;
    bool takeRecordingSetupRequest() override;
    bool takeScreenshotSetupRequest() override;

private:
    SablewickApp& m_app;
    StudioSession& m_session;
    // Said when this desktop has no display capture and the user asks to record.
    std::optional<QString> m_unavailable;
    // The sheet's choices, kept from one recording to the next while the program runs.
    RecordingOptions m_recordingOptions;
    // The options of the sheet's capture button, kept until the sheet is gone from the screen.
    std::optional<ScreenshotCaptureOptions> m_chosenScreenshot;
};

}  // namespace sablewick

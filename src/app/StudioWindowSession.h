#pragma once

#include "mainwindow/MainWindowSession.h"

namespace sablewick {

class SablewickApp;
class StudioSession;

// The studio session as the main window asks for it. The recorder and the image editor are not
// part of the session yet: what needs them says so in the banner, as the window expects.
class StudioWindowSession final : public MainWindowSession {
    Q_OBJECT
public:
    StudioWindowSession(SablewickApp& app, StudioSession& session, QObject* parent = nullptr);

    RecorderState recorderState() const override { return m_recorder; }
    CaptureState captureState() const override { return {}; }
    bool hasImageOpen() const override { return false; }
    void clearRecorderNotice() override;
    void stopRecording() override {}
    void cancelCapture() override {}
    void requestScreenshot() override { sayUnavailable(); }
    void importImage() override { sayUnavailable(); }
    void pasteImage() override { sayUnavailable(); }
    void openImage(const QUrl&) override { sayUnavailable(); }
    bool restoreScreenshotEdit() override { return false; }
    // X11 asks for no permissions: there is no settings page to open.
    void openPrivacySettings(const QString&) override {}
    void openSettingsWindow() override;
    void requestQuit() override;
    bool saveAndReopenForUpdate() override;
    bool reopenAfterSavingRecovery() override;
    QString runningBuild() const override;
    std::optional<QString> installedBuild() const override;
    QWidget* makeRecordingSetupSheet(QWidget*, std::function<void()>) override;
    QWidget* makeScreenshotSetupSheet(QWidget*, std::function<void()>) override;
    void startChosenScreenshot() override {}
    bool takeRecordingSetupRequest() override;
    bool takeScreenshotSetupRequest() override;

private:
    void sayUnavailable();

    SablewickApp& m_app;
    StudioSession& m_session;
    RecorderState m_recorder;
};

}  // namespace sablewick

#pragma once

#include "mainwindow/MainWindowSession.h"

namespace sablewick {

// The session of a build that has the video editor but neither the screen recorder nor the image
// editor: nothing records or captures, and a command that needs either says so in the banner
// instead of doing nothing. The application's studio session takes its place once it drives the
// window.
class StandaloneSession final : public MainWindowSession {
    Q_OBJECT
public:
    static inline const QString unavailableText =
        QStringLiteral("Screen recording and images are not available in this build.");

    using MainWindowSession::MainWindowSession;

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
    void openPrivacySettings(const QString&) override {}
    void openSettingsWindow() override { sayUnavailable(); }
    void requestQuit() override;
    bool saveAndReopenForUpdate() override { return false; }
    bool reopenAfterSavingRecovery() override { return false; }
    QString runningBuild() const override { return {}; }
    // No installed copy to compare with: never an update.
    std::optional<QString> installedBuild() const override { return std::nullopt; }
    QWidget* makeRecordingSetupSheet(QWidget*, std::function<void()>) override;
    QWidget* makeScreenshotSetupSheet(QWidget*, std::function<void()>) override;
    void startChosenScreenshot() override {}
    bool takeRecordingSetupRequest() override { return false; }
    bool takeScreenshotSetupRequest() override { return false; }

private:
    void sayUnavailable();

    RecorderState m_recorder;
};

}  // namespace sablewick

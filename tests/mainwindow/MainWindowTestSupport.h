#pragma once

#include "components/ScriptedDialogs.h"
#include "mainwindow/MainWindowSession.h"

#include <QStringList>

#include <functional>

namespace sablewick::test {

// A session whose recorder and capture states the test sets; it records what the window asked.
class FakeSession final : public MainWindowSession {
public:
    RecorderState recorderState() const override { return recorder; }
    CaptureState captureState() const override { return capture; }
    bool hasImageOpen() const override { return imageOpen; }
    void clearRecorderNotice() override
    {
        recorder.notice.reset();
        calls << "clearRecorderNotice";
        emit recorderStateChanged();
    }
    void stopRecording() override { calls << "stopRecording"; }
    void cancelCapture() override { calls << "cancelCapture"; }
    void requestScreenshot() override { calls << "requestScreenshot"; }
    void importImage() override { calls << "importImage"; }
    void pasteImage() override { calls << "pasteImage"; }
    void openImage(const QUrl& file) override { calls << "openImage " + file.fileName(); }
    bool restoreScreenshotEdit() override
    {
        calls << "restoreScreenshotEdit";
        return false;
    }
    bool canOpenPrivacySettings() const override { return privacySettings; }
    void openPrivacySettings(const QString& anchor) override { calls << "openPrivacySettings " + anchor; }
    void openSettingsWindow() override { calls << "openSettingsWindow"; }
    void requestQuit() override { calls << "requestQuit"; }
    bool saveAndReopenForUpdate() override
    {
        calls << "saveAndReopenForUpdate";
        return false;
    }
    bool reopenAfterSavingRecovery() override
    {
        calls << "reopenAfterSavingRecovery";
        return relaunchSucceeds;
    }
    QString runningBuild() const override { return running; }
    std::optional<QString> installedBuild() const override { return installed; }
    QWidget* makeRecordingSetupSheet(QWidget*, std::function<void()>) override { return nullptr; }
    QWidget* makeScreenshotSetupSheet(QWidget*, std::function<void()>) override { return nullptr; }
    void startChosenScreenshot() override { calls << "startChosenScreenshot"; }
    bool takeRecordingSetupRequest() override { return std::exchange(recordingRequest, false); }
    bool takeScreenshotSetupRequest() override { return std::exchange(screenshotRequest, false); }

    void setRecorder(const RecorderState& state)
    {
        recorder = state;
        emit recorderStateChanged();
    }

    RecorderState recorder;
    CaptureState capture;
    bool imageOpen = false;
    bool privacySettings = true;  // a desktop with privacy settings pages
    bool relaunchSucceeds = false;
    bool recordingRequest = false;
    bool screenshotRequest = false;
    QString running = "1";
    std::optional<QString> installed = QString("1");
    QStringList calls;
};

}  // namespace sablewick::test

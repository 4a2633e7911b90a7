#pragma once

#include "mainwindow/MainWindowSession.h"
#include "mainwindow/StudioDialogs.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

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

// Dialogs answered by the test: each request is kept, and the next scripted answer is given.
// A dialog that was not scripted fails the test's expectations by answering "cancelled".
class ScriptedDialogs final : public StudioDialogs {
public:
    std::optional<QUrl> runOpenPanel(const OpenPanelRequest& request) override
    {
        openRequests.push_back(request);
        return next(openAnswers);
    }
    std::optional<QUrl> runSavePanel(const SavePanelRequest& request) override
    {
        saveRequests.push_back(request);
        return next(saveAnswers);
    }
    std::optional<int> runAlert(const AlertRequest& request) override
    {
        alerts.push_back(request);
        return next(alertAnswers);
    }

    std::deque<std::optional<QUrl>> openAnswers;
    std::deque<std::optional<QUrl>> saveAnswers;
    std::deque<std::optional<int>> alertAnswers;
    std::vector<OpenPanelRequest> openRequests;
    std::vector<SavePanelRequest> saveRequests;
    std::vector<AlertRequest> alerts;

private:
    template <class T>
    static std::optional<T> next(std::deque<std::optional<T>>& answers)
    {
        if (answers.empty())
            return std::nullopt;
        std::optional<T> answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace sablewick::test

#include "recording/ScreenCaptureSession.h"

#include <QFileInfo>

namespace sablewick {

namespace {

class ScreenCaptureSession : public CaptureSession {
public:
    ScreenCaptureSession(std::unique_ptr<ScreenRecording> recording, std::shared_ptr<void> resources)
        : m_resources(std::move(resources))
        , m_recording(std::move(recording))
    {
    }
    double startTime() const override { return m_recording->startTime(); }
    void finishMovie() override { m_recording->finishMovie(); }
    void stopCapture() override { m_recording->stopCapture(); }

private:
    std::shared_ptr<void> m_resources;
    std::unique_ptr<ScreenRecording> m_recording;  // last: its threads end before the resources go
};

}  // namespace

ScreenRecordingSettings screenRecordingSettings(const CaptureRequest& request)
{
    ScreenRecordingSettings settings;
    settings.pixelSize = request.pixelSize;
    settings.framesPerSecond = request.framesPerSecond;
    settings.path = request.moviePath.toStdString();
    settings.systemAudio = request.systemAudio;
    settings.microphone = request.microphone;
    settings.microphoneSource = request.microphoneDevice.value_or(QString()).toStdString();
    return settings;
}

std::shared_ptr<CaptureSession> startScreenCapture(const ScreenRecordingSettings& settings, const CaptureEvents& events,
                                                   std::shared_ptr<void> resources)
{
    const QString movieName = QFileInfo(QString::fromStdString(settings.path)).fileName();
    ScreenRecording::Events reports;
    reports.finished = events.finished;
    reports.failed = [events, movieName](ScreenRecording::Failure failure, const std::string& reason) {
        if (!events.failed)
            return;
        if (failure == ScreenRecording::Failure::diskFull)
            events.failed(CaptureError(
                QStringLiteral("The disk is full. What was recorded until then is kept in \"%1\".").arg(movieName),
                CaptureError::Kind::diskFull));
        else
            events.failed(CaptureError(QString::fromStdString(reason)));
    };
    reports.stopped = [events](const std::string& reason) {
        if (events.stopped)
            events.stopped(CaptureError(QString::fromStdString(reason)));
    };
    reports.soundLost = events.soundLost;
    auto recording = std::make_unique<ScreenRecording>(settings, reports);
    return std::make_shared<ScreenCaptureSession>(std::move(recording), std::move(resources));
}

}  // namespace sablewick

#pragma once

#include "platform/MonotonicClock.h"
#include "recording/CaptureBackend.h"

#include <atomic>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace sablewick::test {

// A capture session whose teardown can be made to fail; it counts what was asked of it and
// whether it still exists.
struct FakeSessionLog {
    int finishMovieCalls = 0;
    int stopCaptureCalls = 0;
    bool destroyed = false;
};

class FakeCaptureSession : public CaptureSession {
public:
    FakeCaptureSession(std::shared_ptr<FakeSessionLog> log, double startTime, bool pointerApart)
        : m_log(std::move(log))
        , m_startTime(startTime)
        , m_pointerApart(pointerApart)
    {
    }
    ~FakeCaptureSession() override { m_log->destroyed = true; }
    double startTime() const override { return m_startTime; }
    bool pointerApart() const override { return m_pointerApart; }
    void finishMovie() override
    {
        ++m_log->finishMovieCalls;
        if (finishError)
            throw *finishError;
    }
    void stopCapture() override
    {
        ++m_log->stopCaptureCalls;
        if (stopError)
            throw *stopError;
    }
    std::optional<CaptureError> finishError;
    std::optional<CaptureError> stopError;

private:
    std::shared_ptr<FakeSessionLog> m_log;
    double m_startTime;
    bool m_pointerApart;
};

class FakeInputMonitor : public InputMonitor {
public:
    explicit FakeInputMonitor(bool* alive) : m_alive(alive) { *m_alive = true; }
    ~FakeInputMonitor() override { *m_alive = false; }

private:
    bool* m_alive;
};

// Everything the recorder asks of the platform, answered from fields a test sets. A capture
// start is held until the test completes it, so the starting state can be observed.
class FakeCaptureBackend : public CaptureBackend {
public:
    // Answers of the screen-capture check, one per call; the last one repeats.
    std::deque<bool> screenAllowed{true};
    bool screenRequestGrants = false;
    MicrophoneAuthorization microphoneStatus = MicrophoneAuthorization::authorized;
    bool microphoneRequestGrants = false;
    std::optional<QString> microphone = QStringLiteral("mic-1");
    std::vector<CaptureDisplay> displayList{display(7, QRectF(0, 0, 1280, 720)), display(9, QRectF(1280, 0, 800, 600))};
    std::optional<CaptureError> displaysError;
    std::optional<std::uint32_t> mainDisplay = 7;
    double clock = 100;
    QPointF pointer{10, 10};
    std::optional<QPointF> caret;
    std::optional<CaptureError> monitorError;
    std::optional<QString> inputReason;  // the session hides input whatever is allowed
    bool pointerApart = true;            // of the sessions started from now on
    // Whether the pointer can be read on another thread: then it reads `pointer` as it was when
    // the recording started, at the time of the real monotonic clock.
    bool pointerReadOnAnyThread = false;
    // Once set, the reader made by pointerReader() calls `pointerFailure` (which throws) at every
    // reading: a sampler thread whose reading fails.
    std::shared_ptr<std::atomic<bool>> pointerBroken = std::make_shared<std::atomic<bool>>(false);
    std::function<void()> pointerFailure;

    int screenRequests = 0;
    int microphoneStatusReads = 0;
    int microphoneRequests = 0;
    int captureStarts = 0;
    bool monitorAlive = false;
    std::optional<CaptureRequest> lastRequest;
    CaptureEvents lastEvents;
    InputEvents input;
    std::function<void(CaptureStart)> pendingStart;
    std::shared_ptr<FakeSessionLog> sessionLog;
    FakeCaptureSession* session = nullptr;  // owned by the recorder once started

    static CaptureDisplay display(std::uint32_t id, QRectF frame)
    {
        return CaptureDisplay{id, QStringLiteral("Display %1").arg(id), frame.size(), 1.0, frame};
    }

    // Completes the held start with a running session.
    void completeStart(double startTime)
    {
        sessionLog = std::make_shared<FakeSessionLog>();
        auto s = std::make_shared<FakeCaptureSession>(sessionLog, startTime, pointerApart);
        session = s.get();
        auto done = std::move(pendingStart);
        done(CaptureStart{s, std::nullopt});
    }
    void failStart(const CaptureError& error)
    {
        auto done = std::move(pendingStart);
        done(CaptureStart{nullptr, error});
    }

    bool screenCaptureAllowed() override
    {
        const bool answer = screenAllowed.front();
        if (screenAllowed.size() > 1)
            screenAllowed.pop_front();
        return answer;
    }
    bool requestScreenCapture() override
    {
        ++screenRequests;
        return screenRequestGrants;
    }
    MicrophoneAuthorization microphoneAuthorization() override
    {
        ++microphoneStatusReads;
        return microphoneStatus;
    }
    bool requestMicrophoneAccess() override
    {
        ++microphoneRequests;
        return microphoneRequestGrants;
    }
    std::optional<QString> defaultMicrophone() override { return microphone; }
    std::optional<QString> defaultMicrophoneName() override
    {
        return microphone ? std::optional<QString>(QStringLiteral("Desk microphone")) : std::nullopt;
    }
    bool canMonitorInput() override { return !monitorError; }
    std::optional<QString> inputUnavailableReason() override { return inputReason; }
    std::vector<CaptureDisplay> displays() override
    {
        if (displaysError)
            throw *displaysError;
        return displayList;
    }
    std::optional<std::uint32_t> mainDisplayID() override { return mainDisplay; }
    void startCapture(const CaptureRequest& request, CaptureEvents events,
                      std::function<void(CaptureStart)> done) override
    {
        ++captureStarts;
        lastRequest = request;
        lastEvents = std::move(events);
        pendingStart = std::move(done);
    }
    double now() override { return clock; }
    QPointF pointerLocation() override { return pointer; }
    std::function<PointerReading()> pointerReader() override
    {
        if (!pointerReadOnAnyThread)
            return {};
        return [p = pointer, broken = pointerBroken, failure = pointerFailure] {
            if (broken->load() && failure)
                failure();
            return PointerReading{monotonicSeconds(), p};
        };
    }
    std::optional<QPointF> caretLocation() override { return caret; }
    std::unique_ptr<InputMonitor> monitorInput(InputEvents events) override
    {
        if (monitorError)
            throw *monitorError;
        input = std::move(events);
        return std::make_unique<FakeInputMonitor>(&monitorAlive);
    }
};

}  // namespace sablewick::test

#include "recording/Recorder.h"

#include "FakeCaptureBackend.h"
#include "document/Project.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

namespace sablewick {
namespace {

using test::FakeCaptureBackend;

const QString kScreenNotAllowed =
    "Allow Sablewick in Screen & System Audio Recording, then quit and reopen the app.";

class RecorderTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    FakeCaptureBackend backend;
    std::unique_ptr<Recorder> recorder = std::make_unique<Recorder>(backend, dir.filePath("Recordings"));
    std::optional<bool> lastResult;
    int finishCalls = 0;
    QUrl finishedMovie;
    std::vector<FocusPoint> finishedEvents;

    void SetUp() override
    {
        recorder->setOnFinish([this](const QUrl& movie, const std::vector<FocusPoint>& events) {
            ++finishCalls;
            finishedMovie = movie;
            finishedEvents = events;
        });
    }

    static void settle() { QCoreApplication::processEvents(); }

    void begin(RecordingOptions options = {})
    {
        lastResult.reset();
        recorder->start(options, [this](bool ok) { lastResult = ok; });
    }
    // A start that succeeds, with the movie's time zero at the fake clock's current time.
    void record(RecordingOptions options = {})
    {
        begin(options);
        ASSERT_TRUE(backend.pendingStart) << recorder->notice().value_or("no capture asked for").toStdString();
        backend.completeStart(backend.clock);
        settle();
        ASSERT_EQ(lastResult, true);
        ASSERT_TRUE(recorder->isRecording());
    }
    struct Published {
        bool recording, starting, finalizing;
        std::optional<QString> notice;
        bool screen, microphone, restart;
        std::optional<QUrl> finished;
        bool operator==(const Published&) const = default;
    };
    Published published() const
    {
        return {recorder->isRecording(), recorder->isStarting(), recorder->isFinalizing(), recorder->notice(),
                recorder->needsScreenPermission(), recorder->needsMicrophonePermission(), recorder->needsRestart(),
                recorder->finishedURL()};
    }
};

// ---- failed starts -------------------------------------------------------------------------------

struct StartFailure {
    const char* name;
    std::function<void(FakeCaptureBackend&, RecordingOptions&)> arrange;
    QString notice;
    bool screen, microphone, restart;
};

TEST_F(RecorderTest, EveryFailedStartEndsIdleWithItsNoticeAndFlags)
{
    const CaptureError declined(QStringLiteral("declined"), CaptureError::Kind::declined);
    const std::vector<StartFailure> rows = {
        {"screen capture granted by the request",
         [](auto& b, auto&) { b.screenAllowed = {false}; b.screenRequestGrants = true; },
         "Screen Recording is allowed. Quit and reopen Sablewick, then record again.", false, false, true},
        {"screen capture refused", [](auto& b, auto&) { b.screenAllowed = {false}; }, kScreenNotAllowed, true, false,
         false},
        {"microphone denied",
         [](auto& b, auto& o) { o.microphone = true; b.microphoneStatus = MicrophoneAuthorization::denied; },
         "Allow Sablewick to use the microphone in System Settings, then try again.", false, true, false},
        {"microphone restricted",
         [](auto& b, auto& o) { o.microphone = true; b.microphoneStatus = MicrophoneAuthorization::restricted; },
         "Allow Sablewick to use the microphone in System Settings, then try again.", false, true, false},
        {"microphone refused when asked",
         [](auto& b, auto& o) { o.microphone = true; b.microphoneStatus = MicrophoneAuthorization::notDetermined; },
         "Allow Sablewick to use the microphone in System Settings, then try again.", false, true, false},
        {"no microphone device",
         [](auto& b, auto& o) { o.microphone = true; b.microphone.reset(); },
         "No microphone is available. Turn off Microphone or connect one.", false, false, false},
        {"microphone granted when asked but no device",
         [](auto& b, auto& o) {
             o.microphone = true;
             b.microphoneStatus = MicrophoneAuthorization::notDetermined;
             b.microphoneRequestGrants = true;
             b.microphone.reset();
         },
         "No microphone is available. Turn off Microphone or connect one.", false, false, false},
        {"chosen display gone", [](auto&, auto& o) { o.displayID = 42; },
         "Could not start recording: That display is no longer connected. Choose another display.", false, false,
         false},
        {"no displays", [](auto& b, auto&) { b.displayList.clear(); },
         "Could not start recording: No display is available to record.", false, false, false},
        {"display list fails", [](auto& b, auto&) { b.displaysError = CaptureError("X server gone"); },
         "Could not start recording: X server gone", false, false, false},
    };
    for (const StartFailure& row : rows) {
        SCOPED_TRACE(row.name);
        FakeCaptureBackend fresh;
        RecordingOptions options;
        row.arrange(fresh, options);
        Recorder r(fresh, dir.filePath("Recordings"));
        std::optional<bool> result;
        r.start(options, [&](bool ok) { result = ok; });
        settle();
        EXPECT_EQ(result, false);
        EXPECT_EQ(r.notice(), row.notice);
        EXPECT_EQ(r.needsScreenPermission(), row.screen);
        EXPECT_EQ(r.needsMicrophonePermission(), row.microphone);
        EXPECT_EQ(r.needsRestart(), row.restart);
        EXPECT_FALSE(r.isStarting());
        EXPECT_FALSE(r.isRecording());
        EXPECT_EQ(fresh.captureStarts, 0);
        // Without screen permission neither the microphone nor the displays are asked.
        if (row.screen || row.restart) {
            EXPECT_EQ(fresh.microphoneStatusReads, 0);
        }
    }
}

TEST_F(RecorderTest, ACaptureThatFailsToStartReportsAndRemovesItsEmptyFile)
{
    struct Row {
        std::deque<bool> allowedAfterwards;
        CaptureError error;
        std::optional<QString> notice;
        bool screen, restart;
    };
    const std::vector<Row> rows = {
        {{true, false}, CaptureError("no", CaptureError::Kind::declined), kScreenNotAllowed, true, false},
        {{true, true}, CaptureError("no", CaptureError::Kind::declined),
         "Screen Recording was enabled, but Sablewick needs to restart before recording.", false, true},
        {{true}, CaptureError("The encoder is missing."), "Could not start recording: The encoder is missing.", false,
         false},
        // Closing the system's sharing dialog is the user's own choice: nothing to report, and
        // the previous start's notice goes.
        {{true}, CaptureError("cancelled", CaptureError::Kind::cancelled), std::nullopt, false, false},
    };
    for (const Row& row : rows) {
        backend.screenAllowed = row.allowedAfterwards;
        begin();
        EXPECT_TRUE(recorder->isStarting());
        backend.failStart(row.error);
        settle();
        EXPECT_EQ(lastResult, false);
        EXPECT_EQ(recorder->notice(), row.notice);
        EXPECT_EQ(recorder->needsScreenPermission(), row.screen);
        EXPECT_EQ(recorder->needsRestart(), row.restart);
        EXPECT_FALSE(recorder->isStarting());
        EXPECT_FALSE(QFileInfo::exists(backend.lastRequest->moviePath));
    }
}

TEST_F(RecorderTest, AStartIsRefusedWhileStartingRecordingOrFinishing)
{
    begin();
    const Published starting = published();
    const int starts = backend.captureStarts;
    std::optional<bool> refused;
    recorder->start({}, [&](bool ok) { refused = ok; });
    EXPECT_EQ(refused, false);
    EXPECT_EQ(published(), starting);
    EXPECT_EQ(backend.captureStarts, starts);

    backend.completeStart(backend.clock);
    settle();
    for (int phase = 0; phase < 2; ++phase) {
        const Published before = published();
        refused.reset();
        recorder->start({}, [&](bool ok) { refused = ok; });
        EXPECT_EQ(refused, false);
        EXPECT_EQ(published(), before);
        recorder->stop();  // second round: finishing
    }
    EXPECT_EQ(backend.captureStarts, starts);
}

TEST_F(RecorderTest, AStartAsksOnlyForWhatTheOptionsNeedAndPicksTheDisplay)
{
    backend.microphoneStatus = MicrophoneAuthorization::denied;
    record();  // microphone off: its status is never read
    EXPECT_EQ(backend.microphoneStatusReads, 0);
    EXPECT_EQ(backend.lastRequest->display.id, 7u);  // the main display
    EXPECT_EQ(backend.lastRequest->pixelSize, QSize(1280, 720));
    EXPECT_EQ(backend.lastRequest->framesPerSecond, 60);
    EXPECT_TRUE(backend.lastRequest->systemAudio);
    EXPECT_FALSE(backend.lastRequest->microphone);
    EXPECT_TRUE(backend.lastRequest->moviePath.startsWith(dir.filePath("Recordings/Recording-")));
    EXPECT_TRUE(backend.lastRequest->moviePath.endsWith(".mov"));
    recorder->stop();
    backend.lastEvents.finished();
    settle();

    // The main display's number matches nothing: the first display is recorded.
    backend.mainDisplay = 1234;
    backend.microphoneStatus = MicrophoneAuthorization::authorized;
    RecordingOptions options;
    options.microphone = true;
    options.systemAudio = false;
    record(options);
    EXPECT_EQ(backend.lastRequest->display.id, 7u);
    EXPECT_EQ(backend.lastRequest->microphoneDevice, QStringLiteral("mic-1"));
    EXPECT_FALSE(backend.lastRequest->systemAudio);
}

// ---- stop and finish -----------------------------------------------------------------------------

TEST_F(RecorderTest, AFinishedRecordingLeavesItsSidecarAndCallsTheFinishAction)
{
    RecordingOptions options;
    options.showCursor = false;
    options.showClicks = true;
    record(options);
    const QString movie = backend.lastRequest->moviePath;
    backend.clock += 1.0;
    backend.pointer = {640, 360};
    recorder->samplePointer();
    recorder->appendEvent(FocusKind::click, {320, 180});

    recorder->stop();
    EXPECT_TRUE(recorder->isFinalizing());
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_FALSE(backend.monitorAlive);
    EXPECT_EQ(backend.sessionLog->finishMovieCalls, 1);
    EXPECT_EQ(backend.sessionLog->stopCaptureCalls, 1);
    EXPECT_EQ(finishCalls, 0);

    backend.lastEvents.finished();
    settle();
    EXPECT_FALSE(recorder->isFinalizing());
    EXPECT_EQ(recorder->finishedURL(), QUrl::fromLocalFile(movie));
    EXPECT_FALSE(recorder->notice());
    EXPECT_TRUE(backend.sessionLog->destroyed);
    ASSERT_EQ(finishCalls, 1);
    EXPECT_EQ(finishedMovie, QUrl::fromLocalFile(movie));
    ASSERT_EQ(finishedEvents.size(), 1u);

    const FocusSidecar sidecar = ProjectFile::readSidecar(FocusSidecar::pathFor(movie));
    EXPECT_EQ(sidecar.events, finishedEvents);
    EXPECT_DOUBLE_EQ(sidecar.events[0].time, 1.0);
    EXPECT_DOUBLE_EQ(sidecar.events[0].x, 0.25);
    EXPECT_DOUBLE_EQ(sidecar.events[0].y, 0.25);
    ASSERT_TRUE(sidecar.pointerSamples);
    ASSERT_EQ(sidecar.pointerSamples->size(), 1u);
    EXPECT_EQ(sidecar.pointerSamples->front(), (PointerSample{1.0, 0.5, 0.5, true}));
    EXPECT_EQ(sidecar.editablePointer, true);
    EXPECT_EQ(sidecar.recordedPointerVisible, false);
    EXPECT_EQ(sidecar.recordedClickHighlights, true);
}

// A capture whose pictures carry the pointer (a Wayland desktop that does not share its
// position) keeps no path and tells the editor not to draw a second pointer; the user's wish to
// see it reaches the capture either way.
TEST_F(RecorderTest, ACaptureWithThePointerInItsPicturesKeepsNoPathAndNoEditablePointer)
{
    for (const bool show : {true, false}) {
        SCOPED_TRACE(show ? "pointer shown" : "pointer hidden");
        backend.pointerApart = false;
        RecordingOptions options;
        options.showCursor = show;
        record(options);
        EXPECT_EQ(backend.lastRequest->showPointer, show);
        const QString movie = backend.lastRequest->moviePath;
        backend.clock += 1.0;
        backend.pointer = {640, 360};
        recorder->samplePointer();
        EXPECT_TRUE(recorder->pointerSamples().empty());
        recorder->stop();
        backend.lastEvents.finished();
        settle();
        const FocusSidecar sidecar = ProjectFile::readSidecar(FocusSidecar::pathFor(movie));
        EXPECT_EQ(sidecar.editablePointer, false);
        ASSERT_TRUE(sidecar.pointerSamples);
        EXPECT_TRUE(sidecar.pointerSamples->empty());
        EXPECT_EQ(sidecar.recordedPointerVisible, show);
    }

    // The next capture that keeps the pointer apart samples it again.
    backend.pointerApart = true;
    record();
    backend.clock += 1.0;
    recorder->samplePointer();
    EXPECT_EQ(recorder->pointerSamples().size(), 1u);
}

// The application's windows, put away and brought back by the test's word; it notes what the
// capture was doing at each step.
class FakeWindows : public RecordingWindows {
public:
    explicit FakeWindows(const FakeCaptureBackend& backend) : m_backend(backend) {}
    void putAway(std::function<void()> ready) override
    {
        away = true;
        this->ready = std::move(ready);
    }
    void bringBack() override
    {
        away = false;
        ++broughtBack;
        capturesStoppedWhenBack = m_backend.sessionLog ? m_backend.sessionLog->stopCaptureCalls : -1;
    }
    bool away = false;
    int broughtBack = 0;
    int capturesStoppedWhenBack = -1;
    std::function<void()> ready;

private:
    const FakeCaptureBackend& m_backend;
};

TEST_F(RecorderTest, TheWindowsAreAwayBeforeTheCaptureStartsAndBackWhenItEnds)
{
    FakeWindows windows(backend);
    recorder->setWindows(&windows);

    // A start that fails brings them back, with the notice.
    begin();
    EXPECT_TRUE(windows.away);
    EXPECT_EQ(backend.captureStarts, 0);  // not before they are away
    windows.ready();
    ASSERT_EQ(backend.captureStarts, 1);
    backend.failStart(CaptureError(QStringLiteral("No display.")));
    settle();
    EXPECT_FALSE(windows.away);
    EXPECT_EQ(windows.broughtBack, 1);

    // A recording keeps them away until its last picture is taken.
    begin();
    windows.ready();
    backend.completeStart(backend.clock);
    settle();
    ASSERT_TRUE(recorder->isRecording());
    EXPECT_TRUE(windows.away);
    recorder->stop();
    EXPECT_FALSE(windows.away);
    EXPECT_EQ(windows.capturesStoppedWhenBack, 1);
    backend.lastEvents.finished();
    settle();
    EXPECT_EQ(windows.broughtBack, 2);
}

TEST_F(RecorderTest, AStopThatCannotTearDownStillEndsTheCapture)
{
    struct Row {
        bool finishFails, stopFails;
        QString notice;
    };
    const std::vector<Row> rows = {
        {true, false, "Could not finish recording: disk gone"},
        {false, true, "Could not finish recording: stop refused"},
        {true, true, "Could not finish recording: disk gone"},
    };
    for (const Row& row : rows) {
        record();
        if (row.finishFails)
            backend.session->finishError = CaptureError("disk gone");
        if (row.stopFails)
            backend.session->stopError = CaptureError("stop refused");
        auto log = backend.sessionLog;
        auto events = backend.lastEvents;
        recorder->stop();
        EXPECT_EQ(recorder->notice(), row.notice);
        EXPECT_FALSE(recorder->isFinalizing());
        EXPECT_FALSE(recorder->isRecording());
        EXPECT_EQ(log->stopCaptureCalls, 1);  // asked to stop even after the movie failed
        EXPECT_TRUE(log->destroyed);          // and dropped, which ends it for good
        // Whatever the torn-down capture reports afterwards changes nothing.
        events.finished();
        settle();
        EXPECT_FALSE(recorder->finishedURL());
        EXPECT_EQ(finishCalls, 0);
    }
}

TEST_F(RecorderTest, StopDoesNothingWhileIdleOrStarting)
{
    const Published idle = published();
    recorder->stop();
    EXPECT_EQ(published(), idle);
    begin();
    const Published starting = published();
    recorder->stop();
    EXPECT_EQ(published(), starting);
}

TEST_F(RecorderTest, ASidecarThatCannotBeWrittenIsReportedAndTheMovieStillFinishes)
{
    record();
    const QString movie = backend.lastRequest->moviePath;
    recorder->appendEvent(FocusKind::click, {320, 180});
    // A folder where the sidecar should go makes its atomic rename fail.
    ASSERT_TRUE(QDir().mkpath(FocusSidecar::pathFor(movie) + "/blocked"));
    recorder->stop();
    backend.lastEvents.finished();
    settle();
    EXPECT_EQ(recorder->finishedURL(), QUrl::fromLocalFile(movie));
    EXPECT_EQ(finishCalls, 1);
    ASSERT_TRUE(recorder->notice());
    EXPECT_TRUE(recorder->notice()->startsWith("The recording was saved without its clicks and pointer path: "))
        << recorder->notice()->toStdString();
    // The copy kept while recording stays, and the editor finds the click in it.
    const std::optional<FocusSidecar> found = ProjectFile::sidecarForMovie(movie);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->events, recorder->events());
    EXPECT_EQ(found->events.size(), 1u);
}

TEST_F(RecorderTest, AFailedRecordingKeepsWhatWasDoneBesideAMovieThatHoldsAnything)
{
    // A failed capture, or a stop whose movie cannot be finished: either keeps what the movie holds.
    const std::function<void()> failures[] = {
        [this] { backend.lastEvents.failed(CaptureError("The disk is full.")); },
        [this] {
            backend.session->finishError = CaptureError("The disk is full.");
            recorder->stop();
        },
    };
    for (const auto& fail : failures) {
        for (const bool movieHoldsAnything : {true, false}) {
            SCOPED_TRACE(movieHoldsAnything);
            record();
            const QString movie = backend.lastRequest->moviePath;
            if (movieHoldsAnything) {
                QFile file(movie);
                ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                file.write("fragment");
            }
            backend.clock += 1.0;
            backend.pointer = {640, 360};
            recorder->samplePointer();
            recorder->appendEvent(FocusKind::click, {320, 180});
            fail();
            settle();
            ASSERT_TRUE(recorder->notice());
            EXPECT_TRUE(recorder->notice()->endsWith("The disk is full.")) << recorder->notice()->toStdString();
            EXPECT_FALSE(recorder->isRecording());
            EXPECT_FALSE(recorder->isFinalizing());
            EXPECT_FALSE(recorder->finishedURL());
            EXPECT_EQ(finishCalls, 0);
            EXPECT_TRUE(backend.sessionLog->destroyed);
            EXPECT_FALSE(backend.monitorAlive);
            EXPECT_EQ(QFileInfo::exists(FocusSidecar::pathFor(movie)), movieHoldsAnything);
            EXPECT_NE(QFileInfo::exists(FocusSidecar::provisionalPathFor(movie)), movieHoldsAnything);
            const std::optional<FocusSidecar> found = ProjectFile::sidecarForMovie(movie);
            ASSERT_TRUE(found);
            EXPECT_EQ(found->events, recorder->events());
            EXPECT_EQ(found->events.size(), 1u);
            EXPECT_EQ(found->pointerSamples, recorder->pointerSamples());
        }
    }
}

TEST_F(RecorderTest, ACaptureThatStopsByItselfFinishesTheVideo)
{
    record();
    backend.lastEvents.stopped(CaptureError("The display was disconnected"));
    settle();
    EXPECT_EQ(recorder->notice(), "Capture stopped: The display was disconnected. Finishing the video.");
    EXPECT_TRUE(recorder->isFinalizing());
    EXPECT_FALSE(recorder->isRecording());
    backend.lastEvents.finished();
    settle();
    EXPECT_FALSE(recorder->isFinalizing());
    EXPECT_TRUE(recorder->finishedURL());
    EXPECT_EQ(finishCalls, 1);
}

TEST_F(RecorderTest, ALostSoundServerIsToldAtTheEndBesideWhatElseThereIsToSay)
{
    struct Case {
        const char* name;
        std::optional<CaptureError> monitorError;
        double seconds;
        QString notice;
    };
    const QString lost = QStringLiteral("The sound server stopped during the recording; the sound after %1 is silent.");
    const Case cases[] = {
        {"alone", std::nullopt, 72.6, lost.arg("01:12")},
        {"at the start", std::nullopt, 0, lost.arg("00:00")},
        {"after another notice", CaptureError("XInput 2 is missing"), 3.2,
         "Clicks and typing are not recorded: XInput 2 is missing " + lost.arg("00:03")},
    };
    for (const Case& c : cases) {
        backend.monitorError = c.monitorError;
        record();
        backend.lastEvents.soundLost(c.seconds);
        settle();
        // The recording goes on.
        EXPECT_TRUE(recorder->isRecording()) << c.name;
        recorder->appendEvent(FocusKind::click, {320, 180});
        recorder->stop();
        backend.lastEvents.finished();
        settle();
        EXPECT_TRUE(recorder->finishedURL()) << c.name;
        EXPECT_EQ(recorder->notice(), c.notice) << c.name;
        EXPECT_EQ(finishedEvents.size(), 1u) << c.name;
    }
}

TEST_F(RecorderTest, LateReportsOfAnEarlierRecordingNeverTouchTheNextOne)
{
    record();
    const CaptureEvents first = backend.lastEvents;
    const InputEvents firstInput = backend.input;
    recorder->stop();
    first.finished();
    settle();
    ASSERT_EQ(finishCalls, 1);

    record();
    const Published second = published();
    first.finished();
    first.failed(CaptureError("late"));
    first.stopped(CaptureError("late"));
    first.soundLost(1);
    firstInput.leftClick(backend.clock, {10, 10});
    settle();
    EXPECT_EQ(published(), second);
    EXPECT_EQ(finishCalls, 1);
    EXPECT_TRUE(recorder->events().empty());
}

TEST_F(RecorderTest, ReportsFromOtherThreadsArriveOnTheRecordersThread)
{
    record();
    backend.clock += 2;
    std::thread([&] {
        backend.input.leftClick(backend.clock, {100, 100});
        backend.lastEvents.stopped(CaptureError("gone"));
    }).join();
    EXPECT_TRUE(recorder->isRecording());  // nothing ran on the other thread
    settle();
    ASSERT_EQ(recorder->events().size(), 1u);
    EXPECT_DOUBLE_EQ(recorder->events()[0].time, 2);
    EXPECT_TRUE(recorder->isFinalizing());
}

TEST_F(RecorderTest, AMonitoringThreadThatFailsEndsTheRecordingAsAFailedOne)
{
    // Whatever the sampler's reading throws ends its thread, not the process, and the recording
    // fails with what was collected kept.
    backend.pointerReadOnAnyThread = true;
    const struct {
        const char* name;
        std::function<void()> failure;
        QString notice;
    } rows[] = {
        {"an error", [] { throw std::runtime_error("The display went away."); },
         QStringLiteral("Recording failed: The display went away.")},
        {"anything else", [] { throw 42; }, QStringLiteral("Recording failed: The pointer could not be read.")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        backend.pointerBroken->store(false);
        backend.pointerFailure = row.failure;
        record();
        backend.pointerBroken->store(true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder->isRecording(); }, 10000));
        EXPECT_EQ(recorder->notice(), row.notice);
        EXPECT_FALSE(recorder->isFinalizing());
        EXPECT_TRUE(backend.sessionLog->destroyed);
        EXPECT_FALSE(backend.monitorAlive);
    }

    // An input monitor whose thread ended by itself says so from that thread: the same failure.
    backend.pointerBroken->store(false);
    record();
    std::thread([&] { backend.input.failed("The X server went away."); }).join();
    EXPECT_TRUE(recorder->isRecording());  // nothing ran on the other thread
    settle();
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(recorder->notice(), QStringLiteral("Recording failed: The X server went away."));
}

// ---- pointer, clicks and typing -----------------------------------------------------------------

TEST_F(RecorderTest, PointerSamplesAreClampedAndMarkedOutsideTheDisplay)
{
    record();
    struct Row {
        QPointF pointer;
        PointerSample expected;
    };
    const Row rows[] = {
        {{0, 0}, {0, 0, 0, true}},            // minimum edges are inside
        {{1280, 360}, {0, 1, 0.5, false}},    // maximum edge is outside
        {{-50, 900}, {0, 0, 1, false}},
        {{640, 180}, {0, 0.5, 0.25, true}},
    };
    for (const Row& row : rows) {
        backend.pointer = row.pointer;
        recorder->samplePointer();
        PointerSample s = recorder->pointerSamples().back();
        EXPECT_EQ((PointerSample{0, s.x, s.y, s.visible}), row.expected) << row.pointer.x() << "," << row.pointer.y();
    }
    recorder->stop();
    const auto count = recorder->pointerSamples().size();
    recorder->samplePointer();
    EXPECT_EQ(recorder->pointerSamples().size(), count);  // sampling ends with the stop
}

TEST_F(RecorderTest, ThePointerIsReadWhileTheMainThreadIsBusy)
{
    // Where the backend can be read on another thread the samples never wait for the window's
    // work: here a slot that holds the main thread for 200 ms, again and again.
    backend.pointerReadOnAnyThread = true;
    backend.pointer = {640, 180};
    backend.clock = monotonicSeconds();
    record();
    std::vector<std::pair<double, double>> held;  // monotonic times of each slot
    QTimer busy;
    QObject::connect(&busy, &QTimer::timeout, [&held] {
        const double from = monotonicSeconds();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        held.emplace_back(from, monotonicSeconds());
    });
    busy.start(0);
    while (held.size() < 8)
        QCoreApplication::processEvents();
    busy.stop();
    backend.clock = monotonicSeconds();
    const double length = backend.clock - recorder->timeZero();
    recorder->stop();

    const std::vector<PointerSample>& samples = recorder->pointerSamples();
    EXPECT_LE(static_cast<double>(samples.size()), length / Recorder::samplingInterval + 2);
    // Each sample carries the time it was read at. A sampler that waited for the main thread
    // would have read nothing while a slot held it; about six readings fall in each slot. How
    // many exactly depends on the processors the machine spares the sampler, not on the program.
    std::size_t readWhileHeld = 0;
    for (const PointerSample& sample : samples) {
        const double at = recorder->timeZero() + sample.time;
        readWhileHeld += std::count_if(held.begin(), held.end(),
                                       [at](const auto& slot) { return at > slot.first && at < slot.second; });
    }
    EXPECT_GE(readWhileHeld, held.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        EXPECT_EQ((PointerSample{0, samples[i].x, samples[i].y, samples[i].visible}), (PointerSample{0, 0.5, 0.25, true}));
        EXPECT_GE(samples[i].time, 0);
        EXPECT_LE(samples[i].time, length);  // none after the stop
        if (i > 0) {
            EXPECT_GT(samples[i].time, samples[i - 1].time);
        }
    }
}

TEST_F(RecorderTest, AZeroSizedDisplayGivesNoSamples)
{
    backend.displayList = {FakeCaptureBackend::display(7, QRectF(0, 0, 0, 0))};
    record();
    recorder->samplePointer();
    EXPECT_TRUE(recorder->pointerSamples().empty());
}

TEST_F(RecorderTest, TypingBurstsGiveOneFocusPointAtTheirFirstKeystroke)
{
    struct Key {
        double at;
        FocusKind kind = FocusKind::typing;
    };
    struct Row {
        const char* name;
        std::vector<Key> keys;
        std::vector<double> expectedTimes;
    };
    const std::vector<Row> rows = {
        {"0.5 s apart", {{1.0}, {1.5}}, {1.0}},
        {"0.6 s apart", {{1.0}, {1.6}}, {1.0, 1.6}},
        // Every gap is short: one burst however long it runs.
        {"long burst", {{1.0}, {1.4}, {1.8}, {2.2}, {2.6}, {3.0}}, {1.0}},
        {"click between", {{1.0}, {1.1, FocusKind::click}, {1.2}}, {1.0, 1.1, 1.2}},
        {"clicks are never dropped", {{1.0, FocusKind::click}, {1.01, FocusKind::click}}, {1.0, 1.01}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        record();
        const double zero = backend.clock;
        for (const Key& key : row.keys) {
            backend.clock = zero + key.at;
            recorder->appendEvent(key.kind, {100, 100});
        }
        std::vector<double> times;
        for (const FocusPoint& p : recorder->events())
            times.push_back(p.time);
        ASSERT_EQ(times.size(), row.expectedTimes.size());
        for (std::size_t i = 0; i < times.size(); ++i)
            EXPECT_NEAR(times[i], row.expectedTimes[i], 1e-9);
        recorder->stop();
        backend.lastEvents.finished();
        settle();
    }
}

TEST_F(RecorderTest, EventsOutsideTheDisplayAreDroppedAndTypingPrefersTheCaret)
{
    backend.displayList = {FakeCaptureBackend::display(7, QRectF(100, 50, 200, 100))};
    record();
    recorder->appendEvent(FocusKind::click, {99, 60});   // left of the display
    recorder->appendEvent(FocusKind::click, {300, 60});  // on its right edge: outside
    EXPECT_TRUE(recorder->events().empty());

    backend.caret = QPointF(150, 75);
    backend.input.keyDown(backend.clock, {280, 140});
    settle();
    ASSERT_EQ(recorder->events().size(), 1u);
    EXPECT_DOUBLE_EQ(recorder->events()[0].x, 0.25);
    EXPECT_DOUBLE_EQ(recorder->events()[0].y, 0.25);

    // A caret on another display drops the keystroke, even with the pointer on this one.
    backend.clock += 1;
    backend.caret = QPointF(900, 75);
    backend.input.keyDown(backend.clock, {150, 75});
    settle();
    EXPECT_EQ(recorder->events().size(), 1u);

    // No caret: the pointer.
    backend.clock += 1;
    backend.caret.reset();
    backend.input.keyDown(backend.clock, {200, 100});
    settle();
    ASSERT_EQ(recorder->events().size(), 2u);
    EXPECT_DOUBLE_EQ(recorder->events()[1].x, 0.5);
    EXPECT_EQ(recorder->events()[1].kind, FocusKind::typing);

    backend.pointer = {110, 60};
    recorder->markZoomAtPointer();
    ASSERT_EQ(recorder->events().size(), 3u);
    EXPECT_EQ(recorder->events()[2].kind, FocusKind::manual);
    recorder->stop();
    recorder->markZoomAtPointer();  // only while recording
    EXPECT_EQ(recorder->events().size(), 3u);
}

TEST_F(RecorderTest, InputThatCannotBeMonitoredStillRecordsAndSaysWhy)
{
    backend.monitorError = CaptureError("XInput 2 is missing");
    record();
    EXPECT_EQ(recorder->notice(), "Clicks and typing are not recorded: XInput 2 is missing");
}

TEST_F(RecorderTest, DestroyingTheRecorderEndsTheCapture)
{
    record();
    auto log = backend.sessionLog;
    recorder.reset();
    EXPECT_TRUE(log->destroyed);
    EXPECT_FALSE(backend.monitorAlive);
}

}  // namespace
}  // namespace sablewick

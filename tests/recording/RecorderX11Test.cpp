// Real recordings of the private X server: XShm capture, XInput 2 clicks and keys from xdotool,
// the private PulseAudio server's null sink for sound, and a server of a test's own to kill.
#include "recording/Recorder.h"
#include "recording/X11CaptureBackend.h"

#include "document/Project.h"
#include "editor/EditorTestSupport.h"
#include "media/MediaProbe.h"
#include "media/MediaTestSupport.h"
#include "platform/MonotonicClock.h"
#include "recording/RecordingTestSupport.h"
#include "support/TemporaryEnvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>

namespace sablewick {
namespace {

bool waitFor(const std::function<bool()>& done, int milliseconds = 15000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// When a run of xdotool began and ended, on the monotonic clock.
struct ToolRun {
    double begin = 0, end = 0;
};

// Runs xdotool. The event loop keeps running meanwhile, as it does for a user, so the pointer is
// sampled throughout.
ToolRun xdotool(const QStringList& arguments)
{
    QProcess process;
    ToolRun run;
    run.begin = monotonicSeconds();
    process.start(QStringLiteral("xdotool"), arguments);
    EXPECT_TRUE(waitFor([&] { return process.state() == QProcess::NotRunning; }));
    EXPECT_EQ(process.exitCode(), 0) << arguments.join(' ').toStdString();
    run.end = monotonicSeconds();
    return run;
}

// Starts a recording with the default options and waits until it runs.
testing::AssertionResult startsRecording(Recorder& recorder)
{
    std::optional<bool> started;
    recorder.start(RecordingOptions{}, [&](bool ok) { started = ok; });
    if (!waitFor([&] { return started.has_value(); }))
        return testing::AssertionFailure() << "the start never ended";
    if (!*started)
        return testing::AssertionFailure() << recorder.notice().value_or("").toStdString();
    return testing::AssertionSuccess();
}

constexpr int kScreenWidth = 1920, kScreenHeight = 1080;

// Where a root pixel is in a recorded position, in pixels from the top left.
QPointF pixelOf(const FocusPoint& point) { return {point.x * kScreenWidth, (1 - point.y) * kScreenHeight}; }

TEST(RecorderX11Test, ARecordingHoldsThePictureTheSoundAndWhatWasDone)
{
    QTemporaryDir dir;
    X11CaptureBackend backend;
    Recorder recorder(backend, dir.filePath("Sablewick Recordings"));
    std::optional<QUrl> finishedMovie;
    std::vector<FocusPoint> finishedEvents;
    recorder.setOnFinish([&](const QUrl& movie, const std::vector<FocusPoint>& events) {
        finishedMovie = movie;
        finishedEvents = events;
    });

    // One of our own windows: clicks on it are never events.
    QWidget own;
    own.setGeometry(1500, 100, 200, 100);
    own.show();
    ASSERT_TRUE(waitFor([&] { return own.isVisible() && own.windowHandle() && own.windowHandle()->isExposed(); }));

    xdotool({"mousemove", "300", "200"});
    ASSERT_TRUE(startsRecording(recorder));
    const double zero = recorder.timeZero();

    const ToolRun clickA = xdotool({"click", "1"});
    waitFor([] { return false; }, 400);
    const ToolRun typed = xdotool({"type", "--delay", "80", "hello"});
    xdotool({"mousemove", "800", "600"});
    const ToolRun clickB = xdotool({"click", "1"});
    xdotool({"mousemove", "1600", "150"});
    xdotool({"click", "1"});
    waitFor([] { return false; }, 300);
    recorder.stop();
    const double stopAt = recorder.stopTime() - zero;
    ASSERT_TRUE(waitFor([&] { return recorder.finishedURL().has_value() || recorder.notice().has_value(); }));
    ASSERT_TRUE(recorder.finishedURL()) << recorder.notice().value_or("").toStdString();
    EXPECT_FALSE(recorder.notice());

    const QString movie = recorder.finishedURL()->toLocalFile();
    EXPECT_TRUE(QFileInfo(movie).fileName().startsWith("Recording-"));
    EXPECT_TRUE(movie.endsWith(".mov"));
    const MediaInfo info = probeMedia(movie.toStdString());
    EXPECT_EQ(info.video().width, kScreenWidth);
    EXPECT_EQ(info.video().height, kScreenHeight);
    // The movie holds every frame up to the stop: the display at the stop is its last picture,
    // shown for a frame; the sound's last packet may run on to fill an AAC packet.
    EXPECT_GE(info.duration, stopAt);
    EXPECT_LE(info.duration, stopAt + 1.0 / 60 + 1024.0 / 48000 + 0.002);
    EXPECT_TRUE(info.hasAudio());
    const test::DecodedVideo decoded = test::decodeVideo(movie.toStdString());
    EXPECT_EQ(decoded.codecId, AV_CODEC_ID_H264);

    // Each event lies within its xdotool run; the server may pass it on a moment after the run
    // ended, and a busy machine may take a little longer to read it. A server that was not
    // scheduled for a while stamps the requests queued meanwhile when it gets to them, so the
    // burst's first key may be stamped later than the keys that xdotool sent after it would
    // suggest: the burst is only held to its run and to the events around it.
    const FocusSidecar sidecar = ProjectFile::readSidecar(FocusSidecar::pathFor(movie));
    ASSERT_EQ(sidecar.events.size(), 3u);
    EXPECT_EQ(sidecar.events, finishedEvents);
    struct Expected {
        FocusKind kind;
        QPointF pixel;
        ToolRun run;
    };
    const Expected expected[] = {{FocusKind::click, {300, 200}, clickA},
                                 {FocusKind::typing, {300, 200}, typed},
                                 {FocusKind::click, {800, 600}, clickB}};
    for (std::size_t i = 0; i < 3; ++i) {
        const FocusPoint& point = sidecar.events[i];
        EXPECT_EQ(point.kind, expected[i].kind) << i;
        const QPointF pixel = pixelOf(point);
        EXPECT_NEAR(pixel.x(), expected[i].pixel.x(), 1.0) << i;
        EXPECT_NEAR(pixel.y(), expected[i].pixel.y(), 1.0) << i;
        EXPECT_GE(point.time, expected[i].run.begin - zero) << i;
        EXPECT_LE(point.time, expected[i].run.end - zero + 0.1) << i;
        if (i > 0) {
            EXPECT_LT(sidecar.events[i - 1].time, point.time) << i;
        }
    }
    ASSERT_TRUE(sidecar.pointerSamples);
    // The path is sampled on a grid of a thirtieth of a second, by a thread of its own. A machine
    // too busy to run that thread for a while leaves a gap in the path, so the count says little
    // under load; the usual step between the times the samples carry does, and there are never
    // more samples than the grid holds.
    const std::vector<PointerSample>& path = *sidecar.pointerSamples;
    ASSERT_GE(path.size(), 10u);
    std::vector<double> steps;
    for (std::size_t i = 1; i < path.size(); ++i)
        steps.push_back(path[i].time - path[i - 1].time);
    std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
    EXPECT_NEAR(steps[steps.size() / 2], 1.0 / 30, 0.1 / 30);
    EXPECT_LE(static_cast<double>(path.size()), stopAt * 30 * 1.1 + 1);
    EXPECT_EQ(*sidecar.pointerSamples, recorder.pointerSamples());
    EXPECT_EQ(sidecar.editablePointer, true);
    // The finished sidecar replaces the copy kept while recording.
    EXPECT_FALSE(QFileInfo::exists(FocusSidecar::provisionalPathFor(movie)));

    // The editor opens it with its events and pointer path.
    test::EditorBench bench;
    ASSERT_TRUE(bench.open(movie, finishedEvents)) << bench.model().notice().value_or("").toStdString();
    EXPECT_EQ(bench.model().document().sourceSize(), QSizeF(kScreenWidth, kScreenHeight));
    EXPECT_EQ(bench.model().document().events().size(), 3u);
    EXPECT_EQ(bench.model().document().pointerSamples().size(), sidecar.pointerSamples->size());
}

TEST(RecorderX11Test, TheSoundIsKeptFromTheStartAndRunsOnUnbroken)
{
    // A steady tone through the null sink: the movie must hold it from its first moments when it
    // was playing before the start, and, once it sounds, without a gap to the end. The sink's
    // latency changes as the recording's stream and the player join it, which is when the
    // sound's times used to jump.
    QTemporaryDir dir;
    const QString wav = dir.filePath("tone.wav");
    test::writeWav(wav.toStdString(), test::tone(AudioFormat{48000, 2}, 8.0, 1000, 0.5f));
    struct Case {
        const char* name;
        bool playingBeforeStart;
    };
    for (const Case& c : {Case{"playing before", true}, Case{"starting after", false}}) {
        QProcess player;
        auto play = [&] {
            // A player with a short buffer, as a video or a call plays: the null sink then renders
            // only a little ahead of time. (Behind a player with seconds of buffer, or an idle
            // sink, the server hands a new recording stream only what it renders from then on.)
            player.start(QStringLiteral("pacat"), {"--latency-msec=100", "--file-format=wav", wav});
            ASSERT_TRUE(player.waitForStarted());
        };
        if (c.playingBeforeStart) {
            play();
            // Until the server has it playing: its sink input is listed.
            ASSERT_TRUE(waitFor([] {
                QProcess pactl;
                pactl.start(QStringLiteral("pactl"), {"list", "short", "sink-inputs"});
                pactl.waitForFinished();
                return !pactl.readAllStandardOutput().trimmed().isEmpty();
            })) << c.name;
            // An idle null sink renders two seconds ahead; the player's short latency holds once
            // that has played out.
            waitFor([] { return false; }, 2500);
        }
        X11CaptureBackend backend;
        Recorder recorder(backend, dir.filePath(QString("Recordings ") + c.name));
        ASSERT_TRUE(startsRecording(recorder)) << c.name;
        if (!c.playingBeforeStart)
            play();
        waitFor([] { return false; }, 2500);
        recorder.stop();
        ASSERT_TRUE(waitFor([&] { return recorder.finishedURL().has_value() || recorder.notice().has_value(); }));
        ASSERT_TRUE(recorder.finishedURL()) << recorder.notice().value_or("").toStdString();
        player.kill();
        player.waitForFinished();

        const std::vector<std::int16_t> sound = test::decodedSound(recorder.finishedURL()->toLocalFile());
        // Loudness in steps of 5 ms; the tone's peaks are near 16000, silence is 0.
        constexpr std::size_t kStep = 240;
        std::vector<bool> loud;
        for (std::size_t at = 0; at + kStep <= sound.size(); at += kStep) {
            int peak = 0;
            for (std::size_t i = at; i < at + kStep; ++i)
                peak = std::max(peak, std::abs(static_cast<int>(sound[i])));
            loud.push_back(peak > 4000);
        }
        ASSERT_GT(loud.size(), 300u) << c.name;  // at least 1.5 s
        const auto onset = std::find(loud.begin(), loud.end(), true);
        ASSERT_NE(onset, loud.end()) << c.name << ": no sound at all";
        const double onsetSeconds = static_cast<double>(onset - loud.begin()) * kStep / 48000;
        if (c.playingBeforeStart) {
            EXPECT_LT(onsetSeconds, 0.3) << c.name;
        }
        // From the onset to the last tenth of a second, no silence of 50 ms or more (the
        // encoder's frame at the very end may be cut; a player starved for a moment on a busy
        // machine leaves shorter ones).
        constexpr std::ptrdiff_t kLongestQuiet = 10;
        std::optional<double> gap;
        std::ptrdiff_t quiet = 0;
        for (auto at = onset; at != loud.end() - 20 && !gap; ++at) {
            quiet = *at ? 0 : quiet + 1;
            if (quiet == kLongestQuiet)
                gap = static_cast<double>(at - loud.begin() - kLongestQuiet + 1) * kStep / 48000;
        }
        EXPECT_FALSE(gap) << c.name << ": silent at " << gap.value_or(0) << " s after the sound began at "
                          << onsetSeconds << " s";
    }
}

// A PulseAudio server of the test's own with a null sink, which the test can kill: the private
// server of the run serves every other test.
class OwnSoundServer {
public:
    explicit OwnSoundServer(const QString& folder)
        : m_socket(folder + "/native")
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", folder);
        environment.remove("PULSE_SERVER");
        m_daemon.setProcessEnvironment(environment);
        m_daemon.setProcessChannelMode(QProcess::MergedChannels);
        m_daemon.start(QStringLiteral("pulseaudio"),
                       {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--disallow-exit",
                        "--disable-shm=yes", "--log-target=stderr", "-L",
                        "module-native-protocol-unix socket=" + m_socket + " auth-anonymous=1", "-L",
                        "module-null-sink sink_name=own_null"});
    }
    ~OwnSoundServer() { kill(); }

    QString address() const { return "unix:" + m_socket; }
    bool running() const { return m_daemon.state() != QProcess::NotRunning; }
    bool answers()
    {
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"), {"--server", address(), "info"});
        return pactl.waitForFinished() && pactl.exitStatus() == QProcess::NormalExit && pactl.exitCode() == 0;
    }
    QString log() { return QString::fromLocal8Bit(m_daemon.readAll()); }
    void kill()
    {
        if (!running())
            return;
        ::kill(static_cast<pid_t>(m_daemon.processId()), SIGKILL);
        m_daemon.waitForFinished();
    }

private:
    QString m_socket;
    QProcess m_daemon;
};

TEST(RecorderX11Test, ASoundServerThatDiesIsToldAndTheRecordingGoesOnWhole)
{
    QTemporaryDir dir;
    OwnSoundServer server(dir.path());
    ASSERT_TRUE(waitFor([&] { return !server.running() || server.answers(); }));
    ASSERT_TRUE(server.running()) << server.log().toStdString();
    test::ScopedEnvironment environment;
    environment.set("PULSE_SERVER", server.address().toStdString());

    X11CaptureBackend backend;
    Recorder recorder(backend, dir.filePath("Recordings"));
    xdotool({"mousemove", "300", "200"});
    ASSERT_TRUE(startsRecording(recorder));
    const double zero = recorder.timeZero();
    const ToolRun before = xdotool({"click", "1"});
    // A second of picture and sound before the server goes.
    waitFor([&] { return monotonicSeconds() - zero >= 1.0; });
    const double killedAt = monotonicSeconds() - zero;
    server.kill();

    // The recorder hears of it while it goes on recording.
    ASSERT_TRUE(waitFor([&] { return recorder.notice().has_value(); }));
    EXPECT_TRUE(recorder.isRecording());
    xdotool({"mousemove", "800", "600"});
    const ToolRun after = xdotool({"click", "1"});
    recorder.stop();
    const double stopAt = recorder.stopTime() - zero;
    ASSERT_TRUE(waitFor([&] { return recorder.finishedURL().has_value() || !recorder.isFinalizing(); }));
    ASSERT_TRUE(recorder.finishedURL()) << recorder.notice().value_or("").toStdString();

    // The notice names the loss and when the sound ended: by the kill, in whole seconds.
    const QRegularExpressionMatch said =
        QRegularExpression(
            "^The sound server stopped during the recording; the sound after (\\d\\d):(\\d\\d) is silent\\.$")
            .match(recorder.notice().value_or(""));
    ASSERT_TRUE(said.hasMatch()) << recorder.notice().value_or("").toStdString();
    const int mentioned = said.captured(1).toInt() * 60 + said.captured(2).toInt();
    EXPECT_LE(mentioned, killedAt);
    EXPECT_GE(mentioned, std::floor(killedAt) - 1);

    // The movie runs to the stop, its sound track as long as its picture (up to the encoder's
    // last packet of 1024 samples).
    const QString movie = recorder.finishedURL()->toLocalFile();
    const MediaInfo info = probeMedia(movie.toStdString());
    EXPECT_GE(info.duration, stopAt);
    EXPECT_LE(info.duration, stopAt + 1.0 / 60 + 1024.0 / 48000 + 0.002);
    ASSERT_TRUE(info.hasAudio());
    const test::DecodedVideo decoded = test::decodeVideo(movie.toStdString());
    ASSERT_FALSE(decoded.frameTimes.empty());
    EXPECT_GE(decoded.frameTimes.back(), stopAt - 1.0 / 60);
    const double soundSeconds = static_cast<double>(test::decodedSound(movie).size()) / 48000;
    const double pictureEnd = decoded.frameTimes.back() + 1.0 / 60;
    EXPECT_GE(soundSeconds, pictureEnd - 0.001);
    EXPECT_LE(soundSeconds, pictureEnd + 1024.0 / 48000 + 0.001);

    // What was done before and after the loss is beside it.
    const FocusSidecar sidecar = ProjectFile::readSidecar(FocusSidecar::pathFor(movie));
    ASSERT_EQ(sidecar.events.size(), 2u);
    EXPECT_NEAR(pixelOf(sidecar.events[0]).x(), 300, 1.0);
    EXPECT_GE(sidecar.events[0].time, before.begin - zero);
    EXPECT_NEAR(pixelOf(sidecar.events[1]).x(), 800, 1.0);
    EXPECT_GE(sidecar.events[1].time, after.begin - zero);
    EXPECT_GT(sidecar.events[1].time, killedAt);
    ASSERT_TRUE(sidecar.pointerSamples);
    ASSERT_FALSE(sidecar.pointerSamples->empty());
    EXPECT_GE(sidecar.pointerSamples->back().time, stopAt - 0.1);
}

TEST(RecorderX11Test, AMissingMicrophoneIsReportedAndNothingStarts)
{
    // The private server has only a null sink: its default source is the sink's monitor.
    QTemporaryDir dir;
    X11CaptureBackend backend;
    Recorder recorder(backend, dir.filePath("Recordings"));
    RecordingOptions options;
    options.microphone = true;
    std::optional<bool> started;
    recorder.start(options, [&](bool ok) { started = ok; });
    ASSERT_TRUE(waitFor([&] { return started.has_value(); }));
    EXPECT_FALSE(*started);
    EXPECT_EQ(recorder.notice(), "No microphone is available. Turn off Microphone or connect one.");
}

TEST(RecorderX11Test, AKilledRecordingLeavesAMovieThatPlays)
{
    QTemporaryDir dir;
    const QString movie = dir.filePath("killed.mov");
    QProcess helper;
    helper.start(QCoreApplication::applicationDirPath() + "/recording_kill_helper", {movie, "150"});
    ASSERT_TRUE(helper.waitForStarted());
    ASSERT_TRUE(helper.waitForReadyRead(20000)) << helper.readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(helper.processId()), SIGKILL);
    ASSERT_TRUE(helper.waitForFinished());
    EXPECT_EQ(helper.exitStatus(), QProcess::CrashExit);

    const test::DecodedVideo decoded = test::decodeVideo(movie.toStdString());
    EXPECT_EQ(decoded.codecId, AV_CODEC_ID_H264);
    EXPECT_EQ(decoded.width, kScreenWidth);
    // The helper is killed once 150 frames were captured and a fragment is on the disk; fragments
    // close at the keyframe of each second, so at least the first second is complete whatever the
    // frame rate and however far the encoder ran behind.
    ASSERT_FALSE(decoded.frameTimes.empty());
    EXPECT_GE(decoded.frameTimes.back(), 0.9);
    EXPECT_TRUE(decoded.hasAudio);
}

TEST(RecorderX11Test, AKilledRecordingLeavesWhatWasDoneUpToAboutASecondBefore)
{
    QTemporaryDir dir;
    xdotool({"mousemove", "300", "200"});
    QProcess helper;
    helper.start(QCoreApplication::applicationDirPath() + "/recording_kill_helper",
                 {"--recorder", dir.filePath("Recordings")});
    ASSERT_TRUE(helper.waitForStarted());
    ASSERT_TRUE(waitFor([&] { return helper.canReadLine() || helper.state() == QProcess::NotRunning; }, 20000));
    const QStringList said = QString::fromLocal8Bit(helper.readLine()).trimmed().split(' ');
    ASSERT_EQ(said.size(), 3) << helper.readAllStandardError().toStdString();
    const QString movie = said[1];
    const double zero = said[2].toDouble();

    const ToolRun click = xdotool({"click", "1"});
    xdotool({"mousemove", "800", "600"});
    // Two seconds into the recording, with the pointer still moving, and once the movie holds a
    // complete fragment: the encoder may run well behind the capture on a busy machine, and a
    // movie killed before its first fragment has nothing for the editor to open.
    int step = 0;
    bool fragment = false;
    while (monotonicSeconds() - zero < 2.0 || !fragment) {
        xdotool({"mousemove", QString::number(800 + 10 * (++step % 20)), "600"});
        helper.waitForReadyRead(0);
        while (helper.canReadLine())
            fragment = fragment || helper.readLine().trimmed() == "fragment";
        ASSERT_EQ(helper.state(), QProcess::Running) << helper.readAllStandardError().toStdString();
        ASSERT_LT(monotonicSeconds() - zero, 60.0) << "the movie never held a complete fragment";
    }
    const double killedAt = monotonicSeconds() - zero;
    ::kill(static_cast<pid_t>(helper.processId()), SIGKILL);
    ASSERT_TRUE(helper.waitForFinished());
    EXPECT_EQ(helper.exitStatus(), QProcess::CrashExit);

    EXPECT_FALSE(QFileInfo::exists(FocusSidecar::pathFor(movie)));
    const FocusSidecar copy = ProjectFile::readSidecar(FocusSidecar::provisionalPathFor(movie));
    ASSERT_EQ(copy.events.size(), 1u);
    EXPECT_EQ(copy.events[0].kind, FocusKind::click);
    EXPECT_NEAR(pixelOf(copy.events[0]).x(), 300, 1.0);
    EXPECT_LE(copy.events[0].time, click.end - zero + 0.1);
    ASSERT_TRUE(copy.pointerSamples);
    ASSERT_FALSE(copy.pointerSamples->empty());
    // The copy is renewed each second: it reaches to within about a second of the kill.
    EXPECT_GE(copy.pointerSamples->back().time, killedAt - 1.5);
    EXPECT_EQ(copy.editablePointer, true);

    // The editor opens the movie with what the copy holds, as far as the movie reaches: the movie
    // ends at its last complete fragment, which may be short of the copy's last sample.
    test::EditorBench bench;
    ASSERT_TRUE(bench.open(movie)) << bench.model().notice().value_or("").toStdString();
    EXPECT_EQ(bench.model().document().events(), copy.events);
    const std::vector<PointerSample>& opened = bench.model().document().pointerSamples();
    ASSERT_FALSE(opened.empty());
    ASSERT_LE(opened.size(), copy.pointerSamples->size());
    EXPECT_TRUE(std::equal(opened.begin(), opened.end(), copy.pointerSamples->begin()));
}

}  // namespace
}  // namespace sablewick

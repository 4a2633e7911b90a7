// Real recordings of a headless Wayland desktop (sway) through xdg-desktop-portal and PipeWire,
// with a window of our own moving on it.
#include "recording/PortalCaptureBackend.h"
#include "recording/Recorder.h"
#include "recording/RecordingCapabilities.h"

#include "document/Project.h"
#include "media/MediaProbe.h"
#include "media/MediaTestSupport.h"
#include "media/PlaybackTestSupport.h"
#include "platform/PortalScreenCast.h"
#include "platform/PreferencesStore.h"
#include "support/WaylandTestSession.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

namespace sablewick {
namespace {

constexpr int kOutputWidth = 1280, kOutputHeight = 720;

bool waitFor(const std::function<bool()>& done, int milliseconds = 20000)
{
    return test::processEventsUntil(done, milliseconds);
}

int chooserRuns()
{
    QFile log(qEnvironmentVariable("SABLEWICK_WAYLAND_CHOOSER_LOG"));
    if (!log.open(QIODevice::ReadOnly))
        return -1;
    return static_cast<int>(log.readAll().count('\n'));
}

class PortalRecordingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::optional<QString> problem = test::waylandSessionProblem())
            FAIL() << problem->toStdString();
        m_window.setProgram(QCoreApplication::applicationDirPath() + "/moving_window_helper");
        m_window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_window.start();
        ASSERT_TRUE(m_window.waitForStarted());
    }
    void TearDown() override
    {
        m_window.kill();
        m_window.waitForFinished();
    }

    // Records for `seconds`; the movie's path, or empty with the recorder's notice reported.
    // `length` is the recording's own, from its time zero to its stop.
    QString record(Recorder& recorder, double seconds, double* length)
    {
        std::optional<bool> started;
        recorder.start(RecordingOptions{}, [&](bool ok) { started = ok; });
        EXPECT_TRUE(waitFor([&] { return started.has_value(); }));
        if (!started || !*started) {
            ADD_FAILURE() << recorder.notice().value_or("(no notice)").toStdString();
            return {};
        }
        const double zero = recorder.timeZero();
        waitFor([] { return false; }, static_cast<int>(seconds * 1000));
        recorder.stop();
        *length = recorder.stopTime() - zero;
        EXPECT_TRUE(waitFor([&] { return recorder.finishedURL().has_value() || recorder.notice().has_value(); }));
        if (!recorder.finishedURL()) {
            ADD_FAILURE() << recorder.notice().value_or("(no notice)").toStdString();
            return {};
        }
        return recorder.finishedURL()->toLocalFile();
    }

    QProcess m_window;
};

TEST_F(PortalRecordingTest, TheDisplaysAreTheCompositorsOutputs)
{
    PortalCaptureBackend backend;
    const std::vector<CaptureDisplay> displays = backend.displays();
    ASSERT_EQ(displays.size(), 1u);
    EXPECT_EQ(displays[0].name, "HEADLESS-1");
    EXPECT_EQ(displays[0].size, QSizeF(kOutputWidth, kOutputHeight));
    EXPECT_EQ(displays[0].scale, 1.0);
    EXPECT_EQ(displays[0].frame, QRectF(0, 0, kOutputWidth, kOutputHeight));
    EXPECT_EQ(backend.mainDisplayID(), displays[0].id);

    // No input devices here: the setup sheet's one line says what is missing, naming the
    // pointer's position when this portal does not share it.
    const std::optional<bool> pointerShared = PortalScreenCast::offersPointerMetadata();
    ASSERT_TRUE(pointerShared);
    const RecordingCapabilities capabilities = RecordingCapabilities::read(backend);
    EXPECT_FALSE(capabilities.typingAccess);
    ASSERT_TRUE(capabilities.inputNote);
    EXPECT_EQ(capabilities.inputNote->contains("does not share the pointer's position"), !*pointerShared)
        << capabilities.inputNote->toStdString();
}

TEST_F(PortalRecordingTest, TheSharedDisplayIsRecordedAtItsSizeAndLengthAndASecondRecordingNeedsNoChoice)
{
    QTemporaryDir dir;
    MemoryPreferencesStore preferences;
    PortalCaptureBackend backend(&preferences);

    Recorder recorder(backend, dir.filePath("Sablewick Recordings"));
    const int asked = chooserRuns();
    double length = 0;
    const QString movie = record(recorder, 3.0, &length);
    ASSERT_FALSE(movie.isEmpty());
    EXPECT_EQ(chooserRuns(), asked + 1);  // the first time, the user picks the display
    EXPECT_FALSE(preferences.value(PortalCaptureBackend::restoreTokenKey).toString().isEmpty());

    const MediaInfo info = probeMedia(movie.toStdString());
    EXPECT_EQ(info.video().width, kOutputWidth);
    EXPECT_EQ(info.video().height, kOutputHeight);
    // The movie lasts until the stop: the display at the stop is its last picture, shown for a
    // frame; the sound's last packet may run on to fill an AAC packet.
    EXPECT_GE(info.duration, length);
    EXPECT_LE(info.duration, length + 1.0 / 60 + 1024.0 / 48000 + 0.002);
    const test::DecodedVideo decoded = test::decodeVideo(movie.toStdString());
    ASSERT_GT(decoded.centreLuma.size(), 30u);
    // The window's grey level cycles under the display's centre: many different pictures.
    const std::set<int> levels(decoded.centreLuma.begin(), decoded.centreLuma.end());
    EXPECT_GE(levels.size(), 10u);
    // A pointer path only where the portal sends the pointer beside the pictures; otherwise the
    // pointer is part of them and the editor must not draw another.
    const std::optional<bool> pointerShared = PortalScreenCast::offersPointerMetadata();
    ASSERT_TRUE(pointerShared);
    const FocusSidecar sidecar = ProjectFile::readSidecar(FocusSidecar::pathFor(movie));
    EXPECT_EQ(sidecar.editablePointer, *pointerShared);
    ASSERT_TRUE(sidecar.pointerSamples);
    EXPECT_EQ(sidecar.pointerSamples->empty(), !*pointerShared);
    EXPECT_TRUE(sidecar.events.empty());  // no input devices to read

    // The kept token shares the same display again without asking.
    const QString second = record(recorder, 1.0, &length);
    ASSERT_FALSE(second.isEmpty());
    EXPECT_EQ(chooserRuns(), asked + 1);
    EXPECT_EQ(probeMedia(second.toStdString()).video().width, kOutputWidth);
}

}  // namespace
}  // namespace sablewick

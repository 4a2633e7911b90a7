// A display shared over PipeWire, as the desktop portal hands it out, read by the recording's
// stream consumer and recorded into a movie. The source is a PipeWire video stream of the test's
// own on the private PipeWire server of the headless Wayland desktop.
#include "media/PipeWireTestScreen.h"

#include "media/MediaTestSupport.h"
#include "media/ScreenRecording.h"
#include "platform/MonotonicClock.h"
#include "platform/PipeWireScreenStream.h"
#include "support/WaylandTestSession.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

namespace sablewick {
namespace {

constexpr QSize kScreen(320, 240);
constexpr double kFirstPicture = 5.0;

class PipeWireRecordingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::optional<QString> problem = test::waylandSessionProblem())
            FAIL() << problem->toStdString();
    }

    std::shared_ptr<PipeWireScreenStream> open(test::PipeWireTestScreen& screen, double firstPicture = kFirstPicture)
    {
        const std::uint32_t node = screen.node();
        EXPECT_NE(node, 0u);
        const int remote = test::PipeWireTestScreen::connectToServer();
        EXPECT_GE(remote, 0);
        return std::make_shared<PipeWireScreenStream>(remote, node, firstPicture);
    }

    // When the stop of a movie was asked for and when the stop returned, in seconds from its first
    // frame: the movie's length lies between the two, however long the stop took.
    struct Stop {
        double asked = 0;
        double returned = 0;
    };

    // Records the stream for `seconds`.
    Stop record(const std::shared_ptr<PipeWireScreenStream>& stream, const std::string& path, double seconds)
    {
        ScreenRecordingSettings settings;
        settings.source = stream;
        settings.pixelSize = kScreen;
        settings.framesPerSecond = 30;
        settings.path = path;
        std::atomic<bool> finished{false};
        ScreenRecording::Events events;
        events.finished = [&] { finished = true; };
        events.failed = [&](ScreenRecording::Failure, const std::string& reason) { ADD_FAILURE() << reason; };
        ScreenRecording recording(settings, events);
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));  // the recording's length
        Stop stop;
        stop.asked = monotonicSeconds() - recording.startTime();
        recording.finishMovie();
        stop.returned = monotonicSeconds() - recording.startTime();
        for (int i = 0; i < 6000 && !finished; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(finished);
        return stop;
    }
};

TEST_F(PipeWireRecordingTest, TheStreamGivesItsPicturesTimesAndPointer)
{
    test::PipeWireTestScreen screen(kScreen, 30, QPoint(100, 50));
    const auto stream = open(screen);
    EXPECT_EQ(stream->size(), kScreen);
    const ScreenFrame frame = stream->grab();
    EXPECT_EQ(frame.width, kScreen.width());
    EXPECT_EQ(frame.height, kScreen.height());
    EXPECT_EQ(frame.format, ScreenPixelFormat::bgrx);
    ASSERT_TRUE(frame.shownAt);
    EXPECT_NEAR(*frame.shownAt, monotonicSeconds(), 1.0);
    // Grey: the three colour bytes of a pixel agree.
    EXPECT_EQ(frame.bits[0], frame.bits[1]);
    EXPECT_EQ(frame.bits[1], frame.bits[2]);
    EXPECT_EQ(stream->pointer(), QPointF(100, 50));
}

TEST_F(PipeWireRecordingTest, ARecordingHasTheStreamsSizeLengthAndChangingPictures)
{
    QTemporaryDir dir;
    test::PipeWireTestScreen screen(kScreen, 30, QPoint(10, 10));
    const std::string path = dir.filePath("moving.mov").toStdString();
    const Stop stop = record(open(screen), path, 1.5);
    const test::DecodedVideo decoded = test::decodeVideo(path);
    EXPECT_EQ(decoded.width, kScreen.width());
    EXPECT_EQ(decoded.height, kScreen.height());
    EXPECT_GE(decoded.duration, stop.asked - 0.2);
    EXPECT_LE(decoded.duration, stop.returned + 0.2);
    const std::set<int> levels(decoded.centreLuma.begin(), decoded.centreLuma.end());
    EXPECT_GE(levels.size(), 10u);
}

TEST_F(PipeWireRecordingTest, AStillScreenStillFillsTheMovie)
{
    QTemporaryDir dir;
    test::PipeWireTestScreen screen(kScreen, 30, QPoint(10, 10), 1);
    const std::string path = dir.filePath("still.mov").toStdString();
    const Stop stop = record(open(screen), path, 1.0);
    const test::DecodedVideo decoded = test::decodeVideo(path);
    EXPECT_GE(decoded.duration, stop.asked - 0.2);
    EXPECT_LE(decoded.duration, stop.returned + 0.2);
    EXPECT_GE(decoded.frameTimes.size(), 20u);  // the one picture, repeated at the frame rate
    // Every frame is that picture (grey 20), not the black of a stream without one.
    double y = 0, cb = 0, cr = 0;
    test::bt709(20, 20, 20, y, cb, cr);
    for (const int luma : decoded.centreLuma)
        EXPECT_NEAR(luma, y, 3.0);
}

TEST_F(PipeWireRecordingTest, AScreenThatSendsNoPictureYetIsBlackAtItsSize)
{
    test::PipeWireTestScreen screen(kScreen, 30, QPoint(10, 10), 0);
    const auto stream = open(screen, 0.5);
    const ScreenFrame frame = stream->grab();
    ASSERT_EQ(frame.width, kScreen.width());
    ASSERT_EQ(frame.height, kScreen.height());
    const auto* end = frame.bits + std::ptrdiff_t(frame.stride) * frame.height;
    EXPECT_TRUE(std::all_of(frame.bits, end, [](std::uint8_t b) { return b == 0; }));
}

TEST_F(PipeWireRecordingTest, ANodeThatIsNotThereIsAnError)
{
    const int remote = test::PipeWireTestScreen::connectToServer();
    ASSERT_GE(remote, 0);
    EXPECT_THROW(PipeWireScreenStream(remote, 999999, 1.0), PipeWireError);
}

}  // namespace
}  // namespace sablewick

#include "recording/CaptureBackendChoice.h"
#include "recording/RecorderError.h"
#include "recording/RecordingCapabilities.h"
#include "recording/RecordingCaptureGeometry.h"
#include "recording/RecordingFiles.h"
#include "recording/RecordingOptions.h"

#include "document/Project.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace sablewick {
namespace {

struct SizeCase {
    double width, height, scale;
    double expectedWidth, expectedHeight;
};

TEST(RecordingCaptureGeometryTest, PixelSizeFollowsTheLimitsAndStaysEven)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const SizeCase cases[] = {
        {1512, 982, 2, 3024, 1964},    // fits both limits: full backing resolution
        {2560, 1440, 2, 3840, 2160},   // exactly the limits
        {3440, 1440, 2, 3840, 1606},   // long side limit; floored 1607 made even
        {3000, 1000, 2, 3840, 1280},   // long side limit
        {3000, 3000, 2, 2880, 2880},   // area limit: sqrt(8294400 / 36000000) = 0.48
        {1, 1, 1, 2, 2},               // raised to 2
        {1921, 1081, 1, 1920, 1080},   // odd sides lose one
        {0, 100, 1, 2, 2},
        {100, -1, 1, 2, 2},
        {100, 100, 0, 2, 2},
        {inf, 100, 1, 2, 2},
        {100, nan, 1, 2, 2},
        {100, 100, nan, 2, 2},
        {1e300, 1e300, 1e10, 2, 2},    // the area overflows: still a valid size
    };
    for (const SizeCase& c : cases) {
        const QSizeF size = RecordingCaptureGeometry::pixelSize({c.width, c.height}, c.scale);
        EXPECT_EQ(size, QSizeF(c.expectedWidth, c.expectedHeight)) << c.width << " x " << c.height << " @" << c.scale;
    }
}

TEST(RecorderErrorTest, MessagesAreTheFixedTexts)
{
    EXPECT_EQ(description(RecorderError::noDisplay), "No display is available to record.");
    EXPECT_EQ(description(RecorderError::displayUnavailable),
              "That display is no longer connected. Choose another display.");
    EXPECT_EQ(description(RecorderError::noMicrophone), "No microphone is available. Turn off Microphone or connect one.");
}

TEST(RecordingOptionsTest, DefaultsAndMemberwiseEquality)
{
    const RecordingOptions defaults;
    EXPECT_FALSE(defaults.displayID);
    EXPECT_TRUE(defaults.systemAudio);
    EXPECT_FALSE(defaults.microphone);
    EXPECT_TRUE(defaults.showCursor);
    EXPECT_FALSE(defaults.showClicks);

    RecordingOptions clicks = defaults;
    clicks.showClicks = true;
    EXPECT_NE(clicks, defaults);
    RecordingOptions display = defaults;
    display.displayID = 0;  // a present 0 is not an absent display
    EXPECT_NE(display, defaults);
    EXPECT_EQ(RecordingOptions{}, defaults);
}

TEST(RecordingFilesTest, NamesFollowTheStartTimeAndNeverReplaceAnEarlierRecording)
{
    const QDateTime start(QDate(2026, 12, 9), QTime(9, 21, 18, 700), Qt::UTC);
    EXPECT_EQ(RecordingFiles::baseName(start), "Recording-2026-12-09T09-21-18Z");

    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Videos/Sablewick Recordings"));
    const QString first = RecordingFiles::reserveMovie(folder, start);
    EXPECT_EQ(first, folder + "/Recording-2026-12-09T09-21-18Z.mov");
    EXPECT_TRUE(QFileInfo::exists(first));
    // Same second again: a new name, never the first one.
    const QString second = RecordingFiles::reserveMovie(folder, start);
    EXPECT_EQ(second, folder + "/Recording-2026-12-09T09-21-18Z-2.mov");
    // A sidecar left without its movie also keeps its name taken.
    QFile::remove(second);
    QFile sidecar(FocusSidecar::pathFor(second));
    ASSERT_TRUE(sidecar.open(QIODevice::WriteOnly));
    sidecar.close();
    EXPECT_EQ(RecordingFiles::reserveMovie(folder, start), folder + "/Recording-2026-12-09T09-21-18Z-3.mov");
}

TEST(RecordingFilesTest, AFolderThatCannotBeCreatedIsAReadableError)
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    try {
        RecordingFiles::reserveMovie(blocker.fileName() + "/Recordings", QDateTime::currentDateTimeUtc());
        FAIL() << "expected an error";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("could not be created"), std::string::npos) << error.what();
    }
}

}  // namespace
}  // namespace sablewick

namespace sablewick {
namespace {

TEST(RecordingSetupTextTest, AudioSummaryAndSizeLine)
{
    struct Row {
        bool system, microphone;
        const char* text;
    };
    const Row rows[] = {{true, true, "System audio + microphone"}, {true, false, "System audio"},
                        {false, true, "Microphone only"}, {false, false, "Silent recording"}};
    for (const Row& row : rows) {
        RecordingOptions options;
        options.systemAudio = row.system;
        options.microphone = row.microphone;
        EXPECT_EQ(RecordingSetupText::audioSummary(options), row.text);
    }
    EXPECT_EQ(RecordingSetupText::sizeLine({3024, 1964}), "3024 × 1964 · 60 fps");
}

TEST(RecordingCapabilitiesTest, TheChosenDisplayIsRepairedToTheMainOrFirstOne)
{
    RecordingCapabilities caps;
    caps.displays = {{3, "Left", {1920, 1080}}, {5, "Right", {1280, 720}}};
    caps.mainDisplayID = 5;
    EXPECT_EQ(caps.repairedDisplayID(3), 3u);               // still connected
    EXPECT_EQ(caps.repairedDisplayID(9), 5u);               // gone: the main display
    EXPECT_EQ(caps.repairedDisplayID(std::nullopt), 5u);
    caps.mainDisplayID = 77;                                // the main one is not listed
    EXPECT_EQ(caps.repairedDisplayID(9), 3u);
    caps.displays.clear();
    EXPECT_EQ(caps.repairedDisplayID(3), std::nullopt);
}

}  // namespace
}  // namespace sablewick

namespace sablewick {
namespace {

TEST(CaptureSystemTest, WaylandSessionsUseThePortalUnlessForced)
{
    struct Row {
        QStringList variables;
        CaptureSystem expected;
    };
    const std::vector<Row> rows = {
        {{}, CaptureSystem::x11},
        {{"DISPLAY=:0", "XDG_SESSION_TYPE=x11"}, CaptureSystem::x11},
        {{"WAYLAND_DISPLAY=wayland-0"}, CaptureSystem::portal},
        {{"XDG_SESSION_TYPE=Wayland"}, CaptureSystem::portal},
        {{"WAYLAND_DISPLAY="}, CaptureSystem::x11},  // set but empty: no compositor named
        {{"WAYLAND_DISPLAY=wayland-0", "SABLEWICK_CAPTURE=x11"}, CaptureSystem::x11},
        {{"DISPLAY=:0", "SABLEWICK_CAPTURE= Portal "}, CaptureSystem::portal},
        {{"WAYLAND_DISPLAY=wayland-0", "SABLEWICK_CAPTURE=pipewire"}, CaptureSystem::portal},  // unknown: ignored
        {{"SABLEWICK_CAPTURE=pipewire"}, CaptureSystem::x11},
    };
    for (const Row& row : rows) {
        QProcessEnvironment environment;
        for (const QString& variable : row.variables)
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        EXPECT_EQ(captureSystem(environment), row.expected) << row.variables.join(' ').toStdString();
    }
}

}  // namespace
}  // namespace sablewick

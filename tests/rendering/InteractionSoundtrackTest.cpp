#include "rendering/InteractionSoundtrack.h"

#include "rendering/ExportJob.h"
#include "rendering/ExporterError.h"
#include "support/TemporaryEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <numbers>
#include <thread>

namespace sablewick {
namespace {

using InteractionSoundtrack::Key;

FocusPoint event(double time, FocusKind kind)
{
    FocusPoint p;
    p.id = QUuid::createUuid();
    p.time = time;
    p.x = 0.5;
    p.y = 0.5;
    p.kind = kind;
    return p;
}

Key keyFor(double start, double end, std::vector<FocusPoint> events,
           InteractionSoundStyle style = InteractionSoundStyle::musical,
           MusicChoice music = MusicChoice::none)
{
    EditSettings settings;
    settings.trimStart = start;
    settings.trimEnd = end;
    settings.interactionSoundStyle = style;
    settings.musicChoice = music;
    return Key(settings, events);
}

class InteractionSoundtrackTest : public ::testing::Test {
protected:
    void SetUp() override { environment.set("TMPDIR", folder.path().toStdString()); }

    QStringList files() const { return QDir(folder.path()).entryList(QDir::Files); }

    QByteArray renderBytes(const Key& key)
    {
        ExportJob job;
        const QString path = InteractionSoundtrack::render(key, job);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray bytes = file.readAll();
        QFile::remove(path);
        return bytes;
    }

    QTemporaryDir folder;
    test::ScopedEnvironment environment;
};

std::uint32_t le32(const QByteArray& bytes, int at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | std::uint8_t(bytes[at + i]);
    return v;
}

std::uint16_t le16(const QByteArray& bytes, int at)
{
    return std::uint16_t(std::uint8_t(bytes[at]) | (std::uint8_t(bytes[at + 1]) << 8));
}

// Left and right sample of one frame.
std::pair<int, int> frameAt(const QByteArray& bytes, int frame)
{
    return {std::int16_t(le16(bytes, 44 + frame * 4)), std::int16_t(le16(bytes, 44 + frame * 4 + 2))};
}

TEST(MusicKeyTest, BarRootsFollowEachTracksTempo)
{
    struct Row {
        MusicChoice music;
        double time;
        int root;
    };
    // Glass: 96 BPM, 2.5 s to the bar. Drift: 76 BPM, 3.158 s to the bar.
    for (const Row& row : std::vector<Row>{{MusicChoice::glass, 0, 57},
                                           {MusicChoice::glass, 2.49, 57},
                                           {MusicChoice::glass, 2.5, 53},
                                           {MusicChoice::glass, 7.5, 55},
                                           {MusicChoice::glass, 10.0, 57},
                                           {MusicChoice::drift, 3.2, 46},
                                           {MusicChoice::pulse, 0, 45},
                                           {MusicChoice::motion, 6.0, 50},
                                           {MusicChoice::none, 2.5, 53},
                                           {MusicChoice::custom, 5.0, 57},
                                           {MusicChoice::none, -3.0, 48}}) {
        SCOPED_TRACE(row.time);
        EXPECT_EQ(accentNote(row.music, row.time), row.root);
    }
    EXPECT_EQ(musicKey(MusicChoice::daylight).tempo, 110);
    EXPECT_EQ(musicKey(MusicChoice::bloom).roots, (std::array<int, 4>{48, 53, 57, 55}));
}

TEST_F(InteractionSoundtrackTest, KeyKeepsTheSoundingEventsInTimeOrder)
{
    const auto click = event(1.0, FocusKind::click);
    const auto typing = event(0.5, FocusKind::typing);
    const auto atStart = event(0.2, FocusKind::click);
    const auto atEnd = event(3.0, FocusKind::click);
    const auto manual = event(1.5, FocusKind::manual);
    const auto notANumber = event(std::numeric_limits<double>::quiet_NaN(), FocusKind::click);
    const auto infinite = event(-std::numeric_limits<double>::infinity(), FocusKind::click);
    const std::vector<FocusPoint> all{click, typing, atStart, atEnd, manual, notANumber, infinite};

    EditSettings settings;
    settings.trimStart = 0.2;
    settings.trimEnd = 3.0;
    const Key key(settings, all);
    EXPECT_EQ(key.events, (std::vector<FocusPoint>{atStart, typing, click}));
    EXPECT_EQ(key.style, InteractionSoundStyle::musical);
    EXPECT_EQ(key.music, MusicChoice::none);
    EXPECT_TRUE(key.clicks && key.typing);

    settings.clickSounds = false;
    EXPECT_EQ(Key(settings, all).events, std::vector<FocusPoint>{typing});
    settings.clickSounds = true;
    settings.typingSounds = false;
    EXPECT_EQ(Key(settings, all).events, (std::vector<FocusPoint>{atStart, click}));
}

TEST_F(InteractionSoundtrackTest, KeysCompareEveryFieldOfEveryEvent)
{
    const auto click = event(1.0, FocusKind::click);
    auto overridden = click;
    overridden.zoomStrength = 2;
    EXPECT_EQ(keyFor(0, 3, {click}), keyFor(0, 3, {click}));
    EXPECT_NE(keyFor(0, 3, {click}), keyFor(0, 3, {overridden}));
    EXPECT_NE(keyFor(0, 3, {click}), keyFor(0, 4, {click}));
    EXPECT_NE(keyFor(0, 3, {click}), keyFor(0, 3, {click}, InteractionSoundStyle::tactile));
    EXPECT_NE(keyFor(0, 3, {click}),
              keyFor(0, 3, {click}, InteractionSoundStyle::musical, MusicChoice::glass));
}

TEST_F(InteractionSoundtrackTest, RefusesEmptyAndOverlongSelections)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto& [start, end] : std::vector<std::pair<double, double>>{
             {2, 2}, {3, 2}, {0, 33554.4316484375}, {0, nan}, {nan, 1}}) {
        ExportJob job;
        try {
            InteractionSoundtrack::render(keyFor(start, end, {}), job);
            ADD_FAILURE() << start << " " << end;
        } catch (const SoundtrackFailure& failure) {
            EXPECT_EQ(failure.error(), SoundtrackError::invalidDuration);
            EXPECT_STREQ(failure.what(), "This selection is too long for an interaction "
                                         "soundtrack. Shorten the trim range.");
        }
    }
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(InteractionSoundtrackTest, WritesACanonicalWaveFileInTheTemporaryFolder)
{
    ExportJob job;
    const QString first = InteractionSoundtrack::render(keyFor(5, 6, {}), job);
    const QString second = InteractionSoundtrack::render(keyFor(5, 6, {}), job);
    EXPECT_NE(first, second);
    const QRegularExpression name(
        "^Sablewick-interactions-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.wav$");
    EXPECT_TRUE(name.match(QFileInfo(first).fileName()).hasMatch()) << first.toStdString();
    EXPECT_EQ(QFileInfo(first).absolutePath(), QFileInfo(folder.path()).absoluteFilePath());

    QFile file(first);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // One second: 32000 frames, 128000 bytes after the 44-byte header.
    ASSERT_EQ(bytes.size(), 44 + 128000);
    EXPECT_EQ(bytes.left(4), "RIFF");
    EXPECT_EQ(le32(bytes, 4), 36u + 128000u);
    EXPECT_EQ(bytes.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32(bytes, 16), 16u);
    EXPECT_EQ(le16(bytes, 20), 1);
    EXPECT_EQ(le16(bytes, 22), 2);
    EXPECT_EQ(le32(bytes, 24), 32000u);
    EXPECT_EQ(le32(bytes, 28), 128000u);
    EXPECT_EQ(le16(bytes, 32), 4);
    EXPECT_EQ(le16(bytes, 34), 16);
    EXPECT_EQ(bytes.mid(36, 4), "data");
    EXPECT_EQ(le32(bytes, 40), 128000u);
    // No events: silence.
    EXPECT_EQ(bytes.mid(44).count('\0'), 128000);

    // A fraction of a frame rounds up.
    EXPECT_EQ(renderBytes(keyFor(0, 1.00001, {})).size(), 44 + 32001 * 4);
}

TEST_F(InteractionSoundtrackTest, ClickSoundsOnTheBarRootTwoOctavesUp)
{
    // A click exactly at the start sounds at time 0; music none: root 48, so MIDI 72.
    const QByteArray bytes = renderBytes(keyFor(2, 3, {event(2, FocusKind::click)}));
    const double omega = 2 * std::numbers::pi * 440 * std::pow(2.0, (72 - 69) / 12.0);
    for (const int k : {1, 40, 64, 1000, 5000, 7000}) {
        SCOPED_TRACE(k);
        const double tau = k / 32000.0;
        const double attack = std::min(tau / 0.002, 1.0);
        const double release = std::min((0.22 - tau) / 0.015, 1.0);
        const double v = std::exp(-22 * tau) * release * attack *
                         (std::sin(omega * tau) + 0.18 * std::sin(2 * omega * tau));
        const auto [left, right] = frameAt(bytes, k);
        EXPECT_NEAR(left, std::round(std::tanh(0.96 * 0.32 * v) * 30000), 1);
        EXPECT_NEAR(right, std::round(std::tanh(0.32 * v) * 30000), 1);
    }
    EXPECT_EQ(frameAt(bytes, 0), std::make_pair(0, 0));
    // The note lasts 0.22 s.
    EXPECT_EQ(frameAt(bytes, 7040), std::make_pair(0, 0));
    int peak = 0;
    for (int k = 0; k < 32000; ++k)
        peak = std::max(peak, std::abs(frameAt(bytes, k).second));
    EXPECT_GT(peak, 5000);
    EXPECT_LE(peak, 30000);
}

TEST_F(InteractionSoundtrackTest, CloseEventsAreDroppedAndTheRootFollowsTheBar)
{
    // Clicks 0.05 s apart: only the first sounds. Typing 0.2 s apart: only the first burst.
    EXPECT_EQ(renderBytes(keyFor(0, 1, {event(0.1, FocusKind::click), event(0.15, FocusKind::click)})),
              renderBytes(keyFor(0, 1, {event(0.1, FocusKind::click)})));
    EXPECT_EQ(renderBytes(keyFor(0, 1, {event(0.1, FocusKind::typing), event(0.3, FocusKind::typing)})),
              renderBytes(keyFor(0, 1, {event(0.1, FocusKind::typing)})));
    EXPECT_NE(renderBytes(keyFor(0, 1, {event(0.1, FocusKind::typing), event(0.35, FocusKind::typing)})),
              renderBytes(keyFor(0, 1, {event(0.1, FocusKind::typing)})));

    // None and custom share the default row; glass plays other roots.
    // In the third bar (96 BPM): root 57 for none and custom, 48 for glass.
    const auto inThirdBar = std::vector{event(5.1, FocusKind::click)};
    const QByteArray none = renderBytes(keyFor(0, 6, inThirdBar));
    EXPECT_EQ(none, renderBytes(keyFor(0, 6, inThirdBar, InteractionSoundStyle::musical,
                                       MusicChoice::custom)));
    EXPECT_NE(none, renderBytes(keyFor(0, 6, inThirdBar, InteractionSoundStyle::musical,
                                       MusicChoice::glass)));
    // Tactile sounds ignore the music.
    EXPECT_EQ(renderBytes(keyFor(0, 6, inThirdBar, InteractionSoundStyle::tactile)),
              renderBytes(keyFor(0, 6, inThirdBar, InteractionSoundStyle::tactile,
                                 MusicChoice::glass)));
    EXPECT_NE(none, renderBytes(keyFor(0, 6, inThirdBar, InteractionSoundStyle::tactile)));
}

TEST_F(InteractionSoundtrackTest, TheLastTwentyMillisecondsFadeToSilence)
{
    // A click 0.1 s before the end is cut at the last frame and faded.
    const QByteArray bytes = renderBytes(keyFor(0, 1, {event(0.9, FocusKind::click)}));
    ASSERT_EQ(bytes.size(), 44 + 128000);
    EXPECT_LE(std::abs(frameAt(bytes, 31999).second), 3);
    int loudBeforeFade = 0;
    for (int k = 29100; k < 31000; ++k)
        loudBeforeFade = std::max(loudBeforeFade, std::abs(frameAt(bytes, k).second));
    int loudInLastMillisecond = 0;
    for (int k = 31968; k < 32000; ++k)
        loudInLastMillisecond = std::max(loudInLastMillisecond, std::abs(frameAt(bytes, k).second));
    EXPECT_GT(loudBeforeFade, 3000);
    EXPECT_LT(loudInLastMillisecond, loudBeforeFade / 10);
}

TEST_F(InteractionSoundtrackTest, CancellingRemovesTheFile)
{
    ExportJob cancelledBefore;
    cancelledBefore.cancel();
    try {
        InteractionSoundtrack::render(keyFor(0, 10, {event(1, FocusKind::click)}), cancelledBefore);
        ADD_FAILURE() << "expected a cancel";
    } catch (const ExporterFailure& failure) {
        EXPECT_EQ(failure.error(), ExporterError::cancelled);
        EXPECT_STREQ(failure.what(), "Export cancelled.");
    }
    EXPECT_TRUE(files().isEmpty());

    // Cancelled while rendering a long selection: noticed at the next chunk.
    ExportJob job;
    std::atomic<bool> done{false};
    std::thread canceller([&] {
        while (!done && files().isEmpty())
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        job.cancel();
    });
    EXPECT_THROW(InteractionSoundtrack::render(keyFor(0, 30000, {}), job), ExporterFailure);
    done = true;
    canceller.join();
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(InteractionSoundtrackTest, UnwritableFolderCannotWrite)
{
    environment.set("TMPDIR", (folder.path() + "/missing").toStdString());
    ExportJob job;
    try {
        InteractionSoundtrack::render(keyFor(0, 1, {}), job);
        ADD_FAILURE() << "expected a failure";
    } catch (const SoundtrackFailure& failure) {
        EXPECT_EQ(failure.error(), SoundtrackError::cannotWrite);
        EXPECT_STREQ(failure.what(), "Could not create the local interaction soundtrack.");
    }
}

}  // namespace
}  // namespace sablewick

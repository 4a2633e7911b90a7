// The recovery copy written on workers: newest wins, nothing older lands after something newer.
#include "EditorTestSupport.h"

#include "document/Project.h"
#include "editor/RecoveryWriter.h"

namespace sablewick::test {
namespace {

FocusProject withZoom(double strength)
{
    FocusProject project;
    project.movieURL = QUrl::fromLocalFile("/tmp/movie.mp4");
    project.settings.zoomStrength = strength;
    return project;
}

double zoomIn(const QString& path) { return ProjectFile::readProject(path).settings.zoomStrength; }

TEST(RecoveryWriterTest, ABurstEndsWithTheNewestCopyAndReportsOnlyWhatWasWritten)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("state/Session.sablewick.json");
    RecoveryWriter writer;
    std::vector<double> reported;
    for (int i = 1; i <= 20; ++i)
        writer.write(path, withZoom(1 + i / 10.0), [&reported, i](bool written) {
            EXPECT_TRUE(written);
            reported.push_back(1 + i / 10.0);
        });
    writer.finish();
    EXPECT_EQ(zoomIn(path), 3.0) << "the folder is made and the last copy is the one kept";
    QCoreApplication::processEvents();
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported.back(), 3.0);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end())) << "copies land in the order asked";
}

TEST(RecoveryWriterTest, AWriteNowIsNeverOverwrittenByAnOlderBackgroundCopy)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("Session.sablewick.json");
    RecoveryWriter writer;
    for (int round = 0; round < 20; ++round) {
        writer.write(path, withZoom(2), [](bool) {});
        writer.write(path, withZoom(2.5), [](bool) {});
        ASSERT_TRUE(writer.writeNow(path, withZoom(4)));
        EXPECT_EQ(zoomIn(path), 4.0);
        writer.finish();
        EXPECT_EQ(zoomIn(path), 4.0) << "round " << round;
    }
}

TEST(RecoveryWriterTest, AFailedWriteIsReported)
{
    QTemporaryDir dir;
    QFile blocker(QDir(dir.path()).filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString path = QDir(dir.path()).filePath("blocker/state/Session.sablewick.json");
    RecoveryWriter writer;
    std::optional<bool> outcome;
    writer.write(path, withZoom(2), [&outcome](bool written) { outcome = written; });
    ASSERT_TRUE(waitUntil([&] { return outcome.has_value(); }));
    EXPECT_FALSE(*outcome);
    EXPECT_FALSE(writer.writeNow(path, withZoom(2)));
}

}  // namespace
}  // namespace sablewick::test

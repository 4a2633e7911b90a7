// The model's workers end, or are stopped, before the application object goes.
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

TEST(EditorShutdownTest, NoWorkerOutlivesTheApplicationObject)
{
    const QStringList cases[] = {{}, {"keep-model"}, {"export"}, {"keep-model", "export"}};
    for (const QStringList& arguments : cases) {
        QProcess probe;
        probe.start(QStringLiteral(SABLEWICK_SHUTDOWN_PROBE), arguments);
        ASSERT_TRUE(probe.waitForFinished(60000)) << arguments.join(' ').toStdString() << ": did not end";
        EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit) << arguments.join(' ').toStdString();
        EXPECT_EQ(probe.exitCode(), 0) << arguments.join(' ').toStdString() << ": "
                                       << probe.readAllStandardError().toStdString();
    }
}

}  // namespace

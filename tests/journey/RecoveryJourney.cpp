// An edit that is not saved survives what happens to the program: a second launch with another
// file, and a hard kill.
#include "journey/SablewickJourney.h"

#include <QDirIterator>
#include <QFile>

namespace sablewick::journey {
namespace {

class RecoveryJourney : public SablewickJourney {
protected:
    // The program with a movie and an edit of it that is not saved: another background.
    void startEditing()
    {
        main = launchWithMovie(2);
        ASSERT_FALSE(main.isEmpty());
        activate(main);
        click("Candy", "push button");
        ASSERT_TRUE(waitFor([&] { return recoveryHoldsTheEdit(); }))
            << "no recovery file holds the edit in " << recovery().toStdString() << ": "
            << [&] {
                   QFile file(recovery() + "/Session.sablewick.json");
                   return file.open(QIODevice::ReadOnly) ? file.read(1500).toStdString() : std::string("no file");
               }();
    }
    // Whether a file in the recovery folder names the movie and holds the new background.
    bool recoveryHoldsTheEdit() const
    {
        for (QDirIterator it(recovery(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray text = file.readAll();
            if (text.contains("clip.mp4") && text.contains("\"Candy\""))
                return true;
        }
        return false;
    }

    QString main;
};

TEST_F(RecoveryJourney, ASecondLaunchWithAFileAsksBeforeReplacingAnUnsavedEdit)
{
    ASSERT_NO_FATAL_FAILURE(startEditing());
    const QString other = makeMovie("other.mp4", 1);
    const QStringList before = windows(".+");

    launch(second, {other});
    ASSERT_TRUE(second.waitForFinished(30000)) << "the second launch stayed";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);

    EXPECT_FALSE(waitForNewWindow(before).isEmpty()) << "no save prompt appeared; the main window is titled '" << desktop().windowTitle(main).toStdString() << "'";
    EXPECT_EQ(desktop().windowTitle(main).toStdString(), titled("clip").toStdString()) << "the edit was replaced";
    EXPECT_TRUE(recoveryHoldsTheEdit()) << "the recovery file lost the edit";
}

TEST_F(RecoveryJourney, AfterAKillTheRelaunchedProgramOffersTheEditBack)
{
    ASSERT_NO_FATAL_FAILURE(startEditing());
    app.kill();
    ASSERT_TRUE(app.waitForFinished(10000));

    launch();
    // Either the edit is back at once, or the welcome page offers it.
    EXPECT_TRUE(waitFor([&] {
        return !windows(titled("clip")).isEmpty()
            || JourneyAccessibility::find(app.processId(), "Continue editing", "push button").has_value();
    })) << "the edit was not offered back:\n" << JourneyAccessibility::describe(app.processId()).toStdString();
}

}  // namespace
}  // namespace sablewick::journey

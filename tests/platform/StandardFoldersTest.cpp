#include "platform/StandardFolders.h"
#include "support/TemporaryEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sablewick {
namespace {

class StandardFoldersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        env.set("HOME", home.path().toStdString());
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "SABLEWICK_STATE_DIRECTORY", "TMPDIR"})
            env.unset(name);
    }

    void writeUserDirs(const QByteArray& text)
    {
        QDir().mkpath(home.path() + "/.config");
        QFile file(home.path() + "/.config/user-dirs.dirs");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QTemporaryDir home;
    test::ScopedEnvironment env;
};

TEST_F(StandardFoldersTest, FallsBackToHomeFoldersWithoutXdgSettings)
{
    const QString h = home.path();
    EXPECT_EQ(StandardFolders::config(), h + "/.config");
    EXPECT_EQ(StandardFolders::state(), h + "/.local/state");
    EXPECT_EQ(StandardFolders::videos(), h + "/Videos");
    EXPECT_EQ(StandardFolders::pictures(), h + "/Pictures");
    EXPECT_EQ(StandardFolders::recordings(), h + "/Videos/Sablewick Recordings");
    EXPECT_EQ(StandardFolders::screenshots(), h + "/Pictures/Sablewick Screenshots");
    EXPECT_EQ(StandardFolders::preferencesFile(), h + "/.config/Sablewick/preferences.json");
    EXPECT_EQ(StandardFolders::recovery(), h + "/.local/state/Sablewick");
}

TEST_F(StandardFoldersTest, HonoursAbsoluteXdgBaseFoldersOnly)
{
    env.set("XDG_CONFIG_HOME", "/elsewhere/config");
    env.set("XDG_STATE_HOME", "relative/state");  // not absolute: ignored, as the XDG rules say
    EXPECT_EQ(StandardFolders::config(), "/elsewhere/config");
    EXPECT_EQ(StandardFolders::state(), home.path() + "/.local/state");
}

// A service or `env -i` may start the program without HOME, or with a relative one: the account's
// home folder is used, never the root folder or the working directory.
TEST_F(StandardFoldersTest, UnusableHomeOrTemporaryVariableFallsBack)
{
    const passwd* account = ::getpwuid(::getuid());
    ASSERT_NE(account, nullptr);
    const QString accountHome = QDir::cleanPath(QString::fromLocal8Bit(account->pw_dir));
    for (const char* value : {static_cast<const char*>(nullptr), "", "relative/home"}) {
        if (value)
            env.set("HOME", value);
        else
            env.unset("HOME");
        EXPECT_EQ(StandardFolders::home(), accountHome) << (value ? value : "(unset)");
        EXPECT_EQ(StandardFolders::config(), accountHome + "/.config");
    }

    env.set("TMPDIR", "relative/tmp");
    EXPECT_EQ(StandardFolders::temporary(), "/tmp");
    env.set("TMPDIR", "/var/tmp/");
    EXPECT_EQ(StandardFolders::temporary(), "/var/tmp");
}

TEST_F(StandardFoldersTest, ReadsUserDirectoriesFile)
{
    writeUserDirs("# comment\nXDG_VIDEOS_DIR=\"$HOME/Filme\"\nXDG_PICTURES_DIR=\"/data/Bilder\"\n");
    EXPECT_EQ(StandardFolders::videos(), home.path() + "/Filme");
    EXPECT_EQ(StandardFolders::pictures(), "/data/Bilder");
    EXPECT_EQ(StandardFolders::recordings(), home.path() + "/Filme/Sablewick Recordings");
}

TEST_F(StandardFoldersTest, DisabledUserDirectoryFallsBack)
{
    writeUserDirs("XDG_VIDEOS_DIR=\"$HOME/\"\nXDG_PICTURES_DIR=\"relative\"\n");
    EXPECT_EQ(StandardFolders::videos(), home.path() + "/Videos");
    EXPECT_EQ(StandardFolders::pictures(), home.path() + "/Pictures");
}

// The file is the user's to replace; a named pipe or a device there must not hang every lookup.
TEST_F(StandardFoldersTest, ASpecialUserDirectoriesFileCountsAsNone)
{
    QDir().mkpath(home.path() + "/.config");
    const QString path = home.path() + "/.config/user-dirs.dirs";
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_EQ(StandardFolders::videos(), home.path() + "/Videos");
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::link("/dev/zero", path));
    EXPECT_EQ(StandardFolders::pictures(), home.path() + "/Pictures");
}

TEST_F(StandardFoldersTest, RecoveryFolderFollowsStateDirectoryVariable)
{
    struct Case {
        const char* value;  // nullptr: unset
        QString expected;
    };
    const QString cwd = QDir::currentPath();
    const Case cases[] = {
        {nullptr, home.path() + "/.local/state/Sablewick"},
        {"", cwd},
        {"/var/tmp/sable", "/var/tmp/sable"},
        {"relative/place", cwd + "/relative/place"},
    };
    for (const Case& c : cases) {
        if (c.value)
            env.set("SABLEWICK_STATE_DIRECTORY", c.value);
        else
            env.unset("SABLEWICK_STATE_DIRECTORY");
        EXPECT_EQ(StandardFolders::recovery(), c.expected) << (c.value ? c.value : "(unset)");
    }
}

}  // namespace
}  // namespace sablewick

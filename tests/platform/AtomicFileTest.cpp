#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace sablewick {
namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

TEST(AtomicFileTest, WritesNewFileAndReplacesOldOneLeavingNoTemporaryFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.json");
    ASSERT_TRUE(writeFileAtomically(path.toStdString(), std::string("first")));
    EXPECT_EQ(readAll(path), "first");
    ASSERT_TRUE(writeFileAtomically(path.toStdString(), std::string("second, longer")));
    EXPECT_EQ(readAll(path), "second, longer");
    EXPECT_EQ(entries(dir.path()), QStringList{"settings.json"});
}

// The temporary name adds to the destination's; a destination name near the 255-byte limit must
// still be writable, multi-byte characters included.
TEST(AtomicFileTest, WritesFilesWithTheLongestNames)
{
    QTemporaryDir dir;
    for (const QString& name : {QString(255, QLatin1Char('n')), QString(85, QChar(0x5199))}) {
        ASSERT_EQ(QFile::encodeName(name).size(), 255);
        const QString path = dir.filePath(name);
        const AtomicWriteResult result = writeFileAtomically(QFile::encodeName(path).toStdString(), std::string("long"));
        EXPECT_TRUE(result) << result.error;
        EXPECT_EQ(readAll(path), "long");
        EXPECT_EQ(entries(dir.path()), QStringList{name});
        QFile::remove(path);
    }
}

TEST(AtomicFileTest, ReplacesTheFileALinkPointsToAndKeepsTheLink)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir().mkpath(dir.filePath("dotfiles")));
    const QString target = dir.filePath("dotfiles/preferences.json");
    const QString link = dir.filePath("preferences.json");
    ASSERT_TRUE(writeFileAtomically(target.toStdString(), std::string("old")));
    ASSERT_TRUE(QFile::link(target, link));

    ASSERT_TRUE(writeFileAtomically(link.toStdString(), std::string("new")));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(target), "new");
    EXPECT_EQ(entries(dir.path()), (QStringList{"dotfiles", "preferences.json"}));
    EXPECT_EQ(entries(dir.filePath("dotfiles")), QStringList{"preferences.json"});
}

TEST(AtomicFileTest, KeepsPermissionsOfReplacedFile)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("private.json").toStdString();
    ASSERT_TRUE(writeFileAtomically(path, std::string("a")));
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(writeFileAtomically(path, std::string("b")));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(AtomicFileTest, FailureLeavesOldContentsAndNoTemporaryFile)
{
    QTemporaryDir dir;
    // The destination is a non-empty folder: the final rename must fail.
    const QString blocked = dir.filePath("blocked");
    ASSERT_TRUE(QDir().mkpath(blocked + "/inside"));
    const AtomicWriteResult result = writeFileAtomically(blocked.toStdString(), std::string("data"));
    EXPECT_FALSE(result);
    EXPECT_FALSE(result.error.empty());
    EXPECT_TRUE(QFileInfo(blocked).isDir());
    EXPECT_EQ(entries(dir.path()), QStringList{"blocked"});

    // A folder that does not exist cannot take the temporary file.
    const AtomicWriteResult missing = writeFileAtomically(dir.filePath("no/such/folder/f").toStdString(), std::string("x"));
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.error.find("temporary"), std::string::npos);
}

// Writing through such a link would put a temporary file in /dev and rename it over the device.
TEST(AtomicFileTest, ALinkToASpecialFileIsReplacedItself)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& pointed : {fifo, QStringLiteral("/dev/null")}) {
        const QString link = dir.filePath("link");
        QFile::remove(link);
        ASSERT_TRUE(QFile::link(pointed, link));
        ASSERT_TRUE(writeFileAtomically(link.toStdString(), std::string("data")));
        EXPECT_FALSE(QFileInfo(link).isSymLink());
        EXPECT_EQ(readAll(link), "data");
    }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

// Leaves a file as a killed write would have, last written `ageSeconds` ago.
void leaveTemporary(const QString& path, int ageSeconds)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("half");
    f.close();
    timeval times[2] = {};
    ::gettimeofday(&times[0], nullptr);
    times[0].tv_sec -= ageSeconds;
    times[1] = times[0];
    ASSERT_EQ(::utimes(QFile::encodeName(path).constData(), times), 0);
}

TEST(AtomicFileTest, NextWriteRemovesOnlyItsOwnAbandonedTemporaryFiles)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("project.json");
    const int hour = 3600;
    leaveTemporary(dir.filePath(".project.json.a1B2c3"), hour);  // abandoned: removed
    leaveTemporary(dir.filePath(".project.json.Zz9Yy8"), hour);  // abandoned: removed
    leaveTemporary(dir.filePath(".project.json.fresh1"), 0);     // perhaps being written right now
    leaveTemporary(dir.filePath(".project.json.locked"), hour);  // a writer still holds it
    leaveTemporary(dir.filePath(".other.json.a1B2c3"), hour);    // another file's
    leaveTemporary(dir.filePath(".project.json.a1B2c"), hour);   // not the pattern
    leaveTemporary(dir.filePath(".project.json.a1B2c3d"), hour);
    leaveTemporary(dir.filePath(".project.json.a1-2c3"), hour);
    leaveTemporary(dir.filePath("project.json.a1B2c3"), hour);
    ASSERT_TRUE(QDir().mkpath(dir.filePath(".project.json.folder")));

    const int lockFd = ::open(QFile::encodeName(dir.filePath(".project.json.locked")).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(lockFd, 0);
    ASSERT_EQ(::flock(lockFd, LOCK_EX), 0);
    ASSERT_TRUE(writeFileAtomically(path.toStdString(), std::string("whole")));
    ::close(lockFd);

    EXPECT_EQ(readAll(path), "whole");
    QStringList expected{".other.json.a1B2c3",     ".project.json.a1-2c3", ".project.json.a1B2c",
                         ".project.json.a1B2c3d", ".project.json.folder", ".project.json.fresh1",
                         ".project.json.locked",  "project.json",         "project.json.a1B2c3"};
    QStringList actual = entries(dir.path());
    expected.sort();
    actual.sort();
    EXPECT_EQ(actual, expected);
}

}  // namespace
}  // namespace sablewick

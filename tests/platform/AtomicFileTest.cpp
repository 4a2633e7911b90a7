#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

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

}  // namespace
}  // namespace sablewick

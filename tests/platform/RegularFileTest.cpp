#include "platform/RegularFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace sablewick {
namespace {

std::optional<RegularFileError::Kind> failureOf(const QString& path, qint64 limit)
{
    try {
        readRegularFile(path, limit);
    } catch (const RegularFileError& e) {
        EXPECT_NE(std::string(e.what()), "");
        return e.kind();
    }
    return std::nullopt;
}

TEST(RegularFileTest, ReadsWholeFilesUpToTheBound)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("file");
    for (const QByteArray& contents : {QByteArray(), QByteArray("x"), QByteArray(200 * 1024, 'a')}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(contents);
        f.close();
        EXPECT_EQ(readRegularFile(path, contents.size()), contents);
        if (!contents.isEmpty()) {
            EXPECT_EQ(failureOf(path, contents.size() - 1), RegularFileError::Kind::tooLarge);
        }
    }
}

// Each of these would block the reader for ever or feed it without end; each is refused at once.
TEST(RegularFileTest, RefusesEverythingButRegularFilesWithoutBlocking)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(fifo, dir.filePath("link-to-pipe")));
    ASSERT_TRUE(QFile::link("/dev/zero", dir.filePath("link-to-zero")));
    ASSERT_TRUE(QFile::link(dir.filePath("gone"), dir.filePath("dangling")));

    const struct {
        QString path;
        RegularFileError::Kind kind;
    } cases[] = {
        {fifo, RegularFileError::Kind::notRegular},
        {dir.filePath("link-to-pipe"), RegularFileError::Kind::notRegular},
        {dir.filePath("link-to-zero"), RegularFileError::Kind::notRegular},
        {"/dev/zero", RegularFileError::Kind::notRegular},
        {"/dev/null", RegularFileError::Kind::notRegular},
        {dir.path(), RegularFileError::Kind::notRegular},
        {dir.filePath("missing"), RegularFileError::Kind::missing},
        {dir.filePath("dangling"), RegularFileError::Kind::missing},
        {dir.filePath("missing/below"), RegularFileError::Kind::missing},
    };
    for (const auto& c : cases)
        EXPECT_EQ(failureOf(c.path, 1 << 20), c.kind) << c.path.toStdString();
}

}  // namespace
}  // namespace sablewick

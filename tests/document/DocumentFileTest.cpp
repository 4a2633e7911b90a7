#include "document/DocumentError.h"
#include "WriteFile.h"
#include "document/DocumentFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>
#include <sys/stat.h>

namespace sablewick {
namespace {

using test::put;

// Every document format reads its file through one reader: what it refuses, and how, is the same
// for all. A pipe without a writer would block a plain read for ever (the test would then hang).
TEST(DocumentFileTest, ReadsRegularFilesWithinTheLimitAndRefusesEverythingElse)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.json");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(fifo, dir.filePath("link-to-pipe.json")));
    put(dir.filePath("small.json"), "{\"a\": 1}");
    put(dir.filePath("big.json"), QByteArray(1001, ' '));
    {
        // Sparse: claims far more than any limit below without taking the room.
        QFile sparse(dir.filePath("sparse.json"));
        ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64(1) << 33));
    }

    const struct {
        QString path;
        qint64 limit;
        std::optional<DocumentError::Kind> refused;  // none: read whole
    } cases[] = {
        {dir.filePath("small.json"), 8, std::nullopt},
        {dir.filePath("small.json"), 7, DocumentError::Kind::tooLarge},
        {dir.filePath("big.json"), 1000, DocumentError::Kind::tooLarge},
        {dir.filePath("big.json"), 1001, std::nullopt},
        {dir.filePath("sparse.json"), qint64(1) << 32, DocumentError::Kind::tooLarge},
        // Claims no size at all yet holds more than the limit: the bound is on the bytes read.
        {"/proc/self/status", 16, DocumentError::Kind::tooLarge},
        {fifo, 1 << 20, DocumentError::Kind::io},
        {dir.filePath("link-to-pipe.json"), 1 << 20, DocumentError::Kind::io},
        {"/dev/zero", 1 << 20, DocumentError::Kind::io},
        {dir.filePath("missing.json"), 1 << 20, DocumentError::Kind::io},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString() + " limit " + std::to_string(c.limit));
        try {
            const std::string text = DocumentFile::readBounded(c.path, c.limit);
            EXPECT_FALSE(c.refused);
            QFile file(c.path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(text, file.readAll().toStdString());
        } catch (const DocumentError& error) {
            EXPECT_EQ(error.kind(), c.refused);
            EXPECT_THAT(error.what(), ::testing::StartsWith("Could not read " + c.path.toStdString() + ": "));
        }
    }
}

}  // namespace
}  // namespace sablewick

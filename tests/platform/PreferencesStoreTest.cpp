#include "platform/PreferencesStore.h"

#include <QDir>
#include <QFile>
#include <QPointF>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/NumericLocale.h"

namespace sablewick {
namespace {

void writeText(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(PreferencesStoreTest, EveryTypeSurvivesTheFileExactly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Sablewick/preferences.json");
    const QVariantMap dictionary{{"inner", QVariant::fromValue<qint64>(-3)}, {"flag", true}};
    {
        FilePreferencesStore store(path);
        EXPECT_TRUE(store.setValue("bool", true));
        EXPECT_TRUE(store.setValue("int", 4294967296LL));
        EXPECT_TRUE(store.setValue("max", std::numeric_limits<qint64>::max()));
        EXPECT_TRUE(store.setValue("real", 0.1));
        EXPECT_TRUE(store.setValue("tiny", 1e-300));
        EXPECT_TRUE(store.setValue("inf", -std::numeric_limits<double>::infinity()));
        EXPECT_TRUE(store.setValue("digits", QString("42")));
        EXPECT_TRUE(store.setValue("unicode", QString::fromUtf8("Caf\xc3\xa9 \xf0\x9f\x8e\xac")));
        EXPECT_TRUE(store.setValue("data", QByteArray("\x00\xff{json}", 8)));
        EXPECT_TRUE(store.setValue("array", QVariantList{QString("a"), 2, 2.5}));
        EXPECT_TRUE(store.setValue("dict", dictionary));
        EXPECT_TRUE(store.flush());
        EXPECT_TRUE(store.lastWriteError().isEmpty());
    }
    FilePreferencesStore reread(path);
    EXPECT_FALSE(reread.wasUnreadable());
    EXPECT_EQ(reread.value("bool").typeId(), QMetaType::Bool);
    EXPECT_EQ(reread.value("int").typeId(), QMetaType::LongLong);
    EXPECT_EQ(reread.value("int").toLongLong(), 4294967296LL);
    EXPECT_EQ(reread.value("max").toLongLong(), std::numeric_limits<qint64>::max());
    EXPECT_EQ(reread.value("real").typeId(), QMetaType::Double);
    EXPECT_EQ(reread.value("real").toDouble(), 0.1);
    EXPECT_EQ(reread.value("tiny").toDouble(), 1e-300);
    EXPECT_EQ(reread.value("inf").toDouble(), -std::numeric_limits<double>::infinity());
    // A string of digits stays a string: readers can tell it from an integer.
    EXPECT_EQ(reread.value("digits").typeId(), QMetaType::QString);
    EXPECT_EQ(reread.value("unicode").toString(), QString::fromUtf8("Caf\xc3\xa9 \xf0\x9f\x8e\xac"));
    EXPECT_EQ(reread.value("data").typeId(), QMetaType::QByteArray);
    EXPECT_EQ(reread.value("data").toByteArray(), QByteArray("\x00\xff{json}", 8));
    const QVariantList array = reread.value("array").toList();
    ASSERT_EQ(array.size(), 3);
    EXPECT_EQ(array[1].typeId(), QMetaType::LongLong);
    EXPECT_EQ(array[2].typeId(), QMetaType::Double);
    EXPECT_EQ(reread.value("dict").toMap(), dictionary);
    EXPECT_FALSE(reread.value("missing").isValid());
}

TEST(PreferencesStoreTest, RemoveAndUnstorableTypes)
{
    MemoryPreferencesStore store;
    EXPECT_FALSE(store.setValue("point", QPointF(1, 2)));
    EXPECT_FALSE(store.contains("point"));
    EXPECT_FALSE(store.setValue("nested", QVariantList{QPointF(1, 2)}));
    // Nothing is stored that the file could not give back.
    QVariant deep = 1;
    for (int i = 0; i < 100; ++i)
        deep = QVariantList{deep};
    EXPECT_FALSE(store.setValue("deep", deep));
    store.setValue("k", 1);
    store.removeValue("k");
    EXPECT_FALSE(store.contains("k"));
}

TEST(PreferencesStoreTest, BooleanReadingOfStoredValues)
{
    struct Case {
        QVariant stored;
        bool expected;
    };
    const Case cases[] = {
        {QVariant(), false},       {true, true},          {false, false},
        {1, true},                 {0, false},            {0.5, true},
        {QString("YES"), true},    {QString("true"), true}, {QString("1"), true},
        {QString("no"), false},    {QString("0"), false}, {QString("maybe"), false},
        {QByteArray("1"), false},
    };
    for (const Case& c : cases) {
        MemoryPreferencesStore store;
        if (c.stored.isValid())
            store.setValue("b", c.stored);
        EXPECT_EQ(store.boolValue("b"), c.expected) << c.stored.toString().toStdString();
    }
}

TEST(PreferencesStoreTest, UnreadableFileIsKeptAsideBeforeFirstWrite)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    const QByteArray damaged = "{\"format\": 1, \"values\": {\"studio.accent\": {\"string\": ";
    writeText(path, damaged);

    FilePreferencesStore store(path);
    EXPECT_TRUE(store.wasUnreadable());
    EXPECT_FALSE(store.contains("studio.accent"));
    EXPECT_EQ(fileBytes(path), damaged) << "reading must not touch the file";

    store.setValue("studio.reduceMotion", true);
    ASSERT_TRUE(store.flush());
    EXPECT_EQ(store.keptAsidePath(), path + ".unreadable");
    EXPECT_EQ(fileBytes(path + ".unreadable"), damaged);
    FilePreferencesStore reread(path);
    EXPECT_FALSE(reread.wasUnreadable());
    EXPECT_TRUE(reread.boolValue("studio.reduceMotion"));
}

// A named pipe in the file's place would block the start-up for ever.
TEST(PreferencesStoreTest, ASpecialFileIsUnreadableAtOnceAndKeptAside)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);

    FilePreferencesStore store(path);
    EXPECT_TRUE(store.wasUnreadable());
    store.setValue("studio.reduceMotion", true);
    ASSERT_TRUE(store.flush());
    EXPECT_EQ(store.keptAsidePath(), path + ".unreadable");
    EXPECT_TRUE(QFileInfo(path + ".unreadable").exists());
    EXPECT_TRUE(FilePreferencesStore(path).boolValue("studio.reduceMotion"));
}

// Changes are written by the store's own thread: a burst becomes one write, nothing waits for the
// disk until a flush, and a store that goes away writes what it still holds.
TEST(PreferencesStoreTest, BurstOfChangesIsWrittenOnceWhenFlushed)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Sablewick/preferences.json");
    {
        FilePreferencesStore store(path, std::chrono::hours(1));
        for (int i = 0; i < 50; ++i)
            store.setValue("count", i);
        store.removeValue("missing");
        EXPECT_FALSE(QFile::exists(path)) << "the burst is still being gathered";
        EXPECT_TRUE(store.flush());
        EXPECT_EQ(store.writeCount(), 1);
        EXPECT_EQ(FilePreferencesStore(path).value("count").toLongLong(), 49);

        EXPECT_TRUE(store.flush());
        EXPECT_EQ(store.writeCount(), 1) << "nothing new to write";

        store.setValue("later", QString("kept by the destructor"));
    }
    EXPECT_EQ(FilePreferencesStore(path).value("later").toString(), "kept by the destructor");
}

TEST(PreferencesStoreTest, ChangesReachTheFileWithoutAFlush)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    FilePreferencesStore store(path, std::chrono::milliseconds(10));
    store.setValue("showMenuBarIcon", false);
    for (int i = 0; i < 500 && store.writeCount() == 0; ++i)
        QThread::msleep(10);
    ASSERT_EQ(store.writeCount(), 1);
    EXPECT_EQ(FilePreferencesStore(path).value("showMenuBarIcon"), QVariant(false));
}

TEST(PreferencesStoreTest, FailedWriteIsReportedByFlush)
{
    QTemporaryDir dir;
    writeText(dir.filePath("file"), "not a folder");
    FilePreferencesStore store(dir.filePath("file/preferences.json"));
    store.setValue("k", 1);
    EXPECT_FALSE(store.flush());
    EXPECT_FALSE(store.lastWriteError().isEmpty());
}

TEST(PreferencesStoreTest, MalformedShapesAreUnreadable)
{
    const char* texts[] = {
        "[]",
        "{\"values\": {}}",
        "{\"format\": 2, \"values\": {}}",
        "{\"format\": 1, \"values\": {\"k\": 5}}",
        "{\"format\": 1, \"values\": {\"k\": {\"integer\": 1.5}}}",
        "{\"format\": 1, \"values\": {\"k\": {\"integer\": 18446744073709551615}}}",
        "{\"format\": 1, \"values\": {\"k\": {\"data\": \"%%%\"}}}",
        "{\"format\": 1, \"values\": {\"k\": {\"string\": \"a\", \"integer\": 1}}}",
        "{\"format\": 1, \"values\": {\"k\": {\"array\": [1]}}}",
    };
    for (const char* text : texts) {
        std::map<QString, QVariant> values;
        EXPECT_FALSE(PreferencesFile::decode(text, values)) << text;
    }
}

// A file nested far deeper than anything we write is refused rather than read recursively until
// the stack runs out; a few levels, as real values have, still read.
TEST(PreferencesStoreTest, DeeplyNestedFileIsUnreadableWithoutCrashing)
{
    const auto nested = [](int depth) {
        std::string text = "{\"format\": 1, \"values\": {\"k\": ";
        for (int i = 0; i < depth; ++i)
            text += "{\"array\": [";
        text += "{\"integer\": 1}";
        for (int i = 0; i < depth; ++i)
            text += "]}";
        return text + "}}";
    };
    std::map<QString, QVariant> values;
    ASSERT_TRUE(PreferencesFile::decode(nested(8), values));
    QVariant inner = values.at("k");
    for (int i = 0; i < 8; ++i)
        inner = inner.toList().value(0);
    EXPECT_EQ(inner.toLongLong(), 1);

    values.clear();
    EXPECT_FALSE(PreferencesFile::decode(nested(500000), values));
    EXPECT_TRUE(values.empty());
}

// QApplication takes the C library's locale from the environment; with a decimal comma locale the
// process must still write and read numbers with a point once useCNumericLocale() has run.
TEST(PreferencesStoreTest, NumbersSurviveADecimalCommaLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale must be generated";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", 1.5);
    EXPECT_STREQ(buffer, "1,5") << "the locale should use a decimal comma";

    useCNumericLocale();
    std::snprintf(buffer, sizeof buffer, "%.1f", 1.5);
    EXPECT_STREQ(buffer, "1.5");

    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    const double values[] = {0.1, 1234.5678, -2.5e-7, 1.0 / 3.0};
    {
        FilePreferencesStore store(path);
        for (int i = 0; i < 4; ++i)
            store.setValue(QString::number(i), values[i]);
    }
    FilePreferencesStore reread(path);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(reread.value(QString::number(i)).toDouble(), values[i]);
    EXPECT_TRUE(fileBytes(path).contains("1234.5678"));
    std::setlocale(LC_ALL, previous.c_str());
}

}  // namespace
}  // namespace sablewick

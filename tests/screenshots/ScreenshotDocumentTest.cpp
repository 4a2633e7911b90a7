#include "document/DocumentError.h"
#include "screenshots/ScreenshotAnnotation.h"
#include "screenshots/ScreenshotError.h"
#include "screenshots/ScreenshotProject.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <sys/stat.h>

#include <limits>

namespace sablewick {
namespace {

using nlohmann::json;

ScreenshotAnnotation mark(ScreenshotTool tool, double x, double y, double endX, double endY, QString text = {})
{
    ScreenshotAnnotation a;
    a.tool = tool;
    a.x = x;
    a.y = y;
    a.endX = endX;
    a.endY = endY;
    a.text = std::move(text);
    a.color = 0xFF3B30;
    a.weight = 4;
    return a;
}

ScreenshotProject sampleProject()
{
    ScreenshotProject project;
    project.sourceURL = QUrl::fromLocalFile(QStringLiteral("/home/ada/Pictures/Shot.png"));
    project.settings.aspect = AspectRatio::auto_;
    project.settings.cropLeft = 0.25;
    project.annotations = {mark(ScreenshotTool::arrow, 0.1, 0.2, 0.6, 0.7),
                           mark(ScreenshotTool::text, 0.3, 0.3, 0.3, 0.3, QStringLiteral("Grüße")),
                           mark(ScreenshotTool::number, 0.5, 0.5, 0.5, 0.5, QStringLiteral("1"))};
    return project;
}

TEST(ScreenshotToolTest, StoredValuesAndSymbols)
{
    const std::vector<std::tuple<ScreenshotTool, const char*, const char*>> table = {
        {ScreenshotTool::select, "Select", "cursorarrow"},   {ScreenshotTool::crop, "Crop", "crop"},
        {ScreenshotTool::arrow, "Arrow", "arrow.up.right"},  {ScreenshotTool::line, "Line", "line.diagonal"},
        {ScreenshotTool::rectangle, "Rectangle", "rectangle"}, {ScreenshotTool::ellipse, "Ellipse", "circle"},
        {ScreenshotTool::text, "Text", "textformat"},        {ScreenshotTool::number, "Number", "1.circle"},
        {ScreenshotTool::highlight, "Highlight", "highlighter"},
        {ScreenshotTool::pixelate, "Pixelate", "square.grid.3x3.fill"},
    };
    ASSERT_EQ(table.size(), allCases<ScreenshotTool>().size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto& [tool, stored, icon] = table[i];
        EXPECT_EQ(allCases<ScreenshotTool>()[i], tool) << stored;
        EXPECT_EQ(storedValue(tool), stored);
        EXPECT_EQ(symbol(tool), QString::fromLatin1(icon));
        EXPECT_EQ(fromStoredValue<ScreenshotTool>(stored), tool);
    }
    EXPECT_FALSE(fromStoredValue<ScreenshotTool>("arrow"));
    EXPECT_EQ(storedValue(ScreenshotFormat::png), "PNG");
    EXPECT_EQ(storedValue(ScreenshotFormat::jpeg), "JPEG");
}

TEST(ScreenshotAnnotationTest, Bounds)
{
    struct Case {
        const char* name;
        ScreenshotAnnotation annotation;
        QRectF expected;
    };
    const Case cases[] = {
        {"empty text keeps the least width", mark(ScreenshotTool::text, 0.2, 0.3, 0.9, 0.9), {0.2, 0.3, 0.08, 0.065}},
        {"ten characters", mark(ScreenshotTool::text, 0.2, 0.3, 0, 0, QString(10, QLatin1Char('a'))), {0.2, 0.3, 0.18, 0.065}},
        {"fifty characters are capped", mark(ScreenshotTool::text, 0, 0, 0, 0, QString(50, QLatin1Char('a'))), {0, 0, 0.7, 0.065}},
        // Five flags: ten code points, twenty UTF-16 units, five characters.
        {"a flag is one character",
         mark(ScreenshotTool::text, 0, 0, 0, 0, QString::fromUtf8("🇩🇪🇫🇷🇮🇹🇪🇸🇬🇧")), {0, 0, 0.09, 0.065}},
        {"badge at the corner is not clamped", mark(ScreenshotTool::number, 0, 0, 0.8, 0.8), {-0.025, -0.025, 0.05, 0.05}},
        {"line drawn backwards", mark(ScreenshotTool::line, 0.8, 0.9, 0.2, 0.1), {0.2, 0.1, 0.6, 0.8}},
        {"line drawn forwards", mark(ScreenshotTool::line, 0.2, 0.1, 0.8, 0.9), {0.2, 0.1, 0.6, 0.8}},
    };
    for (const Case& c : cases) {
        const QRectF b = c.annotation.bounds();
        EXPECT_NEAR(b.x(), c.expected.x(), 1e-12) << c.name;
        EXPECT_NEAR(b.y(), c.expected.y(), 1e-12) << c.name;
        EXPECT_NEAR(b.width(), c.expected.width(), 1e-12) << c.name;
        EXPECT_NEAR(b.height(), c.expected.height(), 1e-12) << c.name;
    }
}

TEST(ScreenshotAnnotationTest, NextBadgeLabel)
{
    auto badge = [](const char* text) { return mark(ScreenshotTool::number, 0, 0, 0, 0, QString::fromLatin1(text)); };
    struct Case {
        std::vector<ScreenshotAnnotation> marks;
        const char* expected;
    };
    const Case cases[] = {
        {{}, "1"},
        {{badge("1"), badge("2"), badge("x")}, "3"},
        {{badge("1"), badge("7"), badge("x"), mark(ScreenshotTool::text, 0, 0, 0, 0, QStringLiteral("99"))}, "8"},
        {{badge("-5")}, "-4"},
        {{badge("+4"), badge("")}, "5"},
        {{badge(" 4"), badge("4 "), badge("0x10"), badge("+"), badge("1e3")}, "1"},
        // Beyond the 64-bit range: not a number.
        {{badge("99999999999999999999"), badge("2")}, "3"},
        // At the largest number the next one is still one more, never a wrapped negative.
        {{badge("9223372036854775807")}, "9223372036854775808"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nextBadgeLabel(c.marks), QString::fromLatin1(c.expected));
}

TEST(ScreenshotProjectTest, SavedAndRecoveryForms)
{
    ScreenshotProject project = sampleProject();
    project.savedProjectURL = QUrl::fromLocalFile(QStringLiteral("/home/ada/Edit.sableimage.json"));

    const std::string saved = ScreenshotProjectFile::projectText(project);
    const json savedJson = json::parse(saved);
    EXPECT_FALSE(savedJson.contains("savedProjectURL"));
    // Top-level keys in sorted order, each on its own indented line.
    const std::size_t a = saved.find("\n  \"annotations\""), s = saved.find("\n  \"settings\""),
                      u = saved.find("\n  \"sourceURL\""), v = saved.find("\n  \"version\"");
    ASSERT_NE(a, std::string::npos);
    EXPECT_LT(a, s);
    EXPECT_LT(s, u);
    EXPECT_LT(u, v);
    EXPECT_EQ(savedJson["version"], 1);
    const json& first = savedJson["annotations"][0];
    EXPECT_EQ(first.size(), 9u);
    EXPECT_EQ(first["tool"], "Arrow");
    EXPECT_EQ(first["color"], 0xFF3B30);
    EXPECT_EQ(first["id"], project.annotations[0].id.toString(QUuid::WithoutBraces).toUpper().toStdString());

    const std::string recovery = ScreenshotProjectFile::recoveryText(project);
    EXPECT_EQ(recovery.find('\n'), std::string::npos);
    json withoutUrl = json::parse(recovery);
    EXPECT_EQ(withoutUrl["savedProjectURL"], "file:///home/ada/Edit.sableimage.json");
    withoutUrl.erase("savedProjectURL");
    EXPECT_EQ(withoutUrl, savedJson);

    EXPECT_EQ(ScreenshotProjectFile::parse(recovery), project);
    ScreenshotProject expectedSaved = project;
    expectedSaved.savedProjectURL.reset();
    EXPECT_EQ(ScreenshotProjectFile::parse(saved), expectedSaved);
}

TEST(ScreenshotProjectTest, ReadingAcceptsOnlySoundVersionOneProjects)
{
    const json good = json::parse(ScreenshotProjectFile::recoveryText(sampleProject()));

    json empty = good;
    empty["annotations"] = json::array();
    empty["comment"] = "unknown keys are ignored";
    empty["annotations"].push_back(good["annotations"][0]);
    empty["annotations"][0]["future"] = true;
    EXPECT_EQ(ScreenshotProjectFile::parse(empty.dump()).annotations.size(), 1u);
    empty["annotations"] = json::array();
    EXPECT_TRUE(ScreenshotProjectFile::parse(empty.dump()).annotations.empty());

    struct Case {
        const char* name;
        std::function<void(json&)> damage;
    };
    const Case malformed[] = {
        {"no annotations", [](json& j) { j.erase("annotations"); }},
        {"annotation without text", [](json& j) { j["annotations"][0].erase("text"); }},
        {"unknown tool", [](json& j) { j["annotations"][0]["tool"] = "Spray"; }},
        {"text coordinate", [](json& j) { j["annotations"][0]["x"] = "0.5"; }},
        {"colour beyond 32 bits", [](json& j) { j["annotations"][0]["color"] = 4294967296LL; }},
        {"negative colour", [](json& j) { j["annotations"][0]["color"] = -1; }},
        {"lower-case tool", [](json& j) { j["annotations"][0]["tool"] = "arrow"; }},
        {"bad id", [](json& j) { j["annotations"][0]["id"] = "{not-a-uuid}"; }},
        {"settings not an object", [](json& j) { j["settings"] = 3; }},
        {"no source", [](json& j) { j.erase("sourceURL"); }},
    };
    for (const Case& c : malformed) {
        json damaged = good;
        c.damage(damaged);
        EXPECT_THROW(ScreenshotProjectFile::parse(damaged.dump()), DocumentError) << c.name;
    }
    EXPECT_THROW(ScreenshotProjectFile::parse("{\"version\": 1,"), DocumentError);
    EXPECT_THROW(ScreenshotProjectFile::parse("[]"), DocumentError);

    json newer = good;
    newer["version"] = 2;
    try {
        ScreenshotProjectFile::parse(newer.dump());
        ADD_FAILURE() << "version 2 was accepted";
    } catch (const ScreenshotError& error) {
        EXPECT_EQ(error.kind(), ScreenshotError::Kind::invalidProject);
        EXPECT_STREQ(error.what(), "This screenshot project is unsupported or its original image is missing.");
    }
}

TEST(ScreenshotProjectTest, FilesAreWrittenWholeAndReadOnlyFromRegularFiles)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(ScreenshotProjectFile::proposedName));
    const ScreenshotProject project = sampleProject();
    ScreenshotProjectFile::writeProject(path, project);
    EXPECT_EQ(ScreenshotProjectFile::read(path), project);

    // An edit that cannot be written leaves the old file as it was.
    ScreenshotProject broken = project;
    broken.annotations[0].x = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(ScreenshotProjectFile::writeProject(path, broken), DocumentError);
    EXPECT_EQ(ScreenshotProjectFile::read(path), project);

    EXPECT_THROW(ScreenshotProjectFile::read(dir.filePath(QStringLiteral("missing.sableimage.json"))), DocumentError);
    EXPECT_THROW(ScreenshotProjectFile::read(dir.path()), DocumentError);
    // A named pipe with no writer would block a plain read forever.
    const QString fifo = dir.filePath(QStringLiteral("pipe.sableimage.json"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_THROW(ScreenshotProjectFile::read(fifo), DocumentError);
    EXPECT_THROW(ScreenshotProjectFile::read(QStringLiteral("/dev/zero")), DocumentError);
    // Far beyond any project (sparse: it takes no room), refused before a byte is read.
    const QString huge = dir.filePath(QStringLiteral("huge.sableimage.json"));
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(qint64(1) << 32));
    }
    try {
        ScreenshotProjectFile::read(huge);
        ADD_FAILURE() << "a 4 GB project was read";
    } catch (const DocumentError& error) {
        EXPECT_EQ(error.kind(), DocumentError::Kind::tooLarge);
    }

    EXPECT_TRUE(ScreenshotProjectFile::isProjectPath(QStringLiteral("/a/Edit.sableimage.json")));
    EXPECT_FALSE(ScreenshotProjectFile::isProjectPath(QStringLiteral("/a/Edit.sablewick.json")));
    EXPECT_FALSE(ScreenshotProjectFile::isProjectPath(QStringLiteral("/a/Shot.png")));
}

}  // namespace
}  // namespace sablewick

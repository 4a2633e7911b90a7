#include "DocumentSamples.h"
#include "WriteFile.h"

#include "document/Project.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <limits>
#include <sys/stat.h>
#include <random>

namespace sablewick {
namespace {

using nlohmann::json;
using nlohmann::ordered_json;

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

using test::put;

// True when every object's keys, at any depth, appear in sorted order.
bool keysSorted(const ordered_json& value)
{
    if (value.is_object()) {
        std::string previous;
        bool first = true;
        for (const auto& [key, item] : value.items()) {
            if (!first && key < previous)
                return false;
            previous = key;
            first = false;
            if (!keysSorted(item))
                return false;
        }
    }
    if (value.is_array()) {
        for (const auto& item : value) {
            if (!keysSorted(item))
                return false;
        }
    }
    return true;
}

class ProjectFileTest : public ::testing::Test {
protected:
    QString file(const char* name) const { return QDir(m_dir.path()).filePath(QString::fromLatin1(name)); }
    QStringList entries() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir m_dir;
};

TEST_F(ProjectFileTest, SavedProjectIsPrettySortedAndForgetsItsOwnLocation)
{
    const FocusProject project = test::fullProject();
    const QString path = file("Demo.sablewick.json");
    ProjectFile::writeProject(path, project);

    const QByteArray text = contents(path);
    EXPECT_TRUE(text.contains("\n  \"events\": ["));
    EXPECT_FALSE(text.contains("savedProjectURL"));
    EXPECT_TRUE(keysSorted(ordered_json::parse(text.toStdString())));

    FocusProject expected = project;
    expected.savedProjectURL.reset();
    EXPECT_EQ(ProjectFile::readProject(path), expected);
}

TEST_F(ProjectFileTest, RecoveryCopyIsCompactAndKeepsTheProjectLocation)
{
    const FocusProject project = test::fullProject();
    const QString path = file("Session.sablewick.json");
    ProjectFile::writeRecovery(path, project);

    const QByteArray text = contents(path);
    EXPECT_FALSE(text.contains('\n'));
    EXPECT_FALSE(text.contains(": "));
    EXPECT_TRUE(text.contains(R"("savedProjectURL":"file:///home/user/Demo.sablewick.json")"));
    EXPECT_EQ(ProjectFile::readProject(path), project);
}

TEST_F(ProjectFileTest, FailedWritesLeaveTheOldFileAlone)
{
    const QString path = file("Demo.sablewick.json");
    put(path, "old contents");

    FocusProject broken = test::fullProject();
    broken.settings.zoomStrength = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(ProjectFile::writeProject(path, broken), DocumentError);
    EXPECT_THROW(ProjectFile::writeRecovery(path, broken), DocumentError);
    EXPECT_EQ(contents(path), "old contents");
    EXPECT_EQ(entries(), QStringList{"Demo.sablewick.json"});  // no temporary file left behind

    // A folder that does not exist is an input/output error, not a crash.
    try {
        ProjectFile::writeProject(file("missing/Demo.sablewick.json"), test::fullProject());
        FAIL();
    } catch (const DocumentError& error) {
        EXPECT_EQ(error.kind(), DocumentError::Kind::io);
    }
}

TEST_F(ProjectFileTest, UnreadableFilesAreRefusedAndLeftAsTheyWere)
{
    const QString project = file("Broken.sablewick.json");
    const QByteArray truncated = QByteArray::fromStdString(ProjectFile::projectText(test::fullProject())).left(300);
    put(project, truncated);
    try {
        ProjectFile::readProject(project);
        FAIL();
    } catch (const DocumentError& error) {
        EXPECT_EQ(error.kind(), DocumentError::Kind::malformed);
        EXPECT_THAT(error.what(), ::testing::StartsWith("The file is not valid JSON"));
    }
    EXPECT_EQ(contents(project), truncated);

    try {
        ProjectFile::readProject(file("Absent.sablewick.json"));
        FAIL();
    } catch (const DocumentError& error) {
        EXPECT_EQ(error.kind(), DocumentError::Kind::io);
    }
    try {
        ProjectFile::readProject(m_dir.path());
        FAIL();
    } catch (const DocumentError& error) {
        EXPECT_EQ(error.kind(), DocumentError::Kind::io) << error.what();
    }
    EXPECT_EQ(entries(), QStringList{"Broken.sablewick.json"});
}

// A named pipe would block the reader until some writer came; each is refused at once, as a file
// that cannot be read. A file beyond the largest size is refused before it is read.
TEST_F(ProjectFileTest, SpecialFilesAreRefusedAtOnce)
{
    const QString pipe = file("Pipe.sablewick.json");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(pipe, file("Link.sablewick.json")));
    {
        QFile huge(file("Huge.sablewick.json"));  // sparse: takes no room
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(ProjectFile::largestFileSize + 1));
    }
    const struct {
        QString path;
        DocumentError::Kind kind;
    } cases[] = {
        {pipe, DocumentError::Kind::io},
        {file("Link.sablewick.json"), DocumentError::Kind::io},
        {file("Huge.sablewick.json"), DocumentError::Kind::tooLarge},
    };
    for (const auto& c : cases) {
        for (const auto& read : {+[](const QString& p) { ProjectFile::readProject(p); },
                                 +[](const QString& p) { ProjectFile::readSidecar(p); }}) {
            try {
                read(c.path);
                ADD_FAILURE() << "read " << c.path.toStdString();
            } catch (const DocumentError& error) {
                EXPECT_EQ(error.kind(), c.kind);
                EXPECT_THAT(error.what(), ::testing::StartsWith("Could not read " + c.path.toStdString() + ": "));
            }
        }
    }
    ASSERT_TRUE(QFile::rename(pipe, file("Movie.sablewick.json")));
    EXPECT_FALSE(ProjectFile::sidecarForMovie(file("Movie.mov")));
}

TEST_F(ProjectFileTest, SidecarLiesBesideTheMovie)
{
    const struct {
        const char* movie;
        const char* sidecar;
    } cases[] = {
        {"/videos/Demo.mov", "/videos/Demo.sablewick.json"},
        {"/videos/Demo.final.mp4", "/videos/Demo.final.sablewick.json"},
        {"/videos/Demo", "/videos/Demo.sablewick.json"},
        {"/my.videos/Demo", "/my.videos/Demo.sablewick.json"},
        {"/videos/.hidden", "/videos/.hidden.sablewick.json"},
        {"Demo.mov", "Demo.sablewick.json"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FocusSidecar::pathFor(QString::fromLatin1(c.movie)), QString::fromLatin1(c.sidecar)) << c.movie;
}

TEST_F(ProjectFileTest, AMissingOrUnreadableSidecarCountsAsNone)
{
    const QString movie = file("Recording.mp4");
    EXPECT_FALSE(ProjectFile::sidecarForMovie(movie));

    put(file("Recording.sablewick.json"), "{\"events\": [");
    EXPECT_FALSE(ProjectFile::sidecarForMovie(movie));

    FocusSidecar sidecar{test::fullProject().events, std::vector<PointerSample>{{0.5, 0.25, 0.75, true}}, true,
                         true, false};
    ProjectFile::writeSidecar(file("Recording.sablewick.json"), sidecar);
    EXPECT_FALSE(contents(file("Recording.sablewick.json")).contains('\n'));
    EXPECT_EQ(ProjectFile::sidecarForMovie(movie), sidecar);
}

TEST_F(ProjectFileTest, AMissingSidecarGivesWayToTheProvisionalCopy)
{
    const QString movie = file("Cut.mov");
    EXPECT_EQ(FocusSidecar::provisionalPathFor(movie), file("Cut.sablewick.partial.json"));
    const FocusSidecar partial{test::fullProject().events, std::vector<PointerSample>{{0.5, 0.25, 0.75, true}},
                               true, true, false};
    ProjectFile::writeSidecar(FocusSidecar::provisionalPathFor(movie), partial);
    EXPECT_EQ(ProjectFile::sidecarForMovie(movie), partial);

    // A finished sidecar wins over the copy, even one that cannot be read.
    const FocusSidecar finished{{}, std::nullopt, false, std::nullopt, std::nullopt};
    ProjectFile::writeSidecar(FocusSidecar::pathFor(movie), finished);
    EXPECT_EQ(ProjectFile::sidecarForMovie(movie), finished);
    put(FocusSidecar::pathFor(movie), "{\"events\": [");
    EXPECT_FALSE(ProjectFile::sidecarForMovie(movie));
}

// Truncated and mutated projects must be refused with a DocumentError or read as a project that
// writes and reads back unchanged; anything else (a crash, another exception) is a fault.
// Returns whether the text was read.
bool expectRefusedOrStable(const std::string& text)
{
    FocusProject read;
    try {
        read = ProjectFile::parseProject(text);
    } catch (const DocumentError&) {
        return false;
    } catch (const std::exception& error) {
        ADD_FAILURE() << "unexpected exception " << error.what() << " for: " << text;
        return false;
    }
    try {
        EXPECT_EQ(ProjectFile::parseProject(ProjectFile::recoveryText(read)), read) << text;
    } catch (const std::exception& error) {
        ADD_FAILURE() << "a project that was read could not be written back: " << error.what() << " for: " << text;
    }
    return true;
}

TEST(ProjectFileFuzz, TruncatedAndMutatedProjectsNeverCrashTheReader)
{
    const std::string valid = ProjectFile::recoveryText(test::fullProject());
    for (std::size_t length = 0; length < valid.size(); ++length)
        expectRefusedOrStable(valid.substr(0, length));

    const std::vector<std::string> tokens = {
        "\"", "{", "}", "[", "]", ",", ":", "null", "true", "0", "-1", "1e999", "-1e999", "4294967296",
        "18446744073709551616", "1.5", "\"jazz\"", "\"\"", "\"\\u0000\"", "\"\\ud800\"", "\xff", "\xc3", "{}", "[]"};
    int accepted = 0;
    std::mt19937 random(20261210);
    const auto below = [&random](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
    for (int round = 0; round < 3000; ++round) {
        std::string text = valid;
        const int edits = 1 + static_cast<int>(below(3));
        for (int e = 0; e < edits && !text.empty(); ++e) {
            const std::size_t at = below(text.size());
            switch (below(4)) {
            case 0: text[at] = static_cast<char>(below(256)); break;
            case 1: text.insert(at, tokens[below(tokens.size())]); break;
            case 2: text.erase(at, 1 + below(std::min<std::size_t>(40, text.size() - at))); break;
            default: {
                // Replace a value after a colon with a token, which keeps most of the structure.
                const std::size_t colon = text.find(':', at);
                if (colon == std::string::npos)
                    break;
                const std::size_t end = text.find_first_of(",}]", colon + 1);
                text.replace(colon + 1, end == std::string::npos ? 0 : end - colon - 1, tokens[below(tokens.size())]);
            }
            }
        }
        accepted += expectRefusedOrStable(text) ? 1 : 0;
        if (::testing::Test::HasFailure())
            return;
    }
    // Mutations that keep the file valid (a changed digit or letter inside a value) must occur,
    // or the write-back check above was never exercised.
    EXPECT_GT(accepted, 50);

    // Deep nesting must not exhaust the stack.
    expectRefusedOrStable(std::string(200000, '[') + std::string(200000, ']'));
    expectRefusedOrStable("{\"version\":1,\"x\":" + std::string(200000, '[') + std::string(200000, ']') + "}");
}

}  // namespace
}  // namespace sablewick

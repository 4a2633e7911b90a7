// The folders' layering, read from the sources' own #include lines: a folder includes only
// folders before it in the build order, never a folder that stands beside it, and nothing below
// the kit includes a widget header.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sablewick {
namespace {

// The first folder that may hold views; every folder before it is widget-free. The kit knows
// preferences and the theme but never a model: the folders between the renderer and the kit.
const QString firstViewFolder = QStringLiteral("components");
const QString lastLayerBelowModels = QStringLiteral("rendering");

// Folders that stand side by side on one layer: each may include the layers below, none includes
// another of its group, whatever their places in the build order. The models know nothing of one
// another, and the two windows share only the workspace and the kit below them.
const std::vector<QStringList> sideBySide{
    {QStringLiteral("editor"), QStringLiteral("recording"), QStringLiteral("screenshots")},
    {QStringLiteral("mainwindow"), QStringLiteral("screenshoteditor")},
};

struct Layering {
    QStringList folders;             // bottom first
    QSet<QString> widgetHeaders;     // bare names such as "QWidget"
    std::vector<QStringList> peers;  // groups of folders side by side
};

// Whether `a` and `b` are two folders of one side-by-side group.
bool standSideBySide(const Layering& layering, const QString& a, const QString& b)
{
    if (a == b)
        return false;
    for (const QStringList& group : layering.peers) {
        if (group.contains(a) && group.contains(b))
            return true;
    }
    return false;
}

// The folder order as the top CMakeLists.txt builds it.
QStringList buildOrder(const QString& topCMakeLists)
{
    QFile file(topCMakeLists);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    const QRegularExpression list(QStringLiteral(R"(set\(\s*SABLEWICK_FOLDERS\s+([^)]*)\))"));
    const QRegularExpressionMatch match = list.match(text);
    if (!match.hasMatch())
        return {};
    return match.captured(1).split(QRegularExpression(QStringLiteral(R"(\s+)")), Qt::SkipEmptyParts);
}

// The class headers of the installed QtWidgets module. Names that QtGui or QtCore also ship
// (Qt 6 moved QAction, QShortcut and the undo stack to QtGui) are not widget headers.
QSet<QString> installedWidgetHeaders()
{
    const QDir headers(QLibraryInfo::path(QLibraryInfo::HeadersPath));
    const auto names = [&](const char* module) {
        const QStringList list = QDir(headers.filePath(QString::fromLatin1(module))).entryList(QDir::Files);
        return QSet<QString>(list.begin(), list.end());
    };
    QSet<QString> widgets = names("QtWidgets");
    widgets.subtract(names("QtGui"));
    widgets.subtract(names("QtCore"));
    return widgets;
}

struct Violation {
    QString file;  // relative to the source root
    int line = 0;
    QString include;
    QString reason;
};

// Every include under `sourceRoot` (one folder per layer) that breaks the layering.
std::vector<Violation> checkLayering(const QString& sourceRoot, const Layering& layering)
{
    const QDir root(sourceRoot);
    const int viewRank = static_cast<int>(layering.folders.indexOf(firstViewFolder));
    const int firstModelRank = static_cast<int>(layering.folders.indexOf(lastLayerBelowModels)) + 1;
    const QRegularExpression includeLine(QStringLiteral(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])"));
    std::vector<Violation> violations;

    QDirIterator files(sourceRoot, {QStringLiteral("*.h"), QStringLiteral("*.hpp"), QStringLiteral("*.cpp")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        const QString relative = root.relativeFilePath(path);
        const QString folder = relative.section(QLatin1Char('/'), 0, 0);
        const int rank = static_cast<int>(layering.folders.indexOf(folder));
        if (!relative.contains(QLatin1Char('/')))
            continue;  // nothing lives at the top of the tree
        if (rank < 0) {
            violations.push_back({relative, 0, {}, QStringLiteral("folder missing from the build order")});
            continue;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            violations.push_back({relative, 0, {}, QStringLiteral("unreadable")});
            continue;
        }
        int lineNumber = 0;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine());
            ++lineNumber;
            const QRegularExpressionMatch match = includeLine.match(line);
            if (!match.hasMatch())
                continue;
            const bool quoted = match.captured(1) == QLatin1String("\"");
            QString include = match.captured(2).trimmed();
            if (quoted && include.contains(QLatin1String(".."))) {
                // Resolved against the including file's folder, as the compiler would first try.
                include = root.relativeFilePath(QDir::cleanPath(QFileInfo(path).absolutePath() + QLatin1Char('/') + include));
            }
            const QString first = include.section(QLatin1Char('/'), 0, 0);
            if (include.contains(QLatin1Char('/'))) {
                const int includedRank = static_cast<int>(layering.folders.indexOf(first));
                if (includedRank > rank)
                    violations.push_back({relative, lineNumber, include,
                                          folder + QStringLiteral(" may not include ") + first});
                else if (standSideBySide(layering, folder, first))
                    violations.push_back({relative, lineNumber, include,
                                          folder + QStringLiteral(" stands beside ") + first
                                              + QStringLiteral(" and may not include it")});
                else if (rank == viewRank && includedRank >= firstModelRank && includedRank < viewRank)
                    violations.push_back({relative, lineNumber, include,
                                          QStringLiteral("the kit may not include the model folder ") + first});
            }
            const bool widgets = first == QLatin1String("QtWidgets")
                || (!include.contains(QLatin1Char('/')) && layering.widgetHeaders.contains(include));
            if (widgets && rank < viewRank)
                violations.push_back({relative, lineNumber, include,
                                      folder + QStringLiteral(" is below the kit and may not use widgets")});
        }
    }
    return violations;
}

std::string describe(const std::vector<Violation>& violations)
{
    std::string text;
    for (const Violation& v : violations)
        text += (v.file + QLatin1Char(':') + QString::number(v.line) + QStringLiteral(": ") + v.include
                 + QStringLiteral(" (") + v.reason + QStringLiteral(")\n"))
                    .toStdString();
    return text;
}

TEST(LayeringTest, TheSourceTreeKeepsItsLayers)
{
    Layering layering{buildOrder(QStringLiteral(SABLEWICK_SOURCE_DIR "/CMakeLists.txt")), installedWidgetHeaders(),
                      sideBySide};
    ASSERT_GE(layering.folders.size(), 10) << "the build order was not found";
    ASSERT_TRUE(layering.folders.contains(firstViewFolder));
    for (const QStringList& group : sideBySide) {
        for (const QString& folder : group)
            ASSERT_TRUE(layering.folders.contains(folder)) << folder.toStdString() << " is not built";
    }
    ASSERT_TRUE(layering.widgetHeaders.contains(QStringLiteral("QWidget"))) << "the QtWidgets headers were not found";
    ASSERT_FALSE(layering.widgetHeaders.contains(QStringLiteral("QShortcut")));
    const std::vector<Violation> violations = checkLayering(QStringLiteral(SABLEWICK_SOURCE_DIR "/src"), layering);
    EXPECT_TRUE(violations.empty()) << describe(violations);
}

// A small tree with one file per case, fed to the same check.
TEST(LayeringTest, PlantedWrongIncludesAreFound)
{
    const Layering layering{{QStringLiteral("platform"), QStringLiteral("rendering"), QStringLiteral("editor"),
                             QStringLiteral("recording"), QStringLiteral("screenshots"), QStringLiteral("components"),
                             QStringLiteral("workspace"), QStringLiteral("mainwindow"),
                             QStringLiteral("screenshoteditor"), QStringLiteral("app")},
                            {QStringLiteral("QWidget"), QStringLiteral("QLabel")},
                            sideBySide};
    struct Case {
        const char* file;
        const char* text;
        const char* wrongInclude;  // null when the file is sound
    };
    const std::vector<Case> cases{
        {"platform/Clock.h", "#include <QObject>\n#include \"platform/Other.h\"\n", nullptr},
        {"rendering/Writer.cpp", "#include \"rendering/Writer.h\"\n#include \"platform/Clock.h\"\n", nullptr},
        {"rendering/Reader.cpp", "// reads\n#include \"editor/EditorModel.h\"\n", "editor/EditorModel.h"},
        {"platform/Up.h", "#  include <app/Window.h>\n", "app/Window.h"},
        {"rendering/Relative.cpp", "#include \"../recording/Recorder.h\"\n", "recording/Recorder.h"},
        {"editor/Peer.cpp", "#include \"recording/Recorder.h\"\n", "recording/Recorder.h"},
        {"recording/Peer.cpp", "#include \"editor/EditorModel.h\"\n", "editor/EditorModel.h"},
        {"screenshots/Capture.cpp", "#include \"recording/RecorderError.h\"\n", "recording/RecorderError.h"},
        {"editor/View.cpp", "#include <QLabel>\n", "QLabel"},
        {"rendering/Module.cpp", "#include <QtWidgets/QSlider>\n", "QtWidgets/QSlider"},
        {"components/Button.cpp", "#include <QWidget>\n#include \"platform/Clock.h\"\n", nullptr},
        {"components/Panel.cpp", "#include \"editor/EditorModel.h\"\n", "editor/EditorModel.h"},
        {"workspace/Tab.cpp", "#include \"editor/EditorModel.h\"\n#include \"mainwindow/Text.h\"\n",
         "mainwindow/Text.h"},
        {"mainwindow/Window.cpp", "#include \"workspace/Tab.h\"\n#include \"components/Sheet.h\"\n", nullptr},
        {"mainwindow/Menu.cpp", "#include \"screenshoteditor/Setup.h\"\n", "screenshoteditor/Setup.h"},
        {"screenshoteditor/View.cpp", "#include \"workspace/Tab.h\"\n#include \"mainwindow/Sheet.h\"\n",
         "mainwindow/Sheet.h"},
        {"app/Main.cpp",
         "#include <QtWidgets/QApplication>\n#include \"components/Button.h\"\n#include \"mainwindow/Window.h\"\n"
         "#include \"screenshoteditor/View.h\"\n",
         nullptr},
        {"stray/Thing.cpp", "#include <QString>\n", ""},
    };
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    for (const Case& c : cases) {
        const QString path = root.filePath(QString::fromLatin1(c.file));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.text);
    }

    const std::vector<Violation> violations = checkLayering(root.path(), layering);
    for (const Case& c : cases) {
        std::vector<QString> found;
        for (const Violation& v : violations) {
            if (v.file == QLatin1String(c.file))
                found.push_back(v.include);
        }
        if (!c.wrongInclude) {
            EXPECT_TRUE(found.empty()) << c.file << "\n" << describe(violations);
        } else {
            ASSERT_EQ(found.size(), 1u) << c.file << "\n" << describe(violations);
            EXPECT_EQ(found.front(), QString::fromLatin1(c.wrongInclude)) << c.file;
        }
    }
}

}  // namespace
}  // namespace sablewick

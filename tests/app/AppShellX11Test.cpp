// The whole application on the private X server: its windows, its hot keys, one instance per
// session bus, and the relaunch into a build installed over it.
#include "app/StudioSession.h"

#include "app/TestTrayHost.h"
#include "editor/EditorModel.h"
#include "document/DocumentError.h"
#include "document/Project.h"
#include "editor/EditorTestSupport.h"
#include "media/MediaProbe.h"
#include "support/PrivateSessionBus.h"
#include "support/TemporaryEnvironment.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "preferences/FakeSystemAppearance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <csignal>
#include <functional>

namespace sablewick {
namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

bool waitFor(const std::function<bool()>& condition, int milliseconds = 20000)
{
    return test::waitUntil(condition, milliseconds);
}

// A visible window of that process with exactly this title (other tests may show windows of the
// same name on the same server).
QString visibleWindow(const QString& title, qint64 pid)
{
    return run("xdotool", {"search", "--all", "--onlyvisible", "--pid", QString::number(pid), "--name",
                           "^" + title + "$"})
        .split('\n')
        .first();
}

// What a window manager sends when the user clicks a window's close button.
void closeWindow(const QString& id)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(display);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = id.toULong();
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, id.toULong(), False, NoEventMask, &event);
    XCloseDisplay(display);
}

// Whether the first window lies above the second among the root window's children.
bool isAbove(const QString& upper, const QString& lower)
{
    Display* display = XOpenDisplay(nullptr);
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    int upperAt = -1, lowerAt = -1;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        // Bottom first.
        for (unsigned i = 0; i < count; ++i) {
            if (children[i] == upper.toULong())
                upperAt = static_cast<int>(i);
            if (children[i] == lower.toULong())
                lowerAt = static_cast<int>(i);
        }
        XFree(children);
    }
    XCloseDisplay(display);
    return upperAt >= 0 && lowerAt >= 0 && upperAt > lowerAt;
}

class AppShellX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(qgetenv("DISPLAY"), QByteArray()) << "x11 tests run under the test command's Xvfb";
        ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.address);
        environment.insert("SABLEWICK_STATE_DIRECTORY", folder.filePath("state"));
        environment.insert("XDG_CONFIG_HOME", folder.filePath("config"));
        environment.remove("QT_QPA_PLATFORM");
    }
    void TearDown() override
    {
        for (QProcess* app : {&first, &second}) {
            if (app->state() != QProcess::NotRunning) {
                app->kill();
                app->waitForFinished();
            }
        }
    }
    void launch(QProcess& app, const QStringList& arguments = {})
    {
        app.setProcessEnvironment(environment);
        app.setWorkingDirectory(folder.path());
        app.start(SABLEWICK_EXECUTABLE, arguments);
        ASSERT_TRUE(app.waitForStarted(10000));
    }
    QString waitForWindow(const QString& title, const QProcess& app)
    {
        QString id;
        waitFor([&] { return !(id = visibleWindow(title, app.processId())).isEmpty(); });
        return id;
    }
    QString waitForMainWindow() { return waitForWindow("Sablewick", first); }

    QTemporaryDir folder;
    test::PrivateSessionBus bus;
    QProcessEnvironment environment;
    QProcess first;
    QProcess second;
};

TEST_F(AppShellX11Test, WindowsOpenFromTheTrayMenuWithTheirTitlesAndSizes)
{
    test::TestTrayHost tray(bus.address);
    launch(first);
    const QString main = waitForMainWindow();
    ASSERT_FALSE(main.isEmpty()) << first.readAllStandardError().toStdString();
    EXPECT_TRUE(run("xdotool", {"getwindowgeometry", main}).contains("Geometry: 1380x900"));

    ASSERT_TRUE(waitFor([&] { return !tray.items().isEmpty(); })) << "no tray icon was registered";
    ASSERT_TRUE(waitFor([&] { return tray.menuLayout().contains("\"New recording…\""); }))
        << tray.menuLayout().toStdString();

    ASSERT_TRUE(tray.click("Image editor"));
    const QString image = waitForWindow("Image Studio", first);
    ASSERT_FALSE(image.isEmpty());
    EXPECT_TRUE(run("xdotool", {"getwindowgeometry", image}).contains("Geometry: 1280x840"));

    ASSERT_TRUE(tray.click("Settings…"));
    const QString settings = waitForWindow("Settings", first);
    ASSERT_FALSE(settings.isEmpty());
    EXPECT_TRUE(run("xdotool", {"getwindowgeometry", settings}).contains("Geometry: 650x610"));
}

// The windows of the process that are on the screen now.
QStringList visibleWindows(qint64 pid)
{
    return run("xdotool", {"search", "--all", "--onlyvisible", "--pid", QString::number(pid), "--name", ""})
        .split('\n', Qt::SkipEmptyParts);
}

TEST_F(AppShellX11Test, TheTrayMenuShowsItsSymbolsAndOpensOnAPrimaryClick)
{
    test::TestTrayHost tray(bus.address);
    launch(first);
    const QString main = waitForMainWindow();
    ASSERT_FALSE(main.isEmpty()) << first.readAllStandardError().toStdString();
    ASSERT_TRUE(waitFor([&] { return !tray.items().isEmpty(); })) << "no tray icon was registered";
    ASSERT_TRUE(waitFor([&] { return tray.menuLayout().contains("\"Take screenshot…\""); }));

    // An entry is its id and its properties by name; the symbol travels as PNG data.
    const QString layout = tray.menuLayout("icon-data");
    for (const char* label : {"New recording…", "Take screenshot…", "Open image…", "Open editor", "Settings…"}) {
        const int at = layout.indexOf(QStringLiteral("\"%1\"").arg(label));
        ASSERT_GE(at, 0) << label;
        const int entry = layout.lastIndexOf("int32 ", at);
        const int end = layout.indexOf("int32 ", at);
        EXPECT_TRUE(layout.mid(entry, end - entry).contains("icon-data")) << label << " has no symbol";
    }

    const QStringList before = visibleWindows(first.processId());
    tray.activate(200, 10);
    QString menu;
    EXPECT_TRUE(waitFor([&] {
        for (const QString& id : visibleWindows(first.processId()))
            if (!before.contains(id))
                menu = id;
        return !menu.isEmpty();
    })) << "a primary click showed nothing";
}

TEST_F(AppShellX11Test, SecondLaunchHandsOverAndRaisesTheFirst)
{
    launch(first);
    const QString main = waitForMainWindow();
    ASSERT_FALSE(main.isEmpty());

    // Another window lies over it when the user launches again, with a file.
    QWidget elsewhere;
    elsewhere.setWindowTitle("Elsewhere");
    elsewhere.show();
    const QString other = QString::number(elsewhere.winId());
    ASSERT_TRUE(waitFor([&] {
        elsewhere.raise();
        return isAbove(other, main);
    }));

    launch(second, {"clip.mp4"});
    ASSERT_TRUE(second.waitForFinished(15000)) << "the second process stayed";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    // Without a window manager the server keeps the focus where it is; the window is raised.
    EXPECT_TRUE(waitFor([&] { return isAbove(main, other); })) << "the first instance's window did not come forward";
}

TEST_F(AppShellX11Test, ClosedMainWindowStaysReachableByItsHotKey)
{
    launch(first);
    const QString main = waitForMainWindow();
    ASSERT_FALSE(main.isEmpty());

    closeWindow(main);
    ASSERT_TRUE(waitFor([&] { return visibleWindow("Sablewick", first.processId()).isEmpty(); }))
        << "the window did not close";
    // Holding its system-wide keys, the application stays without windows: the key, pressed after
    // the window went, still reaches the same process.
    run("xdotool", {"key", "ctrl+alt+super+r"});
    EXPECT_FALSE(waitForMainWindow().isEmpty()) << "the recording key did not bring the editor back";
    EXPECT_EQ(first.state(), QProcess::Running);
}

// The running process is a session in this test; the installed copy is the real program in a
// temporary prefix, started as a process of its own.
TEST_F(AppShellX11Test, RelaunchStartsTheInstalledCopyWhichReopensTheRecovery)
{
    const QString bin = folder.filePath("prefix/bin");
    ASSERT_TRUE(QDir().mkpath(bin));
    const QString program = QDir(bin).filePath("sablewick");
    ASSERT_TRUE(QFile::copy(SABLEWICK_EXECUTABLE, program));
    QFile info(QDir(bin).filePath(StudioInstallation::buildInfoFileName));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write(R"({"build": "1"})");
    info.close();

    // The new process inherits what this one has.
    test::ScopedEnvironment environmentOfBoth;
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "SABLEWICK_STATE_DIRECTORY", "XDG_CONFIG_HOME"})
        environmentOfBoth.set(name, environment.value(name).toStdString());
    const QString preferencesPath = folder.filePath("config/Sablewick/preferences.json");
    FilePreferencesStore defaults(preferencesPath);
    AppPreferences preferences(defaults, std::make_shared<test::FakeSystemAppearance>());
    test::FakePlaybackFactory playback;
    StudioSessionServices services = standardSessionServices(playback);
    services.defaults = &defaults;
    services.preferences = &preferences;
    services.editor.defaults = &defaults;
    services.installation = StudioInstallation::at(program);
    bool quit = false;
    services.quit = [&] { quit = true; };
    StudioSession session(std::move(services));
    EXPECT_EQ(session.installation().runningBuild, "1");

    bool opened = false;
    session.editor().document().open(QUrl::fromLocalFile(test::makeClip(folder.path(), "clip.mp4", 1)), std::nullopt,
                                     [&](bool ok) { opened = ok; });
    ASSERT_TRUE(waitFor([&] { return opened; }));

    ASSERT_TRUE(info.open(QIODevice::WriteOnly | QIODevice::Truncate));
    info.write(R"({"build": "2"})");
    info.close();
    ASSERT_TRUE(session.hasInstalledUpdate());
    ASSERT_TRUE(session.reopenAfterSavingRecovery());
    EXPECT_TRUE(quit);

    // The installed copy shows its window, finds the flag and reopens the recovery copy. Its
    // window is called "Sablewick" only until the recovery has opened, and then after the movie
    // ("clip — Sablewick"): on a busy machine the first title may be gone before it is looked for.
    qint64 relaunched = 0;
    QString window;
    struct EndRelaunched {
        qint64& pid;
        ~EndRelaunched()
        {
            if (pid > 0)
                ::kill(static_cast<pid_t>(pid), SIGTERM);
        }
    } endRelaunched{relaunched};
    ASSERT_TRUE(waitFor(
        [&] {
            for (const QString& id :
                 run("xdotool", {"search", "--onlyvisible", "--name", "^(Sablewick|clip — Sablewick)$"}).split('\n')) {
                const qint64 pid = run("xdotool", {"getwindowpid", id}).toLongLong();
                if (pid > 0 && QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() == program) {
                    relaunched = pid;
                    window = id;
                }
            }
            return relaunched != 0;
        },
        60000))
        << "the installed copy did not start";
    EXPECT_TRUE(waitFor([&] {
        return FilePreferencesStore(preferencesPath).value(StudioSession::restoreAfterUpdateKey) == QVariant(false);
    })) << "the new process did not take up the restore flag";
    EXPECT_TRUE(waitFor([&] { return run("xdotool", {"getwindowname", window}) == "clip — Sablewick"; }, 60000))
        << "the new process did not reopen the movie; its window is called "
        << run("xdotool", {"getwindowname", window}).toStdString();
}

// The whole road a user takes: the record key opens the setup sheet, Return starts, the panel
// floats while the user clicks, types and marks a zoom in another program, the record key stops,
// and the recording opens in the editor with what was done, and nothing of the panel or the keys.
TEST_F(AppShellX11Test, ARecordingStartedByItsKeyOpensInTheEditorWithWhatWasDone)
{
    const QString videos = folder.filePath("videos");
    ASSERT_TRUE(QDir().mkpath(folder.filePath("config")));
    QFile dirs(folder.filePath("config/user-dirs.dirs"));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write(QStringLiteral("XDG_VIDEOS_DIR=\"%1\"\n").arg(videos).toUtf8());
    dirs.close();

    launch(first);
    const QString main = waitForMainWindow();
    ASSERT_FALSE(main.isEmpty()) << first.readAllStandardError().toStdString();

    // The program the user works in while recording.
    QWidget elsewhere;
    elsewhere.setWindowTitle("Elsewhere");
    elsewhere.setGeometry(100, 500, 1000, 450);
    elsewhere.show();
    const QString other = QString::number(elsewhere.winId());
    // The main window may still raise itself as its start finishes, after this one appeared.
    ASSERT_TRUE(waitFor([&] {
        elsewhere.raise();
        return isAbove(other, main);
    }));

    run("xdotool", {"key", "ctrl+alt+super+r"});
    QString sheet;
    ASSERT_TRUE(waitFor([&] {
        for (const QString& id : run("xdotool", {"search", "--all", "--onlyvisible", "--pid",
                                                 QString::number(first.processId()), "--name", "^Sablewick$"})
                                     .split('\n'))
            if (!id.isEmpty() && id != main)
                sheet = id;
        return !sheet.isEmpty();
    })) << "the record key showed no setup sheet";
    run("xdotool", {"windowfocus", "--sync", sheet});
    run("xdotool", {"key", "Return"});
    const QString panel = waitForWindow("Recording", first);
    ASSERT_FALSE(panel.isEmpty()) << "no recording panel appeared";
    // The program's own windows are out of the recording: the sheet closed, the main window away.
    ASSERT_TRUE(waitFor([&] { return visibleWindow("Sablewick", first.processId()).isEmpty(); }))
        << "our windows stayed in the picture";
    const QString panelGeometry = run("xdotool", {"getwindowgeometry", panel});
    EXPECT_TRUE(panelGeometry.contains("Geometry: 390x64")) << panelGeometry.toStdString();
    const QRect panelFrame = elsewhere.screen()->geometry();
    const QPoint clock(panelFrame.center().x() - 195 + 70, 18 + 32);

    // The user turns to the other program.
    ASSERT_TRUE(waitFor([&] {
        elsewhere.raise();
        run("xdotool", {"windowfocus", "--sync", other});
        return run("xdotool", {"getwindowfocus"}) == other;
    }));
    run("xdotool", {"mousemove", "300", "650", "click", "1"});
    run("xdotool", {"type", "--delay", "40", "hi"});
    run("xdotool", {"mousemove", "900", "700", "key", "ctrl+alt+super+m"});
    // The panel's own clock: a click there belongs to this program and is left out.
    run("xdotool", {"mousemove", QString::number(clock.x()), QString::number(clock.y()), "click", "1"});
    // A last click in the other program. Clicks reach the program in order: once this one is in
    // the recording's copy on disk, the click on the panel has been dealt with too. The stop key
    // would follow a click, so it would show as a burst of its own if it were taken for typing.
    run("xdotool", {"mousemove", "700", "600", "click", "1"});
    const QString recordings = videos + "/Sablewick Recordings";
    ASSERT_TRUE(waitFor([&] {
        for (const QString& name : QDir(recordings).entryList({"Recording-*.partial.json"}, QDir::Files)) {
            try {
                const std::vector<FocusPoint> events = ProjectFile::readSidecar(recordings + "/" + name).events;
                if (!events.empty() && events.back().kind == FocusKind::click && events.size() >= 4)
                    return true;
            } catch (const DocumentError&) {
                // not written yet
            }
        }
        return false;
    })) << "the last click never reached the recording";
    run("xdotool", {"windowfocus", "--sync", other});
    run("xdotool", {"key", "ctrl+alt+super+r"});

    QString opened;
    ASSERT_TRUE(waitFor([&] {
        opened = visibleWindow("Recording-.*", first.processId());
        return !opened.isEmpty();
    }, 40000)) << "the recording did not open in the editor";
    EXPECT_EQ(opened, main);

    const QStringList movies = QDir(recordings).entryList({"Recording-*.mov"}, QDir::Files);
    ASSERT_EQ(movies.size(), 1) << movies.join(", ").toStdString();
    const QString movie = recordings + "/" + movies.first();
    const MediaInfo info = probeMedia(movie.toStdString());
    const QSize screen = elsewhere.screen()->geometry().size();
    EXPECT_EQ(info.video().width, screen.width());
    EXPECT_EQ(info.video().height, screen.height());

    const FocusSidecar sidecar = ProjectFile::readSidecar(FocusSidecar::pathFor(movie));
    struct Expected {
        FocusKind kind;
        QPointF pixel;
    };
    const Expected expected[] = {{FocusKind::click, {300, 650}},
                                 {FocusKind::typing, {300, 650}},
                                 {FocusKind::manual, {900, 700}},
                                 {FocusKind::click, {700, 600}}};
    std::string found;
    for (const FocusPoint& point : sidecar.events)
        found += QStringLiteral(" kind %1 at %2,%3")
                     .arg(static_cast<int>(point.kind))
                     .arg(point.x * screen.width())
                     .arg((1 - point.y) * screen.height())
                     .toStdString();
    ASSERT_EQ(sidecar.events.size(), std::size(expected)) << found;
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const FocusPoint& point = sidecar.events[i];
        EXPECT_EQ(point.kind, expected[i].kind) << i;
        EXPECT_NEAR(point.x * screen.width(), expected[i].pixel.x(), 1.0) << i;
        EXPECT_NEAR((1 - point.y) * screen.height(), expected[i].pixel.y(), 1.0) << i;
    }
}

TEST_F(AppShellX11Test, QuitsCleanlyFromTheKeyboard)
{
    launch(first);
    const QString main = waitForMainWindow();
    ASSERT_FALSE(main.isEmpty());
    // No window manager runs on the private server: focus the window directly, then type through
    // XTEST so that Qt sees a real key press rather than a synthetic event.
    run("xdotool", {"windowfocus", "--sync", main});
    run("xdotool", {"key", "ctrl+q"});
    ASSERT_TRUE(first.waitForFinished(10000)) << "the application did not quit on Ctrl+Q";
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
}

}  // namespace
}  // namespace sablewick

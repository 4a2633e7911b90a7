#include "journey/SablewickJourney.h"

#include <QFile>
#include <QJsonDocument>

#include <csignal>

namespace sablewick::journey {
namespace {

std::unique_ptr<JourneyDesktop>& sharedDesktop()
{
    static std::unique_ptr<JourneyDesktop> desktop;
    return desktop;
}

// Stops the shared desktop after the last journey, while the application object still lives.
class DesktopEnvironment final : public ::testing::Environment {
public:
    void TearDown() override { sharedDesktop().reset(); }
};
[[maybe_unused]] const ::testing::Environment* const desktopEnvironment =
    ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);

}  // namespace

JourneyDesktop& SablewickJourney::desktop()
{
    if (!sharedDesktop()) {
        sharedDesktop() = std::make_unique<JourneyDesktop>();
        // The accessibility bus is found through this desktop's session bus.
        const QProcessEnvironment environment = sharedDesktop()->environment();
        for (const char* name : {"DISPLAY", "DBUS_SESSION_BUS_ADDRESS"})
            qputenv(name, environment.value(name).toLocal8Bit());
    }
    return *sharedDesktop();
}

void SablewickJourney::SetUp()
{
    ASSERT_TRUE(m_root.isValid());
    ASSERT_TRUE(desktop().error().isEmpty()) << desktop().error().toStdString();
    for (const char* folder : {"home/Videos", "home/Pictures", "home/.config", "home/.local/share",
                               "home/.local/state", "home/.cache", "work", "recovery"})
        ASSERT_TRUE(QDir().mkpath(m_root.filePath(folder)));
    QFile dirs(m_root.filePath("home/.config/user-dirs.dirs"));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write(QStringLiteral("XDG_VIDEOS_DIR=\"%1\"\nXDG_PICTURES_DIR=\"%2\"\n").arg(videos(), pictures()).toUtf8());
    dirs.close();
    // The pointer starts where no window of a journey lies.
    desktop().xdotool({"mousemove", "--sync", "1900", "1060"});
}

void SablewickJourney::TearDown()
{
    // What the screen showed when a journey failed, where the runner asks for it.
    const QString shots = qEnvironmentVariable("SABLEWICK_JOURNEY_SHOTS");
    if (HasFailure() && !shots.isEmpty() && QDir().mkpath(shots)) {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        desktop().grab().save(QDir(shots).filePath(QStringLiteral("%1.%2.png").arg(test->test_suite_name(), test->name())));
    }
    stop(second);
    stop(app);
}

QProcessEnvironment SablewickJourney::environment() const
{
    QProcessEnvironment environment = desktop().environment();
    environment.insert("HOME", home());
    environment.insert("XDG_CONFIG_HOME", home() + "/.config");
    environment.insert("XDG_DATA_HOME", home() + "/.local/share");
    environment.insert("XDG_STATE_HOME", home() + "/.local/state");
    environment.insert("XDG_CACHE_HOME", home() + "/.cache");
    environment.insert("SABLEWICK_STATE_DIRECTORY", recovery());
    // What a screen reader turns on: the journeys find the controls where a screen reader does.
    environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    return environment;
}

void SablewickJourney::launch(QProcess& instance, const QStringList& arguments)
{
    instance.setProcessEnvironment(environment());
    instance.setWorkingDirectory(work());
    instance.setProcessChannelMode(QProcess::MergedChannels);
    instance.start(QStringLiteral(SABLEWICK_EXECUTABLE), arguments);
    ASSERT_TRUE(instance.waitForStarted(10000)) << "sablewick did not start";
}

std::string SablewickJourney::output()
{
    m_output += QString::fromLocal8Bit(app.readAll());
    return m_output.right(4000).toStdString();
}

QString SablewickJourney::waitForWindow(const QString& titlePattern, int milliseconds) const
{
    QString id;
    waitFor(
        [&] {
            const QStringList found = windows(titlePattern);
            id = found.value(0);
            return !id.isEmpty();
        },
        milliseconds);
    return id;
}

QString SablewickJourney::waitForNewWindow(const QStringList& before) const
{
    QString found;
    waitFor([&] {
        for (const QString& id : windows(".+"))
            if (!before.contains(id))
                found = id;
        return !found.isEmpty();
    });
    return found;
}

QString SablewickJourney::waitForMainWindow(int milliseconds) const
{
    return waitForWindow(QStringLiteral("Sablewick"), milliseconds);
}

std::optional<QRect> SablewickJourney::waitForControl(const QString& name, const QString& role, int milliseconds) const
{
    std::optional<QRect> rect;
    waitFor([&] { return (rect = JourneyAccessibility::find(app.processId(), name, role)).has_value(); }, milliseconds);
    return rect;
}

void SablewickJourney::click(const QString& name, const QString& role)
{
    const std::optional<QRect> rect = waitForControl(name, role);
    ASSERT_TRUE(rect) << "no control named '" << name.toStdString() << "' is shown; the program shows:\n"
                      << JourneyAccessibility::describe(app.processId()).toStdString();
    clickAt(rect->center());
}

void SablewickJourney::clickAt(QPoint point, int button) const
{
    desktop().xdotool({"mousemove", "--sync", QString::number(point.x()), QString::number(point.y()), "click",
                       QString::number(button)});
}

void SablewickJourney::chooseSegment(const QString& name, int index, int count)
{
    // Segmented controls read as combo boxes.
    const std::optional<QRect> control = waitForControl(name, "combo box");
    ASSERT_TRUE(control) << "no control named '" << name.toStdString() << "'";
    clickAt({control->left() + control->width() * (2 * index + 1) / (2 * count), control->center().y()});
}

void SablewickJourney::saveAs(const QString& button, const QString& path)
{
    const QStringList before = windows(".+");
    click(button, "push button");
    const QString dialog = waitForNewWindow(before);
    ASSERT_FALSE(dialog.isEmpty()) << "no save dialog appeared";
    activate(dialog);
    desktop().xdotool({"key", "--clearmodifiers", "ctrl+a", "BackSpace"});
    desktop().xdotool({"type", "--delay", "20", path});
    desktop().xdotool({"key", "Return"});
}

void SablewickJourney::drag(QPoint from, QPoint to) const
{
    desktop().xdotool({"mousemove", "--sync", QString::number(from.x()), QString::number(from.y()), "mousedown", "1"});
    // In steps, as a hand moves: past the drag threshold first, then along the way.
    constexpr int steps = 8;
    for (int i = 1; i <= steps; ++i) {
        const QPoint at = from + (to - from) * i / steps;
        desktop().xdotool({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y())});
    }
    desktop().xdotool({"mouseup", "1"});
}

void SablewickJourney::activate(const QString& window) const
{
    desktop().xdotool({"windowactivate", "--sync", window});
}

void SablewickJourney::key(const QString& window, const QString& keys) const
{
    activate(window);
    desktop().xdotool({"key", "--clearmodifiers", keys});
}

void SablewickJourney::type(const QString& window, const QString& text) const
{
    activate(window);
    desktop().xdotool({"type", "--delay", "30", text});
}

QString SablewickJourney::launchWithMovie(double seconds)
{
    launch({makeMovie("clip.mp4", seconds)});
    const QString window = waitForWindow(titled("clip"));
    if (window.isEmpty() || !waitForControl("Video preview")) {
        ADD_FAILURE() << "the movie did not open\n" << output();
        return {};
    }
    return window;
}

std::optional<QRect> SablewickJourney::addZoom()
{
    click("Add zoom", "push button");
    const QString segment = QStringLiteral("Manual zoom at.*");
    std::optional<QRect> zoom = waitForControl(segment, "push button", 10000);
    if (!zoom) {
        // The zoom waits for its subject: the user points at it in the preview.
        clickAt(waitForControl("Video preview").value_or(QRect()).center());
        zoom = waitForControl(segment, "push button");
    }
    return zoom;
}

QString SablewickJourney::makeMovie(const QString& name, double seconds, QSize size) const
{
    const QString path = QDir(work()).filePath(name);
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                            QStringLiteral("testsrc2=size=%1x%2:rate=30").arg(size.width()).arg(size.height()), "-f",
                            "lavfi", "-i", "sine=frequency=440:sample_rate=48000", "-t", QString::number(seconds),
                            "-c:v", "libx264", "-preset", "ultrafast", "-g", "30", "-pix_fmt", "yuv420p", "-c:a", "aac",
                            "-shortest", path});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        ADD_FAILURE() << "ffmpeg could not make " << name.toStdString() << ": "
                      << ffmpeg.readAllStandardError().toStdString();
    return path;
}

QJsonObject probe(const QString& path)
{
    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-show_streams", "-show_format", "-of", "json", path});
    if (!ffprobe.waitForFinished(30000))
        return {};
    return QJsonDocument::fromJson(ffprobe.readAllStandardOutput()).object();
}

}  // namespace sablewick::journey

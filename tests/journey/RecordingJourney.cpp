// A recording as a user makes one: started from the main window, pointer moves, clicks and typing
// in another program, stopped by the record key; then the movie, its sidecar and the panel that
// offers the edit.
#include "journey/SablewickJourney.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace sablewick::journey {
namespace {

class RecordingJourney : public SablewickJourney {
protected:
    void TearDown() override
    {
        stop(target);
        SablewickJourney::TearDown();
    }

    // The program with its main window, and the other program beside it.
    void startBoth()
    {
        launch();
        main = waitForMainWindow();
        ASSERT_FALSE(main.isEmpty()) << output();
        other = openTarget();
        ASSERT_FALSE(other.isEmpty()) << "xmessage showed no window";
    }

    // The program the user works in while recording: a small window of its own at a known place.
    QString openTarget()
    {
        target.setProcessEnvironment(desktop().environment());
        target.start("xmessage", {"-name", "journeytarget", "-title", "Journey target", "-geometry", "700x300+150+650",
                                  "-buttons", "", "A window to click and type in"});
        // xmessage does not name its process on its window.
        QString id;
        waitFor([&] { return !(id = desktop().windows(0, "Journey target").value(0)).isEmpty(); });
        return id;
    }

    QProcess target;
    QString main;
    QString other;
};

struct Recorded {
    QString movie;
    QJsonObject sidecar;
};

// The movie and its sidecar, once both are complete (the sidecar reads as JSON and the movie has
// a duration).
Recorded waitForRecording(const QString& folder)
{
    Recorded found;
    waitFor(
        [&] {
            const QStringList movies = QDir(folder).entryList({"*.mov", "*.mp4"}, QDir::Files);
            if (movies.size() != 1)
                return false;
            const QString movie = QDir(folder).filePath(movies.first());
            QFile sidecar(movie.left(movie.lastIndexOf('.')) + ".sablewick.json");
            if (!sidecar.open(QIODevice::ReadOnly))
                return false;
            const QJsonDocument document = QJsonDocument::fromJson(sidecar.readAll());
            if (!document.isObject())
                return false;
            if (probe(movie)["format"].toObject()["duration"].toString().toDouble() <= 0)
                return false;
            found = {movie, document.object()};
            return true;
        },
        60000);
    return found;
}

// Whether some sample of a list of {x, y} in the sidecar's convention (fractions of the display,
// y upwards) lies within a few pixels of a screen point.
bool passesNear(const QJsonArray& samples, QPoint point, QSize screen, double pixels = 3)
{
    for (const QJsonValue& value : samples) {
        const QJsonObject sample = value.toObject();
        const double x = sample["x"].toDouble() * screen.width();
        const double y = (1 - sample["y"].toDouble()) * screen.height();
        if (std::abs(x - point.x()) <= pixels && std::abs(y - point.y()) <= pixels)
            return true;
    }
    return false;
}

QImage firstFrame(const QString& movie, const QString& folder)
{
    const QString png = QDir(folder).filePath("first-frame.png");
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-i", movie, "-frames:v", "1", png});
    ffmpeg.waitForFinished(60000);
    return QImage(png).convertToFormat(QImage::Format_RGB32);
}

// The share of pixels of `area` in `frame` that look as they did in `before`.
double sameShare(const QImage& frame, const QImage& before, QRect area)
{
    int same = 0, all = 0;
    for (int y = area.top(); y <= area.bottom(); y += 4) {
        for (int x = area.left(); x <= area.right(); x += 4) {
            const QRgb a = frame.pixel(x, y);
            const QRgb b = before.pixel(x - area.left(), y - area.top());
            ++all;
            if (std::abs(qRed(a) - qRed(b)) < 24 && std::abs(qGreen(a) - qGreen(b)) < 24
                && std::abs(qBlue(a) - qBlue(b)) < 24)
                ++same;
        }
    }
    return all ? double(same) / all : 1;
}

TEST_F(RecordingJourney, PointerClicksAndTypingLandInTheMovieAndItsSidecar)
{
    ASSERT_NO_FATAL_FAILURE(startBoth());
    activate(main);
    const QRect mainFrame = desktop().windowGeometry(main);
    const QImage mainBefore = desktop().grab(mainFrame);

    click("New recording", "push button");
    click("Start recording", "push button");
    ASSERT_FALSE(waitForWindow(titled("Recording")).isEmpty()) << "no recording panel appeared\n" << output();
    ASSERT_TRUE(waitForControl("Stop recording", "push button")) << "the recording did not start\n" << output();

    // Work in the other program: it comes forward, and the pointer travels, clicks and types there.
    activate(other);
    const QPoint path[] = {{300, 700}, {500, 760}, {700, 820}, {400, 800}};
    for (const QPoint& point : path)
        desktop().xdotool({"mousemove", "--sync", QString::number(point.x()), QString::number(point.y()), "sleep",
                           "0.15"});
    const QPoint clicked(420, 780);
    clickAt(clicked);
    desktop().xdotool({"type", "--delay", "40", "hello"});
    desktop().xdotool({"sleep", "0.5", "key", "ctrl+alt+super+r"});

    const Recorded recorded = waitForRecording(recordings());
    ASSERT_FALSE(recorded.movie.isEmpty()) << "no complete movie and sidecar in " << recordings().toStdString() << ": "
                                           << QDir(recordings()).entryList().join(", ").toStdString() << "\n"
                                           << output();

    const QJsonObject video = probe(recorded.movie)["streams"].toArray().first().toObject();
    EXPECT_EQ(video["codec_type"].toString(), "video");
    EXPECT_EQ(video["width"].toInt(), 1920);
    EXPECT_EQ(video["height"].toInt(), 1080);

    const QSize screen(1920, 1080);
    const QJsonArray samples = recorded.sidecar["pointerSamples"].toArray();
    EXPECT_GE(samples.size(), 10) << "too few pointer samples";
    for (const QPoint& point : path)
        EXPECT_TRUE(passesNear(samples, point, screen)) << "no pointer sample at " << point.x() << "," << point.y();
    QJsonArray clicks;
    for (const QJsonValue& event : recorded.sidecar["events"].toArray())
        if (event.toObject()["kind"].toString() == "click")
            clicks.append(event);
    EXPECT_EQ(clicks.size(), 1) << QJsonDocument(recorded.sidecar["events"].toArray()).toJson().toStdString();
    EXPECT_TRUE(passesNear(clicks, clicked, screen)) << "the click is not where it was made";

    // The editor's window was out of the way while the screen was recorded.
    const QImage first = firstFrame(recorded.movie, work());
    ASSERT_EQ(first.size(), screen);
    EXPECT_LT(sameShare(first, mainBefore, mainFrame), 0.5) << "the main window shows in the recording's first frame";
}

TEST_F(RecordingJourney, EditOnTheReadyPanelBringsTheMainWindowForward)
{
    ASSERT_NO_FATAL_FAILURE(startBoth());

    click("New recording", "push button");
    click("Start recording", "push button");
    ASSERT_TRUE(waitForControl("Stop recording", "push button")) << "the recording did not start\n" << output();
    desktop().xdotool({"mousemove", "--sync", "400", "750", "sleep", "1"});
    // The panel's own stop button this time.
    const QString panel = waitForWindow(titled("Recording"));
    ASSERT_FALSE(panel.isEmpty());
    const QRect panelArea = desktop().windowGeometry(panel);
    std::optional<QRect> stop;
    waitFor([&] {
        return (stop = JourneyAccessibility::find(app.processId(), "Stop recording", "push button", panelArea))
            .has_value();
    });
    ASSERT_TRUE(stop) << "the panel shows no Stop\n" << JourneyAccessibility::describe(app.processId()).toStdString();
    clickAt(stop->center());
    ASSERT_FALSE(waitForRecording(recordings()).movie.isEmpty()) << output();

    // The user is in the other program when the recording is ready.
    activate(other);
    ASSERT_TRUE(waitFor([&] { return desktop().activeWindow() == other; }));
    const std::optional<QRect> edit = waitForControl("Edit", "push button");
    ASSERT_TRUE(edit) << "the panel offers no Edit\n" << JourneyAccessibility::describe(app.processId()).toStdString();
    clickAt(edit->center());
    EXPECT_TRUE(waitFor([&] { return desktop().activeWindow() == main; }))
        << "the active window is '" << desktop().windowTitle(desktop().activeWindow()).toStdString() << "'";
    EXPECT_TRUE(desktop().windowTitle(main).startsWith("Recording-")) << "the main window does not show the recording";
}

}  // namespace
}  // namespace sablewick::journey

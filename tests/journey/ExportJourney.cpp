// Exports as a user makes them: the export sheet, its choices, the save dialog with a typed name,
// and the file that lands where it was asked for.
#include "journey/SablewickJourney.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

namespace sablewick::journey {
namespace {

class ExportJourney : public SablewickJourney {
protected:
    void openExportSheet()
    {
        main = launchWithMovie(2);
        ASSERT_FALSE(main.isEmpty());
        key(main, "ctrl+e");
        ASSERT_TRUE(waitForControl("Export quality", "slider")) << "Ctrl+E showed no export sheet";
    }
    // 720p: the entry above the 1080p of a fresh start in the resolution's menu, chosen with the
    // keyboard (the menu opens on the current entry).
    void chooseSmallestResolution()
    {
        ASSERT_TRUE(waitForControl("1920 × 1080 pixels.*", "label")) << "the sheet does not start at 1080p";
        click("Resolution", "combo box");
        ASSERT_TRUE(waitFor([&] { return !desktop().popups(app.processId()).isEmpty(); }))
            << "the resolution menu did not open";
        desktop().xdotool({"key", "Up", "Return"});
        ASSERT_TRUE(waitFor([&] { return JourneyAccessibility::find(app.processId(), "1280 × 720 pixels.*", "label").has_value(); }))
            << "the sheet does not show the chosen size:\n" << JourneyAccessibility::describe(app.processId()).toStdString();
    }
    QString main;
};

// The written file once it is complete: readable by ffprobe with a duration.
QJsonObject waitForExport(const QString& path, int milliseconds = 120000)
{
    QJsonObject described;
    waitFor(
        [&] {
            if (!QFile::exists(path))
                return false;
            described = probe(path);
            return described["format"].toObject()["duration"].toString().toDouble() > 0;
        },
        milliseconds);
    return described;
}

TEST_F(ExportJourney, AnMp4ExportHasTheChosenSizeInH264)
{
    ASSERT_NO_FATAL_FAILURE(openExportSheet());
    ASSERT_NO_FATAL_FAILURE(chooseSmallestResolution());
    const QString path = work() + "/exported.mp4";
    ASSERT_NO_FATAL_FAILURE(saveAs("Export MP4…", path));
    const QJsonObject described = waitForExport(path);
    ASSERT_FALSE(described.isEmpty()) << "no complete movie at " << path.toStdString() << "\n" << output();
    QJsonObject video;
    for (const QJsonValue& stream : described["streams"].toArray())
        if (stream.toObject()["codec_type"].toString() == "video")
            video = stream.toObject();
    EXPECT_EQ(video["codec_name"].toString().toStdString(), "h264");
    EXPECT_EQ(video["width"].toInt(), 1280);
    EXPECT_EQ(video["height"].toInt(), 720);
}

TEST_F(ExportJourney, AGifTypedWithAnMp4NameIsWrittenAsAGif)
{
    ASSERT_NO_FATAL_FAILURE(openExportSheet());
    // The format's segments, side by side: MP4, MOV, GIF.
    ASSERT_NO_FATAL_FAILURE(chooseSegment("Format", 2, 3));
    ASSERT_TRUE(waitForControl("Export GIF…", "push button", 10000)) << "GIF was not chosen";
    ASSERT_NO_FATAL_FAILURE(chooseSmallestResolution());
    ASSERT_NO_FATAL_FAILURE(saveAs("Export GIF…", work() + "/animation.mp4"));

    // Whatever name the file was given, the export ends with one.
    QString written;
    ASSERT_TRUE(waitFor(
        [&] {
            const QStringList files = QDir(work()).entryList({"animation.*"}, QDir::Files);
            written = files.size() == 1 ? work() + "/" + files.first() : QString();
            return !written.isEmpty() && !waitForExport(written, 0).isEmpty();
        },
        120000))
        << "no export was written\n" << output();
    EXPECT_EQ(QFileInfo(written).fileName().toStdString(), "animation.gif");
    const QString gif = written;
    const QJsonObject described = probe(gif);
    QFile file(gif);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(6).toStdString(), "GIF89a");
    EXPECT_EQ(described["streams"].toArray().first().toObject()["codec_name"].toString().toStdString(), "gif");
}

}  // namespace
}  // namespace sablewick::journey

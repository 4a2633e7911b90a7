// The application's own windows stay out of a real recording of the private X server (which has
// no window manager: nothing there minimises a window) and come back after it.
#include "app/MinimizedTopLevelWindows.h"
#include "recording/Recorder.h"
#include "editor/EditorTestSupport.h"
#include "recording/X11CaptureBackend.h"

#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>

namespace sablewick {
namespace {

constexpr int kScreenWidth = 1920, kScreenHeight = 1080;
const QColor kOwnColour(0x13, 0xe7, 0xa1);  // found nowhere else on the test display

// One of our windows, painted all over in its colour.
class PaintedWindow : public QWidget {
public:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), kOwnColour); }
};

bool onScreen(const QWidget& window)
{
    return window.isVisible() && window.windowHandle() && window.windowHandle()->isExposed();
}

// The first frames of a movie as RGB, decoded by FFmpeg's own command line.
std::vector<QImage> firstFrames(const QString& movie, int count)
{
    QProcess ffmpeg;
    ffmpeg.start(
        QStringLiteral("ffmpeg"),
        {"-v", "error", "-i", movie, "-frames:v", QString::number(count), "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    EXPECT_TRUE(ffmpeg.waitForFinished(30000));
    const QByteArray bytes = ffmpeg.readAllStandardOutput();
    const qsizetype frameBytes = qsizetype(kScreenWidth) * kScreenHeight * 3;
    std::vector<QImage> frames;
    for (qsizetype at = 0; at + frameBytes <= bytes.size(); at += frameBytes)
        frames.push_back(QImage(reinterpret_cast<const uchar*>(bytes.constData() + at), kScreenWidth, kScreenHeight,
                                kScreenWidth * 3, QImage::Format_RGB888)
                             .copy());
    return frames;
}

// Pixels of `rect` within a little of our colour (the movie's colour is not exact).
int ownPixels(const QImage& frame, const QRect& rect)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); y += 4)
        for (int x = rect.left(); x <= rect.right(); x += 4) {
            const QColor c = frame.pixelColor(x, y);
            if (std::abs(c.red() - kOwnColour.red()) + std::abs(c.green() - kOwnColour.green())
                    + std::abs(c.blue() - kOwnColour.blue())
                < 60)
                ++count;
        }
    return count;
}

TEST(RecordingWindowsX11Test, OurWindowsAreOutOfTheRecordingAndComeBackAfterIt)
{
    QTemporaryDir dir;
    PaintedWindow window;
    const QRect geometry(200, 150, 600, 400);
    window.setGeometry(geometry);
    window.show();
    ASSERT_TRUE(test::waitUntil([&] { return onScreen(window); }));

    X11CaptureBackend backend;
    MinimizedTopLevelWindows windows;
    Recorder recorder(backend, dir.filePath("Recordings"));
    recorder.setWindows(&windows);
    std::optional<bool> started;
    recorder.start(RecordingOptions{}, [&](bool ok) { started = ok; });
    ASSERT_TRUE(test::waitUntil([&] { return started.has_value(); }));
    ASSERT_TRUE(*started) << recorder.notice().value_or("").toStdString();
    EXPECT_FALSE(onScreen(window));
    recorder.stop();
    ASSERT_TRUE(test::waitUntil([&] { return recorder.finishedURL().has_value() || recorder.notice().has_value(); }));
    ASSERT_TRUE(recorder.finishedURL()) << recorder.notice().value_or("").toStdString();

    // Back as it was once the recording ended.
    EXPECT_TRUE(test::waitUntil([&] { return onScreen(window); }));
    EXPECT_FALSE(window.isMinimized());
    EXPECT_EQ(window.geometry(), geometry);

    const std::vector<QImage> frames = firstFrames(recorder.finishedURL()->toLocalFile(), 3);
    ASSERT_FALSE(frames.empty());
    for (std::size_t i = 0; i < frames.size(); ++i)
        EXPECT_EQ(ownPixels(frames[i], geometry), 0) << "frame " << i;
}

}  // namespace
}  // namespace sablewick

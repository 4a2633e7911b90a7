// The selection program and the display capture on the test's private X server, driven by real
// pointer and key events from xdotool.
#include "platform/DisplayList.h"
#include "screenshots/ScreenshotCapture.h"
#include "screenshots/X11Screen.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>
#include <X11/Xlib.h>

namespace sablewick {
namespace {

const QString kProgram = QStringLiteral(SABLEWICK_SELECTION_PROGRAM);

// Another client's hold on the keyboard and the pointer, as a desktop's own shortcut has while its
// keys are down.
class InputHold {
public:
    InputHold() : m_display(XOpenDisplay(nullptr)) {}
    ~InputHold() { XCloseDisplay(m_display); }
    // How many of the two the server gave us.
    int take()
    {
        const Window root = DefaultRootWindow(m_display);
        const bool keyboard =
            XGrabKeyboard(m_display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
        const bool pointer = XGrabPointer(m_display, root, False, 0, GrabModeAsync, GrabModeAsync, None, None,
                                          CurrentTime) == GrabSuccess;
        XSync(m_display, False);
        return int(keyboard) + int(pointer);
    }
    void release()
    {
        XUngrabKeyboard(m_display, CurrentTime);
        XUngrabPointer(m_display, CurrentTime);
        XSync(m_display, False);
    }

private:
    Display* m_display;
};

// True once some other client holds both the keyboard and the pointer; a probe that got either
// gives it straight back.
bool inputHeldElsewhere()
{
    InputHold probe;
    const int taken = probe.take();
    probe.release();
    return taken == 0;
}

void xdotool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    ASSERT_TRUE(tool.waitForFinished(10000)) << arguments.join(QLatin1Char(' ')).toStdString();
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
}

class CaptureSelectionTest : public ::testing::Test {
protected:
    // Starts the program and waits until its layer has taken the keyboard and the pointer.
    void start(const char* modeFlag)
    {
        launch(modeFlag);
        // The layer takes the keyboard and pointer just after it appears.
        ASSERT_TRUE(QTest::qWaitFor(inputHeldElsewhere, 10000)) << "the layer never took the input";
    }

    // Starts the program and waits until its layer is mapped.
    void launch(const char* modeFlag)
    {
        m_path = m_dir.filePath(QStringLiteral("choice.png"));
        m_program.start(kProgram, {QStringLiteral("-i"), QString::fromLatin1(modeFlag), QStringLiteral("-x"),
                                   QStringLiteral("-t"), QStringLiteral("png"), m_path});
        ASSERT_TRUE(m_program.waitForStarted(10000));
        xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--name"), QStringLiteral("^Sablewick capture selection$")});
    }

    int finish()
    {
        EXPECT_TRUE(m_program.waitForFinished(10000));
        return m_program.exitStatus() == QProcess::NormalExit ? m_program.exitCode() : -1;
    }

    QTemporaryDir m_dir;
    QProcess m_program;
    QString m_path;
};

TEST_F(CaptureSelectionTest, DraggingChoosesAnAreaOfTheDraggedSize)
{
    start("-s");
    xdotool({QStringLiteral("mousemove"), QStringLiteral("100"), QStringLiteral("100"), QStringLiteral("mousedown"),
             QStringLiteral("1"), QStringLiteral("mousemove"), QStringLiteral("180"), QStringLiteral("140"),
             QStringLiteral("mousemove"), QStringLiteral("250"), QStringLiteral("180"), QStringLiteral("mouseup"),
             QStringLiteral("1")});
    EXPECT_EQ(finish(), 0) << m_program.readAllStandardError().toStdString();
    EXPECT_EQ(QImage(m_path).size(), QSize(150, 80));
}

TEST_F(CaptureSelectionTest, ClickingChoosesTheWindowUnderThePointer)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Target"));
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(0x20, 0x80, 0x40));
    window.setPalette(palette);
    window.setGeometry(400, 300, 320, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // Painted on the server before the program freezes the screen.
    const QPoint middle = window.geometry().center();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const QImage seen = window.screen()->grabWindow(0, middle.x(), middle.y(), 1, 1).toImage();
        return seen.pixelColor(0, 0) == QColor(0x20, 0x80, 0x40);
    }, 10000));

    start("-w");
    xdotool({QStringLiteral("mousemove"), QStringLiteral("500"), QStringLiteral("380"), QStringLiteral("click"),
             QStringLiteral("1")});
    EXPECT_EQ(finish(), 0) << m_program.readAllStandardError().toStdString();
    const QImage shot(m_path);
    EXPECT_EQ(shot.size(), window.frameGeometry().size());
    EXPECT_EQ(shot.pixelColor(shot.width() / 2, shot.height() / 2), QColor(0x20, 0x80, 0x40));
}

// A shown window of one flat colour, painted on the server.
std::unique_ptr<QWidget> flatWindow(const QRect& geometry, QColor color)
{
    auto window = std::make_unique<QWidget>();
    window->setAutoFillBackground(true);
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, color);
    window->setPalette(palette);
    window->setGeometry(geometry);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    // Painted on the server before the program freezes the screen.
    const QPoint middle = window->geometry().center();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QImage seen = window->screen()->grabWindow(0, middle.x(), middle.y(), 1, 1).toImage();
            return seen.pixelColor(0, 0) == color;
        },
        10000));
    return window;
}

// The pixels of the screen that read as white text.
int whitePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            count += qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200;
        }
    return count;
}

// In both modes a hint says what to do: white text on the darkened screen, at the top of the
// main screen, where a flat window lies under the layer.
TEST_F(CaptureSelectionTest, AHintSaysWhatToDo)
{
    const auto backdrop = flatWindow(QRect(0, 0, X11Screen::rootRect().width(), 200), QColor(0x20, 0x80, 0x40));
    ASSERT_EQ(whitePixels(X11Screen::grab(QRect(0, 0, 1920, 200), false)), 0);
    for (const char* mode : {"-s", "-w"}) {
        SCOPED_TRACE(mode);
        start(mode);
        EXPECT_TRUE(
            QTest::qWaitFor([] { return whitePixels(X11Screen::grab(QRect(0, 0, 1920, 200), false)) > 40; }, 5000));
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        EXPECT_EQ(finish(), 1);
    }
}

// As the pointer moves, the window under it is outlined along its edges, and only that one.
TEST_F(CaptureSelectionTest, WindowModeOutlinesTheWindowUnderThePointer)
{
    const QColor green(0x20, 0x80, 0x40), orange(0xE0, 0x70, 0x10);
    const auto left = flatWindow(QRect(400, 300, 320, 200), green);
    const auto right = flatWindow(QRect(900, 300, 320, 200), orange);
    const QColor outline = QColor::fromRgba(0xFF0A84FF);
    // Whether each edge of the window shows the outline and its inside is at full brightness.
    const auto outlined = [&](const QWidget& window, QColor inside) {
        const QRect r = window.frameGeometry();
        const QImage shot = X11Screen::grab(r, false);
        const int w = shot.width() - 1, h = shot.height() - 1;
        const bool edges = shot.pixelColor(1, h / 2) == outline && shot.pixelColor(w - 1, h / 2) == outline
            && shot.pixelColor(w / 2, 1) == outline && shot.pixelColor(w / 2, h - 1) == outline;
        return edges && shot.pixelColor(w / 2, h / 2) == inside;
    };
    const auto plain = [&](const QWidget& window) {
        const QRect r = window.frameGeometry();
        const QImage shot = X11Screen::grab(r, false);
        return shot.pixelColor(1, shot.height() / 2) != outline && shot.pixelColor(shot.width() / 2, 1) != outline;
    };

    start("-w");
    xdotool({QStringLiteral("mousemove"), QStringLiteral("500"), QStringLiteral("380")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return outlined(*left, green); }, 5000));
    EXPECT_TRUE(plain(*right));
    xdotool({QStringLiteral("mousemove"), QStringLiteral("1000"), QStringLiteral("400")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return outlined(*right, orange) && plain(*left); }, 5000));
    xdotool({QStringLiteral("mousemove"), QStringLiteral("100"), QStringLiteral("900")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return plain(*left) && plain(*right); }, 5000));
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    EXPECT_EQ(finish(), 1);
    EXPECT_FALSE(QFile::exists(m_path));
}

TEST_F(CaptureSelectionTest, InputHeldByAnotherClientWhenTheLayerAppearsIsTakenOnceFree)
{
    InputHold other;
    ASSERT_EQ(other.take(), 2);
    launch("-s");
    other.release();
    ASSERT_TRUE(QTest::qWaitFor(inputHeldElsewhere, 10000)) << "the layer never took the input";
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    EXPECT_EQ(finish(), 1);
    EXPECT_FALSE(QFile::exists(m_path));
}

TEST_F(CaptureSelectionTest, EscapeLeavesNothingAndSaysNothing)
{
    start("-s");
    xdotool({QStringLiteral("mousemove"), QStringLiteral("200"), QStringLiteral("200"), QStringLiteral("key"),
             QStringLiteral("Escape")});
    EXPECT_EQ(finish(), 1);
    EXPECT_FALSE(QFile::exists(m_path));
    EXPECT_TRUE(m_program.readAllStandardError().isEmpty());
}

TEST(DisplayCaptureTest, CapturesTheWholeMainDisplay)
{
    QTemporaryDir dir;
    ScreenshotCaptureServices services;
    services.folder = dir.path();
    ScreenshotCapture capture(services);
    std::optional<QString> path;
    ScreenshotCaptureOptions options;
    options.mode = ScreenshotCaptureMode::display;
    options.includeCursor = true;
    QSignalSpy ended(&capture, &ScreenshotCapture::isCapturingChanged);
    capture.capture(options, [&](const QString& written) { path = written; });
    ASSERT_TRUE(ended.wait(10000));
    while (capture.isCapturing())
        ASSERT_TRUE(ended.wait(10000));
    ASSERT_TRUE(path) << (capture.error() ? capture.error()->toStdString() : std::string());
    const DisplayLayout layout = DisplayList::current();
    ASSERT_NE(layout.main(), nullptr);
    EXPECT_EQ(QImage(*path).size(), layout.main()->geometry.size());
}

}  // namespace
}  // namespace sablewick

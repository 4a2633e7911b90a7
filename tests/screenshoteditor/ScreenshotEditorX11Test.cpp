#include "mainwindow/XdotoolDriver.h"
#include "preferences/FakeSystemAppearance.h"
#include "support/TemporaryEnvironment.h"

#include "components/StudioButton.h"
#include "document/CanvasStyle.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "screenshoteditor/ImageCanvasGeometry.h"
#include "screenshoteditor/ImageCanvasView.h"
#include "screenshoteditor/ImageEditorSession.h"
#include "screenshoteditor/ScreenshotEditorView.h"
#include "screenshots/ScreenshotModel.h"
#include "screenshots/ScreenshotRenderer.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

namespace sablewick {
namespace {

using test::XdotoolDriver;

class OpenOnlySession final : public ImageEditorSession {
public:
    explicit OpenOnlySession(ScreenshotModel& model) : m_model(model) {}
    ScreenshotModel& screenshot() override { return m_model; }
    void captureScreenshot(const ScreenshotCaptureOptions&) override {}
    void importImage() override {}
    void openImage(const QUrl& url) override { m_model.open(url); }
    void pasteImage() override {}
    bool hasInstalledUpdate() const override { return false; }
    bool saveAndReopenForUpdate() override { return false; }
    void windowAppeared() override {}

private:
    ScreenshotModel& m_model;
};

constexpr QRgb sourceGrey = 0xFF808080;
constexpr RgbColor markColour = 0xF05A67;

// Pixels of `image` within `rect` that show the marks' colour.
int markPixels(const QImage& image, QRect rect)
{
    const QColor want = QColor::fromRgb(QRgb(markColour));
    int count = 0;
    rect = rect.intersected(image.rect());
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - want.red()) < 40 && std::abs(c.green() - want.green()) < 40
                && std::abs(c.blue() - want.blue()) < 40)
                ++count;
        }
    return count;
}

// A user with a mouse and a keyboard on the real X server: an arrow, a text and a badge drawn on an
// opened screenshot, the picture cropped, and the export's PNG showing all of it.
TEST(ScreenshotEditorX11Test, MarksDrawnWithTheMouseAndACropReachTheExportedPicture)
{
    QTemporaryDir dir;
    test::ScopedEnvironment environment;
    environment.set("SABLEWICK_STATE_DIRECTORY", dir.filePath("state").toStdString());
    QImage source(800, 500, QImage::Format_RGB32);
    source.fill(sourceGrey);
    const QString sourcePath = dir.filePath("Screen.png");
    ASSERT_TRUE(source.save(sourcePath));

    MemoryPreferencesStore store;
    AppPreferences preferences(store, std::make_shared<test::FakeSystemAppearance>());
    CanvasPresets presets(store);
    ScreenshotModel model{ScreenshotModelServices()};
    OpenOnlySession session(model);
    const QString exportPath = dir.filePath("Export.png");
    ScreenshotEditorWindow window({&session, &preferences, &presets,
                                   [&](const QString&, ScreenshotFormat) -> std::optional<QString> { return exportPath; },
                                   {}});
    ScreenshotEditorView& view = *window.view();
    QTimer* watchdog = XdotoolDriver::watchdog(90);

    session.openImage(QUrl::fromLocalFile(sourcePath));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isOpening(); }));
    ASSERT_TRUE(model.sourceURL());
    window.resize(1400, 900);
    window.move(0, 0);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    XdotoolDriver::focus(&window);
    ImageCanvasView& canvas = *view.canvas();
    ASSERT_TRUE(QTest::qWaitFor([&] { return canvas.isVisible() && canvas.canvasRect().width() > 100; }, 5000));

    const auto screenPoint = [&](double x, double y) {
        const QRectF rect = canvas.canvasRect();
        const QPointF local = rect.topLeft()
            + ImageCanvasGeometry::previewRect({x, y, 0, 0}, model.sourceSize(), rect.size(), model.settings()).topLeft();
        return canvas.mapToGlobal(local.toPoint());
    };
    const auto pickTool = [&](const char* name) {
        XdotoolDriver::click(view.toolbar()->widgetForAction(view.action(name)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return view.action(name)->isChecked(); }, 5000)) << name;
    };
    const auto drag = [&](QPointF from, QPointF to) {
        const QPoint a = screenPoint(from.x(), from.y());
        const QPoint b = screenPoint(to.x(), to.y());
        const QPoint mid = (a + b) / 2;
        XdotoolDriver::run({"mousemove", "--sync", QString::number(a.x()), QString::number(a.y()), "mousedown", "1",
                            "mousemove", "--sync", QString::number(mid.x()), QString::number(mid.y()), "mousemove",
                            "--sync", QString::number(b.x()), QString::number(b.y()), "mouseup", "1"});
    };

    // An arrow.
    pickTool("tool.Arrow");
    drag({0.15, 0.45}, {0.45, 0.7});
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.annotations().size() == 1; }, 10000));
    EXPECT_EQ(model.annotations()[0].tool, ScreenshotTool::arrow);

    // A text, typed into the prompt.
    pickTool("tool.Text");
    XdotoolDriver::clickAt(screenPoint(0.55, 0.5));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.textPrompt() && view.textPrompt()->isVisible(); }, 10000));
    XdotoolDriver::type(view.textPrompt(), "Hello");
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.textPrompt()->field()->text() == "Hello"; }, 10000));
    XdotoolDriver::key(view.textPrompt(), "Return");
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.annotations().size() == 2; }, 10000));
    EXPECT_EQ(model.annotations()[1].text, "Hello");

    // A badge.
    XdotoolDriver::focus(&window);
    pickTool("tool.Number");
    XdotoolDriver::clickAt(screenPoint(0.3, 0.8));
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.annotations().size() == 3; }, 10000));
    EXPECT_EQ(model.annotations()[2].text, "1");

    // A click on the badge with the select tool takes it without moving it or recording a step.
    pickTool("tool.Select");
    // The badge's step is closed now rather than after the pause that folds quick edits into one:
    // the click on the toolbar came after the badge's click, so that one has been handled.
    model.flushEdits();
    const ScreenshotAnnotation badge = model.annotations()[2];
    XdotoolDriver::clickAt(screenPoint(0.3, 0.8));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.selected() == badge.id; }, 10000));
    EXPECT_EQ(model.annotations()[2], badge);
    model.undo();
    EXPECT_EQ(model.annotations().size(), 2u) << "the click recorded no step of its own";
    model.redo();
    ASSERT_EQ(model.annotations().size(), 3u);

    // The crop, dragged from the lower right to the upper left.
    pickTool("tool.Crop");
    drag({0.9, 0.9}, {0.1, 0.4});
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.settings().cropLeft > 0; }, 10000));
    EXPECT_NEAR(model.settings().cropLeft, 0.1, 0.01);
    EXPECT_NEAR(model.settings().cropTop, 0.4, 0.01);
    EXPECT_NEAR(model.settings().cropRight, 0.1, 0.01);
    EXPECT_NEAR(model.settings().cropBottom, 0.1, 0.01);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.action("tool.Select")->isChecked(); }, 5000));

    // The export, through its sheet.
    QSignalSpy finished(&model, &ScreenshotModel::exportFinished);
    XdotoolDriver::click(view.toolbar()->widgetForAction(view.action("export")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.exportSheet() && view.exportSheet()->isVisible(); }, 10000));
    XdotoolDriver::focus(view.exportSheet());
    XdotoolDriver::click(view.exportSheet()->exportButton());
    ASSERT_TRUE(finished.wait(30000) || finished.size() > 0) << model.notice().value_or("no notice").toStdString();

    const QImage exported(exportPath, "PNG");
    ASSERT_FALSE(exported.isNull()) << model.notice().value_or("no notice").toStdString();
    EXPECT_EQ(exported.size(), ScreenshotRenderer::outputSize(model.sourceSize(), model.settings(), 1));
    const auto exportRect = [&](QRectF sourceRect) {
        return ImageCanvasGeometry::previewRect(sourceRect, model.sourceSize(), QSizeF(exported.size()), model.settings())
            .toAlignedRect()
            .adjusted(-2, -2, 2, 2);
    };
    const auto& marks = model.annotations();
    EXPECT_GT(markPixels(exported, exportRect(marks[0].bounds())), 200) << "the arrow";
    EXPECT_GT(markPixels(exported, exportRect(marks[1].bounds())), 50) << "the text";
    EXPECT_GT(markPixels(exported, exportRect(marks[2].bounds())), 200) << "the badge";
    EXPECT_EQ(markPixels(exported, exportRect({0.7, 0.62, 0.15, 0.1})), 0) << "an empty part of the picture";
    // The crop: the picture's own grey fills a card of the kept part's shape, 640 by 250 source
    // pixels, not the whole picture's 800 by 500.
    const QRect probe = exportRect({0.8, 0.65, 0, 0});
    const auto grey = [&](int x, int y) { return (exported.pixel(x, y) & 0xFFFFFF) == (sourceGrey & 0xFFFFFF); };
    int across = 0;
    int down = 0;
    for (int x = 0; x < exported.width(); ++x)
        across += grey(x, probe.center().y());
    for (int y = 0; y < exported.height(); ++y)
        down += grey(probe.center().x(), y);
    ASSERT_GT(down, 0);
    EXPECT_NEAR(double(across) / down, 640.0 / 250.0, 0.15);
    delete watchdog;
}

}  // namespace
}  // namespace sablewick

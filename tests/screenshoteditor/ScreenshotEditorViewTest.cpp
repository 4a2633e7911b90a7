#include "AnnotationFixture.h"
#include "preferences/FakeSystemAppearance.h"
#include "support/FakeScheduler.h"
#include "support/PostedEvents.h"
#include "support/TemporaryEnvironment.h"

#include "components/StudioButton.h"
#include "components/StudioInspector.h"
#include "components/StudioLabel.h"
#include "components/StudioMenuPicker.h"
#include "components/WidgetFit.h"
#include "components/WindowSheet.h"
#include "document/CanvasStyle.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "screenshoteditor/CropPanel.h"
#include "screenshoteditor/ImageCanvasGeometry.h"
#include "screenshoteditor/ImageCanvasView.h"
#include "screenshoteditor/ImageEditorSession.h"
#include "screenshoteditor/MarkupPanel.h"
#include "screenshoteditor/ScreenshotEditorView.h"
#include "screenshots/ScreenshotModel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace sablewick {
namespace {

using test::mark;

// The session as the window meets it: images open in the one real model; what reaches further
// (captures, the relaunch) is only counted.
class TestSession final : public ImageEditorSession {
public:
    explicit TestSession(ScreenshotModel& model) : m_model(model) {}
    ScreenshotModel& screenshot() override { return m_model; }
    void captureScreenshot(const ScreenshotCaptureOptions& options) override { captures.push_back(options); }
    void importImage() override { ++imports; }
    void openImage(const QUrl& url) override
    {
        opened.push_back(url);
        m_model.open(url);
    }
    void pasteImage() override { ++pastes; }
    bool hasInstalledUpdate() const override { return update; }
    bool saveAndReopenForUpdate() override
    {
        ++reopens;
        return false;
    }
    void windowAppeared() override { ++appeared; }

    std::vector<ScreenshotCaptureOptions> captures;
    std::vector<QUrl> opened;
    int imports = 0;
    int pastes = 0;
    int reopens = 0;
    int appeared = 0;
    bool update = false;

private:
    ScreenshotModel& m_model;
};

class ScreenshotEditorViewTest : public ::testing::Test {
protected:
    ScreenshotEditorViewTest()
    {
        environment.set("SABLEWICK_STATE_DIRECTORY", dir.filePath(QStringLiteral("state")).toStdString());
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(0xFF3366CC);
        imagePath = dir.filePath(QStringLiteral("Shot 1.png"));
        EXPECT_TRUE(image.save(imagePath));
        ScreenshotModelServices services;
        services.scheduler = &scheduler;
        model = std::make_unique<ScreenshotModel>(services);
        session = std::make_unique<TestSession>(*model);
    }

    ScreenshotEditorServices services()
    {
        return {session.get(), &preferences, &presets,
                [this](const QString& proposed, ScreenshotFormat) -> std::optional<QString> {
                    proposedNames.push_back(proposed);
                    return exportPath;
                },
                {}};
    }

    // A shown, active window over the model.
    ScreenshotEditorView& open(bool withImage = true)
    {
        if (withImage) {
            EXPECT_TRUE(model->open(QUrl::fromLocalFile(imagePath)));
            EXPECT_TRUE(QTest::qWaitFor([this] { return !model->isOpening(); }));
        }
        window = std::make_unique<ScreenshotEditorWindow>(services());
        window->resize(1300, 860);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QApplication::processEvents();
        return *window->view();
    }

    ImageCanvasView& canvas() { return *window->view()->canvas(); }

    // A point of the source picture in the canvas widget's coordinates.
    QPointF at(double x, double y)
    {
        const QRectF rect = canvas().canvasRect();
        return rect.topLeft()
            + ImageCanvasGeometry::previewRect({x, y, 0, 0}, model->sourceSize(), rect.size(), model->settings()).topLeft();
    }

    void mouse(QEvent::Type type, QPointF point, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, point, canvas().mapToGlobal(point), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&canvas(), &event);
    }

    int undoSteps()
    {
        scheduler.advance(ScreenshotModel::coalesceDelay + 0.01);
        int steps = 0;
        while (model->canUndo() && steps < 50) {
            model->undo();
            ++steps;
        }
        return steps;
    }

    void place(std::vector<ScreenshotAnnotation> marks)
    {
        model->setAnnotations(std::move(marks));
        model->flushEdits();
    }

    QTemporaryDir dir;
    test::ScopedEnvironment environment;
    test::FakeScheduler scheduler;
    MemoryPreferencesStore store;
    AppPreferences preferences{store, std::make_shared<test::FakeSystemAppearance>()};
    CanvasPresets presets{store};
    QString imagePath;
    std::unique_ptr<ScreenshotModel> model;
    std::unique_ptr<TestSession> session;
    std::unique_ptr<ScreenshotEditorWindow> window;
    std::optional<QString> exportPath;
    QStringList proposedNames;
};

TEST_F(ScreenshotEditorViewTest, EmptyStateOffersTheLastEditOnlyWhileItsCopyExists)
{
    ScreenshotEditorView& view = open(false);
    EXPECT_TRUE(view.isShowingEmptyState());
    EXPECT_EQ(window->windowTitle(), "Image Studio");
    EXPECT_EQ(view.subtitle(), QString::fromUtf8("Screenshot · Project saved"));
    EXPECT_FALSE(view.continueButton()->isVisible());
    EXPECT_EQ(session->appeared, 1);
    for (const char* name : {"tool.Arrow", "save", "projectOptions", "copyImage", "export"})
        EXPECT_FALSE(view.action(name)->isEnabled()) << name;
    EXPECT_TRUE(view.action("open")->isEnabled());
    EXPECT_TRUE(view.action("inspector")->isEnabled());

    // Another edit leaves its recovery copy behind; the empty state asks for it each time it is drawn.
    {
        ScreenshotModelServices services;
        services.scheduler = &scheduler;
        ScreenshotModel earlier(services);
        ASSERT_TRUE(earlier.open(QUrl::fromLocalFile(imagePath)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !earlier.isOpening(); }));
        earlier.setAnnotations({mark(ScreenshotTool::arrow, 0.1, 0.1, 0.5, 0.5)});
        earlier.flushEdits();
        ASSERT_TRUE(QFile::exists(ScreenshotModel::recoveryPath()));
    }
    view.action("inspector")->trigger();  // any redraw
    EXPECT_TRUE(view.continueButton()->isVisible());

    QTest::mouseClick(view.continueButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->isOpening(); }));
    ASSERT_TRUE(model->source().width() == 400);
    ASSERT_EQ(model->annotations().size(), 1u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view.isShowingEmptyState(); }, 5000));
    EXPECT_EQ(window->windowTitle(), "Shot 1");
    EXPECT_TRUE(view.action("export")->isEnabled());
}

TEST_F(ScreenshotEditorViewTest, AnUnreadableCopyLeavesTheEmptyStateWithTheModelsNotice)
{
    QDir().mkpath(QFileInfo(ScreenshotModel::recoveryPath()).absolutePath());
    QFile garbage(ScreenshotModel::recoveryPath());
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("not a project");
    garbage.close();
    ScreenshotEditorView& view = open(false);
    ASSERT_TRUE(view.continueButton()->isVisible());
    QTest::mouseClick(view.continueButton(), Qt::LeftButton);
    auto* notice = view.findChild<StudioLabel*>("emptyNotice");
    ASSERT_TRUE(notice);
    EXPECT_TRUE(QTest::qWaitFor([&] { return notice->isVisible(); }, 5000));
    EXPECT_TRUE(view.isShowingEmptyState());
    EXPECT_TRUE(notice->text().startsWith("Could not open screenshot project: ")) << notice->text().toStdString();
}

TEST_F(ScreenshotEditorViewTest, PagesToolsAndEscapeFollowEachOther)
{
    ScreenshotEditorView& view = open();
    EXPECT_EQ(view.tool(), ScreenshotTool::select);
    EXPECT_EQ(view.panel(), ImagePanel::canvas);
    EXPECT_EQ(view.footerHint()->text(), "Select or drag an annotation");

    view.choosePanel(ImagePanel::crop);
    EXPECT_EQ(view.tool(), ScreenshotTool::crop);
    EXPECT_TRUE(qobject_cast<CropPanel*>(view.inspectorPage()));
    view.choosePanel(ImagePanel::canvas);
    EXPECT_EQ(view.tool(), ScreenshotTool::crop) << "leaving the Crop page keeps its tool";

    view.action("tool.Arrow")->trigger();
    EXPECT_EQ(view.tool(), ScreenshotTool::arrow);
    EXPECT_EQ(view.panel(), ImagePanel::markup);
    EXPECT_TRUE(qobject_cast<MarkupPanel*>(view.inspectorPage()));
    EXPECT_EQ(view.footerHint()->text(), QString::fromUtf8("Arrow · Drag on the image"));
    view.action("tool.Select")->trigger();
    EXPECT_EQ(view.panel(), ImagePanel::markup) << "select leaves the page alone";

    // Escape returns to select and keeps the selection.
    place({mark(ScreenshotTool::rectangle, 0.2, 0.2, 0.5, 0.5)});
    mouse(QEvent::MouseButtonPress, at(0.3, 0.3), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, at(0.3, 0.3), Qt::NoButton);
    ASSERT_EQ(view.selected(), model->annotations()[0].id);
    view.action("tool.Crop")->trigger();
    QTest::keyClick(&canvas(), Qt::Key_Escape);
    EXPECT_EQ(view.tool(), ScreenshotTool::select);
    EXPECT_EQ(view.selected(), model->annotations()[0].id);
    EXPECT_TRUE(view.action("tool.Select")->isChecked());
}

// At the size the application opens the window at and at its smallest, empty or holding an
// image, the canvas page shows its ratio picker whole.
TEST_F(ScreenshotEditorViewTest, TheRatioPickerIsNeverCut)
{
    for (bool withImage : {false, true}) {
        ScreenshotEditorView& view = open(withImage);
        for (QSize size : {QSize(1280, 840), ScreenshotEditorView::minimumWindowSize}) {
            SCOPED_TRACE(testing::Message()
                         << (withImage ? "image " : "empty ") << size.width() << "x" << size.height());
            window->resize(size);
            QApplication::processEvents();
            ASSERT_EQ(window->size(), size);
            QWidget* picker = nullptr;
            for (auto* candidate : view.findChildren<StudioMenuPicker*>())
                if (candidate->accessibleName() == "Aspect ratio")
                    picker = candidate;
            EXPECT_EQ(test::clippingOf(picker), "");
        }
    }
}

// The toolbar shows tools as symbols only: a tool without a drawable symbol would fall back to its
// title and stand out as a word among the symbols.
TEST_F(ScreenshotEditorViewTest, EveryToolButtonShowsASymbolAndNoWord)
{
    ScreenshotEditorView& view = open();
    auto* toolbar = window->findChild<QToolBar*>(QStringLiteral("imageToolbar"));
    ASSERT_TRUE(toolbar);
    for (ScreenshotTool tool : EnumCases<ScreenshotTool>::cases) {
        QAction* action = view.action(QStringLiteral("tool.") + title(tool));
        ASSERT_TRUE(action) << storedValue(tool);
        auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(action));
        ASSERT_TRUE(button) << storedValue(tool);
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly) << storedValue(tool);
        EXPECT_FALSE(button->icon().pixmap(16).isNull()) << storedValue(tool) << " shows its title instead";
    }
}

TEST_F(ScreenshotEditorViewTest, EscapeInTheWindowStopsAMoveForTheRestOfThePress)
{
    ScreenshotEditorView& view = open();
    const ScreenshotAnnotation box = mark(ScreenshotTool::rectangle, 0.2, 0.2, 0.5, 0.5);
    place({box});
    mouse(QEvent::MouseButtonPress, at(0.3, 0.3), Qt::LeftButton);
    mouse(QEvent::MouseMove, at(0.4, 0.35), Qt::LeftButton);
    EXPECT_NE(model->annotations()[0], box);
    // The key goes to the window, wherever the focus is: here the inspector.
    view.inspector()->setFocus();
    QTest::keyClick(view.inspector(), Qt::Key_Escape);
    EXPECT_EQ(model->annotations()[0], box);
    mouse(QEvent::MouseMove, at(0.6, 0.6), Qt::LeftButton);
    EXPECT_EQ(model->annotations()[0], box) << "nothing moves until a new press";
    mouse(QEvent::MouseButtonRelease, at(0.6, 0.6), Qt::NoButton);
    EXPECT_EQ(model->annotations()[0], box);
    EXPECT_EQ(undoSteps(), 1) << "only the placing";

    // A new press moves again.
    place({box});
    mouse(QEvent::MouseButtonPress, at(0.3, 0.3), Qt::LeftButton);
    mouse(QEvent::MouseMove, at(0.4, 0.3), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, at(0.4, 0.3), Qt::NoButton);
    EXPECT_NEAR(model->annotations()[0].x, 0.3, 1e-6);
}

TEST_F(ScreenshotEditorViewTest, ClicksOnMarksSelectWithoutMovingOrRecording)
{
    ScreenshotEditorView& view = open();
    const struct {
        const char* name;
        ScreenshotAnnotation mark;
        QPointF press;
    } cases[] = {
        {"arrow", mark(ScreenshotTool::arrow, 0.2, 0.2, 0.6, 0.6), {0.4, 0.4}},
        {"badge past the right edge", mark(ScreenshotTool::number, 0.99, 0.5, 0.99, 0.5, "1"), {0.99, 0.5}},
        {"text past the bottom edge", mark(ScreenshotTool::text, 0.3, 0.97, 0.3, 0.97, "Long text here"), {0.32, 0.98}},
    };
    for (const auto& c : cases) {
        place({c.mark});
        while (model->canUndo())
            model->undo();
        place({c.mark});
        mouse(QEvent::MouseButtonPress, at(c.press.x(), c.press.y()), Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, at(c.press.x(), c.press.y()), Qt::NoButton);
        EXPECT_EQ(view.selected(), c.mark.id) << c.name;
        EXPECT_EQ(model->annotations()[0], c.mark) << c.name;
        EXPECT_EQ(undoSteps(), 1) << c.name << ": the click recorded a step";
    }
}

TEST_F(ScreenshotEditorViewTest, DeletingTheSelectionIsOneStepAndNothingWithoutOne)
{
    ScreenshotEditorView& view = open();
    place({mark(ScreenshotTool::arrow, 0.1, 0.1, 0.3, 0.3), mark(ScreenshotTool::rectangle, 0.5, 0.5, 0.8, 0.8)});
    EXPECT_FALSE(view.action("deleteAnnotation")->isEnabled());
    view.deleteSelection();
    EXPECT_EQ(model->annotations().size(), 2u);

    mouse(QEvent::MouseButtonPress, at(0.6, 0.6), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, at(0.6, 0.6), Qt::NoButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.action("deleteAnnotation")->isEnabled(); }, 5000));
    view.action("deleteAnnotation")->trigger();
    ASSERT_EQ(model->annotations().size(), 1u);
    EXPECT_EQ(model->annotations()[0].tool, ScreenshotTool::arrow);
    EXPECT_FALSE(view.selected());
    model->undo();
    EXPECT_EQ(model->annotations().size(), 2u) << "the removal is one step";
    EXPECT_EQ(undoSteps(), 1);
}

TEST_F(ScreenshotEditorViewTest, UndoThatRemovesTheSelectedMarkClearsTheSelection)
{
    ScreenshotEditorView& view = open();
    view.action("tool.Number")->trigger();
    mouse(QEvent::MouseButtonPress, at(0.5, 0.5), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, at(0.5, 0.5), Qt::NoButton);
    ASSERT_EQ(model->annotations().size(), 1u);
    ASSERT_TRUE(view.selected());
    model->undo();
    EXPECT_TRUE(model->annotations().empty());
    EXPECT_FALSE(view.selected());
}

TEST_F(ScreenshotEditorViewTest, TheTextPromptAddsWhatWasTypedAtThePressAsOneStep)
{
    ScreenshotEditorView& view = open();
    view.action("tool.Text")->trigger();
    mouse(QEvent::MouseButtonPress, at(0.25, 0.4), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, at(0.5, 0.5), Qt::NoButton);
    AddTextPrompt* prompt = view.textPrompt();
    ASSERT_TRUE(prompt);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(prompt));
    // Room for the title beside a title bar's icon and buttons, and for a line of words.
    const QFontMetrics metrics(prompt->font());
    EXPECT_GE(prompt->width(), metrics.horizontalAdvance(prompt->windowTitle()) + 200);
    EXPECT_GE(prompt->field()->width(), 30 * metrics.averageCharWidth());
    EXPECT_FALSE(prompt->addButton()->isEnabled());
    QTest::keyClicks(prompt->field(), " ");
    EXPECT_TRUE(prompt->addButton()->isEnabled()) << "a space is a text";
    prompt->field()->clear();
    QTest::keyClicks(prompt->field(), "Look here");
    QTest::mouseClick(prompt->addButton(), Qt::LeftButton);
    ASSERT_EQ(model->annotations().size(), 1u);
    const ScreenshotAnnotation& text = model->annotations()[0];
    EXPECT_EQ(text.tool, ScreenshotTool::text);
    EXPECT_EQ(text.text, "Look here");
    EXPECT_NEAR(text.x, 0.25, 1e-6);
    EXPECT_NEAR(text.y, 0.4, 1e-6);
    EXPECT_EQ(text.color, 0xF05A67u);
    EXPECT_TRUE(model->canUndo()) << "a step at once, without the pause";
    EXPECT_EQ(undoSteps(), 1);

    // Cancel adds nothing.
    view.promptForText({0.5, 0.5});
    ASSERT_TRUE(view.textPrompt());
    QTest::keyClicks(view.textPrompt()->field(), "Never");
    view.textPrompt()->reject();
    EXPECT_TRUE(model->annotations().empty());
}

TEST_F(ScreenshotEditorViewTest, ResetCropIsOneStepAndNoneWithoutACrop)
{
    ScreenshotEditorView& view = open();
    view.resetCrop();
    EXPECT_FALSE(model->canUndo());
    EditSettings settings = model->settings();
    settings.cropLeft = 0.1;
    settings.cropBottom = 0.2;
    model->setSettings(settings);
    view.resetCrop();
    EXPECT_EQ(model->settings().cropLeft, 0);
    EXPECT_EQ(model->settings().cropBottom, 0);
    model->undo();
    EXPECT_EQ(model->settings().cropLeft, 0.1) << "the whole reset is one step";
    EXPECT_EQ(model->settings().cropBottom, 0.2);
}

TEST_F(ScreenshotEditorViewTest, ExportRunsAfterTheSheetAndWritesTheChosenFile)
{
    ScreenshotEditorView& view = open();
    place({mark(ScreenshotTool::rectangle, 0.2, 0.2, 0.6, 0.6)});
    exportPath = dir.filePath("out.png");

    // Cancel never asks for a file.
    view.action("export")->trigger();
    ASSERT_TRUE(view.exportSheet());
    QTest::mouseClick(view.exportSheet()->cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.exportSheet(); }, 5000)) << "the sheet stayed";
    ASSERT_TRUE(test::handlePostedEvents());  // where a confirmed sheet's save panel would be asked for
    EXPECT_TRUE(proposedNames.isEmpty());

    view.action("export")->trigger();
    ASSERT_TRUE(view.exportSheet());
    EXPECT_EQ(view.exportSheet()->exportButton()->text(), "Export PNG");
    bool disabledWhileExporting = false;
    bool cardWhileExporting = false;
    QObject::connect(model.get(), &ScreenshotModel::isExportingChanged, &view, [&] {
        if (model->isExporting()) {
            disabledWhileExporting = !view.body()->isEnabled() && !view.toolbar()->isEnabled();
            cardWhileExporting = view.progressCard()->isVisible() && view.progressCard()->isEnabled();
        }
    });
    QSignalSpy finished(model.get(), &ScreenshotModel::exportFinished);
    QTest::mouseClick(view.exportSheet()->exportButton(), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(proposedNames, QStringList{"Shot 1-edited.png"});
    EXPECT_TRUE(disabledWhileExporting);
    EXPECT_TRUE(cardWhileExporting);
    EXPECT_TRUE(view.body()->isEnabled());
    EXPECT_FALSE(view.progressCard()->isVisible());
    QImageReader reader(*exportPath);
    EXPECT_EQ(reader.format(), "png");
    EXPECT_EQ(reader.size(), ScreenshotRenderer::outputSize(model->sourceSize(), model->settings(), 1));
    EXPECT_EQ(view.footerNotice()->text(), "Saved out.png");
}

TEST_F(ScreenshotEditorViewTest, DropsOpenTheFirstFileAndNoneWhileExporting)
{
    ScreenshotEditorView& view = open(false);
    QImage other(120, 80, QImage::Format_RGB32);
    other.fill(Qt::white);
    const QString otherPath = dir.filePath("Other.png");
    ASSERT_TRUE(other.save(otherPath));
    const auto drop = [&](QList<QUrl> urls) {
        QMimeData data;
        data.setUrls(urls);
        // A drop reaches only the widget that took the drag when it entered.
        QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &enter);
        QDropEvent event(QPointF(200, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
        EXPECT_TRUE(test::handlePostedEvents());  // the open follows the drop's answer
        return event.isAccepted();
    };
    EXPECT_FALSE(drop({}));
    EXPECT_TRUE(drop({QUrl::fromLocalFile(otherPath), QUrl::fromLocalFile(imagePath)}));
    ASSERT_EQ(session->opened.size(), 1u);
    EXPECT_EQ(session->opened[0], QUrl::fromLocalFile(otherPath));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view.isShowingEmptyState(); }, 5000));
    EXPECT_EQ(window->windowTitle(), "Other");

    model->exportImage(QUrl::fromLocalFile(dir.filePath("out.png")), ScreenshotFormat::png, 0.92, 1, false);
    ASSERT_TRUE(model->isExporting());
    EXPECT_FALSE(drop({QUrl::fromLocalFile(imagePath)}));
    EXPECT_EQ(session->opened.size(), 1u);
    QSignalSpy finished(model.get(), &ScreenshotModel::exportFinished);
    EXPECT_TRUE(model->isExporting() == false || finished.wait(20000));
}

TEST_F(ScreenshotEditorViewTest, ClosingTheWindowTurnsPendingEditsIntoAStepAndWritesTheCopy)
{
    open();
    const auto recovered = [&] {
        ScreenshotModelServices services;
        services.scheduler = &scheduler;
        ScreenshotModel reader(services);
        std::optional<bool> opened;
        reader.openProject(QUrl::fromLocalFile(ScreenshotModel::recoveryPath()), [&](bool ok) { opened = ok; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return opened.has_value(); }));
        return opened.value_or(false) ? reader.annotations().size() : std::size_t(99);
    };
    model->setAnnotations({mark(ScreenshotTool::arrow, 0.1, 0.1, 0.4, 0.4)});
    EXPECT_NE(recovered(), 1u) << "the mark is still pending";
    window->close();
    EXPECT_EQ(recovered(), 1u);
    EXPECT_TRUE(model->canUndo());
    model->undo();
    EXPECT_TRUE(model->annotations().empty());
}

TEST_F(ScreenshotEditorViewTest, UpdateBannerFollowsTheCheckAndOffersTheRelaunch)
{
    ScreenshotEditorView& view = open();
    EXPECT_FALSE(view.updateBanner()->isVisible());
    session->update = true;
    view.checkForInstalledUpdate();
    ASSERT_TRUE(view.updateBanner()->isVisible());
    QTest::mouseClick(view.updateBanner()->findChild<StudioButton*>("saveAndReopen"), Qt::LeftButton);
    EXPECT_EQ(session->reopens, 1);
    EXPECT_TRUE(view.updateBanner()->isVisible()) << "a refused relaunch leaves the banner";
    session->update = false;
    view.checkForInstalledUpdate();
    EXPECT_FALSE(view.updateBanner()->isVisible());
}

TEST_F(ScreenshotEditorViewTest, ConfigurableKeysFollowThePreferences)
{
    ScreenshotEditorView& view = open();
    const QKeySequence exportKeys = view.action("export")->shortcut();
    EXPECT_FALSE(exportKeys.isEmpty());
    // While the settings window records a shortcut, no command keeps its keys.
    preferences.setShortcutCapture(StudioShortcutAction::export_);
    EXPECT_TRUE(view.action("export")->shortcut().isEmpty());
    EXPECT_TRUE(view.action("deleteAnnotation")->shortcut().isEmpty());
    preferences.setShortcutCapture(std::nullopt);
    EXPECT_EQ(view.action("export")->shortcut(), exportKeys);
    // Paste is fixed.
    EXPECT_EQ(view.action("hiddenPaste")->shortcut(), QKeySequence(QKeySequence::Paste));
}

}  // namespace
}  // namespace sablewick

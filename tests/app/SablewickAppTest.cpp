#include "app/SablewickApp.h"
#include "DiscardingDialogs.h"

#include "app/ImageWindowSession.h"
#include "app/SablewickMenuBar.h"
#include "app/StudioScreenshotDialogs.h"
#include "app/StudioWindowSession.h"
#include "app/TopLevelWindows.h"
#include "mainwindow/ContentPresenter.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MainWindowTestSupport.h"
#include "mainwindow/MainWindowText.h"
#include "screenshots/ScreenshotCapture.h"
#include "support/FakeScheduler.h"
#include "document/CanvasStyle.h"
#include "screenshoteditor/ScreenshotEditorView.h"
#include "screenshots/ScreenshotModel.h"

#include "app/FakeSystemHotKeys.h"
#include "app/SablewickLifecycle.h"
#include "app/StudioSession.h"
#include "editor/EditorModel.h"
#include "editor/EditorTestSupport.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "preferences/FakeSystemAppearance.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QFile>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace sablewick {
namespace {

// The screen as the capture sees it: one display of plain colour.
class PlainScreen final : public ScreenGrabber {
public:
    bool screenCaptureAllowed() override { return true; }
    bool requestScreenCapture() override { return true; }
    DisplayLayout displays() override
    {
        return {QSize(320, 200), {DisplayInfo{1, QStringLiteral("Screen"), QRect(0, 0, 320, 200), true}}};
    }
    QImage grab(const QRect& area, bool) override
    {
        QImage image(area.size(), QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        return image;
    }
};

using test::DiscardingDialogs;

class SablewickAppTest : public ::testing::Test {
protected:
    SablewickAppTest()
    {
        bench.services.defaults = &defaults;
        bench.services.exportRunner = [this](const ExportRequest&, const std::function<void(double)>&) {
            while (!exportMayEnd)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return ExportOutcome{ExportOutcome::Status::cancelled, {}};
        };
        SablewickScenes scenes;
        scenes.makeMainWindow = [this] {
            ++mainWindowsMade;
            return new QWidget;
        };
        makeApp(scenes);
    }
    void makeApp(const SablewickScenes& scenes)
    {
        app.reset();
        app = std::make_unique<SablewickApp>(
            scenes,
            [this] {
                StudioSessionServices services;
                services.defaults = &defaults;
                services.preferences = &preferences;
                services.editor = bench.services;
                services.makeHotKeys = [this] { return std::make_unique<test::FakeSystemHotKeys>(keys); };
                services.launch = [](const QString&, QString*) { return false; };
                services.quit = [] {};
                services.screenshot.dialogs = &imageDialogs;
                services.screenshotCapture.grabber = &screen;
                services.screenshotCapture.windows = &windows;
                services.screenshotCapture.folder = bench.path("shots");
                services.screenshotCapture.scheduler = &captureScheduler;
                services.chooseImage = [this] {
                    ++imagePanels;
                    return std::optional<QUrl>();
                };
                return services;
            },
            defaults);
        app->setConfirmQuit([this](QWidget*) {
            ++quitQuestions;
            return quitAnswer;
        });
    }
    ~SablewickAppTest() override
    {
        exportMayEnd = true;
        test::waitUntil([&] { return !app->session().editor().exporter().isExporting(); });
        // The window session goes before the application that its windows reach.
        delete SablewickLifecycle::editorWindow;
        bridge.reset();
    }

    bool openClip()
    {
        bool opened = false;
        app->session().editor().document().open(QUrl::fromLocalFile(test::Clips::get().twoSeconds), std::nullopt,
                                                [&](bool ok) { opened = ok; });
        return test::waitUntil([&] { return opened; });
    }
    // Sends the quit that every menu and shortcut ends in; true when it was held back.
    static bool quitHeldBack()
    {
        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(qApp, &quit);
        return !quit.isAccepted();
    }

    // The windows that the capture hides, as the application does.
    ApplicationWindows& topLevelWindows() { return windows; }
    QImage picture() const
    {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        return image;
    }
    // A main window of the application's own kind, whose questions the test answers.
    void useMainWindow()
    {
        SablewickScenes scenes;
        scenes.makeMainWindow = [this] {
            ++mainWindowsMade;
            StudioSession& session = app->session();
            return new MainWindow({&session.editor(), &preferences, bridge.get(), &dialogs, &defaults, {}});
        };
        makeApp(scenes);
        bridge = std::make_unique<StudioWindowSession>(*app, app->session());
    }

    test::EditorBench bench;
    PlainScreen screen;
    TopLevelWindows windows;
    test::FakeScheduler captureScheduler;
    DiscardingDialogs imageDialogs;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<StudioWindowSession> bridge;
    int imagePanels = 0;
    MemoryPreferencesStore defaults;
    AppPreferences preferences{defaults, std::make_shared<test::FakeSystemAppearance>()};
    test::FakeSystemHotKeys::State keys;
    std::atomic<bool> exportMayEnd = false;
    int mainWindowsMade = 0;
    int quitQuestions = 0;
    bool quitAnswer = false;
    std::unique_ptr<SablewickApp> app;
};

TEST_F(SablewickAppTest, MainWindowIsFramedAndRegistered)
{
    app->start();
    QWidget* main = SablewickLifecycle::editorWindow;
    ASSERT_TRUE(main);
    EXPECT_EQ(main->windowTitle(), "Sablewick");
    EXPECT_EQ(main->size(), QSize(1380, 900));
    EXPECT_EQ(main->objectName(), "editor");
    EXPECT_EQ(SablewickLifecycle::editor, &app->session().editor());

    app->openWindow(SablewickApp::imageWindowId);
    QWidget* image = SablewickLifecycle::screenshotWindow;
    ASSERT_TRUE(image);
    EXPECT_EQ(image->windowTitle(), "Image Studio");
    EXPECT_EQ(image->size(), QSize(1280, 840));
    image->close();
}

TEST_F(SablewickAppTest, AnOpenedImageShowsInTheImageWindowWhoseCloseKeepsTheEdit)
{
    CanvasPresets presets(defaults);
    std::unique_ptr<ImageWindowSession> bridge;
    int imageWindowsMade = 0;
    SablewickScenes scenes;
    scenes.makeMainWindow = [] { return new QWidget; };
    scenes.makeImageWindow = [&] {
        ++imageWindowsMade;
        return new ScreenshotEditorWindow({bridge.get(), &preferences, &presets, {}, {}});
    };
    makeApp(scenes);
    bridge = std::make_unique<ImageWindowSession>(*app, app->session());
    app->start();
    EXPECT_EQ(imageWindowsMade, 0) << "the image window waits for an image";

    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(bench.path("Shot.png")));
    app->session().openImage(QUrl::fromLocalFile(bench.path("Shot.png")));
    ASSERT_TRUE(test::waitUntil([&] { return !app->session().screenshot().isOpening(); }));
    auto* window = qobject_cast<ScreenshotEditorWindow*>(SablewickLifecycle::screenshotWindow.data());
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Shot");
    EXPECT_FALSE(window->view()->isShowingEmptyState());

    ScreenshotModel& model = app->session().screenshot();
    ScreenshotAnnotation arrow;
    arrow.tool = ScreenshotTool::arrow;
    arrow.endX = arrow.endY = 0.5;
    model.setAnnotations({arrow});
    QFile::remove(ScreenshotModel::recoveryPath());
    window->close();
    EXPECT_FALSE(SablewickLifecycle::screenshotWindow) << "a closed window is not brought back";
    EXPECT_TRUE(QFile::exists(ScreenshotModel::recoveryPath()));
    EXPECT_TRUE(model.canUndo());

    // Asked forward again, the edit comes back in a new window.
    app->session().openScreenshotWindow()();
    auto* again = qobject_cast<ScreenshotEditorWindow*>(SablewickLifecycle::screenshotWindow.data());
    ASSERT_TRUE(again);
    EXPECT_EQ(imageWindowsMade, 2);
    EXPECT_EQ(again->windowTitle(), "Shot");
    delete again;
}

TEST_F(SablewickAppTest, ClosingTheMainWindowSavesTheEditAndAReopenMakesANewWindow)
{
    app->start();
    ASSERT_TRUE(openClip());
    EditSettings settings = app->session().editor().document().settings();
    settings.cornerRadius += 10;
    app->session().editor().document().setSettings(settings);
    QFile::remove(EditorDocument::recoveryPath());

    SablewickLifecycle::editorWindow->close();
    EXPECT_FALSE(SablewickLifecycle::editorWindow) << "a closed window is not brought back";
    EXPECT_TRUE(QFile::exists(EditorDocument::recoveryPath())) << "the edit was saved at close";
    EXPECT_TRUE(app->session().editor().document().canUndo()) << "the pending edit was flushed";

    app->session().performGlobalAction(StudioShortcutAction::recording);
    EXPECT_EQ(mainWindowsMade, 2);
    ASSERT_TRUE(SablewickLifecycle::editorWindow);
    EXPECT_TRUE(SablewickLifecycle::editorWindow->isVisible());
}

TEST_F(SablewickAppTest, QuittingDuringAnExportAsksFirst)
{
    app->start();
    EXPECT_FALSE(quitHeldBack()) << "nothing runs: no question";
    EXPECT_EQ(quitQuestions, 0);

    ASSERT_TRUE(openClip());
    app->session().editor().exporter().export_(QUrl::fromLocalFile(bench.path("out.mp4")), ExportOptions());
    ASSERT_TRUE(app->session().editor().exporter().isExporting());

    quitAnswer = false;
    EXPECT_TRUE(quitHeldBack());
    quitAnswer = true;
    EXPECT_FALSE(quitHeldBack());
    EXPECT_EQ(quitQuestions, 2);
}

TEST_F(SablewickAppTest, StaysWithoutWindowsOnlyWhileItHoldsASystemWideKey)
{
    app->start();
    // No tray under the offscreen platform; the keys are the only way back.
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());

    keys.taken = {};
    for (auto action : {StudioShortcutAction::recording, StudioShortcutAction::markZoom,
                        StudioShortcutAction::captureScreenshot}) {
        const StudioKeyBinding binding = *preferences.binding(action);
        keys.taken.insert({binding.x11Keysym(), binding.x11Modifiers()});
    }
    preferences.setShortcutCapture(StudioShortcutAction::loop);  // registers again
    preferences.setShortcutCapture(std::nullopt);
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
}

TEST_F(SablewickAppTest, FilesFromAnotherLaunchAskBeforeTheyReplaceUnsavedWork)
{
    useMainWindow();
    app->start();
    EditorModel& editor = app->session().editor();
    const QString first = test::Clips::get().twoSeconds;
    const QString second = test::Clips::get().threeSeconds;

    // Nothing open: the first usable file opens without a question.
    app->activate({"https://example.com/elsewhere.mp4", QUrl::fromLocalFile(first).toString(),
                   QUrl::fromLocalFile(second).toString()});
    ASSERT_TRUE(test::waitUntil([&] { return editor.document().movieURL().has_value(); }));
    EXPECT_EQ(editor.document().movieURL()->toLocalFile(), first);
    EXPECT_TRUE(dialogs.alerts.empty());

    EditSettings settings = editor.document().settings();
    settings.cornerRadius += 10;
    editor.document().setSettings(settings);
    editor.document().flushPendingEdits();
    ASSERT_TRUE(editor.document().hasUnsavedEdits());

    // The user keeps the edit: nothing is replaced.
    dialogs.alertAnswers = {1};
    app->activate({QUrl::fromLocalFile(second).toString()});
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].message, MainWindowText::savePromptMessage);
    QCoreApplication::processEvents();
    EXPECT_EQ(editor.document().movieURL()->toLocalFile(), first);
    EXPECT_EQ(editor.document().settings().cornerRadius, settings.cornerRadius);
    EXPECT_TRUE(editor.document().hasUnsavedEdits());

    // The user lets it go: the new file replaces it.
    dialogs.alertAnswers = {2};
    app->activate({QUrl::fromLocalFile(second).toString()});
    EXPECT_EQ(dialogs.alerts.size(), 2u);
    EXPECT_TRUE(test::waitUntil([&] { return editor.document().movieURL()->toLocalFile() == second; }));

    // An image goes to the image editor and leaves the video edit alone.
    ASSERT_TRUE(picture().save(bench.path("Shot.png")));
    app->activate({QUrl::fromLocalFile(bench.path("Shot.png")).toString()});
    ASSERT_TRUE(test::waitUntil([&] { return !app->session().screenshot().isOpening(); }));
    ASSERT_TRUE(app->session().screenshot().sourceURL().has_value());
    EXPECT_EQ(app->session().screenshot().sourceURL()->toLocalFile(), bench.path("Shot.png"));
    EXPECT_EQ(editor.document().movieURL()->toLocalFile(), second);
    EXPECT_EQ(dialogs.alerts.size(), 2u);
    EXPECT_EQ(mainWindowsMade, 1);

    // Text under an image's name is an unreadable image, not a video that failed.
    QFile fake(bench.path("fake.png"));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("not a picture\n");
    fake.close();
    app->activate({QUrl::fromLocalFile(fake.fileName()).toString()});
    EXPECT_TRUE(test::waitUntil([&] { return editor.notice().has_value(); }));
    EXPECT_EQ(editor.notice(), "Could not open image: This file is not a readable image.");
    EXPECT_EQ(editor.document().movieURL()->toLocalFile(), second);
}

TEST_F(SablewickAppTest, AMainWindowOpenedAgainIsTitledAfterTheOpenMovie)
{
    useMainWindow();
    app->start();
    ASSERT_TRUE(openClip());
    const QString title = ContentPresenter::windowTitle(app->session().editor().document().movieURL());
    ASSERT_NE(title, "Sablewick");
    ASSERT_TRUE(test::waitUntil([&] { return SablewickLifecycle::editorWindow->windowTitle() == title; }));

    SablewickLifecycle::editorWindow->close();
    ASSERT_FALSE(SablewickLifecycle::editorWindow);
    app->perform(MenuBarCommand::openEditor);
    ASSERT_TRUE(SablewickLifecycle::editorWindow);
    EXPECT_EQ(mainWindowsMade, 2);
    EXPECT_EQ(SablewickLifecycle::editorWindow->windowTitle(), title);
}

// The capture hides every window of the application and shows them again: they are the same
// windows afterwards, and every way of asking for one brings that one forward.
TEST_F(SablewickAppTest, AScreenshotKeepsOneWindowOfEachKind)
{
    int imageWindowsMade = 0;
    SablewickScenes scenes;
    scenes.makeMainWindow = [this] {
        ++mainWindowsMade;
        return new QWidget;
    };
    scenes.makeImageWindow = [&] {
        ++imageWindowsMade;
        return new QWidget;
    };
    makeApp(scenes);
    app->start();
    app->openWindow(SablewickApp::imageWindowId);
    const QPointer<QWidget> main = SablewickLifecycle::editorWindow.data();
    const QPointer<QWidget> image = SablewickLifecycle::screenshotWindow.data();
    ASSERT_TRUE(main && image);

    app->session().captureScreenshot({ScreenshotCaptureMode::display, std::nullopt, false, 0});
    ASSERT_TRUE(app->session().screenshotCapture().isCapturing());
    EXPECT_FALSE(main->isVisible()) << "the capture hides the windows";
    EXPECT_FALSE(image->isVisible());
    EXPECT_EQ(SablewickLifecycle::editorWindow, main) << "a hidden window stays registered";
    EXPECT_EQ(SablewickLifecycle::screenshotWindow, image);
    captureScheduler.advance(5);
    ASSERT_TRUE(test::waitUntil([&] { return app->session().screenshot().sourceURL().has_value(); }));

    for (const auto& ask : std::initializer_list<std::function<void()>>{
             [&] { app->session().performGlobalAction(StudioShortcutAction::recording); },
             [&] { app->perform(MenuBarCommand::openEditor); }, [&] { app->perform(MenuBarCommand::imageEditor); },
             [&] { app->openWindow(SablewickApp::imageWindowId); }}) {
        ask();
        EXPECT_EQ(mainWindowsMade, 1);
        EXPECT_EQ(imageWindowsMade, 1);
        EXPECT_EQ(SablewickLifecycle::editorWindow, main);
        EXPECT_EQ(SablewickLifecycle::screenshotWindow, image);
        EXPECT_TRUE(main->isVisible() && image->isVisible());
    }

    // A hide that the program makes itself is not a close either.
    topLevelWindows().hide();
    topLevelWindows().show(false);
    EXPECT_EQ(SablewickLifecycle::editorWindow, main);
    EXPECT_EQ(SablewickLifecycle::screenshotWindow, image);
    // A close the window refuses keeps it too; one it accepts ends its registration.
    struct RefuseClose : QObject {
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() != QEvent::Close)
                return false;
            event->ignore();
            return true;
        }
    } refuse;
    image->installEventFilter(&refuse);
    image->close();
    EXPECT_TRUE(image->isVisible());
    EXPECT_EQ(SablewickLifecycle::screenshotWindow, image);
    image->removeEventFilter(&refuse);
    image->close();
    EXPECT_FALSE(SablewickLifecycle::screenshotWindow);
}

TEST_F(SablewickAppTest, QuittingEndsTheImageEditorsWork)
{
    app->start();
    ScreenshotModel& image = app->session().screenshot();
    ASSERT_TRUE(picture().save(bench.path("Shot.png")));
    ASSERT_TRUE(image.open(QUrl::fromLocalFile(bench.path("Shot.png"))));
    ASSERT_TRUE(test::waitUntil([&] { return !image.isOpening(); }));
    QFile::remove(ScreenshotModel::recoveryPath());
    ScreenshotAnnotation arrow;
    arrow.tool = ScreenshotTool::arrow;
    arrow.endX = arrow.endY = 0.5;
    image.setAnnotations({arrow});
    app->session().captureScreenshot({ScreenshotCaptureMode::display, std::nullopt, false, 3});
    ASSERT_TRUE(app->session().screenshotCapture().isCapturing());
    // Its outcome is taken on this thread, which the quit reaches first.
    image.exportImage(QUrl::fromLocalFile(bench.path("Export.png")), ScreenshotFormat::png, 0.9, 1, false);
    ASSERT_TRUE(image.isExporting());

    SablewickLifecycle::applicationWillTerminate();
    EXPECT_TRUE(image.canUndo()) << "the pending edit became a step";
    EXPECT_TRUE(QFile::exists(ScreenshotModel::recoveryPath())) << "the recovery copy holds the edit";
    EXPECT_FALSE(app->session().screenshotCapture().isCapturing());
    ASSERT_TRUE(test::waitUntil([&] { return !image.isExporting(); }));
    EXPECT_EQ(image.notice(), "Image export cancelled");
    EXPECT_FALSE(QFile::exists(bench.path("Export.png")));
}

TEST_F(SablewickAppTest, TheTrayMenuFollowsACaptureAndCancelsIt)
{
    app->start();
    QMenu* menu = app->menuBar()->menu();
    const auto item = [menu](const QString& text) -> QAction* {
        for (QAction* action : menu->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    };
    app->session().captureScreenshot({ScreenshotCaptureMode::display, std::nullopt, false, 3});
    ASSERT_TRUE(test::waitUntil([&] { return item("Screenshot in 3…") != nullptr; }));
    EXPECT_FALSE(item("Screenshot in 3…")->isEnabled()) << "a line to read";
    EXPECT_FALSE(item("Take screenshot…")->isEnabled());
    EXPECT_FALSE(item("Quit Sablewick")->isEnabled());
    EXPECT_TRUE(item("New recording…")->isEnabled());
    captureScheduler.advance(1);
    ASSERT_TRUE(test::waitUntil([&] { return item("Screenshot in 2…") != nullptr; })) << "the status follows";

    ASSERT_TRUE(item("Cancel screenshot"));
    item("Cancel screenshot")->trigger();
    EXPECT_FALSE(app->session().screenshotCapture().isCapturing());
    ASSERT_TRUE(test::waitUntil([&] { return item("Cancel screenshot") == nullptr; }));
    EXPECT_TRUE(item("Take screenshot…")->isEnabled());
    EXPECT_TRUE(item("Quit Sablewick")->isEnabled());

    // Every item with a symbol shows it, whatever the desktop's theme says about menu icons.
    QCoreApplication::setAttribute(Qt::AA_DontShowIconsInMenus, true);
    app->perform(MenuBarCommand::cancelScreenshot);  // nothing to cancel: a no-op
    app->session().captureScreenshot({ScreenshotCaptureMode::display, std::nullopt, false, 3});
    ASSERT_TRUE(test::waitUntil([&] { return item("Cancel screenshot") != nullptr; }));
    for (const char* text :
         {"New recording…", "Take screenshot…", "Open image…", "Image editor", "Open editor", "Settings…"}) {
        ASSERT_TRUE(item(text)) << text;
        EXPECT_FALSE(item(text)->icon().isNull()) << text;
        EXPECT_TRUE(item(text)->isIconVisibleInMenu()) << text;
    }
    QCoreApplication::setAttribute(Qt::AA_DontShowIconsInMenus, false);
    app->session().screenshotCapture().cancel();

    // "Open image…" asks for the image, as the image editor's own open does.
    item("Open image…")->trigger();
    EXPECT_EQ(imagePanels, 1);
    EXPECT_TRUE(SablewickLifecycle::editorWindow->isVisible());
}

// The image editor's question before a new picture replaces an unsaved edit.
TEST_F(SablewickAppTest, TheImageReplacePromptNamesWhatSavingKeeps)
{
    StudioScreenshotDialogs prompt;
    QString text, detail;
    QStringList buttons;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        answer.stop();
        text = box->text();
        detail = box->informativeText();
        QPushButton* discard = nullptr;
        for (QAbstractButton* button : box->buttons()) {
            buttons << button->text();
            if (button->text() == "Discard edits")
                discard = qobject_cast<QPushButton*>(button);
        }
        if (discard)
            discard->click();
        else
            box->reject();
    });
    answer.start();
    EXPECT_EQ(prompt.confirmReplacing(), ScreenshotDialogs::ReplaceChoice::discard);
    EXPECT_EQ(text, "Save the current screenshot edit?");
    EXPECT_EQ(detail, "A project references the original image and keeps the crop and editable annotations.");
    buttons.sort();
    EXPECT_EQ(buttons, QStringList({"Cancel", "Discard edits", "Save project…"}));
}

}  // namespace
}  // namespace sablewick

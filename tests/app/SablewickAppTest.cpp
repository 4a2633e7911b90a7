#include "app/SablewickApp.h"

#include "app/ImageWindowSession.h"
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

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace sablewick {
namespace {

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
        test::waitUntil([&] { return !app->session().editor().isExporting(); });
    }

    bool openClip()
    {
        bool opened = false;
        app->session().editor().open(QUrl::fromLocalFile(test::Clips::get().twoSeconds), std::nullopt,
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

    test::EditorBench bench;
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
    EditSettings settings = app->session().editor().settings();
    settings.cornerRadius += 10;
    app->session().editor().setSettings(settings);
    QFile::remove(EditorModel::recoveryPath());

    SablewickLifecycle::editorWindow->close();
    EXPECT_FALSE(SablewickLifecycle::editorWindow) << "a closed window is not brought back";
    EXPECT_TRUE(QFile::exists(EditorModel::recoveryPath())) << "the edit was saved at close";
    EXPECT_TRUE(app->session().editor().canUndo()) << "the pending edit was flushed";

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
    app->session().editor().export_(QUrl::fromLocalFile(bench.path("out.mp4")), ExportOptions());
    ASSERT_TRUE(app->session().editor().isExporting());

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

TEST_F(SablewickAppTest, FilesFromAnotherLaunchOpenInTheEditor)
{
    app->start();
    app->activate({QUrl::fromLocalFile(test::Clips::get().twoSeconds).toString()});
    ASSERT_TRUE(test::waitUntil([&] { return app->session().editor().movieURL().has_value(); }));

    const QUrl project = QUrl::fromLocalFile(bench.path("Saved.sablewick.json"));
    app->session().editor().saveProject(project);
    app->session().editor().finishSaving();
    ASSERT_TRUE(QFile::exists(project.toLocalFile()));
    app->activate({QUrl::fromLocalFile(test::Clips::get().threeSeconds).toString()});
    ASSERT_TRUE(test::waitUntil(
        [&] { return app->session().editor().movieURL()->toLocalFile() == test::Clips::get().threeSeconds; }));
    app->activate({project.toString()});
    EXPECT_TRUE(test::waitUntil([&] { return app->session().editor().projectURL() == project; }));
    EXPECT_EQ(app->session().editor().movieURL()->toLocalFile(), test::Clips::get().twoSeconds);

    // Text under an image's name is an unreadable image, not a video that failed.
    QFile fake(bench.path("fake.png"));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("not a picture\n");
    fake.close();
    app->activate({QUrl::fromLocalFile(fake.fileName()).toString()});
    EXPECT_EQ(app->session().editor().notice(), "Could not open image: This file is not a readable image.");
    EXPECT_EQ(app->session().editor().movieURL()->toLocalFile(), test::Clips::get().twoSeconds);
}

}  // namespace
}  // namespace sablewick

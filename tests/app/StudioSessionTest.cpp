#include "app/StudioSession.h"
#include "DiscardingDialogs.h"

#include "app/FakeSystemHotKeys.h"
#include "app/GlobalStudioShortcuts.h"
#include "app/SablewickLifecycle.h"
#include "editor/EditorModel.h"
#include "editor/EditorTestSupport.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "preferences/FakeSystemAppearance.h"
#include "recording/FakeCaptureBackend.h"
#include "recording/Recorder.h"
#include "screenshots/ScreenshotModel.h"

#include <QDir>
#include <QImage>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace sablewick {
namespace {

using A = StudioShortcutAction;

using test::DiscardingDialogs;

class StudioSessionTest : public ::testing::Test {
protected:
    StudioSessionTest()
    {
        QDir().mkpath(binFolder());
        StudioSessionServices services = sessionServices();
        services.installation.executable = QDir(binFolder()).filePath("sablewick");
        services.installation.runningBuild = "0.1.7";
        services.launch = [this](const QString& program, QString* error) {
            launched.push_back(program);
            keysAtLaunch = keys.grabbed.size();
            flagsOnDiskAtLaunch = FilePreferencesStore(prefsPath()).value(StudioSession::restoreAfterUpdateKey);
            if (!launchError.isEmpty())
                *error = launchError;
            return launchError.isEmpty();
        };
        services.chooseProjectDestination = [this] { return destination; };
        services.quit = [this] { ++quits; };
        services.screenshot.dialogs = &dialogs;
        session = std::make_unique<StudioSession>(std::move(services));
    }

    // What every session of a test shares: the stores, the editor's fakes and the keys.
    StudioSessionServices sessionServices()
    {
        StudioSessionServices services;
        services.defaults = &defaults;
        services.preferences = &preferences;
        services.editor = bench.services;
        services.editor.defaults = &defaults;
        services.makeHotKeys = [this] { return std::make_unique<test::FakeSystemHotKeys>(keys); };
        return services;
    }
    QString binFolder() const { return bench.path("prefix/bin"); }
    QString prefsPath() const { return bench.path("config/preferences.json"); }
    void writeBuildInfo(const QByteArray& text)
    {
        QFile file(QDir(binFolder()).filePath(StudioInstallation::buildInfoFileName));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    test::EditorBench bench;
    // Written by its own thread only after an hour, unless flushed: what is on disk at the
    // launch shows whether the relaunch flushed.
    FilePreferencesStore defaults{prefsPath(), std::chrono::hours(1)};
    AppPreferences preferences{defaults, std::make_shared<test::FakeSystemAppearance>()};
    test::FakeSystemHotKeys::State keys;
    QStringList launched;
    std::size_t keysAtLaunch = 99;
    QVariant flagsOnDiskAtLaunch;
    QString launchError;
    std::optional<QUrl> destination;
    int quits = 0;
    DiscardingDialogs dialogs;
    std::unique_ptr<StudioSession> session;
};

TEST_F(StudioSessionTest, RegistersItselfAndArmsTheKeysOnce)
{
    EXPECT_EQ(SablewickLifecycle::session, session.get());
    EXPECT_EQ(SablewickLifecycle::editor, &session->editor());
    ASSERT_TRUE(session->globalShortcuts());
    EXPECT_EQ(keys.grabbed.size(), 3u);
    GlobalStudioShortcuts* first = session->globalShortcuts();
    session->activateGlobalShortcuts();
    EXPECT_EQ(session->globalShortcuts(), first);
    EXPECT_EQ(keys.grabbed.size(), 3u);
    session.reset();
    EXPECT_TRUE(keys.grabbed.empty()) << "the keys go with the session";
    EXPECT_FALSE(SablewickLifecycle::session);
}

TEST_F(StudioSessionTest, GlobalActionsRaiseTheirSetupAndBringTheEditorForward)
{
    QStringList opened;
    session->configureWindows([&](const QString& id) { opened.append(id); });

    session->performGlobalAction(A::markZoom);  // nothing is being recorded
    session->performGlobalAction(A::save);      // not a global action
    EXPECT_FALSE(session->recordingSetupRequested());
    EXPECT_FALSE(session->screenshotSetupRequested());
    EXPECT_TRUE(opened.isEmpty());

    session->performGlobalAction(A::recording);
    EXPECT_TRUE(session->recordingSetupRequested());
    session->performGlobalAction(A::captureScreenshot);
    EXPECT_TRUE(session->screenshotSetupRequested());
    EXPECT_EQ(opened, (QStringList{"editor", "editor"}));

    // A registered window is brought forward instead of a new one opened.
    QWidget window;
    SablewickLifecycle::screenshotWindow = &window;
    session->openScreenshotWindow()();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(opened.size(), 2);
    SablewickLifecycle::screenshotWindow.clear();
    session->openScreenshotWindow()();
    EXPECT_EQ(opened.back(), "screenshot");
}

TEST_F(StudioSessionTest, InstalledBuildCountsOnlyAsTextThatDiffers)
{
    EXPECT_FALSE(session->hasInstalledUpdate()) << "no build-info file";
    const std::pair<QByteArray, bool> cases[] = {
        {R"({"build": "0.1.7"})", false},
        {R"({"build": "0.1.8"})", true},
        {R"({"build": 8})", false},
        {R"({"version": "0.1.8"})", false},
        {R"(["0.1.8"])", false},
        {"not json", false},
        {R"({"build": ""})", true},
    };
    for (const auto& [text, update] : cases) {
        writeBuildInfo(text);
        EXPECT_EQ(session->hasInstalledUpdate(), update) << text.toStdString();
    }
}

TEST_F(StudioSessionTest, BuildInfoThatIsNotARegularFileIsNotRead)
{
    const QString path = QDir(binFolder()).filePath(StudioInstallation::buildInfoFileName);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_FALSE(session->hasInstalledUpdate());  // returns instead of waiting for a writer
}

TEST_F(StudioSessionTest, RelaunchFlushesReleasesLaunchesAndQuits)
{
    ASSERT_EQ(keys.grabbed.size(), 3u);
    int starting = 0;
    QObject::connect(session.get(), &StudioSession::relaunchStarting, [&] { ++starting; });

    EXPECT_TRUE(session->reopenAfterSavingRecovery());
    EXPECT_EQ(launched, QStringList{QDir(binFolder()).filePath("sablewick")});
    EXPECT_EQ(flagsOnDiskAtLaunch, QVariant(false)) << "the new process must find the flags on disk";
    EXPECT_EQ(keysAtLaunch, 0u) << "the new process must be able to take the keys";
    EXPECT_EQ(starting, 1);
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(defaults.value(StudioSession::restoreScreenshotAfterUpdateKey), QVariant(false));
}

TEST_F(StudioSessionTest, FailedLaunchKeepsTheApplicationAndSaysSo)
{
    launchError = "No such file or directory";
    int failed = 0;
    QObject::connect(session.get(), &StudioSession::relaunchFailed, [&] { ++failed; });

    EXPECT_FALSE(session->reopenAfterSavingRecovery());
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(session->editor().notice(), QString("Could not reopen Sablewick: No such file or directory"));
    EXPECT_EQ(keys.grabbed.size(), 3u) << "the keys are taken back";
    EXPECT_EQ(defaults.value(StudioSession::restoreAfterUpdateKey), QVariant(false)) << "the flags stay written";
}

TEST_F(StudioSessionTest, UnsavedVideoIsSavedBeforeTheRelaunch)
{
    const QString movie = test::Clips::get().twoSeconds;
    bool opened = false;
    session->editor().document().open(QUrl::fromLocalFile(movie), std::nullopt, [&](bool ok) { opened = ok; });
    ASSERT_TRUE(test::waitUntil([&] { return opened; }));
    EditSettings settings = session->editor().document().settings();
    settings.cornerRadius += 4;
    session->editor().document().setSettings(settings);
    session->editor().document().flushPendingEdits();
    ASSERT_TRUE(session->editor().document().hasUnsavedEdits());

    // Cancelled: nothing saved, nothing launched, no flags.
    EXPECT_FALSE(session->saveAndReopenForUpdate());
    EXPECT_TRUE(launched.isEmpty());
    EXPECT_FALSE(defaults.contains(StudioSession::restoreAfterUpdateKey));

    destination = QUrl::fromLocalFile(bench.path("Edit.sablewick.json"));
    EXPECT_TRUE(session->saveAndReopenForUpdate());
    EXPECT_TRUE(QFile::exists(bench.path("Edit.sablewick.json")));
    EXPECT_FALSE(session->editor().document().hasUnsavedEdits());
    EXPECT_EQ(launched.size(), 1);
    EXPECT_EQ(flagsOnDiskAtLaunch, QVariant(true)) << "a video was open";
}

TEST_F(StudioSessionTest, RelaunchedProcessReopensTheRecoveryCopyOnce)
{
    bool opened = false;
    session->editor().document().open(QUrl::fromLocalFile(test::Clips::get().twoSeconds), std::nullopt,
                                      [&](bool ok) { opened = ok; });
    ASSERT_TRUE(test::waitUntil([&] { return opened; }));
    ASSERT_TRUE(session->reopenAfterSavingRecovery());
    ASSERT_TRUE(QFile::exists(EditorDocument::recoveryPath()));

    // The next process: a new session over the same stored flags and recovery folder.
    session.reset();
    StudioSession next(sessionServices());
    next.restoreAfterRelaunch();
    EXPECT_FALSE(defaults.boolValue(StudioSession::restoreAfterUpdateKey));
    ASSERT_TRUE(test::waitUntil([&] { return next.editor().document().movieURL().has_value(); }));
    EXPECT_EQ(next.editor().document().movieURL()->toLocalFile(), test::Clips::get().twoSeconds);
}

TEST_F(StudioSessionTest, AnUnsavedImageEditIsSavedAndComesBackAfterTheRelaunch)
{
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    const QString path = bench.path("Shot.png");
    ASSERT_TRUE(picture.save(path));
    QStringList opened;
    session->configureWindows([&](const QString& id) { opened.append(id); });
    session->openImage(QUrl::fromLocalFile(path));
    ASSERT_TRUE(test::waitUntil([&] { return !session->screenshot().isOpening(); }));
    ASSERT_TRUE(session->screenshot().sourceURL());
    ScreenshotAnnotation arrow;
    arrow.tool = ScreenshotTool::arrow;
    arrow.endX = arrow.endY = 0.5;
    session->screenshot().setAnnotations({arrow});
    ASSERT_TRUE(session->screenshot().hasUnsavedEdits());

    // The save panel cancelled: nothing relaunches and the edit stays as it is.
    EXPECT_FALSE(session->saveAndReopenForUpdate());
    EXPECT_TRUE(launched.isEmpty());
    EXPECT_FALSE(defaults.contains(StudioSession::restoreScreenshotAfterUpdateKey));
    EXPECT_EQ(session->screenshot().annotations().size(), 1u);

    dialogs.projectPath = bench.path("Shot.sableimage.json");
    EXPECT_TRUE(session->saveAndReopenForUpdate());
    EXPECT_TRUE(QFile::exists(*dialogs.projectPath));
    EXPECT_EQ(launched.size(), 1);
    EXPECT_EQ(defaults.value(StudioSession::restoreScreenshotAfterUpdateKey), QVariant(true));

    // The next process reopens the image edit once and brings its window forward.
    session.reset();
    StudioSession next(sessionServices());
    QStringList nextOpened;
    next.configureWindows([&](const QString& id) { nextOpened.append(id); });
    next.restoreAfterRelaunch();
    EXPECT_FALSE(defaults.boolValue(StudioSession::restoreScreenshotAfterUpdateKey));
    ASSERT_TRUE(test::waitUntil([&] { return !next.screenshot().isOpening(); }));
    ASSERT_TRUE(next.screenshot().sourceURL());
    EXPECT_EQ(next.screenshot().sourceURL()->toLocalFile(), path);
    ASSERT_EQ(next.screenshot().annotations().size(), 1u);
    EXPECT_EQ(next.screenshot().annotations()[0].id, arrow.id);
    EXPECT_EQ(nextOpened, QStringList{"screenshot"});
    next.restoreAfterRelaunch();
    EXPECT_EQ(nextOpened, QStringList{"screenshot"}) << "the flag was reset";
}

TEST_F(StudioSessionTest, NoRelaunchWhileTheImageEditorExports)
{
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(bench.path("Shot.png")));
    session->openImage(QUrl::fromLocalFile(bench.path("Shot.png")));
    ASSERT_TRUE(test::waitUntil([&] { return !session->screenshot().isOpening(); }));
    session->screenshot().exportImage(QUrl::fromLocalFile(bench.path("Out.png")), ScreenshotFormat::png, 0.92, 1, false);
    ASSERT_TRUE(session->screenshot().isExporting());
    EXPECT_FALSE(session->saveAndReopenForUpdate());
    EXPECT_TRUE(launched.isEmpty());
    EXPECT_TRUE(test::waitUntil([&] { return !session->screenshot().isExporting(); }));
}

class StudioSessionRecordingTest : public StudioSessionTest {
protected:
    StudioSessionRecordingTest()
    {
        StudioSessionServices services = sessionServices();
        services.capture = &capture;
        services.recordingsFolder = bench.path("Recordings");
        session.reset();
        session = std::make_unique<StudioSession>(std::move(services));
        session->configureWindows([this](const QString& id) { opened.append(id); });
    }
    Recorder& recorder() { return *session->recorder(); }
    void startRecording()
    {
        recorder().start(RecordingOptions());
        capture.completeStart(capture.clock);
        ASSERT_TRUE(test::waitUntil([&] { return recorder().isRecording(); }));
    }

    test::FakeCaptureBackend capture;
    QStringList opened;
};

TEST_F(StudioSessionRecordingTest, RecordingKeyStopsARecordingThatThenOpensInTheEditor)
{
    session->performGlobalAction(A::recording);
    EXPECT_TRUE(session->recordingSetupRequested()) << "idle: the setup sheet starts the recording";
    session->setRecordingSetupRequested(false);

    startRecording();
    capture.pointer = QPointF(640, 360);
    session->performGlobalAction(A::markZoom);
    EXPECT_EQ(recorder().events().size(), 1u);
    session->requestScreenshot();
    EXPECT_FALSE(session->screenshotSetupRequested()) << "no screenshot while recording";
    EXPECT_TRUE(session->hasWorkUnderWay());

    opened.clear();
    session->performGlobalAction(A::recording);
    ASSERT_TRUE(test::waitUntil([&] { return recorder().isFinalizing(); }));
    session->performGlobalAction(A::recording);  // finishing: nothing happens
    EXPECT_FALSE(session->recordingSetupRequested());
    EXPECT_TRUE(opened.isEmpty());

    // The capture leaves its movie; the finished recording opens in the editor.
    const QString movie = *recorder().moviePath();
    QFile::remove(movie);
    ASSERT_TRUE(QFile::copy(test::Clips::get().twoSeconds, movie));
    capture.lastEvents.finished();
    ASSERT_TRUE(test::waitUntil([&] { return session->editor().document().movieURL().has_value(); }));
    EXPECT_EQ(session->editor().document().movieURL()->toLocalFile(), movie);
    EXPECT_EQ(session->editor().document().events().size(), 1u) << "the marked zoom came along";
    EXPECT_TRUE(opened.isEmpty()) << "the window is not brought forward";
}

// The user closed the window during the recording: no window is there to keep the open edit.
TEST_F(StudioSessionRecordingTest, ARecordingFinishedWithoutAWindowKeepsTheUnsavedEdit)
{
    bool loaded = false;
    session->editor().document().open(QUrl::fromLocalFile(test::Clips::get().twoSeconds), std::nullopt,
                                      [&](bool ok) { loaded = ok; });
    ASSERT_TRUE(test::waitUntil([&] { return loaded; }));
    EditSettings edited = session->editor().document().settings();
    edited.shadowStrength += 0.05;
    session->editor().document().setSettings(edited);
    ASSERT_TRUE(session->editor().document().hasUnsavedEdits());

    startRecording();
    recorder().stop();
    ASSERT_TRUE(test::waitUntil([&] { return recorder().isFinalizing(); }));
    const QString movie = *recorder().moviePath();
    QFile::remove(movie);
    ASSERT_TRUE(QFile::copy(test::Clips::get().threeSeconds, movie));
    capture.lastEvents.finished();
    ASSERT_TRUE(test::waitUntil([&] { return session->editor().document().movieURL() == QUrl::fromLocalFile(movie); }));

    const std::optional<QUrl> kept = session->editor().document().recentProjects().value(0);
    ASSERT_TRUE(kept.has_value()) << "the edit was not kept";
    EXPECT_TRUE(QFileInfo(kept->toLocalFile()).fileName().startsWith("Edit before recording "));
    bool reopened = false;
    session->editor().document().openProject(*kept, [&](bool ok) { reopened = ok; });
    ASSERT_TRUE(test::waitUntil([&] { return reopened; }));
    EXPECT_EQ(session->editor().document().settings().shadowStrength, edited.shadowStrength);
}

}  // namespace
}  // namespace sablewick

namespace sablewick {
namespace {

TEST_F(StudioSessionTest, OpenedImagesReachTheImageEditorAndFailuresBothNotices)
{
    QStringList opened;
    session->configureWindows([&](const QString& id) { opened.append(id); });
    QImage picture(40, 30, QImage::Format_ARGB32);
    picture.fill(Qt::green);
    // Only the lower-case suffix names a project: the same bytes under upper case are an image.
    const QString shouting = bench.path("shot.SABLEIMAGE.JSON");
    ASSERT_TRUE(picture.save(shouting, "PNG"));
    const QString project = bench.path("shot.sableimage.json");
    ASSERT_TRUE(picture.save(project, "PNG"));

    session->openImage(QUrl::fromLocalFile(shouting));
    ASSERT_TRUE(test::waitUntil([&] { return !session->screenshot().isOpening(); }));
    EXPECT_EQ(session->screenshot().sourceURL(), QUrl::fromLocalFile(shouting));
    EXPECT_EQ(session->screenshot().source().size(), QSize(40, 30));
    EXPECT_EQ(opened, QStringList{"screenshot"});

    session->openImage(QUrl::fromLocalFile(project));
    ASSERT_TRUE(test::waitUntil([&] { return !session->screenshot().isOpening(); }));
    EXPECT_EQ(session->screenshot().sourceURL(), QUrl::fromLocalFile(shouting)) << "a PNG is no project";
    EXPECT_EQ(dialogs.asked, 1) << "the open edit was offered for saving first";
    EXPECT_EQ(opened, QStringList{"screenshot"});

    const QString notPicture = bench.path("notes.png");
    QFile notes(notPicture);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("plain words");
    notes.close();
    session->openImage(QUrl::fromLocalFile(notPicture));
    ASSERT_TRUE(test::waitUntil([&] { return !session->screenshot().isOpening(); }));
    EXPECT_EQ(session->screenshot().sourceURL(), QUrl::fromLocalFile(shouting));
    ASSERT_TRUE(session->screenshot().notice());
    EXPECT_EQ(session->editor().notice(), session->screenshot().notice());
    EXPECT_EQ(opened, QStringList{"screenshot"});
}

}  // namespace
}  // namespace sablewick

#include "app/SablewickApp.h"
#include "app/SablewickLifecycle.h"
#include "app/StudioSession.h"
#include "components/StudioKit.h"
#include "document/CanvasStyle.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MainWindowSession.h"
#include "mainwindow/ScreenshotSetupSheet.h"
#include "mainwindow/StandaloneSession.h"
#include "media/PlaybackEngine.h"
#include "platform/NumericLocale.h"
#include "platform/PreferencesStore.h"
#include "platform/SingleInstance.h"
#include "preferences/AppPreferences.h"
#include "screenshots/ScreenshotCapture.h"
#include "screenshots/ScreenshotModel.h"
#include "workspace/InspectorPages.h"
#include "workspace/TimelineViews.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>

namespace sablewick {

// The studio session as the main window asks for it. The recorder is not part of the session yet:
// what needs it says so in the banner, as the window expects.
// It lives with the program, the one place that knows both the shell and the window above it.
class StudioWindowSession final : public MainWindowSession {
public:
    StudioWindowSession(SablewickApp& app, StudioSession& session, QObject* parent = nullptr);

    RecorderState recorderState() const override { return m_recorder; }
    CaptureState captureState() const override;
    bool hasImageOpen() const override;
    void clearRecorderNotice() override;
    void stopRecording() override {}
    void cancelCapture() override;
    void requestScreenshot() override { m_session.requestScreenshot(); }
    void importImage() override { m_session.importImage(); }
    void pasteImage() override { m_session.pasteImage(); }
    void openImage(const QUrl& file) override { m_session.openImage(file); }
    bool restoreScreenshotEdit() override { return false; }
    // X11 asks for no permissions: there is no settings page to open.
    void openPrivacySettings(const QString&) override {}
    void openSettingsWindow() override;
    void requestQuit() override;
    bool saveAndReopenForUpdate() override;
    bool reopenAfterSavingRecovery() override;
    QString runningBuild() const override;
    std::optional<QString> installedBuild() const override;
    QWidget* makeRecordingSetupSheet(QWidget*, std::function<void()>) override;
    QWidget* makeScreenshotSetupSheet(QWidget*, std::function<void()>) override;
    void startChosenScreenshot() override;
    bool takeRecordingSetupRequest() override;
    bool takeScreenshotSetupRequest() override;

private:
    void sayUnavailable();

    SablewickApp& m_app;
    StudioSession& m_session;
    RecorderState m_recorder;
    // The options of the sheet's capture button, kept until the sheet is gone from the screen.
    std::optional<ScreenshotCaptureOptions> m_chosenScreenshot;
};


StudioWindowSession::StudioWindowSession(SablewickApp& app, StudioSession& session, QObject* parent)
    : MainWindowSession(parent)
    , m_app(app)
    , m_session(session)
{
    // A hot key or the tray raises a request while the window may be closed; the window takes it
    // when it appears, or at once when it is open.
    connect(&m_session, &StudioSession::recordingSetupRequestedChanged, this, [this] {
        if (m_session.recordingSetupRequested())
            emit recordingSetupRequested();
    });
    connect(&m_session, &StudioSession::screenshotSetupRequestedChanged, this, [this] {
        if (m_session.screenshotSetupRequested())
            emit screenshotSetupRequested();
    });
    ScreenshotCapture& capture = m_session.screenshotCapture();
    connect(&capture, &ScreenshotCapture::isCapturingChanged, this, &MainWindowSession::captureStateChanged);
    connect(&capture, &ScreenshotCapture::statusChanged, this, &MainWindowSession::captureStateChanged);
    connect(&m_session.screenshot(), &ScreenshotModel::sourceChanged, this, &MainWindowSession::imageOpenChanged);
}

CaptureState StudioWindowSession::captureState() const
{
    const ScreenshotCapture& capture = m_session.screenshotCapture();
    return {capture.isCapturing(), capture.status()};
}

bool StudioWindowSession::hasImageOpen() const
{
    return m_session.screenshot().sourceURL().has_value();
}

void StudioWindowSession::cancelCapture()
{
    m_session.screenshotCapture().cancel();
}

void StudioWindowSession::startChosenScreenshot()
{
    if (const std::optional<ScreenshotCaptureOptions> options = std::exchange(m_chosenScreenshot, std::nullopt))
        m_session.captureScreenshot(*options);
}

void StudioWindowSession::clearRecorderNotice()
{
    if (!m_recorder.notice)
        return;
    m_recorder.notice.reset();
    emit recorderStateChanged();
}

void StudioWindowSession::sayUnavailable()
{
    m_recorder.notice = StandaloneSession::unavailableText;
    emit recorderStateChanged();
}

void StudioWindowSession::openSettingsWindow()
{
    m_app.showSettings();
}

void StudioWindowSession::requestQuit()
{
    // The application object asks first when work is under way.
    QCoreApplication::quit();
}

bool StudioWindowSession::saveAndReopenForUpdate()
{
    return m_session.saveAndReopenForUpdate();
}

bool StudioWindowSession::reopenAfterSavingRecovery()
{
    return m_session.reopenAfterSavingRecovery();
}

QString StudioWindowSession::runningBuild() const
{
    return m_session.installation().runningBuild;
}

std::optional<QString> StudioWindowSession::installedBuild() const
{
    return m_session.installation().installedBuild();
}

QWidget* StudioWindowSession::makeRecordingSetupSheet(QWidget*, std::function<void()>)
{
    sayUnavailable();
    return nullptr;
}

QWidget* StudioWindowSession::makeScreenshotSetupSheet(QWidget* parent, std::function<void()> chosen)
{
    auto* sheet = new ScreenshotSetupSheet(&DisplayList::current, parent);
    m_chosenScreenshot.reset();
    connect(sheet, &ScreenshotSetupSheet::captureRequested, this,
            [this, chosen = std::move(chosen)](const ScreenshotCaptureOptions& options) {
                m_chosenScreenshot = options;
                chosen();
            });
    // The window presenting the sheet closes it; a sheet shown on its own closes itself.
    connect(sheet, &ScreenshotSetupSheet::dismissRequested, sheet, [sheet] { sheet->window()->close(); });
    return sheet;
}

bool StudioWindowSession::takeRecordingSetupRequest()
{
    if (!m_session.recordingSetupRequested())
        return false;
    m_session.setRecordingSetupRequested(false);
    return true;
}

bool StudioWindowSession::takeScreenshotSetupRequest()
{
    if (!m_session.screenshotSetupRequested())
        return false;
    m_session.setScreenshotSetupRequested(false);
    return true;
}

}  // namespace sablewick

namespace {

// Nothing is logged in release builds.
void silentMessageHandler(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

int main(int argc, char* argv[])
{
#ifdef NDEBUG
    qInstallMessageHandler(silentMessageHandler);
#endif
    QApplication app(argc, argv);
    sablewick::useCNumericLocale();
    QApplication::setApplicationName(QStringLiteral("Sablewick"));
    QApplication::setApplicationDisplayName(QStringLiteral("Sablewick"));
    QApplication::setDesktopFileName(QStringLiteral("sablewick"));

    // A second launch hands its files to the first and ends before it touches anything shared.
    const QStringList files = QApplication::arguments().mid(1);
    sablewick::SingleInstance instance;
    if (instance.claim(files) == sablewick::SingleInstance::Role::secondary)
        return 0;

    sablewick::AppPreferences& preferences = sablewick::AppPreferences::shared();
    preferences.applyApplicationAppearance();
    sablewick::installStudioKit(preferences);

    sablewick::PlaybackEngine playback;
    sablewick::SablewickScenes scenes;
    sablewick::StudioWindowSession* windowSession = nullptr;
    scenes.makeMainWindow = [&windowSession] {
        sablewick::StudioSession& session = *sablewick::SablewickLifecycle::session;
        return new sablewick::MainWindow(
            {&session.editor(), &session.preferences(), windowSession, nullptr, &sablewick::standardPreferences(),
             sablewick::withInspectorPages(sablewick::withPreviewAndTimeline({}, session.preferences()),
                                           {&sablewick::CanvasPresets::shared()})});
    };
    sablewick::SablewickApp sablewick(
        scenes, [&playback] { return sablewick::standardSessionServices(playback); }, sablewick::standardPreferences());
    sablewick::StudioWindowSession bridge(sablewick, sablewick.session());
    windowSession = &bridge;

    QObject::connect(&instance, &sablewick::SingleInstance::activated, &sablewick, &sablewick::SablewickApp::activate);
    QObject::connect(&sablewick.session(), &sablewick::StudioSession::relaunchStarting, &instance,
                     &sablewick::SingleInstance::release);
    QObject::connect(&sablewick.session(), &sablewick::StudioSession::relaunchFailed, &instance,
                     [&instance] { instance.claim({}); });

    sablewick.start();
    if (!files.isEmpty())
        sablewick.activate(sablewick::SingleInstance::fileUrls(files, QDir::currentPath()));
    return QApplication::exec();
}

#include "app/ImageWindowSession.h"
#include "app/SablewickApp.h"
#include "app/SablewickLifecycle.h"
#include "app/StudioSession.h"
#include "app/StudioWindowSession.h"
#include "components/StudioKit.h"
#include "document/CanvasStyle.h"
#include "mainwindow/MainWindow.h"
#include "media/PlaybackEngine.h"
#include "platform/NumericLocale.h"
#include "platform/PreferencesStore.h"
#include "platform/SingleInstance.h"
#include "preferences/AppPreferences.h"
#include "screenshoteditor/ScreenshotEditorView.h"
#include "workspace/InspectorPages.h"
#include "workspace/TimelineViews.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>

#include <cstdio>

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
    switch (instance.claim(files)) {
    case sablewick::SingleInstance::Role::secondary:
        return 0;
    case sablewick::SingleInstance::Role::unresponsive: {
        // Running beside it would share the recovery files and the system-wide keys.
        const QString& message = sablewick::SingleInstance::unresponsiveMessage;
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        QMessageBox::warning(nullptr, QApplication::applicationDisplayName(), message);
        return 1;
    }
    case sablewick::SingleInstance::Role::primary:
    case sablewick::SingleInstance::Role::alone:
        break;
    }

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
    sablewick::ImageWindowSession* imageSession = nullptr;
    scenes.makeImageWindow = [&imageSession] {
        return new sablewick::ScreenshotEditorWindow(
            {imageSession, &sablewick::AppPreferences::shared(), &sablewick::CanvasPresets::shared()});
    };
    sablewick::SablewickApp sablewick(
        scenes, [&playback] { return sablewick::standardSessionServices(playback); }, sablewick::standardPreferences());
    sablewick::StudioWindowSession bridge(sablewick, sablewick.session());
    windowSession = &bridge;
    sablewick::ImageWindowSession imageBridge(sablewick, sablewick.session());
    imageSession = &imageBridge;

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

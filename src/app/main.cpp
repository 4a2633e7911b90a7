#include "components/StudioKit.h"
#include "editor/EditorModel.h"
#include "editor/EditorServices.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/StandaloneSession.h"
#include "media/PlaybackEngine.h"
#include "platform/NumericLocale.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"

#include <QApplication>

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
    QApplication::setQuitOnLastWindowClosed(true);

    sablewick::AppPreferences& preferences = sablewick::AppPreferences::shared();
    preferences.applyApplicationAppearance();
    sablewick::installStudioKit(preferences);

    sablewick::PlaybackEngine playback;
    sablewick::EditorModel editor(sablewick::standardEditorServices(playback));
    sablewick::StandaloneSession session;
    sablewick::MainWindow window({&editor, &preferences, &session, nullptr, &sablewick::standardPreferences(), {}});
    window.show();
    return QApplication::exec();
}

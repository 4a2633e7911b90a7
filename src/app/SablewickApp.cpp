#include "app/SablewickApp.h"

#include "app/GlobalStudioShortcuts.h"
#include "app/SablewickLifecycle.h"
#include "app/SablewickMenuBar.h"
#include "app/SablewickSettings.h"
#include "app/StudioSession.h"
#include "editor/EditorModel.h"
#include "mainwindow/MainWindow.h"
#include "platform/PreferencesStore.h"
#include "recording/Recorder.h"
#include "screenshots/ScreenshotCapture.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace sablewick {

namespace {

// Opens the file manager at a file, selected where the file manager offers that over the bus,
// else its folder.
void revealInFiles(const QUrl& file)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{file.toString(QUrl::FullyEncoded)} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file.toLocalFile()).absolutePath()));
}

bool askBeforeQuitting(QWidget* parent)
{
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Warning);
    box.setText(QStringLiteral("Quit Sablewick?"));
    box.setInformativeText(QStringLiteral("A recording or an export is under way. Quitting now stops it."));
    QPushButton* quit = box.addButton(QStringLiteral("Quit"), QMessageBox::DestructiveRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == quit;
}

}  // namespace

SablewickApp::SablewickApp(SablewickScenes scenes, std::function<StudioSessionServices()> services,
                           PreferencesStore& defaults, QObject* parent)
    : QObject(parent)
    , m_scenes(std::move(scenes))
    , m_services(std::move(services))
    , m_defaults(defaults)
    , m_confirmQuit(askBeforeQuitting)
{
    qApp->installEventFilter(this);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &SablewickApp::terminate);
}

SablewickApp::~SablewickApp()
{
    qApp->removeEventFilter(this);
    terminate();
    // The windows have no parent; they go with the application object that made them.
    delete SablewickLifecycle::editorWindow;
    delete SablewickLifecycle::screenshotWindow;
    delete m_settings;
    m_menuBar.reset();
    m_session.reset();
}

StudioSession& SablewickApp::session()
{
    if (!m_session) {
        m_session = std::make_unique<StudioSession>(m_services());
        // The relaunch quits only once the new process runs; that quit must not be held back.
        connect(m_session.get(), &StudioSession::relaunchStarting, this, [this] { m_relaunching = true; });
        connect(m_session.get(), &StudioSession::relaunchFailed, this, [this] { m_relaunching = false; });
    }
    return *m_session;
}

void SablewickApp::start()
{
    StudioSession& studio = session();
    studio.configureWindows([this](const QString& id) { openWindow(id); });

    openWindow(mainWindowId);
    studio.restoreAfterRelaunch();
    m_menuBar = std::make_unique<SablewickMenuBar>(studio, [this](MenuBarCommand command) { perform(command); });
    connect(m_menuBar.get(), &SablewickMenuBar::shownChanged, this, &SablewickApp::updateQuitOnLastWindowClosed);
    updateTray();

    SablewickLifecycle::applicationDidFinishLaunching();
    if (GlobalStudioShortcuts* keys = studio.globalShortcuts())
        connect(keys, &GlobalStudioShortcuts::holdsKeysChanged, this, &SablewickApp::updateQuitOnLastWindowClosed);
    updateQuitOnLastWindowClosed();
}

QWidget* SablewickApp::makeWindow(const QString& windowId)
{
    const bool main = windowId == mainWindowId;
    QWidget* window = nullptr;
    if (main && m_scenes.makeMainWindow)
        window = m_scenes.makeMainWindow();
    else if (!main && m_scenes.makeImageWindow)
        window = m_scenes.makeImageWindow();
    if (!window)
        window = new QMainWindow;
    window->setObjectName(windowId);
    // A window that titles itself after its document keeps that title.
    if (window->windowTitle().isEmpty())
        window->setWindowTitle(main ? QStringLiteral("Sablewick") : imageWindowTitle);
    window->resize(main ? mainWindowSize : imageWindowSize);
    // A closed window is gone; opening it again makes a new one, as the registry expects.
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (main) {
        SablewickLifecycle::editorWindow = window;
        SablewickLifecycle::editor = &session().editor();
    } else {
        SablewickLifecycle::screenshotWindow = window;
    }
    return window;
}

void SablewickApp::openWindow(const QString& windowId)
{
    const QPointer<QWidget>& registered =
        windowId == mainWindowId ? SablewickLifecycle::editorWindow : SablewickLifecycle::screenshotWindow;
    QWidget* window = registered ? registered.data() : makeWindow(windowId);
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}

void SablewickApp::showEditor()
{
    openWindow(mainWindowId);
}

void SablewickApp::showSettings()
{
    if (!m_settings) {
        m_settings = new SablewickSettings(session().preferences(), m_defaults);
        m_settings->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_settings, &SablewickSettings::showMenuBarIconChanged, this, &SablewickApp::updateTray);
    }
    m_settings->show();
    m_settings->raise();
    m_settings->activateWindow();
}

SablewickSettings* SablewickApp::settingsWindow() const
{
    return m_settings;
}

void SablewickApp::updateTray()
{
    if (m_menuBar)
        m_menuBar->setShown(showMenuBarIcon(m_defaults));
    updateQuitOnLastWindowClosed();
}

void SablewickApp::updateQuitOnLastWindowClosed()
{
    // With a tray icon or a system-wide key the user can come back to a closed window; with
    // neither, a process without windows could only be ended from outside.
    const bool tray = m_menuBar && m_menuBar->isShown();
    const GlobalStudioShortcuts* keys = m_session ? m_session->globalShortcuts() : nullptr;
    QApplication::setQuitOnLastWindowClosed(!tray && !(keys && keys->holdsKeys()));
}

void SablewickApp::activate(const QStringList& fileUrls)
{
    showEditor();
    const auto usable =
        std::find_if(fileUrls.begin(), fileUrls.end(), [](const QString& text) { return QUrl(text).isLocalFile(); });
    if (usable == fileUrls.end())
        return;
    // Handed over like a drop on the window: the open edit is only replaced once the user has
    // answered for its unsaved changes, and an image goes to the image editor.
    if (auto* main = qobject_cast<MainWindow*>(SablewickLifecycle::editorWindow.data()))
        main->content()->flow().drop({QUrl(*usable)});
}

void SablewickApp::perform(MenuBarCommand command)
{
    StudioSession& studio = session();
    switch (command) {
    case MenuBarCommand::newRecording:
        showEditor();
        studio.setRecordingSetupRequested(true);
        break;
    case MenuBarCommand::takeScreenshot:
        studio.requestScreenshot();
        break;
    case MenuBarCommand::openImage:
        showEditor();
        studio.importImage();
        break;
    case MenuBarCommand::openEditor:
        showEditor();
        break;
    case MenuBarCommand::imageEditor:
        if (studio.openScreenshotWindow())
            studio.openScreenshotWindow()();
        break;
    case MenuBarCommand::settings:
        showSettings();
        break;
    case MenuBarCommand::quit:
        QCoreApplication::quit();
        break;
    case MenuBarCommand::stopRecording:
        if (Recorder* recorder = studio.recorder())
            recorder->stop();
        break;
    case MenuBarCommand::showLatestRecording:
        if (Recorder* recorder = studio.recorder(); recorder && recorder->finishedURL())
            revealInFiles(*recorder->finishedURL());
        break;
    case MenuBarCommand::cancelScreenshot:
        studio.screenshotCapture().cancel();
        break;
    case MenuBarCommand::none:
        break;
    }
}

bool SablewickApp::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::Quit && !m_relaunching && m_session
        && m_session->hasWorkUnderWay()) {
        // Every road to quitting passes here: the window's menu, its shortcut, the tray, the
        // desktop's own quit. Work under way is only stopped when the user says so.
        if (!m_confirmQuit(SablewickLifecycle::editorWindow)) {
            event->ignore();
            return true;
        }
    }
    if (event->type() == QEvent::Close && watched != m_closing
        && (watched == SablewickLifecycle::editorWindow || watched == SablewickLifecycle::screenshotWindow))
        return closeRegisteredWindow(static_cast<QWidget*>(watched), static_cast<QCloseEvent*>(event));
    return QObject::eventFilter(watched, event);
}

bool SablewickApp::closeRegisteredWindow(QWidget* window, QCloseEvent* event)
{
    if (window == SablewickLifecycle::editorWindow && m_session) {
        EditorModel& editor = m_session->editor();
        editor.document().flushPendingEdits();
        editor.document().saveRecovery();
        editor.playback().pausePlayback();
    }
    // The close runs its whole course now, so that its outcome is known: only a close that the
    // window accepts takes it out of the registry (it is deleted soon and must not be brought
    // forward again). A hide never does: a capture hides every window for a moment and shows
    // the same ones again.
    const QPointer<QWidget> guard(window);
    QObject* const outer = std::exchange(m_closing, window);
    QCoreApplication::sendEvent(window, event);
    m_closing = outer;
    if (guard && event->isAccepted()) {
        if (window == SablewickLifecycle::editorWindow)
            SablewickLifecycle::editorWindow.clear();
        else if (window == SablewickLifecycle::screenshotWindow)
            SablewickLifecycle::screenshotWindow.clear();
    }
    return true;
}

void SablewickApp::terminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    SablewickLifecycle::applicationWillTerminate();
    m_defaults.flush();
}

}  // namespace sablewick

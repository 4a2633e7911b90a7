#pragma once

#include "app/MenuBarItem.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QCloseEvent;

namespace sablewick {

class PreferencesStore;
class SablewickMenuBar;
class SablewickSettings;
class StudioSession;
struct StudioSessionServices;

// The windows' contents, made by the window folders above this one.
struct SablewickScenes {
    // The main window ("editor"); the application titles and sizes it.
    std::function<QWidget*()> makeMainWindow;
    // The image window ("screenshot"); a plain frame when not given.
    std::function<QWidget*()> makeImageWindow;
};

// The application object: its session, its four scenes in order (the main window, the tray menu,
// the image window and the settings window), the window registry, and what happens at launch,
// at quit and when another launch hands over. Main thread only; one per process.
class SablewickApp final : public QObject {
    Q_OBJECT

public:
    static inline const QString mainWindowId = QStringLiteral("editor");
    static inline const QString imageWindowId = QStringLiteral("screenshot");
    static inline const QString imageWindowTitle = QStringLiteral("Image Studio");
    static constexpr QSize mainWindowSize{1380, 900};
    static constexpr QSize imageWindowSize{1280, 840};

    // Asked before quitting while work is under way; true to quit anyway.
    using ConfirmQuit = std::function<bool(QWidget* parent)>;

    SablewickApp(SablewickScenes scenes, std::function<StudioSessionServices()> services, PreferencesStore& defaults,
                 QObject* parent = nullptr);
    ~SablewickApp() override;

    // Made the first time it is needed, then kept for the life of the application.
    StudioSession& session();

    // Shows the first scenes and runs the launch work.
    void start();

    // Brings the window with this id forward, opening a new one when none is open.
    void openWindow(const QString& windowId);
    void showSettings();
    SablewickSettings* settingsWindow() const;
    SablewickMenuBar* menuBar() const { return m_menuBar.get(); }

    // Another launch asked this process to come forward, with the file URLs it was given.
    void activate(const QStringList& fileUrls);

    void perform(MenuBarCommand command);
    void setConfirmQuit(ConfirmQuit confirm) { m_confirmQuit = std::move(confirm); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* makeWindow(const QString& windowId);
    bool closeRegisteredWindow(QWidget* window, QCloseEvent* event);
    void showEditor();
    void updateTray();
    void updateQuitOnLastWindowClosed();
    void terminate();

    SablewickScenes m_scenes;
    std::function<StudioSessionServices()> m_services;
    PreferencesStore& m_defaults;
    std::unique_ptr<StudioSession> m_session;
    std::unique_ptr<SablewickMenuBar> m_menuBar;
    QPointer<SablewickSettings> m_settings;
    ConfirmQuit m_confirmQuit;
    // The registered window whose close is being delivered.
    QObject* m_closing = nullptr;
    bool m_terminated = false;
    bool m_relaunching = false;
};

}  // namespace sablewick

#pragma once

#include "app/MenuBarItem.h"

#include <QColor>
#include <QIcon>
#include <QObject>

#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace sablewick {

class StudioSession;

// The colour of the tray icon: the one the tray asks for, else the desktop's text colour for its
// light or dark.
QColor trayIconTint();

// The tray icon and its menu, rebuilt from menuBarItems() whenever the session's models change.
// Desktops without a tray leave it unseen; the application then works from its windows alone.
class SablewickMenuBar final : public QObject {
    Q_OBJECT

public:
    // `perform` carries out a chosen command.
    SablewickMenuBar(StudioSession& session, std::function<void(MenuBarCommand)> perform, QObject* parent = nullptr);
    ~SablewickMenuBar() override;

    // Whether the icon is in a tray now (false also where the desktop has no tray).
    bool isShown() const;
    void setShown(bool shown);

    MenuBarState state() const;
    QMenu* menu() const { return m_menu.get(); }
    QIcon icon() const;

signals:
    void shownChanged();

private:
    void scheduleRebuild();
    void rebuild();

    StudioSession& m_session;
    std::function<void(MenuBarCommand)> m_perform;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    QColor m_trayTint;
    bool m_rebuildPending = false;
};

}  // namespace sablewick

#pragma once

#include <QString>

#include <map>

class QAction;
class QToolBar;
class QWidget;

namespace sablewick {

// The named commands of an editor window. Each carries its symbol for the toolbar, and its keys
// work anywhere in the window; the window finds them again by name.
using WindowActions = std::map<QString, QAction*>;

// A new command of `owner`, registered under `name`.
QAction* makeWindowAction(QWidget* owner, WindowActions& actions, const QString& name, const QString& text,
                          const QString& symbol);
// The command registered under `name`, or null.
QAction* windowAction(const WindowActions& actions, const QString& name);
// Draws every command's symbol in the label colour of `widget` (again after the appearance changed).
void tintWindowActionIcons(const WindowActions& actions, const QWidget* widget);
// The fixed toolbar of an editor window: icons only, never moved, floated or given a context menu.
QToolBar* makeWindowToolbar(QWidget* owner, const QString& objectName);

}  // namespace sablewick

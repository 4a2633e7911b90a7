#include "components/WindowActions.h"

#include "components/StudioIcons.h"
#include "components/StudioPaint.h"

#include <QAction>
#include <QIcon>
#include <QToolBar>
#include <QWidget>

namespace sablewick {

QAction* makeWindowAction(QWidget* owner, WindowActions& actions, const QString& name, const QString& text,
                          const QString& symbol)
{
    auto* action = new QAction(text, owner);
    action->setObjectName(name);
    action->setProperty("symbol", symbol);
    action->setShortcutContext(Qt::WindowShortcut);
    // Added to the owner itself too, so that its keys work whether or not the action is shown.
    owner->addAction(action);
    actions[name] = action;
    return action;
}

QAction* windowAction(const WindowActions& actions, const QString& name)
{
    const auto found = actions.find(name);
    return found == actions.end() ? nullptr : found->second;
}

void tintWindowActionIcons(const WindowActions& actions, const QWidget* widget)
{
    const QColor ink = StudioColors::of(widget).label;
    for (const auto& [name, action] : actions) {
        const QString symbol = action->property("symbol").toString();
        if (!symbol.isEmpty())
            action->setIcon(QIcon(studioSymbolPixmap(symbol, 16, ink, widget->devicePixelRatioF())));
    }
}

QToolBar* makeWindowToolbar(QWidget* owner, const QString& objectName)
{
    auto* toolbar = new QToolBar(QStringLiteral("Toolbar"), owner);
    toolbar->setObjectName(objectName);
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    return toolbar;
}

}  // namespace sablewick

#include "app/TopLevelWindows.h"

#include <QApplication>

namespace sablewick {

void TopLevelWindows::hide()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->isMinimized())
            continue;
        m_hidden.emplace_back(window);
        window->hide();
    }
}

void TopLevelWindows::show(bool activate)
{
    const std::vector<QPointer<QWidget>> hidden = std::exchange(m_hidden, {});
    for (const QPointer<QWidget>& window : hidden) {
        if (window)
            window->show();
    }
    if (!activate)
        return;
    for (const QPointer<QWidget>& window : hidden) {
        if (window) {
            window->raise();
            window->activateWindow();
            break;
        }
    }
}

}  // namespace sablewick

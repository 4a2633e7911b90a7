#include "app/MinimizedTopLevelWindows.h"

#include "app/RecordingPanel.h"

#include <QApplication>
#include <QWindow>

#include <utility>

namespace sablewick {

MinimizedTopLevelWindows::MinimizedTopLevelWindows(QObject* parent)
    : QObject(parent)
{
    m_poll.setInterval(std::chrono::milliseconds(10));
    connect(&m_poll, &QTimer::timeout, this, &MinimizedTopLevelWindows::check);
}

void MinimizedTopLevelWindows::putAway(std::function<void()> ready)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->isMinimized() || qobject_cast<RecordingPanel*>(window))
            continue;
        m_away.push_back({window, window->windowState(), false});
        window->showMinimized();
    }
    m_ready = std::move(ready);
    m_deadline = std::chrono::steady_clock::now() + minimizeWait;
    check();
    if (m_ready)
        m_poll.start();
}

bool MinimizedTopLevelWindows::onScreen(const Away& away) const
{
    if (!away.window || away.hidden || !away.window->isVisible())
        return false;
    const QWindow* handle = away.window->windowHandle();
    return handle && handle->isExposed();
}

void MinimizedTopLevelWindows::check()
{
    const bool late = std::chrono::steady_clock::now() >= m_deadline;
    bool waiting = false;
    for (Away& away : m_away) {
        if (!onScreen(away))
            continue;
        if (!late) {
            waiting = true;
            continue;
        }
        // Nothing minimised it: a hidden window leaves the screen with any desktop.
        away.hidden = true;
        away.window->hide();
    }
    if (waiting)
        return;
    m_poll.stop();
    if (std::function<void()> ready = std::exchange(m_ready, {}))
        QTimer::singleShot(settlePause, this, std::move(ready));
}

void MinimizedTopLevelWindows::bringBack()
{
    m_poll.stop();
    m_ready = {};
    for (const Away& away : std::exchange(m_away, {})) {
        if (!away.window)
            continue;  // closed meanwhile (the setup sheet, once the recording ran)
        away.window->setWindowState(away.state);
        away.window->show();
    }
}

}  // namespace sablewick

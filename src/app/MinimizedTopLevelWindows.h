#pragma once

#include "recording/RecordingWindows.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <vector>

namespace sablewick {

// The application's windows out of a recording: the visible top-level windows, the setup sheet
// included, are minimised, and the recording panel stays. Where the desktop does not take a
// window off the screen soon (X11 without a window manager, a Wayland compositor that keeps
// minimised windows drawn), that window is hidden instead. Each comes back as it was.
class MinimizedTopLevelWindows final : public QObject, public RecordingWindows {
    Q_OBJECT
public:
    // How long the desktop has to take a minimised window off the screen.
    static constexpr std::chrono::milliseconds minimizeWait{400};
    // What the display server takes to draw what was under a window that went away.
    static constexpr std::chrono::milliseconds settlePause{50};

    explicit MinimizedTopLevelWindows(QObject* parent = nullptr);

    void putAway(std::function<void()> ready) override;
    void bringBack() override;

private:
    struct Away {
        QPointer<QWidget> window;
        Qt::WindowStates state;
        bool hidden = false;  // hidden, not minimised
    };
    void check();
    bool onScreen(const Away& away) const;

    std::vector<Away> m_away;
    std::function<void()> m_ready;
    QTimer m_poll;
    std::chrono::steady_clock::time_point m_deadline;
};

}  // namespace sablewick

#pragma once

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

using Display = struct _XDisplay;
#include <memory>
#include <vector>

namespace sablewick::journey {

// Polls a condition until it holds or the bound runs out (a generous bound: the machine is busy).
bool waitFor(const std::function<bool()>& condition, int milliseconds = 30000);
// Stops a process: TERM, then KILL when it has not ended within 5 s.
void stop(QProcess& process);

// A desktop of the test's own: a private X server with a window manager (openbox), a tray host
// (trayer) and a session bus. Every program of a journey runs against it, so the window manager
// never reaches the other x11 tests. Its processes are stopped by their ids.
class JourneyDesktop {
public:
    JourneyDesktop();
    ~JourneyDesktop();
    JourneyDesktop(const JourneyDesktop&) = delete;
    JourneyDesktop& operator=(const JourneyDesktop&) = delete;

    // Empty when the desktop is up, otherwise what did not start.
    const QString& error() const { return m_error; }
    // DISPLAY and DBUS_SESSION_BUS_ADDRESS of this desktop over the test's own environment.
    QProcessEnvironment environment() const;
    const QString& display() const { return m_display; }
    qint64 trayPid() const;

    // Runs a client of this desktop to its end (at most 20 s) and returns what it printed.
    QString run(const QString& program, const QStringList& arguments) const;
    // xdotool against this desktop; a failure is reported to the running test.
    QString xdotool(const QStringList& arguments) const;

    // Visible top-level windows of a process (of any when 0) whose title matches the pattern (a
    // whole-title regex).
    QStringList windows(qint64 pid, const QString& titlePattern) const;
    // Pop-up windows of a process (of any when 0) that are shown now: menus, a combo box's list,
    // a layer over the whole screen; they lie past the window manager.
    QStringList popups(qint64 pid) const;
    QString activeWindow() const;
    QString windowTitle(const QString& id) const;
    QRect windowGeometry(const QString& id) const;
    // Whether a window lies inside trayer's panel, put there by the tray protocol.
    bool isDockedInTray(qint64 pid) const;

    // What the screen shows now, or one rectangle of it (in screen pixels).
    QImage grab(const QRect& area = {}) const;

private:
    void startServer();
    void startBus();
    // Starts a part of the desktop and waits until `ready` says that it has taken up its work.
    void startPart(const QString& program, const QStringList& arguments, const char* readiness,
                   const std::function<bool(Display*)>& ready);
    void startWindowManager();
    void startTray();
    void fail(const QString& why);

    QString m_error;
    QString m_display;
    QString m_busAddress;
    std::vector<std::unique_ptr<QProcess>> m_processes;  // in start order; stopped in reverse
    const QProcess* m_tray = nullptr;
};

// Whether two images differ in more than `pixels` pixels by more than `tolerance` in a channel.
bool differ(const QImage& a, const QImage& b, int pixels = 50, int tolerance = 24);
// How many pixels of an image lie within `tolerance` of a colour in every channel.
int countColour(const QImage& image, QRgb colour, int tolerance = 40);

}  // namespace sablewick::journey

#pragma once

#include <QRect>
#include <QString>

#include <optional>

namespace sablewick::journey {

// Where a program's controls are on the screen, read from the accessibility bus as a screen
// reader reads them, so that a journey clicks a button where the user sees it without knowing
// the window's layout. Reading only: every press is a real click or key through XTEST.
class JourneyAccessibility {
public:
    // Connects to the accessibility bus of the session bus named by DBUS_SESSION_BUS_ADDRESS; once
    // per process.
    static void connect();

    // The screen rectangle of the first showing control of the process whose accessible name
    // matches (a whole-name regex) and, when given, whose role name is `role` ("push button",
    // "page tab", "slider", "menu item", ...); with `within`, only a control inside that screen
    // rectangle (a minimised window's controls still read as showing).
    static std::optional<QRect> find(qint64 pid, const QString& name, const QString& role = {},
                                     const QRect& within = {});
    // Every showing control of the process as "role 'name' x,y wxh" lines, for a failure's message.
    static QString describe(qint64 pid);
};

}  // namespace sablewick::journey

#pragma once

#include <QPoint>

#include <chrono>
#include <memory>
#include <optional>

namespace sablewick {

// The text caret of whatever widget has the keyboard focus, in any application, as the
// accessibility bus (AT-SPI) tells it. The bus is followed on a thread of its own, which keeps
// track of the focused text as focus and caret events arrive; a question is answered from there
// within a deadline or not at all, so a slow or hung application never holds up the caller.
// Without a session bus, or without an accessibility bus behind it, nothing is ever answered.
//
// One at a time per process (the accessibility library keeps one connection). Any thread may ask.
class AtspiCaret {
public:
    AtspiCaret();
    ~AtspiCaret();  // ends the thread
    AtspiCaret(const AtspiCaret&) = delete;
    AtspiCaret& operator=(const AtspiCaret&) = delete;

    // The caret in root-window pixels (the left edge of the character after it, halfway down),
    // or none when no focused text answered within `budget`.
    std::optional<QPoint> locate(std::chrono::milliseconds budget);

    // Whether focus events are being followed, waiting up to `budget` for the connection.
    bool waitUntilFollowing(std::chrono::milliseconds budget);

private:
    struct State;
    std::shared_ptr<State> m_state;
};

}  // namespace sablewick

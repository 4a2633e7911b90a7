#pragma once

#include <QPoint>
#include <QSize>

#include <cstdint>
#include <memory>

namespace sablewick::test {

// A screen as a compositor shares it: a PipeWire video source on the session's PipeWire server
// (BGRx pictures in memory PipeWire allocates, with presentation times on the monotonic clock and
// the pointer's position beside each picture). Picture n is one flat grey level, 20 + 7 × (n mod
// 30). It sends `pictures` of them (-1: without end), and then nothing, as a compositor does
// while nothing changes on the screen.
class PipeWireTestScreen {
public:
    PipeWireTestScreen(QSize size, int framesPerSecond, QPoint pointer, int pictures = -1);
    ~PipeWireTestScreen();

    // The source's node, once the server knows it (waits up to a few seconds); 0 when it fails.
    std::uint32_t node();
    // A new connection to the session's PipeWire server, as the portal hands one out.
    static int connectToServer();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace sablewick::test

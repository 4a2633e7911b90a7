#pragma once

#include "platform/ScreenFrameSource.h"

#include <QPointF>
#include <QSize>

#include <memory>
#include <optional>
#include <stdexcept>

namespace sablewick {

class PipeWireError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Receives the video stream of a shared display from PipeWire (the node a screen-cast portal
// session handed out, on the connection it opened) on PipeWire's own thread, and keeps the
// newest picture and pointer position for whoever asks. Pictures arrive in shared memory only;
// the compositor sends one when the screen changes, so between two of them the display looks as
// it did.
//
// Threading: grab() from one thread at a time; the other members from any thread.
class PipeWireScreenStream : public ScreenFrameSource {
public:
    // Takes ownership of `remote`, the file descriptor of the PipeWire connection. Waits up to
    // `firstFrameTimeout` seconds for the first picture; a stream that agreed on a size by then
    // shows black until its first picture comes. Throws PipeWireError when the stream cannot be
    // opened, or neither agrees on a format nor sends a picture in time.
    PipeWireScreenStream(int remote, std::uint32_t node, double firstFrameTimeout);
    ~PipeWireScreenStream() override;
    PipeWireScreenStream(const PipeWireScreenStream&) = delete;
    PipeWireScreenStream& operator=(const PipeWireScreenStream&) = delete;

    ScreenFrame grab() override;

    QSize size() const;
    // The pointer's position in the stream's pixels, when the compositor sends it beside the
    // pictures (and not drawn into them); none otherwise or while it is off the display.
    std::optional<QPointF> pointer() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace sablewick

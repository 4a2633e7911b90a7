#pragma once

#include "platform/X11Connection.h"

#include <QRect>

#include <cstdint>
#include <memory>

namespace sablewick {

// Copies one area of the X screen through shared memory (MIT-SHM), without the pointer.
// One thread at a time; the connection is the grabber's own.
class X11ScreenGrabber {
public:
    struct Image {
        const std::uint8_t* bits = nullptr;  // B, G, R, X bytes per pixel
        int stride = 0;
        int width = 0;
        int height = 0;
    };

    // `area` in root-window pixels; it must lie on the screen. Throws X11Error.
    explicit X11ScreenGrabber(QRect area);
    ~X11ScreenGrabber();
    X11ScreenGrabber(const X11ScreenGrabber&) = delete;
    X11ScreenGrabber& operator=(const X11ScreenGrabber&) = delete;

    // Grabs the area now. The image stays valid until the next grab. Throws X11Error when the
    // server refuses (for example because the screen shrank under the area).
    Image grab();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace sablewick

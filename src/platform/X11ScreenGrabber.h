#pragma once

#include "platform/X11Connection.h"

#include <QRect>

#include <cstdint>
#include <memory>

namespace sablewick {

// Copies one area of the X screen through shared memory (MIT-SHM), without the pointer, into one
// of several images, so that one image can be read on another thread while the next is grabbed.
// Grabs happen on one thread at a time; the connection is the grabber's own.
class X11ScreenGrabber {
public:
    struct Image {
        const std::uint8_t* bits = nullptr;  // B, G, R, X bytes per pixel
        int stride = 0;
        int width = 0;
        int height = 0;
    };

    // `area` in root-window pixels; it must lie on the screen. `images` (at least one) are made
    // up front. Throws X11Error.
    explicit X11ScreenGrabber(QRect area, int images = 1);
    ~X11ScreenGrabber();
    X11ScreenGrabber(const X11ScreenGrabber&) = delete;
    X11ScreenGrabber& operator=(const X11ScreenGrabber&) = delete;

    int imageCount() const;

    // Grabs the area now into image `index` (0 to imageCount() - 1). The image stays valid until
    // the next grab into the same index. Throws X11Error when the server refuses (for example
    // because the screen shrank under the area).
    Image grab(int index = 0);

private:
    struct Slot;
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace sablewick

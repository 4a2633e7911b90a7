#pragma once

#include <cstdint>
#include <optional>

namespace sablewick {

// The byte order of a 32-bit pixel, first byte first; x is a byte to ignore.
enum class ScreenPixelFormat { bgrx, bgra, rgbx, rgba, xrgb, xbgr, argb, abgr };

struct ScreenFrame {
    const std::uint8_t* bits = nullptr;
    int stride = 0;
    int width = 0;
    int height = 0;
    ScreenPixelFormat format = ScreenPixelFormat::bgrx;
    // Monotonic seconds at which the picture was shown, when the source knows it; none when the
    // picture is the one handed out before (nothing changed on the screen since).
    std::optional<double> shownAt;
};

// Pictures of one display for a recording, taken when the recording asks for them.
class ScreenFrameSource {
public:
    virtual ~ScreenFrameSource() = default;
    // The display's picture now. It stays valid until the next call. Throws std::runtime_error
    // with a readable reason when the display can no longer be read.
    virtual ScreenFrame grab() = 0;

    // How many pictures the source can hold at once. grabInto(i) fills picture i (0 to
    // pictureCount() - 1), which stays valid until the next grab into i, so that one picture
    // can be converted on another thread while the next is taken.
    virtual int pictureCount() const { return 1; }
    virtual ScreenFrame grabInto(int) { return grab(); }
};

}  // namespace sablewick

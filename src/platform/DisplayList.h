#pragma once

#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace sablewick {

// A failure of the X server or one of its extensions; the text is readable by a user.
class X11Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One monitor of the X screen.
struct DisplayInfo {
    // Stable for the life of the X session: the XRandR output that shows the monitor (for a
    // monitor without outputs, its own number above all output numbers).
    std::uint32_t id = 0;
    QString name;
    QRect geometry;  // in root-window pixels, origin at the top left
    bool primary = false;
};

struct DisplayLayout {
    QSize root;  // the whole X screen, pixels
    std::vector<DisplayInfo> displays;  // primary first, then left to right, top to bottom

    // The primary display, else the first; none when there are no displays.
    const DisplayInfo* main() const;
    const DisplayInfo* find(std::uint32_t id) const;

    // Root pixels (y down) to global coordinates of the recorded positions (y up from the
    // bottom of the screen). A pixel stands for its centre, so every pixel of a display,
    // including its top row, lies inside that display's frame.
    QRectF globalFrame(const QRect& geometry) const;
    QPointF globalPoint(QPoint pixel) const;
    // The pixel that holds a global point.
    QPoint pixelAt(QPointF global) const;
};

namespace DisplayList {

// The monitors of the X server named by DISPLAY (XRandR monitors; the whole screen as one display
// when the server reports none). Throws X11Error when no X server answers.
DisplayLayout current();

}  // namespace DisplayList
}  // namespace sablewick

#pragma once

#include "platform/DisplayList.h"

#include <stdexcept>

namespace sablewick {

class WaylandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace WaylandOutputs {

// The outputs of the Wayland compositor named by WAYLAND_DISPLAY, as a layout of displays in
// the compositor's logical space (geometry in logical pixels; `scale` set from the output).
// The first output at the origin is the main one. Throws WaylandError when no compositor answers.
struct Output {
    DisplayInfo display;
    int scale = 1;
    QSize pixels;  // the output's current mode
};
std::vector<Output> current();
DisplayLayout layout(const std::vector<Output>& outputs);

}  // namespace WaylandOutputs
}  // namespace sablewick

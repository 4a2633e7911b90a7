#pragma once

class QWidget;

namespace sablewick {

// Makes a control that reacts to the mouse wheel take the wheel only while it has keyboard focus,
// as desktop controls do: otherwise the wheel passes to what holds the control, so a page of
// controls scrolls under the pointer instead of changing whichever control the pointer crosses.
// A click (or Tab) gives the control focus, and then the wheel is its own. Main thread only.
void guardWheel(QWidget* control);

}  // namespace sablewick

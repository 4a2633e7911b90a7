#pragma once

namespace sablewick {

// What assistive tools read from the kit's own controls: the value each one shows in the caller's
// words (a slider's value or level name, the chosen option of a segmented or menu choice) and an
// icon toggle's on or off, a loading button's "In progress", where Qt's generic interfaces would report an internal position or
// nothing, since the controls keep no state. Every such control calls this when it is made; only
// the first call installs anything.
void ensureStudioAccessibility();

} // namespace sablewick

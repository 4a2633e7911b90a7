#pragma once

class QWidget;

namespace sablewick {

// What assistive tools read from the kit's own controls: the value each one shows in the caller's
// words (a slider's value or level name, the chosen option of a segmented or menu choice) and an
// icon toggle's on or off, a loading button's "In progress", where Qt's generic interfaces would report an internal position or
// nothing, since the controls keep no state. Every such control calls this when it is made; only
// the first call installs anything.
void ensureStudioAccessibility();

// A label that titles what follows it: assistive tools read it with the heading role, so their
// users can jump between sections.
void markAsAccessibleHeading(QWidget* label);

// A widget that only repeats for the eye what its neighbour already tells assistive tools (a
// caption under a labelled control, a decoration): it reads as invisible and nameless.
void hideFromAssistiveTools(QWidget* widget);

} // namespace sablewick

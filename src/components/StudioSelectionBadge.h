#pragma once

class QWidget;

namespace sablewick {

// Shows (or hides) a check-mark badge at the view's top-right corner, 5 px in from it: a 23 px
// circle on the kit's glass surface with the check mark in the readable accent. The badge lets
// clicks through to the view and is hidden from accessibility. Call again whenever the selection
// changes; the badge is made once and reused.
void studioSelectionBadge(QWidget* view, bool selected);

inline constexpr int selectionBadgeDiameter = 23;
inline constexpr int selectionBadgeInset = 5;

} // namespace sablewick

#pragma once

namespace sablewick {

class TimelineTrack;

// What assistive tools read of the timeline strip, which paints its parts itself: the trim
// handles, the playhead and every zoom's body and resize grip are elements of their own with the
// strip's names for them, their places on screen, and a press action on a zoom's body that does
// what a click does. The strip calls the first function when it is made; only the first call
// installs anything.
void ensureTimelineTrackAccessibility();

// Tells listening tools what changed after the edit or the playhead did: elements that came or
// went, and names and places that changed. Nothing happens while no tool listens, nor for a strip
// no tool has asked about.
void announceTimelineTrackChanges(TimelineTrack* track);

}  // namespace sablewick

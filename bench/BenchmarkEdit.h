#pragma once
// The edits that the composition benchmark composes and the export benchmark exports, so that the
// benchmark's figure and a profile of the real export of the same movie measure the same work.
//
// Both have the default look with a thin frame and a pointer drawn from its track, gliding across
// the screen. `zoomRamp` adds one zoom that ramps in over ten seconds (so no two frames of a
// clip within them share a zoom, pan or punch-in); `atRest` has no zoom, so the card never moves.
#include "document/EditSettings.h"
#include "document/FocusPoint.h"

#include <QUuid>

#include <cmath>
#include <string_view>
#include <vector>

namespace sablewick::benchmark_edit {

enum class Kind { atRest, zoomRamp };

inline const char* name(Kind kind) { return kind == Kind::atRest ? "rest" : "zoom-ramp"; }

inline bool fromName(std::string_view text, Kind& kind)
{
    for (Kind k : {Kind::atRest, Kind::zoomRamp})
        if (text == name(k)) {
            kind = k;
            return true;
        }
    return false;
}

inline EditSettings settings()
{
    EditSettings settings;
    settings.frameInset = 8;
    return settings;
}

inline std::vector<FocusPoint> focusPoints(Kind kind)
{
    if (kind == Kind::atRest)
        return {};
    FocusPoint point;
    point.id = QUuid::createUuid();
    point.time = 0;
    point.x = 0.62;
    point.y = 0.35;
    point.zoomDuration = 40;
    point.zoomTransition = 10;
    return {point};
}

// Samples at 30 Hz over `seconds`.
inline std::vector<PointerSample> pointerTrack(double seconds)
{
    std::vector<PointerSample> track;
    const int count = int(std::ceil(seconds * 30));
    for (int i = 0; i <= count; ++i) {
        const double t = i / 30.0;
        track.push_back({t, 0.3 + 0.4 * std::fmod(t, 6.0) / 6.0, 0.6 - 0.2 * std::sin(t), true});
    }
    return track;
}

}  // namespace sablewick::benchmark_edit

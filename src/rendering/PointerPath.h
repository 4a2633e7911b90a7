#pragma once

#include "document/FocusPoint.h"

#include <optional>
#include <span>

namespace sablewick {

// Where the recorded pointer is at any moment: the track interpolated and, optionally, smoothed.
// Drives the synthetic pointer, the follow-cursor zoom, the preview and the screenshot renderer.
namespace PointerPath {

// The pointer at `time` over a track sorted by time, or none before the first sample, more than
// 0.25 s after the last one, for an empty track or a NaN time. The result carries the asked time,
// the position (fractions 0...1, y up) and whether the pointer was visible. Smoothing (a short
// Gaussian over at most 11 neighbouring visible samples) applies only to a visible point.
std::optional<PointerSample> position(double time, std::span<const PointerSample> samples,
                                      bool smooth);

}  // namespace PointerPath
}  // namespace sablewick

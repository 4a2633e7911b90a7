#pragma once

#include "document/StoredEnum.h"

#include <QUuid>

#include <array>
#include <optional>
#include <string_view>

namespace sablewick {

// What made a focus point. Stored under the case names "click", "typing", "manual".
enum class FocusKind { click, typing, manual };

// How a zoom segment aims: `manual` holds on the point ("Fixed"), `follow` follows the recorded
// pointer ("Follow cursor"). Stored under these titles.
enum class ZoomMode { manual, follow };

template <>
struct EnumCases<FocusKind> {
    static constexpr std::array cases{FocusKind::click, FocusKind::typing, FocusKind::manual};
};
template <>
struct EnumCases<ZoomMode> {
    static constexpr std::array cases{ZoomMode::manual, ZoomMode::follow};
};

std::string_view storedValue(FocusKind value);
std::string_view storedValue(ZoomMode value);

// One zoom segment: a moment, a place on the source frame (fractions 0...1 from the left and the
// bottom edge: y grows upwards) and optional overrides of the edit's zoom settings.
// Built memberwise; a new point takes QUuid::createUuid() as its id.
struct FocusPoint {
    QUuid id;
    double time = 0;  // seconds from the start of the movie
    double x = 0;
    double y = 0;
    FocusKind kind = FocusKind::manual;
    std::optional<double> zoomDuration;    // absent: the edit's zoomDuration
    std::optional<double> zoomStrength;    // absent: the edit's zoomStrength
    std::optional<ZoomMode> zoomMode;      // absent: ZoomMode::manual
    std::optional<double> zoomTransition;  // absent: the edit's zoomTransition

    bool operator==(const FocusPoint&) const = default;
};

// One reading of the pointer while recording: seconds since the recording started, position as
// fractions 0...1 of the display from its left and bottom edges, and whether the pointer was
// inside the recorded display.
struct PointerSample {
    double time = 0;
    double x = 0;
    double y = 0;
    bool visible = false;

    bool operator==(const PointerSample&) const = default;
};

}  // namespace sablewick

#pragma once

#include "document/EditSettings.h"

#include <QString>

#include <array>

namespace sablewick {

// The Crop page's four edge sliders, apart from their widgets.
namespace CropPresenter {

enum class CropEdge { left, right, top, bottom };
inline constexpr std::array allCropEdges{CropEdge::left, CropEdge::right, CropEdge::top, CropEdge::bottom};

QString title(CropEdge edge);             // "Left"
QString accessibleName(CropEdge edge);    // "Left crop"
double value(const EditSettings& settings, CropEdge edge);
// The most this edge may cut away while the opposite edge cuts what it does now: the two together
// keep at least a thousandth of the picture, and the slider never shrinks to nothing.
double upperBound(const EditSettings& settings, CropEdge edge);
// The settings with this edge at `value`, held to its bound.
EditSettings withValue(EditSettings settings, CropEdge edge, double value);
QString valueText(double value);          // 0.125 reads "12.5%"

}  // namespace CropPresenter
}  // namespace sablewick

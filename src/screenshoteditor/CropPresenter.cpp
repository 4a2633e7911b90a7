#include "screenshoteditor/CropPresenter.h"

#include <algorithm>
#include <cmath>

namespace sablewick::CropPresenter {
namespace {

double& field(EditSettings& settings, CropEdge edge)
{
    switch (edge) {
    case CropEdge::left: return settings.cropLeft;
    case CropEdge::right: return settings.cropRight;
    case CropEdge::top: return settings.cropTop;
    case CropEdge::bottom: return settings.cropBottom;
    }
    return settings.cropLeft;
}

CropEdge opposite(CropEdge edge)
{
    switch (edge) {
    case CropEdge::left: return CropEdge::right;
    case CropEdge::right: return CropEdge::left;
    case CropEdge::top: return CropEdge::bottom;
    case CropEdge::bottom: return CropEdge::top;
    }
    return CropEdge::right;
}

}  // namespace

QString title(CropEdge edge)
{
    switch (edge) {
    case CropEdge::left: return QStringLiteral("Left");
    case CropEdge::right: return QStringLiteral("Right");
    case CropEdge::top: return QStringLiteral("Top");
    case CropEdge::bottom: return QStringLiteral("Bottom");
    }
    return {};
}

QString accessibleName(CropEdge edge)
{
    return title(edge) + QStringLiteral(" crop");
}

double value(const EditSettings& settings, CropEdge edge)
{
    EditSettings copy = settings;
    return field(copy, edge);
}

double upperBound(const EditSettings& settings, CropEdge edge)
{
    return std::max(0.999 - value(settings, opposite(edge)), 0.001);
}

EditSettings withValue(EditSettings settings, CropEdge edge, double newValue)
{
    // A value from outside a slider (an assistant, a stale range) can be anything; the stored crop
    // stays within what the renderer can show.
    if (!std::isfinite(newValue))
        return settings;
    field(settings, edge) = std::clamp(newValue, 0.0, upperBound(settings, edge));
    return settings;
}

QString valueText(double value)
{
    return QString::asprintf("%.1f%%", value * 100);
}

}  // namespace sablewick::CropPresenter

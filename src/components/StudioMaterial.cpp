#include "components/StudioMaterial.h"

namespace sablewick {

namespace {

bool wantsOpaque(const StudioGlassInputs& inputs)
{
    return inputs.reduceTransparency || inputs.contrast == StudioContrast::increased;
}

} // namespace

GlassControlStyle nativeGlassControlStyle(const StudioGlassInputs& inputs, bool prominent)
{
    if (inputs.glassAvailable && !wantsOpaque(inputs))
        return prominent ? GlassControlStyle::glassProminent : GlassControlStyle::glass;
    return prominent ? GlassControlStyle::borderedProminent : GlassControlStyle::bordered;
}

GlassSurfaceKind glassSurfaceKind(const StudioGlassInputs& inputs)
{
    if (wantsOpaque(inputs))
        return GlassSurfaceKind::solid;
    return inputs.glassAvailable ? GlassSurfaceKind::glass : GlassSurfaceKind::material;
}

HeaderBackground inspectorHeaderBackground(const StudioGlassInputs& inputs)
{
    return wantsOpaque(inputs) ? HeaderBackground::opaqueWindow : HeaderBackground::barMaterial;
}

} // namespace sablewick

#pragma once

// Which drawing a glass control or surface gets. The desktop offers no translucent glass, so the
// decision ends in bordered controls and material or solid surfaces; `glassAvailable` stays a
// parameter so the rule reads as one table and is tested as one.

namespace sablewick {

enum class StudioContrast { standard, increased };

struct StudioGlassInputs {
    bool glassAvailable = false;
    bool reduceTransparency = false;
    StudioContrast contrast = StudioContrast::standard;
};

// The desktop never has a system glass effect.
inline constexpr bool systemGlassAvailable = false;

enum class GlassControlStyle { glassProminent, glass, borderedProminent, bordered };
GlassControlStyle nativeGlassControlStyle(const StudioGlassInputs& inputs, bool prominent);

// Solid: opaque surface colour with a 22 % label-colour border. Glass: the system effect.
// Material: a lightly translucent fill with the separator hairline.
enum class GlassSurfaceKind { solid, glass, material };
GlassSurfaceKind glassSurfaceKind(const StudioGlassInputs& inputs);

// Inspector headers: the opaque window colour, or the bar material.
enum class HeaderBackground { opaqueWindow, barMaterial };
HeaderBackground inspectorHeaderBackground(const StudioGlassInputs& inputs);

// Opacities of the surface borders, as fractions of the label colour.
inline constexpr double solidSurfaceBorderOpacity = 0.22;
inline constexpr double separatorOpacity = 0.1;

} // namespace sablewick

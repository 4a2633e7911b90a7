#include "components/StudioMaterial.h"

#include <gtest/gtest.h>

namespace sablewick {
namespace {

constexpr auto standard = StudioContrast::standard;
constexpr auto increased = StudioContrast::increased;

struct Case {
    StudioGlassInputs inputs;
    GlassControlStyle prominentStyle;
    GlassControlStyle plainStyle;
    GlassSurfaceKind surface;
    HeaderBackground header;
};

TEST(StudioMaterial, GlassOrOpaqueDecision)
{
    using G = GlassControlStyle;
    using K = GlassSurfaceKind;
    using H = HeaderBackground;
    const Case cases[] = {
        // Where glass exists it is used unless the user asked for less transparency or more contrast.
        {{true, false, standard}, G::glassProminent, G::glass, K::glass, H::barMaterial},
        {{true, true, standard}, G::borderedProminent, G::bordered, K::solid, H::opaqueWindow},
        {{true, false, increased}, G::borderedProminent, G::bordered, K::solid, H::opaqueWindow},
        // Without system glass (always the case here): bordered controls and material surfaces.
        {{false, false, standard}, G::borderedProminent, G::bordered, K::material, H::barMaterial},
        {{false, true, standard}, G::borderedProminent, G::bordered, K::solid, H::opaqueWindow},
        {{false, false, increased}, G::borderedProminent, G::bordered, K::solid, H::opaqueWindow},
        {{false, true, increased}, G::borderedProminent, G::bordered, K::solid, H::opaqueWindow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "glass " << c.inputs.glassAvailable << " reduce "
                                        << c.inputs.reduceTransparency << " contrast "
                                        << static_cast<int>(c.inputs.contrast));
        EXPECT_EQ(nativeGlassControlStyle(c.inputs, true), c.prominentStyle);
        EXPECT_EQ(nativeGlassControlStyle(c.inputs, false), c.plainStyle);
        EXPECT_EQ(glassSurfaceKind(c.inputs), c.surface);
        EXPECT_EQ(inspectorHeaderBackground(c.inputs), c.header);
    }
    EXPECT_FALSE(systemGlassAvailable);
}

} // namespace
} // namespace sablewick

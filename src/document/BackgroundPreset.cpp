#include "document/BackgroundPreset.h"

#include "document/ResourceLookup.h"

namespace sablewick {

const std::vector<BackgroundPreset>& BackgroundPreset::all()
{
    static const std::vector<BackgroundPreset> presets = [] {
        const auto preset = [](const char* id, const char* name, RgbColor first, RgbColor second,
                               std::optional<RgbColor> glow = std::nullopt,
                               std::optional<RgbColor> fourth = std::nullopt) {
            return BackgroundPreset{QString::fromLatin1(id), QString::fromLatin1(name), first, second, glow, fourth};
        };
        return std::vector<BackgroundPreset>{
            preset("prism", "Prism", 0x405BDB, 0xC895E8, 0x69E5EC, 0xFFBAE6),
            preset("candy", "Candy", 0x6535C4, 0xF0A3CC, 0x5ACCE3, 0xDABFFF),
            preset("flare", "Flare", 0xFA423F, 0xF7B44A, 0xFF85C2, 0xFFDB7A),
            preset("cobalt", "Cobalt", 0x102067, 0x4A43E8, 0x22C5DC, 0x6D78F5),
            preset("lagoon", "Lagoon", 0x066B86, 0x6AD7CB, 0xADFFF1, 0x4AB7E3),
            preset("afterglow", "Afterglow", 0x311660, 0xEB729A, 0xFFB660, 0x922F9F),
            preset("lilac-mist", "Lilac Mist", 0xAF9ED9, 0xF2DDE5, 0xA4D8EE, 0xF2C4F0),
            preset("ember", "Ember", 0x1B1432, 0x7D224D, 0xF55148, 0xFF933C),
            preset("slate", "Slate", 0x222638, 0x4C617A),
            preset("lavender", "Lavender", 0xAE9FDD, 0xEADAF7),
            preset("sunset", "Sunset", 0xEE967F, 0xF7DDB5),
            preset("mint", "Mint", 0x85C8B1, 0xD4EBDC),
            preset("ocean", "Ocean", 0x427FAD, 0xB7DAE8),
            preset("sand", "Sand", 0xBBA785, 0xE9DEC8),
            preset("peach", "Peach", 0xF4B8A8, 0xFCE5CA),
            preset("sky", "Sky", 0x84B9E6, 0xE2F1FA),
            preset("orchid", "Orchid", 0x8E72C7, 0xE7D6F8),
            preset("forest", "Forest", 0x244B43, 0x85BBA0),
            preset("citrus", "Citrus", 0xE7A84E, 0xFAE4A6),
            preset("graphite", "Graphite", 0x171C26, 0x546270),
            preset("vapor", "Vapor", 0xA9C7F1, 0xFBE3D1, 0xE3B7F1),
            preset("orchid-glow", "Orchid Glow", 0x7668C6, 0xE5C8E6, 0xFFD5E3),
            preset("blue-hour", "Blue Hour", 0x1C3765, 0x6886AC, 0x48A3B8),
            preset("solar", "Solar", 0xE88774, 0xF3C3B9, 0xFFE8A3),
            preset("moss-light", "Moss Light", 0x466B63, 0xB8CBB1, 0xD5E8AA),
            preset("glacier", "Glacier", 0x5DB1CA, 0xD5F1EF, 0xB8A6EE),
        };
    }();
    return presets;
}

std::optional<BackgroundPreset> BackgroundPreset::named(const QString& id)
{
    for (const BackgroundPreset& preset : all()) {
        if (preset.id == id)
            return preset;
    }
    return std::nullopt;
}

std::optional<QUrl> BackgroundPreset::fileURL() const
{
    return ResourceLookup::find(ResourceLookup::Folder::backgrounds, QStringLiteral("gradient-") + id);
}

}  // namespace sablewick

#pragma once

#include <QString>
#include <QUrl>

#include <cstdint>
#include <optional>
#include <vector>

namespace sablewick {

// A colour as 0xRRGGBB in the low 24 bits.
using RgbColor = std::uint32_t;

// A named gradient. An edit stores the whole record, so it keeps its colours even if the built-in
// catalogue changes later.
struct BackgroundPreset {
    QString id;    // stable identifier such as "prism"
    QString name;  // display name
    RgbColor first = 0;
    RgbColor second = 0;
    std::optional<RgbColor> glow;
    std::optional<RgbColor> fourth;

    bool operator==(const BackgroundPreset&) const = default;

    // The built-in catalogue of 26 presets; the first is the default background of a new edit.
    static const std::vector<BackgroundPreset>& all();
    // The catalogue entry with this id, if any.
    static std::optional<BackgroundPreset> named(const QString& id);

    // The pre-rendered image "gradient-<id>.jpg" among the background resources, or none when
    // it is not there. Looks again on every call.
    std::optional<QUrl> fileURL() const;
};

}  // namespace sablewick

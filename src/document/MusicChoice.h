#pragma once

#include "document/StoredEnum.h"

#include <QString>
#include <QUrl>

#include <array>
#include <optional>
#include <string_view>

namespace sablewick {

// The music of an edit. Stored under the case names.
enum class MusicChoice { none, glass, daylight, motion, drift, bloom, pulse, custom };

template <>
struct EnumCases<MusicChoice> {
    static constexpr std::array cases{
        MusicChoice::none,  MusicChoice::glass, MusicChoice::daylight, MusicChoice::motion,
        MusicChoice::drift, MusicChoice::bloom, MusicChoice::pulse,    MusicChoice::custom,
    };
};

std::string_view storedValue(MusicChoice choice);

namespace Music {

// The six built-in tracks in the order the library lists them.
inline constexpr std::array library{
    MusicChoice::glass, MusicChoice::daylight, MusicChoice::motion,
    MusicChoice::drift, MusicChoice::bloom,    MusicChoice::pulse,
};

// The built-in track's file name without extension ("glass-light"); empty for none and custom.
QString trackFileName(MusicChoice choice);

// The built-in track's audio file among the music resources, or none when it is not there.
// Always none for none and custom (the custom file is the edit's musicFileURL).
std::optional<QUrl> bundledURL(MusicChoice choice);

}  // namespace Music
}  // namespace sablewick

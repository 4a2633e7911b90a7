#include "document/MusicChoice.h"

#include "document/ResourceLookup.h"

namespace sablewick {

std::string_view storedValue(MusicChoice choice)
{
    switch (choice) {
    case MusicChoice::none: return "none";
    case MusicChoice::glass: return "glass";
    case MusicChoice::daylight: return "daylight";
    case MusicChoice::motion: return "motion";
    case MusicChoice::drift: return "drift";
    case MusicChoice::bloom: return "bloom";
    case MusicChoice::pulse: return "pulse";
    case MusicChoice::custom: return "custom";
    }
    return {};
}

namespace Music {

QString trackFileName(MusicChoice choice)
{
    switch (choice) {
    case MusicChoice::glass: return QStringLiteral("glass-light");
    case MusicChoice::daylight: return QStringLiteral("daylight");
    case MusicChoice::motion: return QStringLiteral("soft-motion");
    case MusicChoice::drift: return QStringLiteral("slow-drift");
    case MusicChoice::bloom: return QStringLiteral("bloom");
    case MusicChoice::pulse: return QStringLiteral("night-pulse");
    case MusicChoice::none:
    case MusicChoice::custom:
        break;
    }
    return {};
}

std::optional<QUrl> bundledURL(MusicChoice choice)
{
    const QString file = trackFileName(choice);
    if (file.isEmpty())
        return std::nullopt;
    return ResourceLookup::find(ResourceLookup::Folder::music, file);
}

}  // namespace Music
}  // namespace sablewick

#include "media/MediaError.h"

namespace sablewick {

const char* mediaErrorKindName(MediaErrorKind kind)
{
    switch (kind) {
    case MediaErrorKind::notFound: return "notFound";
    case MediaErrorKind::notLocalFile: return "notLocalFile";
    case MediaErrorKind::unreadable: return "unreadable";
    case MediaErrorKind::noVideoTrack: return "noVideoTrack";
    case MediaErrorKind::noAudioTrack: return "noAudioTrack";
    case MediaErrorKind::decodeFailed: return "decodeFailed";
    case MediaErrorKind::encoderUnavailable: return "encoderUnavailable";
    case MediaErrorKind::cannotCreateFile: return "cannotCreateFile";
    case MediaErrorKind::writeFailed: return "writeFailed";
    case MediaErrorKind::diskFull: return "diskFull";
    case MediaErrorKind::invalidArgument: return "invalidArgument";
    case MediaErrorKind::cancelled: return "cancelled";
    }
    return "unknown";
}

namespace {

std::string describe(MediaErrorKind kind, const std::string& path, const std::string& detail)
{
    std::string text = mediaErrorKindName(kind);
    if (!path.empty())
        text += ": " + path;
    if (!detail.empty())
        text += " (" + detail + ")";
    return text;
}

}  // namespace

MediaError::MediaError(MediaErrorKind kind, const std::string& path, const std::string& detail)
    : std::runtime_error(describe(kind, path, detail)), m_kind(kind), m_path(path), m_detail(detail)
{
}

}  // namespace sablewick

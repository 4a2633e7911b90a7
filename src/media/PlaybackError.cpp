#include "media/PlaybackError.h"

#include "media/MediaError.h"

namespace sablewick {

QString describePlaybackError(const std::exception& failure)
{
    const QString general = QStringLiteral("The file cannot be played.");
    const auto* error = dynamic_cast<const MediaError*>(&failure);
    if (!error)
        return general;
    switch (error->kind()) {
    case MediaErrorKind::notFound:
        return QStringLiteral("The file does not exist.");
    case MediaErrorKind::notLocalFile:
        return QStringLiteral("Only files on this computer can be played.");
    case MediaErrorKind::unreadable:
        return QStringLiteral("The file cannot be read as a movie or sound file.");
    case MediaErrorKind::noVideoTrack:
        return QStringLiteral("The file has no video that can be played.");
    case MediaErrorKind::noAudioTrack:
        return QStringLiteral("The file has no sound that can be played.");
    case MediaErrorKind::decodeFailed:
        return QStringLiteral("The file is damaged and cannot be decoded.");
    case MediaErrorKind::encoderUnavailable:
    case MediaErrorKind::cannotCreateFile:
    case MediaErrorKind::writeFailed:
    case MediaErrorKind::diskFull:
    case MediaErrorKind::invalidArgument:
    case MediaErrorKind::cancelled:
        break;
    }
    return general;
}

}  // namespace sablewick

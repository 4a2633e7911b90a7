#pragma once

#include <stdexcept>
#include <string>

namespace sablewick {

// What went wrong in the media layer. The export maps these onto its own user-facing messages;
// the text of a MediaError is for logs and tests, never shown as is.
enum class MediaErrorKind {
    notFound,            // the file does not exist
    notLocalFile,        // a URL other than a local file; never opened
    unreadable,          // exists but cannot be opened or parsed (not media, truncated, no permission)
    noVideoTrack,        // a movie without a decodable video track
    noAudioTrack,        // an audio source without a decodable audio track
    decodeFailed,        // the decoder failed part-way through the file
    encoderUnavailable,  // the encoder is missing or refused the settings
    cannotCreateFile,    // the destination cannot be created (folder missing or not writable)
    writeFailed,         // writing, encoding or finishing the file failed
    diskFull,            // the file system has no room left (or the quota is used up)
    invalidArgument,     // a size, rate or frame the writer cannot take
    cancelled,           // the caller's cancellation check said stop
};

const char* mediaErrorKindName(MediaErrorKind kind);

class MediaError : public std::runtime_error {
public:
    MediaError(MediaErrorKind kind, const std::string& path, const std::string& detail = {});

    MediaErrorKind kind() const { return m_kind; }
    const std::string& path() const { return m_path; }
    const std::string& detail() const { return m_detail; }

private:
    MediaErrorKind m_kind;
    std::string m_path;
    std::string m_detail;
};

}  // namespace sablewick

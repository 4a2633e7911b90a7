#pragma once

#include "media/MediaTime.h"

#include <string>
#include <vector>

namespace sablewick {

struct VideoTrackInfo {
    int streamIndex = -1;
    std::string codec;       // FFmpeg's codec name: "h264", "hevc", "gif", ...
    int width = 0;           // coded picture size in pixels, before rotation
    int height = 0;
    MediaTime frameRate;     // average frames per second (value/scale); 0/1 when unknown
    int rotation = 0;        // clockwise degrees to show the picture upright: 0, 90, 180 or 270
    double start = 0;        // seconds on the movie's timeline (0 is the movie's start)
    double duration = 0;     // seconds; 0 when unknown
    std::int64_t frameCount = 0;  // as the container declares it; 0 when unknown
};

struct AudioTrackInfo {
    int streamIndex = -1;
    std::string codec;
    int sampleRate = 0;
    int channels = 0;
    double start = 0;        // seconds on the movie's timeline
    double duration = 0;     // seconds; 0 when unknown
};

// What a media file holds. Times are seconds on the file's own timeline, as its timestamps say
// (0 is where a recording starts); VideoFrameSource and AudioDecoder use the same timeline.
struct MediaInfo {
    std::string path;
    std::string container;   // FFmpeg's demuxer name, e.g. "mov,mp4,m4a,3gp,3g2,mj2"
    double duration = 0;     // seconds; the longest track
    std::vector<VideoTrackInfo> videoTracks;
    std::vector<AudioTrackInfo> audioTracks;

    bool hasVideo() const { return !videoTracks.empty(); }
    bool hasAudio() const { return !audioTracks.empty(); }
    // The first video track; throws MediaError(noVideoTrack) when there is none.
    const VideoTrackInfo& video() const;
};

// Reads a local file's tracks and timing. Throws MediaError: notLocalFile, notFound, unreadable.
// `path` is a local path or a file:// URL. Safe to call from any thread.
MediaInfo probeMedia(const std::string& path);

}  // namespace sablewick

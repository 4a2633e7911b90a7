#pragma once

#include "media/DecodedPicture.h"
#include "media/MediaProbe.h"
#include "media/MediaTime.h"

#include <QImage>

#include <memory>
#include <optional>
#include <string>

namespace sablewick {

// One decoded picture. `image` is QImage::Format_RGB32, upright (turned as the track's display
// matrix says) at the track's size or the one asked for with setOutputSize(), the fourth byte 255 for pictures without alpha: a recording
// is shown opaque, and marked so, QPainter and the frame composer copy it instead of blending
// every pixel. Frames are implicitly shared; keeping one does not block decoding.
struct VideoFrame {
    QImage image;
    MediaTime time;          // presentation time on the file's timeline
    MediaTime duration;      // until the next frame (or the track's end); 0 when unknown
};

struct VideoFrameSourceOptions {
    int streamIndex = -1;    // -1: the file's best video track
    int decoderThreads = 0;  // 0: chosen for this machine (at most 6)
    int conversionThreads = 0;  // colour conversion slices; 0: chosen for this machine
};

// Decodes a movie's video track to frames at exact times. Not thread-safe: use one source per
// thread. Sequential requests decode forward without seeking; a request before the current
// position or far ahead of it seeks to the keyframe before it and decodes from there.
class VideoFrameSource {
public:
    // Throws MediaError: notLocalFile, notFound, unreadable, noVideoTrack, decodeFailed.
    explicit VideoFrameSource(const std::string& path, VideoFrameSourceOptions options = {});
    ~VideoFrameSource();
    VideoFrameSource(const VideoFrameSource&) = delete;
    VideoFrameSource& operator=(const VideoFrameSource&) = delete;

    const MediaInfo& info() const;
    const VideoTrackInfo& track() const;
    // The size of the track's frames, upright.
    int width() const;
    int height() const;

    // Scales the frames returned from now on to `size` (upright pixels) in the same pass as their
    // colour conversion, so that a small view of a large movie costs neither the conversion of
    // every full-size pixel nor a second scaling. A size that is empty, larger than the track in
    // either direction or nearly as large gives the track's own size (see outputSizeFor).
    void setOutputSize(QSize size);
    // The upright size of the frames returned from now on.
    QSize outputSize() const;
    // The size setOutputSize(asked) gives frames of `own` size (both upright). A size that would
    // keep more than half of the pixels gives `own`: converting a picture without scaling it is
    // so much cheaper than scaling it that the few pixels saved do not pay for it.
    static QSize outputSizeFor(QSize asked, QSize own);

    // The frame shown at time t: the one with the largest presentation time at or before t,
    // compared exactly. Before the first frame: the first frame; after the last: the last.
    // Throws MediaError: decodeFailed when the track yields no frame at all, invalidArgument for a
    // time without a scale.
    VideoFrame frameAt(MediaTime t);
    VideoFrame frameAt(double seconds) { return frameAt(MediaTime::fromSeconds(seconds, 1'000'000)); }
    // The same frame as decoded, for a reader that converts only the rows it reads (see
    // DecodedPicture); converted whole when its rows cannot be converted in bands (a turned
    // track, a picture scaled to the track's or the asked size, a format other than 4:2:0).
    DecodedPicture pictureAt(double seconds);

    // The next frame in presentation order after the last one returned (or from the start, or
    // from the position of seek()); nullopt at the end of the track.
    std::optional<VideoFrame> nextFrame();
    // Makes nextFrame() continue with the frame shown at t.
    void seek(MediaTime t);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace sablewick

#include "media/VideoFrameSource.h"

#include "media/DisplayRotation.h"
#include "media/FfmpegSupport.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <vector>

namespace sablewick {

namespace {

// A request this far beyond the decoded position seeks instead of decoding every frame between.
const MediaTime kSeekAheadDistance(2, 1);
const MediaTime kSettleMargin(1, 4);
// A seek decodes every reference picture from the keyframe before it (a screen recorder's
// keyframes can be 250 frames apart), and the decoder's frame threads are what let that run side by
// side. More than six, on an eight-processor machine, crowd out the colour conversion and the
// steady decoding rate falls by half.
constexpr int kMaxDecoderThreads = 6;
constexpr std::size_t kImagePoolSize = 4;

// A picture for swscale to write into. Its vector code stores whole groups of pixels and may
// write past the last pixel of a row whose width is no multiple of the group (tall movies and the
// sizes that fit them on a canvas often are not), as FFmpeg's own frames allow for: rows aligned
// to 64 bytes, and slack after the last one. A plain QImage has neither, and the stores went into
// the next heap block.
QImage paddedImage(QSize size)
{
    constexpr qsizetype kAlign = 64;
    const qsizetype stride = (qsizetype(size.width()) * 4 + kAlign - 1) / kAlign * kAlign;
    auto* memory = static_cast<uchar*>(av_malloc(size_t(stride) * size_t(size.height() + 1) + kAlign));
    if (!memory)
        throw std::bad_alloc();
    QImage image(memory, size.width(), size.height(), stride, QImage::Format_RGB32, [](void* data) { av_free(data); },
                 memory);
    if (image.isNull()) {
        av_free(memory);
        throw std::bad_alloc();
    }
    return image;
}

}  // namespace

struct VideoFrameSource::State {
    std::string path;
    MediaInfo info;
    VideoTrackInfo track;
    ffmpeg::InputPtr input;
    AVStream* stream = nullptr;
    ffmpeg::CodecPtr decoder;
    ffmpeg::PacketPtr packet = ffmpeg::makePacket();
    int conversionThreads = 1;

    // Decoded frames in presentation order: `current` is the frame last settled on, `ahead` the
    // one after it (read to know where `current` ends).
    ffmpeg::FramePtr current = ffmpeg::makeFrame();
    ffmpeg::FramePtr ahead = ffmpeg::makeFrame();
    bool haveCurrent = false;
    bool haveAhead = false;
    bool currentReturned = false;  // nextFrame() has handed out `current`
    bool draining = false;         // the demuxer is at its end; the decoder is being flushed
    bool ended = false;            // nothing more comes from the decoder
    std::int64_t lastTimestamp = AV_NOPTS_VALUE;
    // While settling on a time, pictures shown well before it need not be decoded when nothing
    // refers to them (see feedDecoder).
    std::int64_t unseenBefore = AV_NOPTS_VALUE;

    // Colour conversion of `current`, cached until `current` changes.
    ffmpeg::SwsPtr sws;
    int swsFormat = -1, swsColorspace = -1, swsRange = -1, swsWidth = 0, swsHeight = 0;
    // The size pictures are converted to, before they are turned upright.
    QSize convertedSize;
    int swsOutWidth = 0, swsOutHeight = 0;
    QImage converted;
    bool convertedValid = false;
    std::vector<QImage> pool;

    MediaTime timeOf(const AVFrame* frame)
    {
        std::int64_t ts = frame->best_effort_timestamp;
        if (ts == AV_NOPTS_VALUE)
            ts = frame->pts;
        if (ts == AV_NOPTS_VALUE) {
            // No timestamp at all: continue from the previous frame by one frame's duration.
            const std::int64_t step = frame->pkt_duration > 0 ? frame->pkt_duration : 1;
            ts = lastTimestamp == AV_NOPTS_VALUE ? 0 : lastTimestamp + step;
        }
        lastTimestamp = ts;
        return ffmpeg::streamTime(ts, stream->time_base);
    }

    // Decodes the next frame in presentation order into `frame`; false at the end of the track.
    bool decodeInto(AVFrame* frame)
    {
        while (true) {
            const int received = avcodec_receive_frame(decoder.get(), frame);
            if (received == 0)
                return true;
            if (received == AVERROR_EOF) {
                ended = true;
                return false;
            }
            if (received != AVERROR(EAGAIN))
                throw MediaError(MediaErrorKind::decodeFailed, path, ffmpeg::errorText(received));
            if (draining) {
                ended = true;
                return false;
            }
            if (!ffmpeg::feedDecoder(input.get(), decoder.get(), packet.get(), stream->index, path, unseenBefore))
                draining = true;
        }
    }

    bool fillAhead()
    {
        if (!haveAhead && !ended) {
            haveAhead = decodeInto(ahead.get());
            if (haveAhead)
                aheadTime = timeOf(ahead.get());
        }
        return haveAhead;
    }

    void advance()
    {
        if (fromBeginning && !haveCurrent && !firstTime)
            firstTime = aheadTime;
        std::swap(current, ahead);
        currentTime = aheadTime;
        haveCurrent = true;
        haveAhead = false;
        currentReturned = false;
        convertedValid = false;
    }

    MediaTime currentTime, aheadTime;
    bool fromBeginning = true;          // decoding started at the track's start
    std::optional<MediaTime> firstTime;  // of the track's first frame, once seen

    void resetDecoding(bool atBeginning)
    {
        avcodec_flush_buffers(decoder.get());
        haveCurrent = haveAhead = false;
        draining = ended = false;
        convertedValid = false;
        lastTimestamp = AV_NOPTS_VALUE;
        fromBeginning = atBeginning;
    }

    void restartFromBeginning()
    {
        const std::int64_t start = ffmpeg::firstTimestamp(stream);
        if (av_seek_frame(input.get(), stream->index, start, AVSEEK_FLAG_BACKWARD) < 0
            && av_seek_frame(input.get(), stream->index, start, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0)
            throw MediaError(MediaErrorKind::decodeFailed, path, "cannot return to the start of the track");
        resetDecoding(true);
    }

    void restartAt(MediaTime t)
    {
        const std::int64_t target = ffmpeg::streamTimestamp(t, stream->time_base);
        if (target <= ffmpeg::firstTimestamp(stream) || av_seek_frame(input.get(), stream->index, target, AVSEEK_FLAG_BACKWARD) < 0) {
            restartFromBeginning();
            return;
        }
        resetDecoding(false);
    }

    // Whether a keyframe lies after `from` and at or before `to`, so that seeking to `to` skips
    // decoding. Without an index, assumed so.
    bool keyframeBetween(MediaTime from, MediaTime to) const
    {
        const int entry = av_index_search_timestamp(stream, ffmpeg::streamTimestamp(to, stream->time_base), AVSEEK_FLAG_BACKWARD);
        if (entry < 0)
            return avformat_index_get_entries_count(stream) == 0;
        const AVIndexEntry* keyframe = avformat_index_get_entry(stream, entry);
        return keyframe && ffmpeg::streamTime(keyframe->timestamp, stream->time_base) > from;
    }

    // Settles `current` on the frame shown at t. Returns false when the track has no frame.
    bool settle(MediaTime t)
    {
        // The margin keeps the frame shown at t whatever the rounding of timestamps.
        unseenBefore = ffmpeg::streamTimestamp(t - kSettleMargin, stream->time_base);
        struct Restore {
            std::int64_t& value;
            ~Restore() { value = AV_NOPTS_VALUE; }
        } restore{unseenBefore};
        const bool atFirstFrame = firstTime && haveCurrent && currentTime == *firstTime;
        const bool behind = haveCurrent && t < currentTime && !atFirstFrame;
        const bool farAhead = haveCurrent && t > currentTime + kSeekAheadDistance && !(haveAhead && t < aheadTime)
                              && keyframeBetween(currentTime, t);
        if (behind || farAhead) {
            restartAt(t);
            if (!fromBeginning && (!fillAhead() || aheadTime > t)) {
                // The seek landed after t (t is before the first frame, or the index is coarse):
                // decode from the very beginning instead.
                restartFromBeginning();
            }
        }
        if (!haveCurrent) {
            if (!fillAhead())
                return false;
            advance();
        }
        while (fillAhead() && aheadTime <= t)
            advance();
        return true;
    }

    // A picture to convert into: one of the pool's that nobody else holds any more, or a new
    // one. Taken out of its slot, so that writing to it does not make Qt copy it.
    QImage takePoolImage(std::size_t& slot)
    {
        // Pictures of an earlier size are no use any more.
        for (QImage& image : pool)
            if (image.isDetached() && image.size() != convertedSize)
                image = QImage();
        for (slot = 0; slot < pool.size(); ++slot) {
            if (!pool[slot].isNull() && pool[slot].isDetached()) {
                QImage image;
                image.swap(pool[slot]);
                return image;
            }
        }
        // An empty slot (its picture was lost to a failed conversion) or a new one.
        for (slot = 0; slot < pool.size() && !pool[slot].isNull(); ++slot) {
        }
        if (slot == pool.size() && pool.size() < kImagePoolSize)
            pool.emplace_back();
        return paddedImage(convertedSize);
    }

    QImage convertCurrent()
    {
        if (convertedValid)
            return converted;
        const AVFrame* frame = current.get();
        const ffmpeg::PictureColour colour = ffmpeg::pictureColour(frame);
        // A picture whose size changed inside the track is scaled to the track's size.
        if (!sws || swsFormat != frame->format || swsColorspace != colour.colorspace || swsRange != colour.fullRange
            || swsWidth != frame->width || swsHeight != frame->height || swsOutWidth != convertedSize.width()
            || swsOutHeight != convertedSize.height()) {
            sws = ffmpeg::makeRgbConversion(frame->width, frame->height, frame->format, colour, convertedSize.width(),
                                            convertedSize.height(), conversionThreads, path);
            swsFormat = frame->format;
            swsColorspace = colour.colorspace;
            swsRange = colour.fullRange;
            swsWidth = frame->width;
            swsHeight = frame->height;
            swsOutWidth = convertedSize.width();
            swsOutHeight = convertedSize.height();
        }
        // The previous picture is let go first: when nobody else holds it, its memory takes this one.
        converted = QImage();
        std::size_t slot = 0;
        QImage image = takePoolImage(slot);
        ffmpeg::FramePtr target = ffmpeg::makeFrame();
        target->format = AV_PIX_FMT_BGRA;
        target->width = image.width();
        target->height = image.height();
        target->data[0] = image.bits();
        target->linesize[0] = static_cast<int>(image.bytesPerLine());
        // sws_scale_frame wants a reference-counted destination; the QImage owns the memory.
        target->buf[0] = av_buffer_create(image.bits(), static_cast<size_t>(image.sizeInBytes()),
                                          [](void*, uint8_t*) {}, nullptr, 0);
        if (!target->buf[0])
            throw std::bad_alloc();
        const int scaled = sws_scale_frame(sws.get(), target.get(), frame);
        if (scaled < 0)
            throw MediaError(MediaErrorKind::decodeFailed, path, ffmpeg::errorText(scaled));
        if (slot < pool.size())
            pool[slot] = image;
        converted = DisplayRotation::upright(image, track.rotation);
        convertedValid = true;
        return converted;
    }

    VideoFrame makeFrame()
    {
        VideoFrame result;
        result.image = convertCurrent();
        result.time = currentTime;
        if (haveAhead)
            result.duration = aheadTime - currentTime;
        else if (current->pkt_duration > 0)
            result.duration = ffmpeg::streamTime(current->pkt_duration, stream->time_base);
        else
            result.duration = MediaTime(0, 1);
        return result;
    }
};

VideoFrameSource::VideoFrameSource(const std::string& path, VideoFrameSourceOptions options)
    : m_state(std::make_unique<State>())
{
    State& s = *m_state;
    s.input = ffmpeg::openInput(path, &s.path);
    s.info = media_detail::describe(s.input.get(), s.path);
    const VideoTrackInfo* chosen = nullptr;
    if (options.streamIndex >= 0) {
        for (const VideoTrackInfo& track : s.info.videoTracks)
            if (track.streamIndex == options.streamIndex)
                chosen = &track;
    } else if (!s.info.videoTracks.empty()) {
        const int best = av_find_best_stream(s.input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        chosen = &s.info.videoTracks.front();
        for (const VideoTrackInfo& track : s.info.videoTracks)
            if (track.streamIndex == best)
                chosen = &track;
    }
    if (!chosen)
        throw MediaError(MediaErrorKind::noVideoTrack, s.path, "no video track");
    s.track = *chosen;
    s.stream = s.input->streams[s.track.streamIndex];
    s.decoder = ffmpeg::openDecoder(s.input.get(), s.track.streamIndex,
                                    ffmpeg::defaultThreads(options.decoderThreads, kMaxDecoderThreads),
                                    MediaErrorKind::noVideoTrack, s.path);
    s.conversionThreads = ffmpeg::defaultThreads(options.conversionThreads, ffmpeg::maxConversionThreads);
    s.convertedSize = QSize(s.track.width, s.track.height);
}

VideoFrameSource::~VideoFrameSource() = default;

const MediaInfo& VideoFrameSource::info() const { return m_state->info; }
const VideoTrackInfo& VideoFrameSource::track() const { return m_state->track; }
int VideoFrameSource::width() const
{
    return DisplayRotation::upright(QSize(m_state->track.width, m_state->track.height), m_state->track.rotation).width();
}
int VideoFrameSource::height() const
{
    return DisplayRotation::upright(QSize(m_state->track.width, m_state->track.height), m_state->track.rotation).height();
}

void VideoFrameSource::setOutputSize(QSize size)
{
    State& s = *m_state;
    const QSize full(s.track.width, s.track.height);
    // Asked for upright; converted before the picture is turned.
    const QSize coded = outputSizeFor(DisplayRotation::upright(size, s.track.rotation), full);
    if (coded == s.convertedSize)
        return;
    s.convertedSize = coded;
    s.convertedValid = false;
}

QSize VideoFrameSource::outputSizeFor(QSize asked, QSize own)
{
    if (asked.isEmpty() || asked.width() > own.width() || asked.height() > own.height()
        || 2 * std::int64_t(asked.width()) * asked.height() > std::int64_t(own.width()) * own.height())
        return own;
    return asked;
}

QSize VideoFrameSource::outputSize() const
{
    return DisplayRotation::upright(m_state->convertedSize, m_state->track.rotation);
}

VideoFrame VideoFrameSource::frameAt(MediaTime t)
{
    State& s = *m_state;
    if (!t.isValid())
        throw MediaError(MediaErrorKind::invalidArgument, s.path, "no time");
    if (!s.settle(t))
        throw MediaError(MediaErrorKind::decodeFailed, s.path, "the video track has no frame");
    s.currentReturned = true;
    return s.makeFrame();
}

DecodedPicture VideoFrameSource::pictureAt(double seconds)
{
    State& s = *m_state;
    const MediaTime t = MediaTime::fromSeconds(seconds, 1'000'000);
    if (!t.isValid())
        throw MediaError(MediaErrorKind::invalidArgument, s.path, "no time");
    if (!s.settle(t))
        throw MediaError(MediaErrorKind::decodeFailed, s.path, "the video track has no frame");
    s.currentReturned = true;
    const AVFrame* frame = s.current.get();
    if (s.track.rotation == 0 && frame->width == s.convertedSize.width() && frame->height == s.convertedSize.height()) {
        DecodedPicture planes = DecodedPicture::ofPlanes(frame);
        if (!planes.isNull())
            return planes;
    }
    return DecodedPicture(s.convertCurrent());
}

std::optional<VideoFrame> VideoFrameSource::nextFrame()
{
    State& s = *m_state;
    if (s.haveCurrent && !s.currentReturned) {
        s.currentReturned = true;
        return s.makeFrame();
    }
    if (!s.fillAhead())
        return std::nullopt;
    s.advance();
    s.currentReturned = true;
    return s.makeFrame();
}

void VideoFrameSource::seek(MediaTime t)
{
    State& s = *m_state;
    if (!t.isValid())
        throw MediaError(MediaErrorKind::invalidArgument, s.path, "no time");
    if (s.settle(t))
        s.currentReturned = false;
}

}  // namespace sablewick

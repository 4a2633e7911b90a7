#include "media/MediaProbe.h"

#include "media/DisplayRotation.h"
#include "media/FfmpegSupport.h"

#include <algorithm>
#include <cmath>

namespace sablewick {

const VideoTrackInfo& MediaInfo::video() const
{
    if (videoTracks.empty())
        throw MediaError(MediaErrorKind::noVideoTrack, path, "no video track");
    return videoTracks.front();
}

namespace {

double seconds(std::int64_t timestamp, AVRational timeBase)
{
    return timestamp == AV_NOPTS_VALUE ? 0.0 : static_cast<double>(timestamp) * av_q2d(timeBase);
}

}  // namespace

namespace media_detail {

MediaInfo describe(const AVFormatContext* format, const std::string& path)
{
    MediaInfo info;
    info.path = path;
    info.container = format->iformat ? format->iformat->name : "";
    const double containerDuration = format->duration > 0 ? static_cast<double>(format->duration) / AV_TIME_BASE : 0.0;
    double longest = 0;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        const AVCodecParameters* parameters = stream->codecpar;
        const AVCodecDescriptor* descriptor = avcodec_descriptor_get(parameters->codec_id);
        const std::string codec = descriptor ? descriptor->name : "";
        const double start = seconds(stream->start_time, stream->time_base);
        const double duration = stream->duration > 0 ? seconds(stream->duration, stream->time_base)
                                                     : std::max(containerDuration - start, 0.0);
        if (parameters->codec_type == AVMEDIA_TYPE_VIDEO && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            if (parameters->width <= 0 || parameters->height <= 0)
                continue;
            VideoTrackInfo track;
            track.streamIndex = static_cast<int>(i);
            track.codec = codec;
            track.width = parameters->width;
            track.height = parameters->height;
            AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
            if (rate.num > 0 && rate.den > 0)
                track.frameRate = MediaTime(rate.num, rate.den).reduced();
            else
                track.frameRate = MediaTime(0, 1);
            track.rotation = DisplayRotation::of(stream);
            track.start = start;
            track.duration = duration;
            track.frameCount = std::max<std::int64_t>(stream->nb_frames, 0);
            info.videoTracks.push_back(track);
            longest = std::max(longest, start + duration);
        } else if (parameters->codec_type == AVMEDIA_TYPE_AUDIO) {
            if (parameters->sample_rate <= 0 || parameters->ch_layout.nb_channels <= 0)
                continue;
            AudioTrackInfo track;
            track.streamIndex = static_cast<int>(i);
            track.codec = codec;
            track.sampleRate = parameters->sample_rate;
            track.channels = parameters->ch_layout.nb_channels;
            track.start = start;
            track.duration = duration;
            info.audioTracks.push_back(track);
            longest = std::max(longest, start + duration);
        }
    }
    info.duration = longest > 0 ? longest : containerDuration;
    return info;
}

}  // namespace media_detail

MediaInfo probeMedia(const std::string& path)
{
    std::string resolved;
    const ffmpeg::InputPtr input = ffmpeg::openInput(path, &resolved);
    return media_detail::describe(input.get(), resolved);
}

}  // namespace sablewick

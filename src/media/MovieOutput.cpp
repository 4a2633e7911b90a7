#include "media/MovieOutput.h"

#include "media/MovieWriter.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <iterator>

namespace sablewick {

namespace {

constexpr int kMaxDimension = 16384;

}  // namespace

MovieOutput::MovieOutput(std::string path, const char* muxer)
    : m_path(std::move(path))
{
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, muxer, nullptr) < 0 || !raw)
        throw MediaError(MediaErrorKind::encoderUnavailable, m_path, "no muxer");
    m_output.reset(raw);
}

MovieOutput::~MovieOutput()
{
    close();
}

void MovieOutput::checkSize(const std::string& path, int width, int height)
{
    if (width < 2 || height < 2 || width > kMaxDimension || height > kMaxDimension || width % 2 != 0 || height % 2 != 0)
        throw MediaError(MediaErrorKind::invalidArgument, path, "the size must be even and at least 2 × 2");
}

bool MovieOutput::covers(const Yuv420View& frame, int width)
{
    const int chromaWidth = (width + 1) / 2;
    return frame.y && frame.u && frame.v && frame.yStride >= width && frame.uStride >= chromaWidth
        && frame.vStride >= chromaWidth;
}

void MovieOutput::copyPicture(const Yuv420View& frame, AVFrame* out)
{
    const int chromaWidth = (out->width + 1) / 2, chromaHeight = (out->height + 1) / 2;
    av_image_copy_plane(out->data[0], out->linesize[0], frame.y, frame.yStride, out->width, out->height);
    av_image_copy_plane(out->data[1], out->linesize[1], frame.u, frame.uStride, chromaWidth, chromaHeight);
    av_image_copy_plane(out->data[2], out->linesize[2], frame.v, frame.vStride, chromaWidth, chromaHeight);
}

void MovieOutput::openVideo(const VideoEncoding& encoding)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(encoding.encoder.c_str());
    if (!codec)
        fail(MediaErrorKind::encoderUnavailable, "no " + encoding.encoder);
    m_video.reset(avcodec_alloc_context3(codec));
    if (!m_video)
        throw std::bad_alloc();
    m_video->width = encoding.width;
    m_video->height = encoding.height;
    m_video->pix_fmt = AV_PIX_FMT_YUV420P;
    m_video->time_base = encoding.timeBase;
    m_video->framerate = encoding.frameRate;
    m_video->sample_aspect_ratio = AVRational{1, 1};
    m_video->gop_size = std::max(encoding.keyframeInterval, 1);
    ffmpeg::tagBt709(m_video.get());
    if (encoding.threads)
        m_video->thread_count = std::max(*encoding.threads, 0);
    if (encoding.bitRate > 0)
        m_video->bit_rate = encoding.bitRate;
    if (m_output->oformat->flags & AVFMT_GLOBALHEADER)
        m_video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // x264 and x265 share these names; checked here because the encoders print their refusal.
    static const char* const presets[] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                                          "medium",    "slow",      "slower",   "veryslow", "placebo"};
    if (std::find(std::begin(presets), std::end(presets), encoding.preset) == std::end(presets))
        fail(MediaErrorKind::encoderUnavailable, "unknown preset " + encoding.preset);
    av_opt_set(m_video->priv_data, "preset", encoding.preset.c_str(), 0);
    if (!encoding.paramsOption.empty())
        av_opt_set(m_video->priv_data, encoding.paramsOption.c_str(), encoding.params.c_str(), 0);
    if (encoding.codecTag)
        m_video->codec_tag = encoding.codecTag;
    const int opened = avcodec_open2(m_video.get(), codec, nullptr);
    if (opened < 0)
        fail(MediaErrorKind::encoderUnavailable, ffmpeg::errorText(opened));
    m_videoStream = avformat_new_stream(m_output.get(), nullptr);
    if (!m_videoStream)
        throw std::bad_alloc();
    m_videoStream->time_base = m_video->time_base;
    m_videoStream->avg_frame_rate = m_video->framerate;
    avcodec_parameters_from_context(m_videoStream->codecpar, m_video.get());
    if (encoding.codecTag)
        m_videoStream->codecpar->codec_tag = encoding.codecTag;
}

void MovieOutput::openAudio(int sampleRate, int channels, int bitRate)
{
    m_audio =
        ffmpeg::openAacEncoder(sampleRate, channels, bitRate, m_output->oformat->flags & AVFMT_GLOBALHEADER, m_path);
    m_audioStream = avformat_new_stream(m_output.get(), nullptr);
    if (!m_audioStream)
        throw std::bad_alloc();
    m_audioStream->time_base = m_audio->time_base;
    avcodec_parameters_from_context(m_audioStream->codecpar, m_audio.get());
    m_audioFrame = ffmpeg::makeAudioFrame(m_audio.get());
}

void MovieOutput::setVideoPacketFilter(std::function<void(AVPacket*)> filter)
{
    m_videoPacketFilter = std::move(filter);
}

void MovieOutput::createFile(const std::string& movFlags, bool flushEachPacket)
{
    m_output->pb = ffmpeg::openOutputFile(m_path);
    if (flushEachPacket)
        m_output->flush_packets = 1;
    AVDictionary* options = nullptr;
    if (!movFlags.empty())
        av_dict_set(&options, "movflags", movFlags.c_str(), 0);
    const int header = avformat_write_header(m_output.get(), &options);
    av_dict_free(&options);
    if (header < 0)
        failWith(header, {});
}

void MovieOutput::encodeVideo(AVFrame* picture)
{
    const int sent = avcodec_send_frame(m_video.get(), picture);
    if (sent < 0)
        failWith(sent, "video encoder: ");
    ++m_videoFrames;
    drain(Track::video);
}

void MovieOutput::encodeAudio(const float* interleaved, int count, std::int64_t pts)
{
    AVFrame* frame = m_audioFrame.get();
    if (av_frame_make_writable(frame) < 0)
        throw std::bad_alloc();
    const int channels = audioChannels();
    for (int c = 0; c < channels; ++c) {
        auto* plane = reinterpret_cast<float*>(frame->extended_data[c]);
        for (int i = 0; i < count; ++i)
            plane[i] = interleaved[static_cast<std::size_t>(i) * channels + c];
    }
    const int frameSize = frame->nb_samples;
    frame->nb_samples = count;
    frame->pts = pts;
    const int sent = avcodec_send_frame(m_audio.get(), frame);
    frame->nb_samples = frameSize;
    if (sent < 0)
        failWith(sent, "audio encoder: ");
    drain(Track::audio);
}

void MovieOutput::finish()
{
    if (avcodec_send_frame(m_video.get(), nullptr) < 0)
        fail(MediaErrorKind::writeFailed, "cannot flush the video encoder");
    drain(Track::video);
    if (m_audio && !m_stopped) {
        if (avcodec_send_frame(m_audio.get(), nullptr) < 0)
            fail(MediaErrorKind::writeFailed, "cannot flush the audio encoder");
        drain(Track::audio);
    }
    if (m_stopped)
        return;
    const int trailer = av_write_trailer(m_output.get());
    if (trailer < 0)
        failWith(trailer, {});
    try {
        ffmpeg::closeOutputFile(&m_output->pb, m_path);
    } catch (const MediaError&) {
        m_failed = true;
        throw;
    }
}

void MovieOutput::drain(Track track)
{
    AVCodecContext* encoder = track == Track::video ? m_video.get() : m_audio.get();
    AVStream* stream = track == Track::video ? m_videoStream : m_audioStream;
    AVPacket* packet = m_packet.get();
    while (!m_stopped) {
        const int received = avcodec_receive_packet(encoder, packet);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return;
        if (received < 0)
            failWith(received, "encoder: ");
        if (track == Track::video && m_videoPacketFilter)
            m_videoPacketFilter(packet);
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        const int written = av_interleaved_write_frame(m_output.get(), packet);
        if (written < 0)
            failWith(written, {});
        // The muxer reports a failed write of the file (a full disk) only through the I/O context.
        if (m_output->pb->error < 0)
            failWith(m_output->pb->error, {});
    }
}

void MovieOutput::close()
{
    m_video.reset();
    m_audio.reset();
    m_output.reset();  // closes the file
}

void MovieOutput::discard()
{
    m_failed = true;
    close();
    ffmpeg::removePartialFile(m_path);
}

void MovieOutput::stop()
{
    m_failed = true;
    m_stopped = true;
}

void MovieOutput::fail(MediaErrorKind kind, const std::string& detail)
{
    m_failed = true;
    throw MediaError(kind, m_path, detail);
}

void MovieOutput::failWith(int code, const std::string& prefix)
{
    fail(ffmpeg::writeErrorKind(code), prefix + ffmpeg::errorText(code));
}

int MovieOutput::audioChannels() const
{
    return m_audio ? m_audio->ch_layout.nb_channels : 0;
}
int MovieOutput::audioFrameSize() const
{
    return m_audioFrame ? m_audioFrame->nb_samples : 0;
}

}  // namespace sablewick

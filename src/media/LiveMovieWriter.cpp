#include "media/LiveMovieWriter.h"

#include "media/FfmpegSupport.h"
#include "media/MovieWriter.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <vector>

namespace sablewick {

namespace {

// Frame times are kept to the microsecond-scale tick of MPEG (90 kHz): enough to keep each
// frame where the clock put it, small enough for the QuickTime time scale.
constexpr AVRational kVideoTimeBase{1, 90000};

}  // namespace

struct LiveMovieWriter::State {
    std::string path;
    LiveMovieWriterSettings settings;
    ffmpeg::OutputPtr output;
    ffmpeg::CodecPtr video;
    ffmpeg::CodecPtr audio;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    ffmpeg::FramePtr videoFrame = ffmpeg::makeFrame();
    ffmpeg::FramePtr audioFrame = ffmpeg::makeFrame();
    ffmpeg::PacketPtr packet = ffmpeg::makePacket();
    std::vector<float> pendingAudio;  // interleaved, less than one encoder frame
    std::int64_t frames = 0;
    std::int64_t lastPts = -1;
    double lastKeyframe = -1e9;  // seconds
    std::int64_t audioFrames = 0;  // pushed by the caller, the skipped ones included
    std::int64_t audioSkip = 0;    // leading frames still to drop
    std::int64_t audioEncoded = 0; // sent to the encoder; its time in samples
    bool finished = false;
    bool failed = false;

    [[noreturn]] void fail(int code, const std::string& what)
    {
        failed = true;
        throw MediaError(code == AVERROR(ENOSPC) ? MediaErrorKind::diskFull : MediaErrorKind::writeFailed, path,
                         what + ffmpeg::errorText(code));
    }
    void checkOpen() const
    {
        if (finished || failed)
            throw MediaError(MediaErrorKind::writeFailed, path, "the writer is closed");
    }

    void openVideo()
    {
        const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
        if (!codec)
            throw MediaError(MediaErrorKind::encoderUnavailable, path, "no libx264");
        video.reset(avcodec_alloc_context3(codec));
        if (!video)
            throw std::bad_alloc();
        video->width = settings.width;
        video->height = settings.height;
        video->pix_fmt = AV_PIX_FMT_YUV420P;
        video->time_base = kVideoTimeBase;
        video->framerate = AVRational{settings.framesPerSecond, 1};
        video->sample_aspect_ratio = AVRational{1, 1};
        video->gop_size = std::max(1, static_cast<int>(std::floor(settings.keyframeSeconds * settings.framesPerSecond)));
        ffmpeg::tagBt709(video.get());
        video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        av_opt_set(video->priv_data, "preset", settings.preset.c_str(), 0);
        // No B-frames: a fragmented movie carries no edit list, so the decode delay they add
        // would shift every frame later than its capture time. A short lookahead keeps the
        // encoder from holding many 1080p frames in memory.
        av_opt_set(video->priv_data, "x264-params", "bframes=0:rc-lookahead=10:sync-lookahead=0", 0);
        const int opened = avcodec_open2(video.get(), codec, nullptr);
        if (opened < 0)
            throw MediaError(MediaErrorKind::encoderUnavailable, path, ffmpeg::errorText(opened));
        videoStream = avformat_new_stream(output.get(), nullptr);
        if (!videoStream)
            throw std::bad_alloc();
        videoStream->time_base = kVideoTimeBase;
        videoStream->avg_frame_rate = video->framerate;
        avcodec_parameters_from_context(videoStream->codecpar, video.get());

        videoFrame = ffmpeg::makeVideoFrame(settings.width, settings.height);
    }

    void openAudio()
    {
        audio = ffmpeg::openAacEncoder(LiveMovieWriterSettings::audioSampleRate, LiveMovieWriterSettings::audioChannels,
                                       settings.audioBitRate, true, path);
        audioStream = avformat_new_stream(output.get(), nullptr);
        if (!audioStream)
            throw std::bad_alloc();
        audioStream->time_base = audio->time_base;
        avcodec_parameters_from_context(audioStream->codecpar, audio.get());
        audioFrame = ffmpeg::makeAudioFrame(audio.get());
        // AAC starts with the encoder's priming samples, which only an edit list hides, and a
        // fragmented movie has none: the muxer would move the whole movie later to keep the
        // priming off negative times. Dropping as many samples as the priming lasts makes the
        // first packet start at 0, so each captured sample keeps its own time. The first
        // 21 ms of sound are lost for it.
        audioSkip = audio->initial_padding;
    }

    void drain(AVCodecContext* encoder, AVStream* stream)
    {
        while (true) {
            const int received = avcodec_receive_packet(encoder, packet.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return;
            if (received < 0)
                fail(received, "encoder: ");
            av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            const int written = av_interleaved_write_frame(output.get(), packet.get());
            if (written < 0)
                fail(written, "");
            // The muxer reports a failed write of the file only through the I/O context.
            if (output->pb->error < 0)
                fail(output->pb->error, "");
        }
    }

    void encodeAudio(const float* interleaved, int count)
    {
        if (av_frame_make_writable(audioFrame.get()) < 0)
            throw std::bad_alloc();
        const int channels = LiveMovieWriterSettings::audioChannels;
        for (int c = 0; c < channels; ++c) {
            auto* plane = reinterpret_cast<float*>(audioFrame->extended_data[c]);
            for (int i = 0; i < count; ++i)
                plane[i] = interleaved[i * channels + c];
        }
        const int frameSize = audioFrame->nb_samples;
        audioFrame->nb_samples = count;
        audioFrame->pts = audioEncoded;
        const int sent = avcodec_send_frame(audio.get(), audioFrame.get());
        audioFrame->nb_samples = frameSize;
        if (sent < 0)
            fail(sent, "audio encoder: ");
        audioEncoded += count;
        drain(audio.get(), audioStream);
    }

    void close()
    {
        video.reset();
        audio.reset();
        if (output && output->pb)
            avio_closep(&output->pb);
        output.reset();
    }
};

LiveMovieWriter::LiveMovieWriter(const std::string& path, LiveMovieWriterSettings settings)
    : m_state(std::make_unique<State>())
{
    State& s = *m_state;
    ffmpeg::silenceLogging();
    s.path = ffmpeg::localPath(path);
    s.settings = std::move(settings);
    const LiveMovieWriterSettings& set = s.settings;
    if (set.width < 2 || set.height < 2 || set.width > ffmpeg::maxEncodedDimension || set.height > ffmpeg::maxEncodedDimension ||
        set.width % 2 != 0 || set.height % 2 != 0)
        throw MediaError(MediaErrorKind::invalidArgument, s.path, "the size must be even and at least 2 × 2");
    if (set.framesPerSecond < 1 || set.framesPerSecond > 1000 || !(set.keyframeSeconds > 0))
        throw MediaError(MediaErrorKind::invalidArgument, s.path, "the frame rate and keyframe distance must be positive");

    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, "mov", nullptr) < 0 || !raw)
        throw MediaError(MediaErrorKind::encoderUnavailable, s.path, "no muxer");
    s.output.reset(raw);
    s.openVideo();
    if (set.audio)
        s.openAudio();
    s.output->pb = ffmpeg::openOutputFile(s.path);
    // Every packet goes to the file at once, and a fragment closes at each keyframe: what the
    // system has is a playable movie up to the last complete fragment.
    s.output->flush_packets = 1;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
    const int header = avformat_write_header(s.output.get(), &options);
    av_dict_free(&options);
    if (header < 0) {
        s.close();
        throw MediaError(header == AVERROR(ENOSPC) ? MediaErrorKind::diskFull : MediaErrorKind::writeFailed, s.path,
                         ffmpeg::errorText(header));
    }
}

LiveMovieWriter::~LiveMovieWriter()
{
    if (m_state)
        m_state->close();
}

void LiveMovieWriter::writeFrame(const Yuv420View& frame, double seconds)
{
    State& s = *m_state;
    s.checkOpen();
    const int width = s.settings.width, height = s.settings.height;
    const int chromaWidth = width / 2, chromaHeight = height / 2;
    if (!frame.y || !frame.u || !frame.v || frame.yStride < width || frame.uStride < chromaWidth ||
        frame.vStride < chromaWidth || !std::isfinite(seconds))
        throw MediaError(MediaErrorKind::invalidArgument, s.path, "the planes do not cover the frame");
    if (av_frame_make_writable(s.videoFrame.get()) < 0)
        throw std::bad_alloc();
    AVFrame* out = s.videoFrame.get();
    av_image_copy_plane(out->data[0], out->linesize[0], frame.y, frame.yStride, width, height);
    av_image_copy_plane(out->data[1], out->linesize[1], frame.u, frame.uStride, chromaWidth, chromaHeight);
    av_image_copy_plane(out->data[2], out->linesize[2], frame.v, frame.vStride, chromaWidth, chromaHeight);
    std::int64_t pts = std::llround(std::max(0.0, seconds) * kVideoTimeBase.den);
    if (pts <= s.lastPts)
        pts = s.lastPts + 1;
    s.lastPts = pts;
    out->pts = pts;
    // The encoder counts frames, but a capture that paused would then stretch the distance
    // between keyframes in time; force one by the clock instead.
    const double time = static_cast<double>(pts) / kVideoTimeBase.den;
    const double halfFrame = 0.5 / s.settings.framesPerSecond;
    if (time - s.lastKeyframe >= s.settings.keyframeSeconds - halfFrame) {
        out->pict_type = AV_PICTURE_TYPE_I;
        s.lastKeyframe = time;
    } else {
        out->pict_type = AV_PICTURE_TYPE_NONE;
    }
    const int sent = avcodec_send_frame(s.video.get(), out);
    if (sent < 0)
        s.fail(sent, "video encoder: ");
    ++s.frames;
    s.drain(s.video.get(), s.videoStream);
}

void LiveMovieWriter::writeAudio(const float* samples, std::int64_t frames)
{
    State& s = *m_state;
    s.checkOpen();
    if (!s.audio)
        throw MediaError(MediaErrorKind::invalidArgument, s.path, "the movie has no sound track");
    if (frames <= 0)
        return;
    const int channels = LiveMovieWriterSettings::audioChannels;
    s.audioFrames += frames;
    if (s.audioSkip > 0) {
        const std::int64_t skipped = std::min(s.audioSkip, frames);
        s.audioSkip -= skipped;
        s.audioEncoded += skipped;
        samples += skipped * channels;
        frames -= skipped;
    }
    const int frameSize = s.audioFrame->nb_samples;
    s.pendingAudio.insert(s.pendingAudio.end(), samples, samples + frames * channels);
    std::size_t used = 0;
    while (s.pendingAudio.size() - used >= static_cast<std::size_t>(frameSize * channels)) {
        s.encodeAudio(s.pendingAudio.data() + used, frameSize);
        used += static_cast<std::size_t>(frameSize * channels);
    }
    s.pendingAudio.erase(s.pendingAudio.begin(), s.pendingAudio.begin() + static_cast<std::ptrdiff_t>(used));
}

void LiveMovieWriter::finish()
{
    State& s = *m_state;
    if (s.finished)
        return;
    s.checkOpen();
    try {
        if (s.audio) {
            const int channels = LiveMovieWriterSettings::audioChannels;
            if (!s.pendingAudio.empty())
                s.encodeAudio(s.pendingAudio.data(), static_cast<int>(s.pendingAudio.size() / channels));
            s.pendingAudio.clear();
        }
        if (avcodec_send_frame(s.video.get(), nullptr) < 0)
            throw MediaError(MediaErrorKind::writeFailed, s.path, "cannot flush the video encoder");
        s.drain(s.video.get(), s.videoStream);
        if (s.audio) {
            if (avcodec_send_frame(s.audio.get(), nullptr) < 0)
                throw MediaError(MediaErrorKind::writeFailed, s.path, "cannot flush the audio encoder");
            s.drain(s.audio.get(), s.audioStream);
        }
        const int trailer = av_write_trailer(s.output.get());
        if (trailer < 0)
            s.fail(trailer, "");
        ffmpeg::closeOutputFile(&s.output->pb, s.path);
    } catch (const MediaError& error) {
        s.failed = true;
        s.close();
        if (error.detail().find(ffmpeg::errorText(AVERROR(ENOSPC))) != std::string::npos)
            throw MediaError(MediaErrorKind::diskFull, s.path, error.detail());
        throw;
    }
    s.finished = true;
    s.close();
}

std::int64_t LiveMovieWriter::framesWritten() const { return m_state->frames; }
std::int64_t LiveMovieWriter::audioFramesWritten() const { return m_state->audioFrames; }

}  // namespace sablewick

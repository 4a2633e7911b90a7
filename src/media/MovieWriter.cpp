#include "media/MovieWriter.h"
#include "media/Yuv420Frame.h"

#include "media/FfmpegSupport.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include <QFile>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace sablewick {

namespace {

// The most frames a decoder of H.264 or HEVC may hold back to reorder them.
constexpr std::int64_t kMaxReorderFrames = 16;
// How often finish() looks at the cancel check while the encoders flush.
constexpr std::chrono::milliseconds kFinishPollInterval(20);

// Flushes whose finish() was cancelled run on to their next packet in the background. The
// process waits for them on its way out, so no encoder thread runs while libraries unload.
class AbandonedFlushes {
public:
    static AbandonedFlushes& instance()
    {
        static AbandonedFlushes flushes;
        return flushes;
    }
    void started()
    {
        std::lock_guard guard(m_lock);
        ++m_running;
    }
    void ended()
    {
        std::lock_guard guard(m_lock);
        --m_running;
        m_ended.notify_all();
    }
    ~AbandonedFlushes()
    {
        std::unique_lock guard(m_lock);
        m_ended.wait(guard, [this] { return m_running == 0; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_ended;
    int m_running = 0;
};

AVPixelFormat pixelFormatOf(QImage::Format format)
{
    // Qt's 32-bit formats are 0xAARRGGBB words, i.e. B, G, R, A bytes on little-endian machines.
    switch (format) {
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_ARGB32:
    case QImage::Format_RGB32:
        return Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? AV_PIX_FMT_BGRA : AV_PIX_FMT_ARGB;
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        return AV_PIX_FMT_RGBA;
    default:
        return AV_PIX_FMT_NONE;
    }
}

}  // namespace

std::string MovieWriterSettings::defaultPreset(MovieFormat format)
{
    return format == MovieFormat::mp4H264 ? "veryfast" : "ultrafast";
}

struct MovieWriter::State {
    std::string path;
    MovieWriterSettings settings;
    std::unique_ptr<AudioStream> audio;
    ffmpeg::OutputPtr output;
    ffmpeg::CodecPtr video;
    ffmpeg::CodecPtr audioEncoder;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    // The writer's own picture, for frames handed over as images or views; made on the first such
    // frame (12 MB at 4K that an export of 4:2:0 frames, passed on by reference, never uses).
    ffmpeg::FramePtr videoFrame;
    ffmpeg::FramePtr audioFrame = ffmpeg::makeFrame();
    ffmpeg::FramePtr sourceFrame = ffmpeg::makeFrame();
    ffmpeg::PacketPtr packet = ffmpeg::makePacket();
    ffmpeg::SwsPtr sws;
    AVPixelFormat swsSource = AV_PIX_FMT_NONE;
    std::int64_t frames = 0;
    std::int64_t audioSamples = 0;   // frames of audio sent to the encoder
    std::int64_t lastVideoDts = AV_NOPTS_VALUE;
    bool audioEnded = false;
    std::vector<float> audioScratch;
    bool headerWritten = false;
    bool finished = false;
    std::atomic<bool> failed = false;
    // Set when a cancelled finish() leaves the flush to its thread: from then on that thread
    // alone touches the encoders and the file, and stops at its next packet.
    std::atomic<bool> abandoned = false;

    [[noreturn]] void fail(MediaErrorKind kind, const std::string& detail)
    {
        failed = true;
        throw MediaError(kind, path, detail);
    }

    void checkCancel()
    {
        if (settings.cancel && settings.cancel())
            fail(MediaErrorKind::cancelled, {});
    }

    void openVideo()
    {
        const bool h264 = settings.format == MovieFormat::mp4H264;
        const AVCodec* codec = avcodec_find_encoder_by_name(h264 ? "libx264" : "libx265");
        if (!codec)
            fail(MediaErrorKind::encoderUnavailable, h264 ? "no libx264" : "no libx265");
        video.reset(avcodec_alloc_context3(codec));
        if (!video)
            throw std::bad_alloc();
        const MediaTime rate = settings.frameRate.reduced();
        video->width = settings.width;
        video->height = settings.height;
        video->pix_fmt = AV_PIX_FMT_YUV420P;
        video->time_base = AVRational{static_cast<int>(rate.scale), static_cast<int>(rate.value)};
        video->framerate = AVRational{static_cast<int>(rate.value), static_cast<int>(rate.scale)};
        video->sample_aspect_ratio = AVRational{1, 1};
        video->gop_size = std::max(settings.keyframeInterval, 1);
        ffmpeg::tagBt709(video.get());
        video->thread_count = std::max(settings.encoderThreads, 0);
        if (settings.videoBitRate > 0)
            video->bit_rate = settings.videoBitRate;
        if (output->oformat->flags & AVFMT_GLOBALHEADER)
            video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        const std::string preset = settings.preset.empty() ? MovieWriterSettings::defaultPreset(settings.format) : settings.preset;
        // x264 and x265 share these names; checked here because the encoders print their refusal.
        static const char* const presets[] = {"ultrafast", "superfast", "veryfast", "faster", "fast",
                                              "medium", "slow", "slower", "veryslow", "placebo"};
        if (std::find(std::begin(presets), std::end(presets), preset) == std::end(presets))
            fail(MediaErrorKind::encoderUnavailable, "unknown preset " + preset);
        av_opt_set(video->priv_data, "preset", preset.c_str(), 0);
        if (!h264) {
            av_opt_set(video->priv_data, "x265-params", "log-level=none", 0);
            video->codec_tag = MKTAG('h', 'v', 'c', '1');
        }
        const int opened = avcodec_open2(video.get(), codec, nullptr);
        if (opened < 0)
            fail(MediaErrorKind::encoderUnavailable, ffmpeg::errorText(opened));
        videoStream = avformat_new_stream(output.get(), nullptr);
        if (!videoStream)
            throw std::bad_alloc();
        videoStream->time_base = video->time_base;
        videoStream->avg_frame_rate = video->framerate;
        avcodec_parameters_from_context(videoStream->codecpar, video.get());
        if (!h264)
            videoStream->codecpar->codec_tag = MKTAG('h', 'v', 'c', '1');
    }

    void openAudio()
    {
        const AudioFormat format = audio->format();
        audioEncoder = ffmpeg::openAacEncoder(format.sampleRate, format.channels, settings.audioBitRate,
                                              output->oformat->flags & AVFMT_GLOBALHEADER, path);
        audioStream = avformat_new_stream(output.get(), nullptr);
        if (!audioStream)
            throw std::bad_alloc();
        audioStream->time_base = audioEncoder->time_base;
        avcodec_parameters_from_context(audioStream->codecpar, audioEncoder.get());

        audioFrame = ffmpeg::makeAudioFrame(audioEncoder.get());
    }

    // x265 stamps a movie shorter than its B-frame delay with decoding times read from memory it
    // never set, which the muxer refuses. A decoding time lies at or before the picture's own
    // time, after the one before it, and no further back than a decoder reorders; one that breaks
    // these is replaced by the nearest that keeps them. Times are in frames (the encoder's base).
    void repairDecodingTime(AVPacket* video)
    {
        if (video->pts == AV_NOPTS_VALUE)
            return;
        const bool valid = video->dts != AV_NOPTS_VALUE && video->dts <= video->pts
                           && video->dts >= video->pts - kMaxReorderFrames
                           && (lastVideoDts == AV_NOPTS_VALUE || video->dts > lastVideoDts);
        if (!valid)
            video->dts = lastVideoDts == AV_NOPTS_VALUE ? video->pts - kMaxReorderFrames
                                                        : std::min(video->pts, lastVideoDts + 1);
        lastVideoDts = video->dts;
    }

    void drain(AVCodecContext* encoder, AVStream* stream)
    {
        while (!abandoned) {
            const int received = avcodec_receive_packet(encoder, packet.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return;
            if (received < 0)
                fail(MediaErrorKind::writeFailed, "encoder: " + ffmpeg::errorText(received));
            if (stream == videoStream)
                repairDecodingTime(packet.get());
            av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            const int written = av_interleaved_write_frame(output.get(), packet.get());
            if (written < 0)
                fail(MediaErrorKind::writeFailed, ffmpeg::errorText(written));
        }
    }

    // Encodes audio up to `untilFrames` frames of audio (or the stream's end).
    void pumpAudio(std::int64_t untilFrames)
    {
        if (!audio || audioEnded)
            return;
        const int channels = audio->format().channels;
        const int frameSize = audioFrame->nb_samples;
        audioScratch.resize(static_cast<std::size_t>(frameSize * channels));
        while (audioSamples < untilFrames && !audioEnded) {
            checkCancel();
            std::int64_t got = 0;
            try {
                got = audio->read(audioScratch.data(), frameSize);
            } catch (...) {
                failed = true;
                throw;
            }
            if (got < frameSize)
                audioEnded = true;
            if (got > 0) {
                if (av_frame_make_writable(audioFrame.get()) < 0)
                    throw std::bad_alloc();
                audioFrame->nb_samples = static_cast<int>(got);
                for (int c = 0; c < channels; ++c) {
                    auto* plane = reinterpret_cast<float*>(audioFrame->extended_data[c]);
                    for (std::int64_t i = 0; i < got; ++i)
                        plane[i] = audioScratch[static_cast<std::size_t>(i * channels + c)];
                }
                audioFrame->pts = audioSamples;
                const int sent = avcodec_send_frame(audioEncoder.get(), audioFrame.get());
                audioFrame->nb_samples = frameSize;
                if (sent < 0)
                    fail(MediaErrorKind::writeFailed, "audio encoder: " + ffmpeg::errorText(sent));
                audioSamples += got;
                drain(audioEncoder.get(), audioStream);
            }
        }
    }

    AVFrame* writableFrame()
    {
        if (!videoFrame)
            videoFrame = ffmpeg::makeVideoFrame(settings.width, settings.height);
        if (av_frame_make_writable(videoFrame.get()) < 0)
            throw std::bad_alloc();
        return videoFrame.get();
    }

    void prepareConversion(AVPixelFormat source)
    {
        if (sws && swsSource == source)
            return;
        sws.reset(sws_alloc_context());
        if (!sws)
            throw std::bad_alloc();
        av_opt_set_int(sws.get(), "srcw", settings.width, 0);
        av_opt_set_int(sws.get(), "srch", settings.height, 0);
        av_opt_set_int(sws.get(), "src_format", source, 0);
        av_opt_set_int(sws.get(), "dstw", settings.width, 0);
        av_opt_set_int(sws.get(), "dsth", settings.height, 0);
        av_opt_set_int(sws.get(), "dst_format", AV_PIX_FMT_YUV420P, 0);
        // Full-resolution chroma input: each chroma sample averages its pixels, and measured
        // faster than the default path (bench/media).
        av_opt_set_int(sws.get(), "sws_flags", SWS_BILINEAR | SWS_FULL_CHR_H_INP, 0);
        av_opt_set_int(sws.get(), "threads", ffmpeg::defaultThreads(settings.conversionThreads, ffmpeg::maxConversionThreads), 0);
        if (sws_init_context(sws.get(), nullptr, nullptr) < 0)
            fail(MediaErrorKind::encoderUnavailable, "no colour conversion");
        // Both sides BT.709: the matrix, not only the tags, must be the one the file claims.
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(sws.get(), bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
        swsSource = source;
    }

    // Sends `picture` (by default `videoFrame`) as the next frame and keeps the audio level with it.
    void encodeVideoFrame(AVFrame* picture = nullptr)
    {
        if (!picture)
            picture = videoFrame.get();
        picture->pts = frames;
        const int sent = avcodec_send_frame(video.get(), picture);
        if (sent < 0)
            fail(MediaErrorKind::writeFailed, "video encoder: " + ffmpeg::errorText(sent));
        ++frames;
        drain(video.get(), videoStream);
        if (audio) {
            // Audio up to the end of this frame, so the muxer interleaves without buffering.
            const MediaTime rate = settings.frameRate.reduced();
            pumpAudio(MediaTime(frames * rate.scale, rate.value).rescaled(audio->format().sampleRate));
        }
    }

    // The encoders' delayed frames, the trailer and the close; run on the flush thread.
    void flushAndClose()
    {
        if (avcodec_send_frame(video.get(), nullptr) < 0)
            fail(MediaErrorKind::writeFailed, "cannot flush the video encoder");
        drain(video.get(), videoStream);
        if (audioEncoder && !abandoned) {
            if (avcodec_send_frame(audioEncoder.get(), nullptr) < 0)
                fail(MediaErrorKind::writeFailed, "cannot flush the audio encoder");
            drain(audioEncoder.get(), audioStream);
        }
        if (abandoned)
            return;
        const int trailer = av_write_trailer(output.get());
        if (trailer < 0)
            fail(MediaErrorKind::writeFailed, ffmpeg::errorText(trailer));
        ffmpeg::closeOutputFile(&output->pb, path);
    }

    void close()
    {
        sws.reset();
        video.reset();
        audioEncoder.reset();
        output.reset();
    }
};

MovieWriter::MovieWriter(const std::string& path, MovieWriterSettings settings, std::unique_ptr<AudioStream> audio)
    : m_state(std::make_shared<State>())
{
    State& s = *m_state;
    ffmpeg::silenceLogging();
    s.path = ffmpeg::localPath(path);
    s.settings = std::move(settings);
    s.audio = std::move(audio);
    const MovieWriterSettings& set = s.settings;
    if (set.width < 2 || set.height < 2 || set.width > ffmpeg::maxEncodedDimension || set.height > ffmpeg::maxEncodedDimension
        || set.width % 2 != 0 || set.height % 2 != 0)
        throw MediaError(MediaErrorKind::invalidArgument, s.path, "the size must be even and at least 2 × 2");
    const MediaTime rate = set.frameRate.reduced();
    if (!rate.isValid() || rate.value <= 0 || rate.value > 1000 * rate.scale || rate.value > INT32_MAX || rate.scale > INT32_MAX)
        throw MediaError(MediaErrorKind::invalidArgument, s.path, "the frame rate must be positive");
    if (s.audio) {
        const AudioFormat format = s.audio->format();
        if (format.sampleRate <= 0 || format.channels <= 0)
            throw MediaError(MediaErrorKind::invalidArgument, s.path, "the audio format is empty");
    }

    AVFormatContext* raw = nullptr;
    const char* muxer = set.format == MovieFormat::mp4H264 ? "mp4" : "mov";
    if (avformat_alloc_output_context2(&raw, nullptr, muxer, nullptr) < 0 || !raw)
        throw MediaError(MediaErrorKind::encoderUnavailable, s.path, "no muxer");
    s.output.reset(raw);
    s.openVideo();
    if (s.audio)
        s.openAudio();
    s.output->pb = ffmpeg::openOutputFile(s.path);
    const int header = avformat_write_header(s.output.get(), nullptr);
    if (header < 0) {
        ffmpeg::abandonOutput(s);
        throw MediaError(MediaErrorKind::writeFailed, s.path, ffmpeg::errorText(header));
    }
    s.headerWritten = true;
}

MovieWriter::~MovieWriter()
{
    if (m_state && !m_state->finished && !m_state->abandoned && m_state->output) {
        if (m_state->output->pb)
            ffmpeg::abandonOutput(*m_state);
        else
            m_state->close();  // failed before its file was created: nothing of the user's to remove
    }
}

void MovieWriter::writeFrame(const QImage& frame)
{
    State& s = *m_state;
    if (s.finished || s.failed)
        throw MediaError(MediaErrorKind::writeFailed, s.path, "the writer is closed");
    if (frame.width() != s.settings.width || frame.height() != s.settings.height)
        throw MediaError(MediaErrorKind::invalidArgument, s.path, "the frame has another size");
    QImage converted;
    const QImage* source = &frame;
    AVPixelFormat format = pixelFormatOf(frame.format());
    if (format == AV_PIX_FMT_NONE) {
        converted = frame.convertToFormat(QImage::Format_RGB32);
        source = &converted;
        format = pixelFormatOf(converted.format());
    }
    s.prepareConversion(format);
    AVFrame* out = s.writableFrame();
    AVFrame* in = s.sourceFrame.get();
    av_frame_unref(in);
    in->format = format;
    in->width = source->width();
    in->height = source->height();
    in->data[0] = const_cast<uint8_t*>(source->constBits());
    in->linesize[0] = static_cast<int>(source->bytesPerLine());
    in->buf[0] = av_buffer_create(in->data[0], static_cast<size_t>(source->sizeInBytes()), [](void*, uint8_t*) {}, nullptr, AV_BUFFER_FLAG_READONLY);
    if (!in->buf[0])
        throw std::bad_alloc();
    const int scaled = sws_scale_frame(s.sws.get(), out, in);
    av_frame_unref(in);
    if (scaled < 0)
        s.fail(MediaErrorKind::writeFailed, "conversion: " + ffmpeg::errorText(scaled));
    s.encodeVideoFrame();
}

void MovieWriter::writeFrame(const Yuv420View& frame)
{
    State& s = *m_state;
    if (s.finished || s.failed)
        throw MediaError(MediaErrorKind::writeFailed, s.path, "the writer is closed");
    if (!frame.y || !frame.u || !frame.v || frame.yStride < s.settings.width || frame.uStride < (s.settings.width + 1) / 2
        || frame.vStride < (s.settings.width + 1) / 2)
        throw MediaError(MediaErrorKind::invalidArgument, s.path, "the planes do not cover the frame");
    AVFrame* out = s.writableFrame();
    const int chromaWidth = (s.settings.width + 1) / 2, chromaHeight = (s.settings.height + 1) / 2;
    av_image_copy_plane(out->data[0], out->linesize[0], frame.y, frame.yStride, s.settings.width, s.settings.height);
    av_image_copy_plane(out->data[1], out->linesize[1], frame.u, frame.uStride, chromaWidth, chromaHeight);
    av_image_copy_plane(out->data[2], out->linesize[2], frame.v, frame.vStride, chromaWidth, chromaHeight);
    s.encodeVideoFrame();
}

void MovieWriter::writeFrame(const Yuv420Frame& frame)
{
    State& s = *m_state;
    if (s.finished || s.failed)
        throw MediaError(MediaErrorKind::writeFailed, s.path, "the writer is closed");
    if (frame.isNull() || frame.width() != s.settings.width || frame.height() != s.settings.height)
        throw MediaError(MediaErrorKind::invalidArgument, s.path, "the frame has another size");
    ffmpeg::FramePtr reference = ffmpeg::makeFrame();
    if (av_frame_ref(reference.get(), frame.avFrame()) < 0)
        throw std::bad_alloc();
    s.encodeVideoFrame(reference.get());
}

void MovieWriter::finish()
{
    State& s = *m_state;
    if (s.finished)
        return;
    if (s.failed)
        throw MediaError(MediaErrorKind::writeFailed, s.path, "the writer failed earlier");
    try {
        if (s.frames == 0)
            s.fail(MediaErrorKind::invalidArgument, "no frame was written");
        s.pumpAudio(INT64_MAX);
        s.checkCancel();
    } catch (...) {
        ffmpeg::abandonOutput(s);
        throw;
    }
    // The audio stream is read to its end; it may hold the caller's state, which the flush
    // thread must not outlive.
    s.audio.reset();

    // Flushing the encoders' delayed frames takes seconds at large sizes, so it runs on its own
    // thread while this one keeps polling the cancel check.
    struct Flush {
        std::mutex lock;
        std::condition_variable ended;
        bool done = false;
        std::exception_ptr error;
    };
    auto flush = std::make_shared<Flush>();
    AbandonedFlushes::instance().started();
    std::thread thread;
    try {
        thread = std::thread([state = m_state, flush]() mutable {
            std::exception_ptr error;
            try {
                state->flushAndClose();
            } catch (...) {
                error = std::current_exception();
            }
            // Abandoned, the encoders are freed here (the caller removed the file); the state
            // itself goes before the process may stop waiting for this thread.
            if (state->abandoned)
                state->close();
            state.reset();
            {
                std::lock_guard guard(flush->lock);
                flush->error = error;
                flush->done = true;
                flush->ended.notify_all();
            }
            flush.reset();
            AbandonedFlushes::instance().ended();
        });
    } catch (...) {
        AbandonedFlushes::instance().ended();
        ffmpeg::abandonOutput(s);
        throw;
    }

    bool cancelled = false;
    {
        std::unique_lock guard(flush->lock);
        while (!flush->ended.wait_for(guard, kFinishPollInterval, [&] { return flush->done; })) {
            guard.unlock();
            cancelled = s.settings.cancel && s.settings.cancel();
            guard.lock();
            if (cancelled && !flush->done)
                break;
            cancelled = false;
        }
    }
    if (cancelled) {
        s.abandoned = true;
        s.failed = true;
        thread.detach();
        ffmpeg::removePartialFile(s.path);
        throw MediaError(MediaErrorKind::cancelled, s.path, {});
    }
    thread.join();
    if (flush->error) {
        ffmpeg::abandonOutput(s);
        std::rethrow_exception(flush->error);
    }
    s.finished = true;
    s.close();
}

std::int64_t MovieWriter::framesWritten() const { return m_state->frames; }
const std::string& MovieWriter::path() const { return m_state->path; }

}  // namespace sablewick

#include "media/MovieWriter.h"
#include "media/Yuv420Frame.h"

#include "media/MovieOutput.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

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
    MovieWriterSettings settings;
    std::unique_ptr<AudioStream> audio;
    std::optional<MovieOutput> output;
    // The writer's own picture, for frames handed over as images or views; made on the first such
    // frame (12 MB at 4K that an export of 4:2:0 frames, passed on by reference, never uses).
    ffmpeg::FramePtr videoFrame;
    ffmpeg::FramePtr sourceFrame = ffmpeg::makeFrame();
    ffmpeg::SwsPtr sws;
    AVPixelFormat swsSource = AV_PIX_FMT_NONE;
    std::int64_t audioSamples = 0;  // frames of audio sent to the encoder
    std::int64_t lastVideoDts = AV_NOPTS_VALUE;
    bool audioEnded = false;
    std::vector<float> audioScratch;
    bool finished = false;

    const std::string& path() const { return output->path(); }
    [[noreturn]] void fail(MediaErrorKind kind, const std::string& detail) { output->fail(kind, detail); }

    void checkCancel()
    {
        if (settings.cancel && settings.cancel())
            fail(MediaErrorKind::cancelled, {});
    }

    void checkOpen() const
    {
        if (finished || output->failed())
            throw MediaError(MediaErrorKind::writeFailed, path(), "the writer is closed");
    }

    VideoEncoding videoEncoding() const
    {
        const bool h264 = settings.format == MovieFormat::mp4H264;
        const MediaTime rate = settings.frameRate.reduced();
        VideoEncoding encoding;
        encoding.encoder = h264 ? "libx264" : "libx265";
        encoding.width = settings.width;
        encoding.height = settings.height;
        encoding.timeBase = AVRational{static_cast<int>(rate.scale), static_cast<int>(rate.value)};
        encoding.frameRate = AVRational{static_cast<int>(rate.value), static_cast<int>(rate.scale)};
        encoding.keyframeInterval = settings.keyframeInterval;
        encoding.threads = settings.encoderThreads;
        encoding.bitRate = settings.videoBitRate;
        encoding.preset = settings.preset.empty() ? MovieWriterSettings::defaultPreset(settings.format)
                                                  : settings.preset;
        if (!h264) {
            encoding.paramsOption = "x265-params";
            encoding.params = "log-level=none";
            encoding.codecTag = MKTAG('h', 'v', 'c', '1');
        }
        return encoding;
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

    // Encodes audio up to `untilFrames` frames of audio (or the stream's end).
    void pumpAudio(std::int64_t untilFrames)
    {
        if (!audio || audioEnded)
            return;
        const int channels = audio->format().channels;
        const int frameSize = output->audioFrameSize();
        audioScratch.resize(static_cast<std::size_t>(frameSize * channels));
        while (audioSamples < untilFrames && !audioEnded) {
            checkCancel();
            std::int64_t got = 0;
            try {
                got = audio->read(audioScratch.data(), frameSize);
            } catch (...) {
                output->markFailed();
                throw;
            }
            if (got < frameSize)
                audioEnded = true;
            if (got > 0) {
                output->encodeAudio(audioScratch.data(), static_cast<int>(got), audioSamples);
                audioSamples += got;
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
        picture->pts = output->videoFramesSent();
        output->encodeVideo(picture);
        if (audio) {
            // Audio up to the end of this frame, so the muxer interleaves without buffering.
            const MediaTime rate = settings.frameRate.reduced();
            const std::int64_t frames = output->videoFramesSent();
            pumpAudio(MediaTime(frames * rate.scale, rate.value).rescaled(audio->format().sampleRate));
        }
    }

    // Fails the writer for good and removes its incomplete file.
    void discard()
    {
        sws.reset();
        output->discard();
    }
};

MovieWriter::MovieWriter(const std::string& path, MovieWriterSettings settings, std::unique_ptr<AudioStream> audio)
    : m_state(std::make_shared<State>())
{
    State& s = *m_state;
    ffmpeg::silenceLogging();
    const std::string local = ffmpeg::localPath(path);
    s.settings = std::move(settings);
    s.audio = std::move(audio);
    const MovieWriterSettings& set = s.settings;
    MovieOutput::checkSize(local, set.width, set.height);
    const MediaTime rate = set.frameRate.reduced();
    if (!rate.isValid() || rate.value <= 0 || rate.value > 1000 * rate.scale || rate.value > INT32_MAX || rate.scale > INT32_MAX)
        throw MediaError(MediaErrorKind::invalidArgument, local, "the frame rate must be positive");
    if (s.audio) {
        const AudioFormat format = s.audio->format();
        if (format.sampleRate <= 0 || format.channels <= 0)
            throw MediaError(MediaErrorKind::invalidArgument, local, "the audio format is empty");
    }

    s.output.emplace(local, set.format == MovieFormat::mp4H264 ? "mp4" : "mov");
    s.output->openVideo(s.videoEncoding());
    s.output->setVideoPacketFilter([state = m_state.get()](AVPacket* packet) { state->repairDecodingTime(packet); });
    if (s.audio)
        s.output->openAudio(s.audio->format().sampleRate, s.audio->format().channels, set.audioBitRate);
    try {
        s.output->createFile();
    } catch (const MediaError& error) {
        // Only a file this writer made is removed: one that could not be opened is not ours.
        if (error.kind() != MediaErrorKind::cannotCreateFile)
            s.discard();
        throw;
    }
}

MovieWriter::~MovieWriter()
{
    if (m_state && m_state->output && !m_state->finished && !m_state->output->stopped()) {
        if (m_state->output->hasFile())
            m_state->discard();
        else
            m_state->output->close();  // failed before its file was created: nothing of the user's to remove
    }
}

void MovieWriter::writeFrame(const QImage& frame)
{
    State& s = *m_state;
    s.checkOpen();
    if (frame.width() != s.settings.width || frame.height() != s.settings.height)
        throw MediaError(MediaErrorKind::invalidArgument, s.path(), "the frame has another size");
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
    s.checkOpen();
    if (!MovieOutput::covers(frame, s.settings.width))
        throw MediaError(MediaErrorKind::invalidArgument, s.path(), "the planes do not cover the frame");
    MovieOutput::copyPicture(frame, s.writableFrame());
    s.encodeVideoFrame();
}

void MovieWriter::writeFrame(const Yuv420Frame& frame)
{
    State& s = *m_state;
    s.checkOpen();
    if (frame.isNull() || frame.width() != s.settings.width || frame.height() != s.settings.height)
        throw MediaError(MediaErrorKind::invalidArgument, s.path(), "the frame has another size");
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
    if (s.output->failed())
        throw MediaError(MediaErrorKind::writeFailed, s.path(), "the writer failed earlier");
    try {
        if (s.output->videoFramesSent() == 0)
            s.fail(MediaErrorKind::invalidArgument, "no frame was written");
        s.pumpAudio(INT64_MAX);
        s.checkCancel();
    } catch (...) {
        s.discard();
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
                state->output->finish();
            } catch (...) {
                error = std::current_exception();
            }
            // Abandoned, the encoders are freed here (the caller removed the file); the state
            // itself goes before the process may stop waiting for this thread.
            if (state->output->stopped())
                state->output->close();
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
        s.discard();
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
        s.output->stop();
        thread.detach();
        ffmpeg::removePartialFile(s.path());
        throw MediaError(MediaErrorKind::cancelled, s.path(), {});
    }
    thread.join();
    if (flush->error) {
        s.discard();
        std::rethrow_exception(flush->error);
    }
    s.finished = true;
    s.sws.reset();
    s.output->close();
}

std::int64_t MovieWriter::framesWritten() const
{
    return m_state->output->videoFramesSent();
}
const std::string& MovieWriter::path() const
{
    return m_state->output->path();
}

}  // namespace sablewick

#include "media/AudioDecoder.h"

#include "media/FfmpegSupport.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <limits>

namespace sablewick {

namespace {

// A hole in the track's timestamps longer than this is filled with silence; shorter ones are
// ordinary jitter of the container's timestamps.
constexpr double kGapTolerance = 0.02;
constexpr double kSeekPreroll = 0.5;

}  // namespace

struct AudioDecoder::State {
    std::string path;
    AudioFormat format;
    AudioDecoderOptions options;
    MediaInfo info;
    AudioTrackInfo track;
    ffmpeg::InputPtr input;
    AVStream* stream = nullptr;
    ffmpeg::CodecPtr decoder;
    ffmpeg::PacketPtr packet = ffmpeg::makePacket();
    ffmpeg::FramePtr frame = ffmpeg::makeFrame();
    ffmpeg::SwrPtr swr;
    int swrFormat = -1, swrRate = -1;
    AVChannelLayout swrLayout{};
    AVChannelLayout outLayout{};

    double start = 0;
    std::int64_t limit = std::numeric_limits<std::int64_t>::max();  // frames of output
    std::int64_t emitted = 0;      // frames handed out since start
    std::int64_t produced = 0;     // frames converted so far, counted from start (may be negative before it)
    bool synced = false;           // `produced` has been placed by a timestamp
    bool sought = false;           // decoding began at a seek, not at the track's start
    bool rewindPending = false;    // that seek went too far: start over from the top
    bool draining = false;
    bool decoderEnded = false;
    bool resamplerFlushed = false;
    std::vector<float> pending;    // converted frames not yet handed out (interleaved)
    std::size_t pendingOffset = 0; // in floats

    ~State()
    {
        av_channel_layout_uninit(&swrLayout);
        av_channel_layout_uninit(&outLayout);
    }

    std::int64_t pendingFrames() const
    {
        return static_cast<std::int64_t>(pending.size() - pendingOffset) / format.channels;
    }

    void setupResampler(const AVFrame* in)
    {
        AVChannelLayout inLayout{};
        if (in->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_check(&in->ch_layout) == 0)
            av_channel_layout_default(&inLayout, std::max(in->ch_layout.nb_channels, 1));
        else
            av_channel_layout_copy(&inLayout, &in->ch_layout);
        const bool same = swr && swrFormat == in->format && swrRate == in->sample_rate
                          && av_channel_layout_compare(&swrLayout, &inLayout) == 0;
        if (same) {
            av_channel_layout_uninit(&inLayout);
            return;
        }
        if (swr)
            flushResampler();
        SwrContext* raw = nullptr;
        const int made = swr_alloc_set_opts2(&raw, &outLayout, AV_SAMPLE_FMT_FLT, format.sampleRate, &inLayout,
                                             static_cast<AVSampleFormat>(in->format), in->sample_rate, 0, nullptr);
        swr.reset(raw);
        // Mono plays at full level on every channel, as a mono recording sounds on its own
        // (swresample would spread it at -3 dB).
        if (made >= 0 && inLayout.nb_channels == 1 && format.channels > 1) {
            const std::vector<double> everywhere(static_cast<std::size_t>(format.channels), 1.0);
            swr_set_matrix(swr.get(), everywhere.data(), 1);
        }
        if (made < 0 || swr_init(swr.get()) < 0) {
            av_channel_layout_uninit(&inLayout);
            throw MediaError(MediaErrorKind::decodeFailed, path, "cannot convert this audio");
        }
        av_channel_layout_uninit(&swrLayout);
        swrLayout = inLayout;
        swrFormat = in->format;
        swrRate = in->sample_rate;
    }

    // Appends converted frames, dropping what lies before the start.
    void append(const uint8_t** data, int inCount)
    {
        const int capacity = swr_get_out_samples(swr.get(), inCount);
        if (capacity <= 0)
            return;
        const std::size_t oldSize = pending.size();
        pending.resize(oldSize + static_cast<std::size_t>(capacity) * format.channels);
        uint8_t* out = reinterpret_cast<uint8_t*>(pending.data() + oldSize);
        const int converted = swr_convert(swr.get(), &out, capacity, data, inCount);
        if (converted < 0) {
            pending.resize(oldSize);
            throw MediaError(MediaErrorKind::decodeFailed, path, ffmpeg::errorText(converted));
        }
        pending.resize(oldSize + static_cast<std::size_t>(converted) * format.channels);
        const std::int64_t before = produced;
        produced += converted;
        if (before < 0) {
            // Frames before the start: drop them.
            const std::int64_t drop = std::min<std::int64_t>(-before, converted);
            pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(oldSize),
                          pending.begin() + static_cast<std::ptrdiff_t>(oldSize + drop * format.channels));
        }
    }

    void appendSilence(std::int64_t frames)
    {
        if (frames <= 0)
            return;
        const std::int64_t from = std::max<std::int64_t>(produced, 0);
        produced += frames;
        const std::int64_t count = produced - from;
        if (count > 0)
            pending.resize(pending.size() + static_cast<std::size_t>(count) * format.channels, 0.0f);
    }

    void flushResampler()
    {
        if (swr)
            append(nullptr, 0);
    }

    void handleFrame()
    {
        std::int64_t ts = frame->best_effort_timestamp;
        if (ts == AV_NOPTS_VALUE)
            ts = frame->pts;
        setupResampler(frame.get());
        if (ts != AV_NOPTS_VALUE) {
            const double seconds = static_cast<double>(ts) * av_q2d(stream->time_base) - start;
            const std::int64_t position = static_cast<std::int64_t>(std::llround(seconds * format.sampleRate))
                                          - swr_get_delay(swr.get(), format.sampleRate);
            if (!synced) {
                if (sought && position > static_cast<std::int64_t>(kGapTolerance * format.sampleRate)) {
                    // The seek went past the start (an inexact index): decode from the top.
                    rewindPending = true;
                    return;
                }
                // The first frame places the output: silence before a late start, frames before
                // the start are dropped as they are converted.
                if (position > 0)
                    appendSilence(position);
                else
                    produced = position;
                synced = true;
            } else if (position - produced > static_cast<std::int64_t>(kGapTolerance * format.sampleRate)) {
                flushResampler();
                appendSilence(position - produced);
            }
        } else if (!synced) {
            synced = true;
        }
        append(const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    }

    // Decodes until something is pending or the track has ended.
    void decodeMore()
    {
        while (pendingFrames() == 0 && !decoderEnded) {
            const int received = avcodec_receive_frame(decoder.get(), frame.get());
            if (received == 0) {
                handleFrame();
                av_frame_unref(frame.get());
                if (rewindPending)
                    rewind();
                continue;
            }
            if (received == AVERROR_EOF || (received == AVERROR(EAGAIN) && draining)) {
                decoderEnded = true;
                break;
            }
            if (received != AVERROR(EAGAIN))
                throw MediaError(MediaErrorKind::decodeFailed, path, ffmpeg::errorText(received));
            if (options.cancel && options.cancel())
                throw MediaError(MediaErrorKind::cancelled, path);
            // Nothing beyond the limit is needed: stop reading once past it.
            if (produced >= limit && limit != std::numeric_limits<std::int64_t>::max()) {
                decoderEnded = true;
                break;
            }
            if (!ffmpeg::feedDecoder(input.get(), decoder.get(), packet.get(), stream->index, path))
                draining = true;
        }
        if (decoderEnded && !resamplerFlushed) {
            resamplerFlushed = true;
            flushResampler();
        }
    }

    void seekTo(std::int64_t timestamp)
    {
        if (av_seek_frame(input.get(), stream->index, timestamp, AVSEEK_FLAG_BACKWARD) < 0
            && av_seek_frame(input.get(), stream->index, timestamp, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0)
            throw MediaError(MediaErrorKind::decodeFailed, path, "cannot seek in the audio track");
        avcodec_flush_buffers(decoder.get());
        swr.reset();
        swrFormat = swrRate = -1;
        draining = decoderEnded = resamplerFlushed = false;
        rewindPending = false;
    }

    // Starts decoding again from the track's first packet, keeping the output position.
    void rewind()
    {
        seekTo(ffmpeg::firstTimestamp(stream));
        sought = false;
        synced = false;
        produced = emitted;
        pending.clear();
        pendingOffset = 0;
    }

    void restart(double newStart)
    {
        start = std::isfinite(newStart) ? newStart : 0.0;
        // Seek a little early: codecs with overlapping frames or a bit reservoir (AAC, MP3) decode
        // the first packets after a seek wrongly. What comes before the start is dropped.
        const std::int64_t target = static_cast<std::int64_t>(std::floor((start - kSeekPreroll) / av_q2d(stream->time_base)));
        sought = target > ffmpeg::firstTimestamp(stream);
        seekTo(sought ? target : ffmpeg::firstTimestamp(stream));
        emitted = produced = 0;
        synced = false;
        pending.clear();
        pendingOffset = 0;
    }
};

AudioDecoder::AudioDecoder(const std::string& path, AudioFormat format, AudioDecoderOptions options)
    : m_state(std::make_unique<State>())
{
    State& s = *m_state;
    if (format.sampleRate < 1000 || format.sampleRate > 768000 || format.channels < 1 || format.channels > 8)
        throw MediaError(MediaErrorKind::invalidArgument, path, "unsupported output audio format");
    if (!std::isfinite(options.start) || (options.duration && !(std::isfinite(*options.duration) && *options.duration >= 0)))
        throw MediaError(MediaErrorKind::invalidArgument, path, "start and duration must be finite");
    s.format = format;
    s.options = options;
    s.input = ffmpeg::openInput(path, &s.path);
    s.info = media_detail::describe(s.input.get(), s.path);
    const AudioTrackInfo* chosen = nullptr;
    const int wanted = options.streamIndex >= 0
                           ? options.streamIndex
                           : av_find_best_stream(s.input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    for (const AudioTrackInfo& track : s.info.audioTracks)
        if (track.streamIndex == wanted)
            chosen = &track;
    if (!chosen && options.streamIndex < 0 && !s.info.audioTracks.empty())
        chosen = &s.info.audioTracks.front();
    if (!chosen)
        throw MediaError(MediaErrorKind::noAudioTrack, s.path, "no audio track");
    s.track = *chosen;
    s.stream = s.input->streams[s.track.streamIndex];
    s.decoder = ffmpeg::openDecoder(s.input.get(), s.track.streamIndex, 1, MediaErrorKind::noAudioTrack, s.path);
    av_channel_layout_default(&s.outLayout, format.channels);
    if (options.duration)
        s.limit = format.framesFor(*options.duration);
    if (options.start != 0)
        s.restart(options.start);
}

AudioDecoder::~AudioDecoder() = default;

AudioFormat AudioDecoder::format() const { return m_state->format; }
const MediaInfo& AudioDecoder::info() const { return m_state->info; }
const AudioTrackInfo& AudioDecoder::track() const { return m_state->track; }

void AudioDecoder::restart(double start)
{
    m_state->restart(start);
}

std::int64_t AudioDecoder::read(float* out, std::int64_t frames)
{
    State& s = *m_state;
    const int channels = s.format.channels;
    std::int64_t written = 0;
    while (written < frames && s.emitted < s.limit) {
        if (s.pendingFrames() == 0) {
            s.decodeMore();
            if (s.pendingFrames() == 0) {
                if (s.limit == std::numeric_limits<std::int64_t>::max())
                    break;
                // A fixed length: the rest is silence.
                const std::int64_t silence = std::min(frames - written, s.limit - s.emitted);
                std::fill_n(out + written * channels, silence * channels, 0.0f);
                written += silence;
                s.emitted += silence;
                break;
            }
        }
        const std::int64_t count = std::min({frames - written, s.pendingFrames(), s.limit - s.emitted});
        std::copy_n(s.pending.data() + s.pendingOffset, count * channels, out + written * channels);
        s.pendingOffset += static_cast<std::size_t>(count * channels);
        written += count;
        s.emitted += count;
        if (s.pendingOffset == s.pending.size()) {
            s.pending.clear();
            s.pendingOffset = 0;
        }
    }
    return written;
}

AudioBuffer AudioDecoder::decode(const std::string& path, AudioFormat format, AudioDecoderOptions options)
{
    AudioDecoder decoder(path, format, std::move(options));
    return readAll(decoder);
}

}  // namespace sablewick

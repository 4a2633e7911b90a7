#include "media/LiveMovieWriter.h"

#include "media/MovieOutput.h"
#include "media/MovieWriter.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace sablewick {

namespace {

// Frame times are kept to the microsecond-scale tick of MPEG (90 kHz): enough to keep each
// frame where the clock put it, small enough for the QuickTime time scale.
constexpr AVRational kVideoTimeBase{1, 90000};

}  // namespace

struct LiveMovieWriter::State {
    LiveMovieWriterSettings settings;
    std::optional<MovieOutput> output;
    ffmpeg::FramePtr videoFrame;
    std::vector<float> pendingAudio;  // interleaved, less than one encoder frame
    std::int64_t lastPts = -1;
    double lastKeyframe = -1e9;  // seconds
    std::int64_t audioFrames = 0;  // pushed by the caller, the skipped ones included
    std::int64_t audioSkip = 0;    // leading frames still to drop
    std::int64_t audioEncoded = 0; // sent to the encoder; its time in samples
    bool finished = false;

    const std::string& path() const { return output->path(); }
    void checkOpen() const
    {
        if (finished || output->failed())
            throw MediaError(MediaErrorKind::writeFailed, path(), "the writer is closed");
    }

    VideoEncoding videoEncoding() const
    {
        VideoEncoding encoding;
        encoding.width = settings.width;
        encoding.height = settings.height;
        encoding.timeBase = kVideoTimeBase;
        encoding.frameRate = AVRational{settings.framesPerSecond, 1};
        encoding.keyframeInterval = static_cast<int>(std::floor(settings.keyframeSeconds * settings.framesPerSecond));
        encoding.preset = settings.preset;
        // No B-frames: a fragmented movie carries no edit list, so the decode delay they add
        // would shift every frame later than its capture time. A short lookahead keeps the
        // encoder from holding many 1080p frames in memory.
        encoding.paramsOption = "x264-params";
        encoding.params = "bframes=0:rc-lookahead=10:sync-lookahead=0";
        return encoding;
    }

    void openAudio()
    {
        output->openAudio(LiveMovieWriterSettings::audioSampleRate, LiveMovieWriterSettings::audioChannels,
                          settings.audioBitRate);
        // AAC starts with the encoder's priming samples, which only an edit list hides, and a
        // fragmented movie has none: the muxer would move the whole movie later to keep the
        // priming off negative times. Dropping as many samples as the priming lasts makes the
        // first packet start at 0, so each captured sample keeps its own time. The first
        // 21 ms of sound are lost for it.
        audioSkip = output->audioPriming();
    }

    void encodeAudio(const float* interleaved, int count)
    {
        output->encodeAudio(interleaved, count, audioEncoded);
        audioEncoded += count;
    }
};

LiveMovieWriter::LiveMovieWriter(const std::string& path, LiveMovieWriterSettings settings)
    : m_state(std::make_unique<State>())
{
    State& s = *m_state;
    ffmpeg::silenceLogging();
    const std::string local = ffmpeg::localPath(path);
    s.settings = std::move(settings);
    const LiveMovieWriterSettings& set = s.settings;
    MovieOutput::checkSize(local, set.width, set.height);
    if (set.framesPerSecond < 1 || set.framesPerSecond > 1000 || !(set.keyframeSeconds > 0))
        throw MediaError(MediaErrorKind::invalidArgument, local,
                         "the frame rate and keyframe distance must be positive");

    s.output.emplace(local, "mov");
    s.output->openVideo(s.videoEncoding());
    s.videoFrame = ffmpeg::makeVideoFrame(set.width, set.height);
    if (set.audio)
        s.openAudio();
    // Every packet goes to the file at once, and a fragment closes at each keyframe: what the
    // system has is a playable movie up to the last complete fragment.
    s.output->createFile("frag_keyframe+empty_moov+default_base_moof", true);
}

LiveMovieWriter::~LiveMovieWriter() = default;

void LiveMovieWriter::writeFrame(const Yuv420View& frame, double seconds)
{
    State& s = *m_state;
    s.checkOpen();
    if (!MovieOutput::covers(frame, s.settings.width) || !std::isfinite(seconds))
        throw MediaError(MediaErrorKind::invalidArgument, s.path(), "the planes do not cover the frame");
    if (av_frame_make_writable(s.videoFrame.get()) < 0)
        throw std::bad_alloc();
    AVFrame* out = s.videoFrame.get();
    MovieOutput::copyPicture(frame, out);
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
    s.output->encodeVideo(out);
}

void LiveMovieWriter::writeAudio(const float* samples, std::int64_t frames)
{
    State& s = *m_state;
    s.checkOpen();
    if (!s.output->hasAudio())
        throw MediaError(MediaErrorKind::invalidArgument, s.path(), "the movie has no sound track");
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
    const int frameSize = s.output->audioFrameSize();
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
        if (!s.pendingAudio.empty())
            s.encodeAudio(s.pendingAudio.data(),
                          static_cast<int>(s.pendingAudio.size() / LiveMovieWriterSettings::audioChannels));
        s.pendingAudio.clear();
        s.output->finish();
    } catch (...) {
        s.output->markFailed();
        s.output->close();
        throw;
    }
    s.finished = true;
    s.output->close();
}

std::int64_t LiveMovieWriter::framesWritten() const
{
    return m_state->output->videoFramesSent();
}
std::int64_t LiveMovieWriter::audioFramesWritten() const { return m_state->audioFrames; }

}  // namespace sablewick

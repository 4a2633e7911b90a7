#include "media/ScreenRecording.h"

#include "media/FfmpegSupport.h"
#include "media/LiveAudioMixer.h"
#include "media/LiveMovieWriter.h"
#include "media/MovieWriter.h"
#include "media/Yuv420Frame.h"
#include "platform/Guarded.h"
#include "platform/MonotonicClock.h"
#include "platform/PulseConnection.h"
#include "platform/PulseRecordStream.h"
#include "platform/ThreadName.h"
#include "platform/WorkerThread.h"
#include "platform/X11ScreenGrabber.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace sablewick {

namespace {

// Frames waiting for the encoder beyond this are dropped: memory stays bounded when the
// machine cannot keep up, and the drop is counted for the benchmark.
constexpr std::size_t kMaxQueuedFrames = 12;
// Screen pictures between the grab and the conversion: while one is converted the next is
// grabbed. When all wait for the conversion, the grab waits too and misses frame times.
constexpr int kScreenPictures = 3;
constexpr int kMaxConversionThreads = 4;
constexpr double kAudioServerTimeout = 2.0;

struct VideoItem {
    Yuv420Frame frame;
    double time = 0;
};

struct GrabbedPicture {
    int index = 0;
    ScreenFrame picture;
    double clock = 0;  // monotonic, at the grab
};

AVPixelFormat pixelFormat(ScreenPixelFormat format)
{
    switch (format) {
    case ScreenPixelFormat::bgrx: return AV_PIX_FMT_BGR0;
    case ScreenPixelFormat::bgra: return AV_PIX_FMT_BGRA;
    case ScreenPixelFormat::rgbx: return AV_PIX_FMT_RGB0;
    case ScreenPixelFormat::rgba: return AV_PIX_FMT_RGBA;
    case ScreenPixelFormat::xrgb: return AV_PIX_FMT_0RGB;
    case ScreenPixelFormat::xbgr: return AV_PIX_FMT_0BGR;
    case ScreenPixelFormat::argb: return AV_PIX_FMT_ARGB;
    case ScreenPixelFormat::abgr: return AV_PIX_FMT_ABGR;
    }
    return AV_PIX_FMT_BGR0;
}

// The X server's display as a frame source: every grab is a new picture, taken now.
class X11FrameSource : public ScreenFrameSource {
public:
    explicit X11FrameSource(QRect area) : m_grabber(area, kScreenPictures) {}
    ScreenFrame grab() override { return grabInto(0); }
    int pictureCount() const override { return m_grabber.imageCount(); }
    ScreenFrame grabInto(int picture) override
    {
        const X11ScreenGrabber::Image image = m_grabber.grab(picture);
        return {image.bits, image.stride, image.width, image.height, ScreenPixelFormat::bgrx, std::nullopt};
    }

private:
    X11ScreenGrabber m_grabber;
};

// The audio server the environment names.
class PulseSound : public RecordingSound {
public:
    PulseSound() : m_connection("Sablewick", kAudioServerTimeout) {}

    std::string systemOutputSource() override
    {
        const PulseConnection::ServerNames names = m_connection.serverNames(kAudioServerTimeout);
        return names.defaultSink.empty() ? std::string() : names.defaultSink + ".monitor";
    }

    std::unique_ptr<Stream> record(const std::string& source, Consumer consumer) override
    {
        // A source that fails later goes quiet; the mixer fills silence.
        return std::make_unique<PulseStream>(m_connection, source, std::move(consumer));
    }

    void onLost(std::function<void()> lost) override { m_connection.onLost(std::move(lost)); }

private:
    struct PulseStream : Stream {
        PulseStream(PulseConnection& connection, const std::string& source, Consumer consumer)
            : stream(connection, source, std::move(consumer), nullptr)
        {
        }
        PulseRecordStream stream;
    };
    PulseConnection m_connection;
};

}  // namespace

struct ScreenRecording::State {
    ScreenRecordingSettings settings;
    Events events;
    std::shared_ptr<ScreenFrameSource> grabber;
    QSize convertedSize;  // the source size and format the conversion was made for
    AVPixelFormat convertedFormat = AV_PIX_FMT_NONE;
    std::unique_ptr<LiveMovieWriter> writer;
    ffmpeg::SwsPtr sws;
    ffmpeg::FramePtr sourceFrame = ffmpeg::makeFrame();
    double zero = 0;

    // The streams' callbacks use the mixer: the streams are declared after it so that they go
    // first, whatever ends the recording (a start that throws included).
    struct Mix {
        std::unique_ptr<LiveAudioMixer> mixer;
        bool lost = false;   // the server went away
        bool ended = false;  // the track holds all it will
    };
    Guarded<Mix> mix;
    bool hasSound = false;  // set by the start, before the threads
    std::unique_ptr<RecordingSound> sound;
    std::vector<std::unique_ptr<RecordingSound::Stream>> streams;

    // Grab thread -> conversion thread.
    struct Grabs {
        std::deque<GrabbedPicture> grabbed;
        std::vector<int> freePictures;
        bool ended = false;
        std::optional<std::string> conversionFailure;  // ends the grab
    };
    Guarded<Grabs> grabs;
    std::condition_variable grabChanged;

    // Conversion thread -> encoding thread.
    struct Queue {
        std::deque<VideoItem> frames;
        std::vector<Yuv420Frame> spare;
        bool convertingEnded = false;
        bool finishing = false;
        double lastFrameClock = 0;
    };
    Guarded<Queue> queue;
    std::condition_variable queueChanged;

    std::atomic<bool> stopGrabbing{false};
    std::atomic<bool> stopAsked{false};  // by finishMovie or stopCapture: the movie ends at stopClock
    std::atomic<double> stopClock{0};
    std::atomic<bool> quit{false};
    std::atomic<std::int64_t> captured{0};
    std::atomic<std::int64_t> dropped{0};
    std::atomic<std::int64_t> missed{0};
    std::thread grabThread;
    std::thread convertThread;
    std::thread encodeThread;
    // Guards nothing but the grab thread's wait for its frame time, which `wake` ends at once.
    std::mutex sleepMutex;
    std::condition_variable wake;

    void openSound()
    {
        const bool wanted = settings.systemAudio || settings.microphone;
        if (!wanted)
            return;
        try {
            sound = settings.sound ? settings.sound() : std::make_unique<PulseSound>();
        } catch (const PulseError&) {
            // The system's sound is a nicety: without a server the movie is silent. A
            // microphone asked for is not, and the caller reports it.
            if (settings.microphone)
                throw;
            return;
        }
        std::vector<std::string> sources;
        if (settings.systemAudio) {
            try {
                if (std::string output = sound->systemOutputSource(); !output.empty())
                    sources.push_back(std::move(output));
            } catch (const PulseError&) {
                // Without the system's output the microphone alone is recorded, or nothing.
            }
        }
        if (settings.microphone)
            sources.push_back(settings.microphoneSource);
        sound->onLost([this] { loseSound(); });
        // Each stream that opens is one input of the mixer, numbered as it opens: a source that
        // fails leaves no gap that the next one's sound would fall into.
        mix.lock()->mixer = std::make_unique<LiveAudioMixer>(static_cast<int>(sources.size()), zero);
        for (std::size_t i = 0; i < sources.size(); ++i) {
            const int input = static_cast<int>(streams.size());
            try {
                streams.push_back(sound->record(
                    sources[i], [this, input](const float* samples, std::size_t count, double capturedAt) {
                        // On the audio server's thread, which must not see an exception: a piece
                        // the mixer cannot take is heard as silence.
                        try {
                            mix.lock()->mixer->add(input, samples, count, capturedAt, monotonicSeconds());
                        } catch (...) {
                        }
                    }));
            } catch (const PulseError&) {
                if (settings.microphone && i + 1 == sources.size())
                    throw;
            }
        }
        if (streams.empty()) {
            mix.lock()->mixer.reset();
            sound.reset();
        }
    }

    // The server went away: its streams deliver nothing more and the mixer follows the clock
    // with silence, so the movie goes on whole. Only the user is told, once, unless the track
    // was already complete.
    void loseSound()
    {
        auto locked = mix.lock();
        if (locked->lost || locked->ended)
            return;
        locked->lost = true;
        const double at = locked->mixer ? locked->mixer->heardUntil(monotonicSeconds()) : 0;
        // Under the lock: the report comes before the track's end, and so before `finished`.
        if (events.soundLost)
            events.soundLost(at);
    }

    void endSound() { mix.lock()->ended = true; }

    // A source other than the X server may change its size or format while it runs (a display
    // that is rotated or changes mode): the conversion follows it.
    void prepareConversion(QSize size, AVPixelFormat format)
    {
        if (sws && size == convertedSize && format == convertedFormat)
            return;
        convertedSize = size;
        convertedFormat = format;
        sws.reset(sws_alloc_context());
        if (!sws)
            throw std::bad_alloc();
        av_opt_set_int(sws.get(), "srcw", size.width(), 0);
        av_opt_set_int(sws.get(), "srch", size.height(), 0);
        av_opt_set_int(sws.get(), "src_format", format, 0);
        av_opt_set_int(sws.get(), "dstw", settings.pixelSize.width(), 0);
        av_opt_set_int(sws.get(), "dsth", settings.pixelSize.height(), 0);
        av_opt_set_int(sws.get(), "dst_format", AV_PIX_FMT_YUV420P, 0);
        av_opt_set_int(sws.get(), "sws_flags", SWS_BILINEAR, 0);
        av_opt_set_int(sws.get(), "threads", ffmpeg::defaultThreads(0, kMaxConversionThreads), 0);
        if (sws_init_context(sws.get(), nullptr, nullptr) < 0)
            throw MediaError(MediaErrorKind::encoderUnavailable, settings.path, "no colour conversion");
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(sws.get(), bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    }

    Yuv420Frame spareFrame()
    {
        Yuv420Frame frame;
        {
            auto waiting = queue.lock();
            if (!waiting->spare.empty()) {
                frame = std::move(waiting->spare.back());
                waiting->spare.pop_back();
            }
        }
        frame.prepare(settings.pixelSize.width(), settings.pixelSize.height());
        return frame;
    }

    // The movie ends here: the grab thread takes the display's picture of this moment as the
    // last frame, whatever frame time it was waiting for.
    void askStop()
    {
        if (!stopAsked.exchange(true))
            stopClock.store(monotonicSeconds());
        endGrabbing();
    }

    // Ends the grab thread's waits at once, for a frame time or for a free picture.
    void endGrabbing()
    {
        stopGrabbing.store(true);
        {
            // Taken and let go, so that no wait is between its check and its sleep now.
            std::lock_guard sleeping(sleepMutex);
            [[maybe_unused]] const auto waiting = grabs.lock();
        }
        wake.notify_all();
        grabChanged.notify_all();
    }

    // Takes a free picture, or none when the grab is to end: a conversion failed (its reason is
    // set), or the recording stops and `untilStop` says to give up then.
    std::optional<int> freePicture(bool untilStop, std::string& stoppedReason)
    {
        auto shared = grabs.lock();
        shared.wait(grabChanged, [&](const Grabs& g) {
            return !g.freePictures.empty() || g.conversionFailure || quit.load() || (untilStop && stopGrabbing.load());
        });
        if (shared->conversionFailure) {
            stoppedReason = *shared->conversionFailure;
            return std::nullopt;
        }
        if (quit.load() || (untilStop && stopGrabbing.load()))
            return std::nullopt;
        const int index = shared->freePictures.back();
        shared->freePictures.pop_back();
        return index;
    }

    // Grabs into `index` and hands the picture to the conversion, stamped no earlier than
    // `earliest` and no later than `latest`; false (with the reason) when the display could not
    // be read.
    bool grabPicture(int index, double earliest, double latest, std::string& stoppedReason)
    {
        double stamp = monotonicSeconds();
        ScreenFrame picture;
        try {
            picture = grabber->grabInto(index);
            if (picture.width < 1 || picture.height < 1 || !picture.bits)
                throw std::runtime_error("The display sent an empty picture.");
        } catch (...) {
            stoppedReason = exceptionReason(std::current_exception(), "The display could not be read.");
            grabs.lock()->freePictures.push_back(index);
            return false;
        }
        if (settings.source && picture.shownAt)
            stamp = *picture.shownAt;
        stamp = std::clamp(stamp, earliest, latest);
        ++captured;
        grabs.lock()->grabbed.push_back({index, picture, stamp});
        grabChanged.notify_all();
        return true;
    }

    // Each thread's top: whatever a loop throws ends it as the recording's failure (told through
    // `stopped` or `failed`), never the process.
    void runGrab()
    {
        nameCurrentThread("rec grab");
        runCatchingAll([this] { grabLoop(); }, "The display could not be read.",
                       [this](const std::string& reason) { endedByItself(reason); });
    }

    // The grab ended without a stop: told first, because `finished` or `failed` must follow it,
    // and only then may the conversion and the encoder finish the movie with what was grabbed.
    void endedByItself(const std::string& reason)
    {
        if (events.stopped)
            events.stopped(reason);
        queue.lock()->finishing = true;
        grabs.lock()->ended = true;
        grabChanged.notify_all();
    }

    void runConvert()
    {
        nameCurrentThread("rec convert");
        runCatchingAll([this] { convertLoop(); }, "the conversion failed.",
                       [this](const std::string& reason) {
                           // The grab ends with the reason, and the encoder finishes the movie with what it has.
                           {
                               auto shared = grabs.lock();
                               if (!shared->conversionFailure)
                                   shared->conversionFailure = "The picture could not be converted: " + reason;
                           }
                           grabChanged.notify_all();
                           queue.lock()->convertingEnded = true;
                           queueChanged.notify_one();
                       });
    }

    void runEncode()
    {
        nameCurrentThread("rec encode");
        Failure failure = Failure::writeFailed;
        std::string reason;
        try {
            encodeLoop();
            return;
        } catch (const MediaError& error) {
            failure = error.kind() == MediaErrorKind::diskFull ? Failure::diskFull : Failure::writeFailed;
            reason = error.what();
        } catch (...) {
            reason = exceptionReason(std::current_exception(), "The movie could not be written.");
        }
        endGrabbing();
        endSound();
        if (events.failed)
            events.failed(failure, reason);
    }

    // Only grabs, at the frame times: a frame's stamp is the clock at its grab (or when the
    // source showed it), whatever the conversion and the encoder do with it afterwards.
    void grabLoop()
    {
        const double interval = 1.0 / settings.framesPerSecond;
        std::int64_t tick = 0;
        std::string stoppedReason;
        bool failed = false;
        double lastStamp = zero - interval;
        while (!stopGrabbing.load()) {
            const double due = zero + static_cast<double>(tick) * interval;
            {
                std::unique_lock lock(sleepMutex);
                const auto until = std::chrono::steady_clock::time_point(
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(due)));
                wake.wait_until(lock, until, [this] { return stopGrabbing.load(); });
            }
            const std::optional<int> index = freePicture(true, stoppedReason);
            if (!index) {
                failed = !stoppedReason.empty();
                break;
            }
            lastStamp = monotonicSeconds();
            // The movie starts with its first frame: that one is its time zero, which the sound
            // and the events count from, however long the threads took to start.
            const double latest = tick == 0 ? zero : std::numeric_limits<double>::infinity();
            if (!grabPicture(*index, zero, latest, stoppedReason)) {
                failed = true;
                break;
            }
            // A late grab skips the frame times that have passed instead of bursting to catch up.
            const double now = monotonicSeconds();
            std::int64_t next = tick + 1;
            const auto onTime = static_cast<std::int64_t>(std::floor((now - zero) / interval));
            if (onTime >= next) {
                missed += onTime - tick;
                next = onTime + 1;
            }
            tick = next;
        }
        // The stop came while the grab waited for its frame time or for a picture that the
        // conversion still held (a busy machine): the display as it is at the stop closes the
        // movie, so that the movie lasts until the stop.
        if (!failed && stopAsked.load()) {
            const double end = stopClock.load();
            if (end - lastStamp > interval / 2) {
                // Still on the screen at the stop, whenever a source says it was first shown: a
                // stamp from before would fall on the frame before it and leave the movie short.
                const double atStop = std::max(zero, end);
                if (const std::optional<int> index = freePicture(false, stoppedReason))
                    grabPicture(*index, atStop, atStop, stoppedReason);
            }
        }
        if (!stopGrabbing.load()) {
            endedByItself(stoppedReason);
            return;
        }
        grabs.lock()->ended = true;
        grabChanged.notify_all();
    }

    // Converts each grabbed picture for the encoder and gives the picture back to the grab.
    void convertLoop()
    {
        while (true) {
            GrabbedPicture item;
            {
                auto shared = grabs.lock();
                shared.wait(grabChanged,
                            [this](const Grabs& g) { return !g.grabbed.empty() || g.ended || quit.load(); });
                if (quit.load() || shared->grabbed.empty())
                    break;
                item = shared->grabbed.front();
                shared->grabbed.pop_front();
            }
            std::optional<std::string> failure;
            Yuv420Frame frame = spareFrame();
            try {
                convert(item.picture, frame);
            } catch (...) {
                failure = exceptionReason(std::current_exception(), "the conversion failed.");
            }
            {
                auto shared = grabs.lock();
                shared->freePictures.push_back(item.index);
                if (failure && !shared->conversionFailure)
                    shared->conversionFailure = "The picture could not be converted: " + *failure;
            }
            grabChanged.notify_all();
            {
                auto waiting = queue.lock();
                if (failure) {
                    ++dropped;
                    waiting->spare.push_back(std::move(frame));
                } else if (waiting->frames.size() >= kMaxQueuedFrames) {
                    // The newest frame always goes in, in place of the newest one waiting: an
                    // encoder that fell behind loses frames from the middle of the backlog, never
                    // the last ones before a stop.
                    ++dropped;
                    waiting->spare.push_back(std::move(waiting->frames.back().frame));
                    waiting->frames.back() = {std::move(frame), item.clock - zero};
                    waiting->lastFrameClock = item.clock;
                } else {
                    waiting->frames.push_back({std::move(frame), item.clock - zero});
                    waiting->lastFrameClock = item.clock;
                }
            }
            queueChanged.notify_one();
        }
        queue.lock()->convertingEnded = true;
        queueChanged.notify_one();
    }

    // Throws MediaError.
    void convert(const ScreenFrame& picture, Yuv420Frame& frame)
    {
        prepareConversion(QSize(picture.width, picture.height), pixelFormat(picture.format));
        // sws_scale_frame, unlike sws_scale, spreads the conversion over its threads.
        AVFrame* in = sourceFrame.get();
        av_frame_unref(in);
        in->format = convertedFormat;
        in->width = picture.width;
        in->height = picture.height;
        in->data[0] = const_cast<uint8_t*>(picture.bits);
        in->linesize[0] = picture.stride;
        in->buf[0] = av_buffer_create(in->data[0], static_cast<size_t>(picture.stride) * picture.height,
                                      [](void*, uint8_t*) {}, nullptr, AV_BUFFER_FLAG_READONLY);
        if (!in->buf[0])
            throw std::bad_alloc();
        const int scaled = sws_scale_frame(sws.get(), const_cast<AVFrame*>(frame.avFrame()), in);
        av_frame_unref(in);
        if (scaled < 0)
            throw MediaError(MediaErrorKind::writeFailed, settings.path, ffmpeg::errorText(scaled));
    }

    // The sound delivered so far, up to `until` at most; with `last`, exactly up to `until`
    // (silence where nothing arrived) and no further.
    void writeSound(double until, bool last = false)
    {
        if (!hasSound)
            return;
        std::vector<float> samples;
        {
            const auto mixing = mix.lock();
            samples = last ? mixing->mixer->takeUntil(until) : mixing->mixer->take(monotonicSeconds(), until);
        }
        if (!samples.empty())
            writer->writeAudio(samples.data(), static_cast<std::int64_t>(samples.size() / LiveAudioMixer::channels));
    }

    // Throws MediaError when the movie cannot be written.
    void encodeLoop()
    {
        const double frameSeconds = 1.0 / settings.framesPerSecond;
        while (true) {
            VideoItem item;
            {
                auto waiting = queue.lock();
                waiting.wait(queueChanged, [this](const Queue& q) {
                    return !q.frames.empty() || (q.finishing && q.convertingEnded) || quit.load();
                });
                if (quit.load())
                    return;
                if (waiting->frames.empty())
                    break;
                item = std::move(waiting->frames.front());
                waiting->frames.pop_front();
            }
            writer->writeFrame(item.frame.view(), item.time);
            // Never past the picture written: after a stop the sources still deliver while
            // a backlog of frames is encoded, and that sound would outlast the movie.
            writeSound(zero + item.time + frameSeconds);
            queue.lock()->spare.push_back(std::move(item.frame));
        }
        const double last = queue.lock()->lastFrameClock;
        // The sound ends with the last frame, however long the encoder took to get there;
        // what the sources did not deliver by then is silence.
        streams.clear();
        endSound();
        writeSound(last + frameSeconds, true);
        writer->finish();
        if (events.finished)
            events.finished();
    }

    void start()
    {
        if (settings.source)
            grabber = settings.source;
        else
            grabber = std::make_shared<X11FrameSource>(settings.area);
        if (!settings.source)
            prepareConversion(settings.area.size(), AV_PIX_FMT_BGR0);
        zero = monotonicSeconds();
        openSound();
        LiveMovieWriterSettings writerSettings;
        writerSettings.width = settings.pixelSize.width();
        writerSettings.height = settings.pixelSize.height();
        writerSettings.framesPerSecond = settings.framesPerSecond;
        if (!settings.preset.empty())
            writerSettings.preset = settings.preset;
        hasSound = mix.lock()->mixer != nullptr;
        writerSettings.audio = hasSound;
        writer = std::make_unique<LiveMovieWriter>(settings.path, writerSettings);
        // Time zero is the first frame's grab: the sound and the events count from there too.
        zero = monotonicSeconds();
        if (hasSound)
            mix.lock()->mixer = std::make_unique<LiveAudioMixer>(static_cast<int>(streams.size()), zero);
        {
            auto shared = grabs.lock();
            for (int i = 0; i < grabber->pictureCount(); ++i)
                shared->freePictures.push_back(i);
        }
        encodeThread = std::thread([this] { runEncode(); });
        convertThread = std::thread([this] { runConvert(); });
        grabThread = std::thread([this] { runGrab(); });
    }

    // Ends every thread that runs and the sound.
    void shutdown()
    {
        endGrabbing();
        if (grabThread.joinable())
            grabThread.join();
        {
            // Set under both locks, so that no waiter is between its check and its sleep.
            [[maybe_unused]] const auto grabbing = grabs.lock();
            [[maybe_unused]] const auto waiting = queue.lock();
            quit.store(true);
        }
        grabChanged.notify_all();
        queueChanged.notify_all();
        if (convertThread.joinable())
            convertThread.join();
        if (encodeThread.joinable())
            encodeThread.join();
        streams.clear();
    }
};

ScreenRecording::ScreenRecording(ScreenRecordingSettings settings, Events events)
    : m_state(std::make_unique<State>())
{
    State& s = *m_state;
    s.settings = std::move(settings);
    s.events = std::move(events);
    try {
        s.start();
    } catch (...) {
        // The state goes with the exception: its threads end first, then its streams (their
        // callbacks still running), then the mixer they fed.
        s.shutdown();
        throw;
    }
}

ScreenRecording::~ScreenRecording() { m_state->shutdown(); }

double ScreenRecording::startTime() const { return m_state->zero; }
bool ScreenRecording::hasSound() const
{
    return m_state->hasSound;
}

void ScreenRecording::finishMovie()
{
    m_state->queue.lock()->finishing = true;
    stopCapture();
}

void ScreenRecording::stopCapture()
{
    State& s = *m_state;
    s.askStop();
    if (s.grabThread.joinable())
        s.grabThread.join();
    s.queueChanged.notify_all();
}

std::int64_t ScreenRecording::framesCaptured() const { return m_state->captured.load(); }
std::int64_t ScreenRecording::framesDropped() const { return m_state->dropped.load(); }
std::int64_t ScreenRecording::ticksMissed() const { return m_state->missed.load(); }

}  // namespace sablewick

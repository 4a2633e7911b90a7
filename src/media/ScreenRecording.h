#pragma once

#include "platform/ScreenFrameSource.h"

#include <QRect>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace sablewick {

// The audio server as a recording uses it: where the system's output can be heard and a stream
// of any source. Another one stands in for it to reach what a server that half fails does.
class RecordingSound {
public:
    // Interleaved 48 kHz stereo float, with the monotonic time its first sample was captured.
    // Called on the server's thread.
    using Consumer = std::function<void(const float* samples, std::size_t frames, double capturedAt)>;
    // Delivers until destroyed; no call of its consumer runs after its destructor returns.
    class Stream {
    public:
        virtual ~Stream() = default;
    };

    virtual ~RecordingSound() = default;
    // The source that carries what the system plays, or empty when there is none. Throws PulseError.
    virtual std::string systemOutputSource() = 0;
    // Throws PulseError.
    virtual std::unique_ptr<Stream> record(const std::string& source, Consumer consumer) = 0;
    // Calls `lost` once, on the server's thread (or at once when it is gone already), when the
    // server goes away: no stream delivers anything more. Not called once the server is destroyed.
    virtual void onLost(std::function<void()> lost) = 0;
};

struct ScreenRecordingSettings {
    QRect area;          // root-window pixels of the recorded display (X11)
    // Where the pictures come from when not from the X server's `area`; any size, scaled.
    std::shared_ptr<ScreenFrameSource> source;
    QSize pixelSize;     // the movie's size (even); the area is scaled to it
    int framesPerSecond = 60;
    std::string path;    // the movie, replaced
    std::string preset;  // x264 preset; empty: the live writer's default
    bool systemAudio = false;
    bool microphone = false;
    std::string microphoneSource;  // the audio server's source name
    // Connects to the sound when some is asked for; none: the audio server the environment
    // names. Throws PulseError when there is no server.
    std::function<std::unique_ptr<RecordingSound>()> sound;
};

// One running recording of a display (X11, or another frame source): a thread grabs the display at
// the frame rate (the pointer is never in the picture), a thread encodes into a fragmented movie, and the audio
// server delivers the system's output and the microphone, mixed into one track. Frames, sound
// and time zero come from one monotonic clock.
//
// Threading: construct, finishMovie(), stopCapture() and destroy on one thread. The events run
// on the recording's own threads.
class ScreenRecording {
public:
    enum class Failure { writeFailed, diskFull };
    struct Events {
        std::function<void()> finished;
        std::function<void(Failure, const std::string& reason)> failed;
        std::function<void(const std::string& reason)> stopped;  // grabbing ended by itself
        // The audio server went away: the recording goes on, and its sound is silent from
        // `seconds` into the movie on. At most once, before `finished` or `failed`.
        std::function<void(double seconds)> soundLost;
    };

    // Opens the display, the encoders and the sound and starts the threads. With system audio
    // asked for but no audio server, the movie is made without sound. Throws X11Error,
    // MediaError, PulseError (a microphone that cannot be opened) or the frame source's error.
    ScreenRecording(ScreenRecordingSettings settings, Events events);
    // Ends every thread; a movie not finished keeps what was written.
    ~ScreenRecording();
    ScreenRecording(const ScreenRecording&) = delete;
    ScreenRecording& operator=(const ScreenRecording&) = delete;

    // Monotonic time of the first frame: the movie's time zero.
    double startTime() const;
    bool hasSound() const;

    // Stops taking frames and sound and finishes the movie on the encoding thread; `finished`
    // or `failed` follows once. Every frame grabbed before it is kept, and the picture on the
    // display at the stop is the movie's last.
    void finishMovie();
    // Stops grabbing the display and the sound.
    void stopCapture();

    // Figures for the benchmark. Any thread.
    std::int64_t framesCaptured() const;
    std::int64_t framesDropped() const;  // grabbed but not encoded: the encoder fell behind
    std::int64_t ticksMissed() const;    // frame times that passed while a grab was late

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace sablewick

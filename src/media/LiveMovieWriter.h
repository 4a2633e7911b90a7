#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <string>

namespace sablewick {

struct Yuv420View;

struct LiveMovieWriterSettings {
    int width = 0;   // even, at least 2
    int height = 0;
    int framesPerSecond = 60;       // the rate frames are expected at; their times decide
    double keyframeSeconds = 1.0;   // longest distance between keyframes (seeking in the editor)
    std::string preset = defaultPreset;
    bool audio = false;             // one AAC track, 48 kHz stereo
    int audioBitRate = 160000;

    // x264 preset chosen by measurement (bench/recording): keeps 1080p60 in real time with
    // room for the application being recorded.
    static constexpr const char* defaultPreset = "ultrafast";
    static constexpr int audioSampleRate = 48000;
    static constexpr int audioChannels = 2;
};

// Writes a movie as it is captured: H.264 frames with their own times (capture is not a
// constant-rate pull) and, optionally, sound pushed as it arrives. The file is a fragmented
// QuickTime movie, each fragment starting at a keyframe and handed to the system as soon as it
// is complete, so a process that dies leaves a movie that plays up to about the last keyframe.
// Nothing written is ever removed: a writer that fails or is destroyed unfinished keeps its file.
//
// Threading: one thread at a time (the capture's encoding thread).
class LiveMovieWriter {
public:
    // Creates (or replaces) the file and opens the encoders. Throws MediaError: notLocalFile,
    // cannotCreateFile, invalidArgument, encoderUnavailable, writeFailed, diskFull.
    LiveMovieWriter(const std::string& path, LiveMovieWriterSettings settings);
    ~LiveMovieWriter();
    LiveMovieWriter(const LiveMovieWriter&) = delete;
    LiveMovieWriter& operator=(const LiveMovieWriter&) = delete;

    // Appends a frame shown from `seconds` after the movie's start. A frame whose time is not
    // after the previous frame's is moved just after it. Throws MediaError: invalidArgument,
    // writeFailed, diskFull.
    void writeFrame(const Yuv420View& frame, double seconds);
    // Appends interleaved stereo float samples that follow the previous ones without a gap (the
    // first one at the movie's start). Throws MediaError: invalidArgument, writeFailed, diskFull.
    void writeAudio(const float* samples, std::int64_t frames);
    // Flushes the encoders and closes the file. Throws MediaError: writeFailed, diskFull.
    void finish();

    std::int64_t framesWritten() const;
    std::int64_t audioFramesWritten() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace sablewick

#pragma once
// The part every movie writer shares: the muxer and its file, the video and sound encoders with
// their streams, and the packets between them. Internal to src/media.

#include "media/FfmpegSupport.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace sablewick {

struct Yuv420View;

// How the video is encoded; the writers differ only in these values.
struct VideoEncoding {
    std::string encoder = "libx264";  // libx264 or libx265
    int width = 0;
    int height = 0;
    AVRational timeBase{1, 1};   // of the frames' times
    AVRational frameRate{1, 1};  // nominal, for the stream's header
    int keyframeInterval = 1;    // at most this many frames between keyframes
    std::optional<int> threads;  // unset: the encoder context's default
    std::int64_t bitRate = 0;    // 0: the encoder's constant quality
    std::string preset;          // an x264/x265 preset name
    std::string paramsOption;    // the encoder's own parameter option ("x264-params"), if any
    std::string params;
    std::uint32_t codecTag = 0;  // 0: the muxer's default tag
};

// A movie file being written. Every failure is a MediaError whose kind comes from the error code
// (a full file system is diskFull, whatever step ran into it) and leaves the output failed; what
// happens to the file then is the writer's choice: close() keeps it, discard() removes it.
//
// Threading: one thread at a time; stop() and failed() from any thread.
class MovieOutput {
public:
    enum class Track { video, audio };

    // Prepares a muxer ("mp4", "mov") for the local file `path`. Throws MediaError
    // (encoderUnavailable).
    MovieOutput(std::string path, const char* muxer);
    ~MovieOutput();  // closes; the file stays
    MovieOutput(const MovieOutput&) = delete;
    MovieOutput& operator=(const MovieOutput&) = delete;

    // Throws MediaError(invalidArgument) unless width × height is a size the writers take.
    static void checkSize(const std::string& path, int width, int height);
    // Whether `frame` holds planes of at least `width` pixels each (chroma half that, rounded up).
    static bool covers(const Yuv420View& frame, int width);
    // Copies `frame` into the writable 4:2:0 picture `out`, at the picture's own size.
    static void copyPicture(const Yuv420View& frame, AVFrame* out);

    // Adds the video stream (first) and a sound stream. Throw MediaError(encoderUnavailable).
    void openVideo(const VideoEncoding& encoding);
    void openAudio(int sampleRate, int channels, int bitRate);
    // Called with each video packet in the encoder's time base before it is written.
    void setVideoPacketFilter(std::function<void(AVPacket*)> filter);

    // Creates the file and writes the header. `movFlags` are the muxer's movflags; with
    // `flushEachPacket` every packet reaches the system as it is written. Throws MediaError:
    // notLocalFile, cannotCreateFile, writeFailed, diskFull.
    void createFile(const std::string& movFlags = {}, bool flushEachPacket = false);

    // Encodes one picture (its pts in the encoding's time base) and writes what the encoder
    // gives back. Throws MediaError: writeFailed, diskFull.
    void encodeVideo(AVFrame* picture);
    // Encodes `count` (at most audioFrameSize()) interleaved float samples starting at sample
    // `pts`. Throws MediaError: writeFailed, diskFull.
    void encodeAudio(const float* interleaved, int count, std::int64_t pts);
    // Flushes the encoders, writes the trailer and closes the file; after stop() it returns at
    // the next packet instead. Throws MediaError: writeFailed, diskFull.
    void finish();

    // Frees the encoders and closes the file, keeping it.
    void close();
    // Fails the output for good, closes it and removes the incomplete file.
    void discard();
    // Fails the output for good; a drain in progress on another thread ends at its next packet.
    void stop();
    // Fails the output for a reason of the writer's own, leaving the file as it is.
    void markFailed() { m_failed = true; }
    [[noreturn]] void fail(MediaErrorKind kind, const std::string& detail);

    const std::string& path() const { return m_path; }
    bool hasAudio() const { return m_audio != nullptr; }
    bool hasFile() const { return m_output && m_output->pb; }
    bool failed() const { return m_failed; }
    bool stopped() const { return m_stopped; }
    int audioChannels() const;
    int audioFrameSize() const;
    // The samples of silence the sound encoder puts before the first one it is given.
    int audioPriming() const { return m_audio ? m_audio->initial_padding : 0; }
    std::int64_t videoFramesSent() const { return m_videoFrames; }

private:
    [[noreturn]] void failWith(int code, const std::string& prefix);
    void drain(Track track);

    std::string m_path;
    ffmpeg::OutputPtr m_output;
    ffmpeg::CodecPtr m_video;
    ffmpeg::CodecPtr m_audio;
    AVStream* m_videoStream = nullptr;
    AVStream* m_audioStream = nullptr;
    ffmpeg::FramePtr m_audioFrame;
    ffmpeg::PacketPtr m_packet = ffmpeg::makePacket();
    std::function<void(AVPacket*)> m_videoPacketFilter;
    std::int64_t m_videoFrames = 0;
    std::atomic<bool> m_failed = false;
    std::atomic<bool> m_stopped = false;
};

}  // namespace sablewick

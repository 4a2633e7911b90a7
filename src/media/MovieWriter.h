#pragma once

#include "media/AudioDecoder.h"
#include "media/AudioStream.h"
#include "media/MediaTime.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <string>

namespace sablewick {

class Yuv420Frame;

enum class MovieFormat {
    mp4H264,  // MPEG-4 file, H.264 (libx264)
    movHevc,  // QuickTime file, HEVC (libx265, tagged "hvc1")
};

// A picture already converted to the writer's pixel format: YUV 4:2:0, BT.709 matrix, limited
// range (16...235), planes at the writer's size (chroma planes half width and height, rounded up).
// Only read during the call.
struct Yuv420View {
    const std::uint8_t* y = nullptr;
    const std::uint8_t* u = nullptr;
    const std::uint8_t* v = nullptr;
    int yStride = 0;
    int uStride = 0;
    int vStride = 0;
};

struct MovieWriterSettings {
    MovieFormat format = MovieFormat::mp4H264;
    int width = 0;                 // even, at least 2
    int height = 0;
    MediaTime frameRate{60, 1};
    std::int64_t videoBitRate = 0; // average bits per second; 0: the encoder's constant quality
    int keyframeInterval = 120;    // at most this many frames between keyframes
    std::string preset;            // x264/x265 preset; empty: defaultPreset(format)
    int encoderThreads = 0;        // 0: the encoder decides
    int conversionThreads = 0;     // RGB to YUV slices; 0: chosen for this machine
    int audioBitRate = 128000;     // AAC, at the audio stream's rate and channel count
    MediaCancelCheck cancel;       // polled while audio drains and while the file is finished

    // The presets chosen by measurement (bench/media): fast enough for export at 1080p60.
    static std::string defaultPreset(MovieFormat format);
};

// Encodes frames (and optionally one audio stream) into an MP4 or MOV file, BT.709 tagged and
// converted. Frame i is shown at i / frameRate. Audio is pulled from the stream as the video
// advances, so the two are interleaved in the file, and runs to the stream's own end; audio that
// cannot be encoded or written is an error, never dropped.
//
// Threading: one thread at a time; the encoder and the colour conversion use their own threads.
// The file is complete only after finish(); a writer destroyed before that removes its file.
class MovieWriter {
public:
    // Creates the file and opens the encoders. Throws MediaError: notLocalFile, cannotCreateFile,
    // invalidArgument (size, rate), encoderUnavailable, writeFailed, diskFull.
    MovieWriter(const std::string& path, MovieWriterSettings settings, std::unique_ptr<AudioStream> audio = nullptr);
    ~MovieWriter();
    MovieWriter(const MovieWriter&) = delete;
    MovieWriter& operator=(const MovieWriter&) = delete;

    // Appends one frame of exactly width × height. Fastest with Format_ARGB32_Premultiplied,
    // Format_RGB32, Format_ARGB32 or Format_RGBX8888/RGBA8888(_Premultiplied) (alpha ignored:
    // frames are opaque); other formats are converted first. Throws MediaError: invalidArgument,
    // writeFailed, diskFull, cancelled.
    void writeFrame(const QImage& frame);
    // Appends one frame that the caller converted itself (for example on its own worker threads),
    // skipping the writer's colour conversion. Throws MediaError: invalidArgument, writeFailed,
    // diskFull, cancelled.
    void writeFrame(const Yuv420View& frame);
    // Appends a frame of the writer's size without copying it: the encoder takes a reference to
    // its memory (Yuv420Frame::prepare() gives the next picture fresh memory if it still holds
    // it). Throws as above.
    void writeFrame(const Yuv420Frame& frame);
    // Writes the remaining audio, flushes the encoders and closes the file. The flush runs on a
    // thread of its own while this one polls the cancel check: a cancel ends the call at once with
    // the file removed, and the abandoned flush stops at its next packet in the background.
    // Throws MediaError: writeFailed, diskFull, cancelled.
    void finish();

    std::int64_t framesWritten() const;
    const std::string& path() const;

private:
    struct State;
    std::shared_ptr<State> m_state;  // shared with a flush that outlives a cancelled finish()
};

}  // namespace sablewick

#pragma once
// Shared plumbing of the media layer: FFmpeg handles with owners, the local-file rule and error
// texts. Internal to src/media.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "media/MediaError.h"
#include "media/MediaProbe.h"
#include "media/MediaTime.h"

#include <memory>
#include <string>

namespace sablewick::ffmpeg {

struct InputDeleter {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct OutputDeleter {
    void operator()(AVFormatContext* context) const;  // closes the file too
};
struct CodecDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct SwsDeleter {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
struct SwrDeleter {
    void operator()(SwrContext* context) const { swr_free(&context); }
};
struct DictionaryDeleter {
    void operator()(AVDictionary* dictionary) const { av_dict_free(&dictionary); }
};

using InputPtr = std::unique_ptr<AVFormatContext, InputDeleter>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputDeleter>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;

FramePtr makeFrame();
PacketPtr makePacket();

// Quiets FFmpeg's own logging once per process.
void silenceLogging();

std::string errorText(int code);
// The kind of a failure to write with this error code: a file system without room (or over the
// user's quota) is diskFull, anything else writeFailed.
MediaErrorKind writeErrorKind(int code);

// The absolute local path for a path or file:// URL. Anything else (http:, pipe:, concat:, ...)
// throws MediaError(notLocalFile): only local files are ever opened.
std::string localPath(const std::string& pathOrUrl);
// The name FFmpeg gets for a local path: "file:" forces the file protocol whatever the name holds.
std::string fileUrl(const std::string& absolutePath);

// Opens a local media file for reading with only the file protocol allowed and reads its stream
// information. Throws MediaError: notLocalFile, notFound, unreadable.
InputPtr openInput(const std::string& pathOrUrl, std::string* resolvedPath = nullptr);

// Opens the file for writing (file protocol only). Throws MediaError(cannotCreateFile), also
// when the path names something other than a regular file (a device, a pipe, a folder).
AVIOContext* openOutputFile(const std::string& absolutePath);

// Removes an incomplete output file; anything but a regular file is left alone, and a failure
// to remove is ignored.
void removePartialFile(const std::string& absolutePath);

// Gives up a writer's output for good: the writer refuses further work, lets go of what it holds
// open (its close()) and the incomplete file is removed, so that a failed or dropped export never
// leaves half a movie behind under the user's name.
template <typename WriterState>
void abandonOutput(WriterState& state)
{
    state.failed = true;
    state.close();
    removePartialFile(state.path);
}

// Flushes and closes a file opened with openOutputFile; a write error anywhere in its life
// throws MediaError (writeErrorKind of the error).
void closeOutputFile(AVIOContext** io, const std::string& absolutePath);

// A stream timestamp as an exact time.
MediaTime streamTime(std::int64_t timestamp, AVRational timeBase);
// A timestamp at or before the stream's first packet (priming packets included), to seek to
// when decoding must start from the top.
std::int64_t firstTimestamp(AVStream* stream);

// A time as a stream timestamp, rounded down so that the frame at that time is found.
std::int64_t streamTimestamp(MediaTime time, AVRational timeBase);

// Opens a decoder for one stream of an input and makes the demuxer skip every other stream.
// Throws MediaError(`missing`) when there is no decoder or it does not open.
CodecPtr openDecoder(AVFormatContext* input, int streamIndex, int threads, MediaErrorKind missing, const std::string& path);

// Reads the next packet and hands it to the decoder when it belongs to the stream. At the end of
// the input it starts the decoder's drain and returns false. A damaged packet is skipped (the
// decoder resynchronises on the next keyframe); other refusals throw MediaError(decodeFailed).
// Pictures that nothing refers to and whose showing ends before `unseenBefore` (in the stream's
// time base) are not decoded at all: a seek then pays only for the pictures its target needs.
bool feedDecoder(AVFormatContext* input, AVCodecContext* decoder, AVPacket* packet, int streamIndex, const std::string& path,
                 std::int64_t unseenBefore = AV_NOPTS_VALUE);

// Threads for work that splits well, kept modest so that the export's other stages keep cores.
int defaultThreads(int requested, int maximum);
// The most threads one picture's scale and colour conversion takes.
constexpr int maxConversionThreads = 4;

// The colour space and range a decoded picture is converted with: its own tags, else BT.709 from
// 720 rows up and BT.601 below.
struct PictureColour {
    int colorspace = 0;
    int fullRange = 0;
};
PictureColour pictureColour(const AVFrame* frame);
// The conversion of pictures of one size and pixel format to BGRA of `outWidth` x `outHeight`,
// on `threads` threads. Throws MediaError(decodeFailed) with `path` for a format it cannot take.
SwsPtr makeRgbConversion(int width, int height, int format, PictureColour colour, int outWidth, int outHeight,
                         int threads, const std::string& path);

// Tags an encoder or a picture as BT.709, limited range: what every movie we write uses.
void tagBt709(AVCodecContext* encoder);
void tagBt709(AVFrame* frame);
// A writable YUV 4:2:0 picture of that size, tagged BT.709. Throws std::bad_alloc.
FramePtr makeVideoFrame(int width, int height);

// An opened AAC encoder (planar float) and a frame of its size for it. Throws MediaError
// (encoderUnavailable) with `path`.
CodecPtr openAacEncoder(int sampleRate, int channels, int bitRate, bool globalHeader, const std::string& path);
FramePtr makeAudioFrame(const AVCodecContext* encoder);

}  // namespace sablewick::ffmpeg

namespace sablewick::media_detail {
// The MediaInfo of an open input (MediaProbe.cpp).
MediaInfo describe(const AVFormatContext* format, const std::string& path);
}  // namespace sablewick::media_detail

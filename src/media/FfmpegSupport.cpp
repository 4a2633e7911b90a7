#include "media/FfmpegSupport.h"

#include "platform/ProcessorCount.h"

extern "C" {
#include <libavutil/avstring.h>
#include <libavutil/opt.h>
#include <libavutil/channel_layout.h>
}

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <mutex>

#include <sys/stat.h>
#include <unistd.h>

namespace sablewick::ffmpeg {

__extension__ using Int128 = __int128;

void OutputDeleter::operator()(AVFormatContext* context) const
{
    if (context->pb && !(context->oformat->flags & AVFMT_NOFILE))
        avio_closep(&context->pb);
    avformat_free_context(context);
}

FramePtr makeFrame()
{
    FramePtr frame(av_frame_alloc());
    if (!frame)
        throw std::bad_alloc();
    return frame;
}

PacketPtr makePacket()
{
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        throw std::bad_alloc();
    return packet;
}

void silenceLogging()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

std::string errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

MediaErrorKind writeErrorKind(int code)
{
    return code == AVERROR(ENOSPC) || code == AVERROR(EDQUOT) ? MediaErrorKind::diskFull : MediaErrorKind::writeFailed;
}

namespace {

bool hasScheme(const std::string& text)
{
    // RFC 3986: ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) ":"
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0])))
        return false;
    for (char c : text) {
        if (c == ':')
            return true;
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return false;
}

}  // namespace

std::string localPath(const std::string& pathOrUrl)
{
    if (pathOrUrl.empty())
        throw MediaError(MediaErrorKind::notFound, pathOrUrl, "empty path");
    if (pathOrUrl.front() == '/')
        return QDir::cleanPath(QString::fromStdString(pathOrUrl)).toStdString();
    if (hasScheme(pathOrUrl)) {
        const QUrl url(QString::fromStdString(pathOrUrl));
        const bool localHost = url.host().isEmpty() || url.host() == QLatin1String("localhost");
        if (!url.isValid() || !url.isLocalFile() || !localHost)
            throw MediaError(MediaErrorKind::notLocalFile, pathOrUrl, "only local files are opened");
        return QDir::cleanPath(url.toLocalFile()).toStdString();
    }
    return QFileInfo(QString::fromStdString(pathOrUrl)).absoluteFilePath().toStdString();
}

std::string fileUrl(const std::string& absolutePath)
{
    return "file:" + absolutePath;
}

namespace {

AVDictionary* fileOnlyOptions()
{
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    return options;
}

// Playlists and lists of other files: opening one would make its entries part of an edit, so a
// file could pull in whatever else it names.
bool readsOtherFiles(const AVInputFormat* format)
{
    static const char* const kinds[] = {"hls", "concat", "dash", "sdp", "rtsp", "rtp"};
    const std::string names = format && format->name ? format->name : "";
    for (const char* kind : kinds)
        if (av_match_name(kind, names.c_str()))
            return true;
    return false;
}

}  // namespace

InputPtr openInput(const std::string& pathOrUrl, std::string* resolvedPath)
{
    silenceLogging();
    const std::string path = localPath(pathOrUrl);
    if (resolvedPath)
        *resolvedPath = path;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw MediaError(MediaErrorKind::notFound, path, "no such file");
        throw MediaError(MediaErrorKind::unreadable, path, std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode))
        throw MediaError(MediaErrorKind::unreadable, path, "not a regular file");

    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        throw std::bad_alloc();
    raw->protocol_whitelist = av_strdup("file");
    std::unique_ptr<AVDictionary, DictionaryDeleter> options(fileOnlyOptions());
    AVDictionary* optionsRaw = options.release();
    const int opened = avformat_open_input(&raw, fileUrl(path).c_str(), nullptr, &optionsRaw);
    options.reset(optionsRaw);
    if (opened < 0)  // avformat_open_input frees the context on failure
        throw MediaError(MediaErrorKind::unreadable, path, errorText(opened));
    InputPtr input(raw);
    if (readsOtherFiles(input->iformat))
        throw MediaError(MediaErrorKind::unreadable, path, "a playlist or list of other files is not opened");
    const int found = avformat_find_stream_info(input.get(), nullptr);
    if (found < 0)
        throw MediaError(MediaErrorKind::unreadable, path, errorText(found));
    return input;
}

AVIOContext* openOutputFile(const std::string& absolutePath)
{
    silenceLogging();
    struct stat info {};
    if (::stat(absolutePath.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        throw MediaError(MediaErrorKind::cannotCreateFile, absolutePath, "not a regular file");
    std::unique_ptr<AVDictionary, DictionaryDeleter> options(fileOnlyOptions());
    AVDictionary* optionsRaw = options.release();
    AVIOContext* io = nullptr;
    const int opened = avio_open2(&io, fileUrl(absolutePath).c_str(), AVIO_FLAG_WRITE, nullptr, &optionsRaw);
    options.reset(optionsRaw);
    if (opened < 0)
        throw MediaError(MediaErrorKind::cannotCreateFile, absolutePath, errorText(opened));
    return io;
}

void closeOutputFile(AVIOContext** io, const std::string& absolutePath)
{
    avio_flush(*io);
    const int earlier = (*io)->error;
    const int closed = avio_closep(io);
    const int code = earlier < 0 ? earlier : closed;
    if (code < 0)
        throw MediaError(writeErrorKind(code), absolutePath, errorText(code));
}

void removePartialFile(const std::string& absolutePath)
{
    struct stat info {};
    if (::lstat(absolutePath.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        ::unlink(absolutePath.c_str());
}

MediaTime streamTime(std::int64_t timestamp, AVRational timeBase)
{
    return MediaTime(timestamp * timeBase.num, timeBase.den);
}

std::int64_t firstTimestamp(AVStream* stream)
{
    std::int64_t first = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    if (avformat_index_get_entries_count(stream) > 0)
        first = std::min(first, avformat_index_get_entry(stream, 0)->timestamp);
    return first;
}

std::int64_t streamTimestamp(MediaTime time, AVRational timeBase)
{
    // floor(time / timeBase) = floor(value * den / (scale * num))
    const Int128 numerator = static_cast<Int128>(time.value) * timeBase.den;
    const Int128 denominator = static_cast<Int128>(time.scale) * timeBase.num;
    Int128 quotient = numerator / denominator;
    if ((numerator % denominator != 0) && ((numerator < 0) != (denominator < 0)))
        --quotient;
    return static_cast<std::int64_t>(quotient);
}

CodecPtr openDecoder(AVFormatContext* input, int streamIndex, int threads, MediaErrorKind missing, const std::string& path)
{
    for (unsigned i = 0; i < input->nb_streams; ++i)
        input->streams[i]->discard = static_cast<int>(i) == streamIndex ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    const AVStream* stream = input->streams[streamIndex];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        throw MediaError(missing, path, std::string("no decoder for ") + avcodec_get_name(stream->codecpar->codec_id));
    CodecPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder)
        throw std::bad_alloc();
    avcodec_parameters_to_context(decoder.get(), stream->codecpar);
    decoder->pkt_timebase = stream->time_base;
    decoder->thread_count = threads;
    if (threads > 1)
        decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    const int opened = avcodec_open2(decoder.get(), codec, nullptr);
    if (opened < 0)
        throw MediaError(missing, path, errorText(opened));
    return decoder;
}

namespace {

// Whether an H.264 packet holds nothing but slices of a picture that no other picture refers to
// (nal_ref_idc 0 in each), with at most access unit delimiters or filler beside them. Parameter
// sets always carry a nonzero nal_ref_idc, and a packet with anything else in it (SEI, an unknown
// unit, a malformed length) counts as a reference, so that leaving such a packet out loses
// nothing the pictures after it need.
bool isH264NonReference(const AVCodecContext* decoder, const AVPacket* packet)
{
    const std::uint8_t* data = packet->data;
    const std::size_t size = packet->size > 0 ? static_cast<std::size_t>(packet->size) : 0;
    bool slice = false;
    auto unitAllows = [&](std::uint8_t header) {
        const int type = header & 0x1f;
        if ((header & 0x60) != 0)
            return false;
        slice = slice || type == 1;
        return type == 1 || type == 9 || type == 12;
    };
    // MP4 and Matroska store units with a length in front of each; the configuration record
    // says how many bytes it has. Without one the units follow start codes.
    if (decoder->extradata_size >= 7 && decoder->extradata[0] == 1) {
        const std::size_t lengthSize = static_cast<std::size_t>(decoder->extradata[4] & 3) + 1;
        std::size_t at = 0;
        while (at < size) {
            if (size - at < lengthSize)
                return false;
            std::size_t length = 0;
            for (std::size_t i = 0; i < lengthSize; ++i)
                length = length << 8 | data[at + i];
            at += lengthSize;
            if (length == 0 || length > size - at || !unitAllows(data[at]))
                return false;
            at += length;
        }
        return slice;
    }
    for (std::size_t at = 0; at + 3 < size; ++at) {
        if (data[at] == 0 && data[at + 1] == 0 && data[at + 2] == 1) {
            if (!unitAllows(data[at + 3]))
                return false;
            at += 3;
        }
    }
    return slice;
}

}  // namespace

bool feedDecoder(AVFormatContext* input, AVCodecContext* decoder, AVPacket* packet, int streamIndex, const std::string& path,
                 std::int64_t unseenBefore)
{
    if (av_read_frame(input, packet) < 0) {
        avcodec_send_packet(decoder, nullptr);
        return false;
    }
    int sent = 0;
    if (packet->stream_index == streamIndex) {
        // The decoder reads this per packet, also on its frame threads. A picture of unknown
        // length might be the one shown at the target: it is decoded.
        const bool unseen = unseenBefore != AV_NOPTS_VALUE && packet->pts != AV_NOPTS_VALUE && packet->duration > 0
                            && packet->pts + packet->duration < unseenBefore;
        // An H.264 picture nothing refers to is not even handed over: with frame threads each
        // packet takes the next thread in turn, and one that only finds out it may skip its
        // picture still waits for that thread's previous picture and holds up the ones behind it.
        if (unseen && decoder->codec_id == AV_CODEC_ID_H264 && !(packet->flags & AV_PKT_FLAG_KEY)
            && isH264NonReference(decoder, packet)) {
            av_packet_unref(packet);
            return true;
        }
        decoder->skip_frame = unseen ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
        sent = avcodec_send_packet(decoder, packet);
    }
    av_packet_unref(packet);
    if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_INVALIDDATA)
        throw MediaError(MediaErrorKind::decodeFailed, path, errorText(sent));
    return true;
}

int defaultThreads(int requested, int maximum)
{
    if (requested > 0)
        return requested;
    return std::clamp(usableProcessorCount(), 1, maximum);
}

PictureColour pictureColour(const AVFrame* frame)
{
    PictureColour colour;
    colour.colorspace = frame->colorspace != AVCOL_SPC_UNSPECIFIED ? frame->colorspace
                        : (frame->height >= 720 ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M);
    colour.fullRange = frame->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
    return colour;
}

SwsPtr makeRgbConversion(int width, int height, int format, PictureColour colour, int outWidth, int outHeight,
                         int threads, const std::string& path)
{
    SwsPtr sws(sws_alloc_context());
    if (!sws)
        throw std::bad_alloc();
    av_opt_set_int(sws.get(), "srcw", width, 0);
    av_opt_set_int(sws.get(), "srch", height, 0);
    av_opt_set_int(sws.get(), "src_format", format, 0);
    av_opt_set_int(sws.get(), "dstw", outWidth, 0);
    av_opt_set_int(sws.get(), "dsth", outHeight, 0);
    av_opt_set_int(sws.get(), "dst_format", AV_PIX_FMT_BGRA, 0);
    av_opt_set_int(sws.get(), "sws_flags", SWS_BILINEAR, 0);
    av_opt_set_int(sws.get(), "threads", threads, 0);
    if (sws_init_context(sws.get(), nullptr, nullptr) < 0)
        throw MediaError(MediaErrorKind::decodeFailed, path, "no colour conversion for this pixel format");
    const int* coefficients = sws_getCoefficients(colour.colorspace);
    sws_setColorspaceDetails(sws.get(), coefficients, colour.fullRange, coefficients, 1, 0, 1 << 16, 1 << 16);
    return sws;
}

void tagBt709(AVCodecContext* encoder)
{
    encoder->color_primaries = AVCOL_PRI_BT709;
    encoder->color_trc = AVCOL_TRC_BT709;
    encoder->colorspace = AVCOL_SPC_BT709;
    encoder->color_range = AVCOL_RANGE_MPEG;
}

void tagBt709(AVFrame* frame)
{
    frame->color_primaries = AVCOL_PRI_BT709;
    frame->color_trc = AVCOL_TRC_BT709;
    frame->colorspace = AVCOL_SPC_BT709;
    frame->color_range = AVCOL_RANGE_MPEG;
}

FramePtr makeVideoFrame(int width, int height)
{
    FramePtr frame = makeFrame();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width;
    frame->height = height;
    tagBt709(frame.get());
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        throw std::bad_alloc();
    return frame;
}

CodecPtr openAacEncoder(int sampleRate, int channels, int bitRate, bool globalHeader, const std::string& path)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec)
        throw MediaError(MediaErrorKind::encoderUnavailable, path, "no AAC encoder");
    CodecPtr encoder(avcodec_alloc_context3(codec));
    if (!encoder)
        throw std::bad_alloc();
    encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
    encoder->sample_rate = sampleRate;
    av_channel_layout_default(&encoder->ch_layout, channels);
    encoder->bit_rate = bitRate;
    encoder->time_base = AVRational{1, sampleRate};
    if (globalHeader)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int opened = avcodec_open2(encoder.get(), codec, nullptr);
    if (opened < 0)
        throw MediaError(MediaErrorKind::encoderUnavailable, path, "audio: " + errorText(opened));
    return encoder;
}

FramePtr makeAudioFrame(const AVCodecContext* encoder)
{
    FramePtr frame = makeFrame();
    frame->format = AV_SAMPLE_FMT_FLTP;
    frame->sample_rate = encoder->sample_rate;
    av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout);
    frame->nb_samples = encoder->frame_size > 0 ? encoder->frame_size : 1024;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        throw std::bad_alloc();
    return frame;
}

}  // namespace sablewick::ffmpeg

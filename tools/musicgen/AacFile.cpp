#include "AacFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace sablewick::musicgen {

namespace {

void check(int result, const char* what)
{
    if (result < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(result, text, sizeof text);
        throw std::runtime_error(std::string(what) + ": " + text);
    }
}

struct Output {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    bool opened = false;

    ~Output()
    {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        if (format) {
            if (opened)
                avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    void drain(AVStream* stream)
    {
        while (true) {
            const int result = avcodec_receive_packet(codec, packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return;
            check(result, "encode");
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            check(av_interleaved_write_frame(format, packet), "write");
        }
    }
};

}  // namespace

void writeAacFile(const LoopBuffer& loop, const std::string& path, int bitRate)
{
    const std::string temporary = path + ".part";
    {
        Output out;
        check(avformat_alloc_output_context2(&out.format, nullptr, "ipod", temporary.c_str()),
              "output");
        const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!encoder)
            throw std::runtime_error("no AAC encoder");
        AVStream* stream = avformat_new_stream(out.format, nullptr);
        out.codec = avcodec_alloc_context3(encoder);
        if (!stream || !out.codec)
            throw std::runtime_error("out of memory");
        out.codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
        out.codec->sample_rate = loop.rate();
        av_channel_layout_default(&out.codec->ch_layout, 2);
        out.codec->bit_rate = bitRate;
        out.codec->time_base = {1, loop.rate()};
        if (out.format->oformat->flags & AVFMT_GLOBALHEADER)
            out.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        // The fast coder encodes many times faster than the default search at this bit rate,
        // with no audible loss for these soft mixes.
        av_opt_set(out.codec->priv_data, "aac_coder", "fast", 0);
        check(avcodec_open2(out.codec, encoder, nullptr), "open encoder");
        check(avcodec_parameters_from_context(stream->codecpar, out.codec), "parameters");
        stream->time_base = out.codec->time_base;
        check(avio_open(&out.format->pb, temporary.c_str(), AVIO_FLAG_WRITE), "open file");
        out.opened = true;
        // The edit list's length in samples rather than milliseconds, so that players that tile
        // the track by its stated duration keep it on the beat.
        AVDictionary* options = nullptr;
        av_dict_set_int(&options, "movie_timescale", loop.rate(), 0);
        const int written = avformat_write_header(out.format, &options);
        av_dict_free(&options);
        check(written, "header");

        out.frame = av_frame_alloc();
        out.packet = av_packet_alloc();
        if (!out.frame || !out.packet)
            throw std::runtime_error("out of memory");
        const int frameSize = out.codec->frame_size;
        const std::int64_t total = loop.frames();
        for (std::int64_t start = 0; start < total; start += frameSize) {
            const int n = int(std::min<std::int64_t>(frameSize, total - start));
            av_frame_unref(out.frame);
            out.frame->nb_samples = n;
            out.frame->format = AV_SAMPLE_FMT_FLTP;
            out.frame->sample_rate = loop.rate();
            check(av_channel_layout_copy(&out.frame->ch_layout, &out.codec->ch_layout), "layout");
            check(av_frame_get_buffer(out.frame, 0), "frame");
            auto* left = reinterpret_cast<float*>(out.frame->data[0]);
            auto* right = reinterpret_cast<float*>(out.frame->data[1]);
            for (int i = 0; i < n; ++i) {
                left[i] = loop.left()[std::size_t(start + i)];
                right[i] = loop.right()[std::size_t(start + i)];
            }
            out.frame->pts = start;
            check(avcodec_send_frame(out.codec, out.frame), "send");
            out.drain(stream);
        }
        check(avcodec_send_frame(out.codec, nullptr), "flush");
        out.drain(stream);
        check(av_write_trailer(out.format), "trailer");
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw std::runtime_error("cannot rename " + temporary);
    }
}

}  // namespace sablewick::musicgen

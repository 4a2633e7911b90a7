// Proves the FFmpeg libraries this project builds on can encode H.264 with BT.709 tags into MP4
// and decode the result; the media layer's own tests build on the same installation.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
}

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr int kFrames = 12;

void encodeClip(const std::string& path)
{
    AVFormatContext* format = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&format, nullptr, "mp4", path.c_str()), 0);
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    ASSERT_NE(codec, nullptr);
    AVStream* stream = avformat_new_stream(format, nullptr);
    AVCodecContext* enc = avcodec_alloc_context3(codec);
    enc->width = kWidth;
    enc->height = kHeight;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->time_base = {1, 30};
    enc->framerate = {30, 1};
    enc->color_primaries = AVCOL_PRI_BT709;
    enc->color_trc = AVCOL_TRC_BT709;
    enc->colorspace = AVCOL_SPC_BT709;
    enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    ASSERT_EQ(avcodec_open2(enc, codec, nullptr), 0);
    avcodec_parameters_from_context(stream->codecpar, enc);
    stream->time_base = enc->time_base;
    ASSERT_GE(avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
    ASSERT_GE(avformat_write_header(format, nullptr), 0);

    AVFrame* frame = av_frame_alloc();
    frame->width = kWidth;
    frame->height = kHeight;
    frame->format = AV_PIX_FMT_YUV420P;
    av_frame_get_buffer(frame, 0);
    AVPacket* packet = av_packet_alloc();
    auto drain = [&] {
        while (avcodec_receive_packet(enc, packet) == 0) {
            av_packet_rescale_ts(packet, enc->time_base, stream->time_base);
            packet->stream_index = stream->index;
            av_interleaved_write_frame(format, packet);
        }
    };
    for (int i = 0; i < kFrames; ++i) {
        av_frame_make_writable(frame);
        for (int y = 0; y < kHeight; ++y)
            memset(frame->data[0] + y * frame->linesize[0], 16 + i * 16, kWidth);
        for (int p = 1; p < 3; ++p)
            for (int y = 0; y < kHeight / 2; ++y)
                memset(frame->data[p] + y * frame->linesize[p], 128, kWidth / 2);
        frame->pts = i;
        ASSERT_EQ(avcodec_send_frame(enc, frame), 0);
        drain();
    }
    avcodec_send_frame(enc, nullptr);
    drain();
    av_write_trailer(format);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&enc);
    avio_closep(&format->pb);
    avformat_free_context(format);
}

TEST(FfmpegToolchainTest, EncodesAndDecodesTaggedH264Clip)
{
    av_log_set_level(AV_LOG_QUIET);
    QTemporaryDir dir;
    const std::string path = dir.filePath("clip.mp4").toStdString();
    encodeClip(path);
    if (HasFatalFailure())
        return;

    AVFormatContext* input = nullptr;
    ASSERT_EQ(avformat_open_input(&input, path.c_str(), nullptr, nullptr), 0);
    ASSERT_GE(avformat_find_stream_info(input, nullptr), 0);
    const int index = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    ASSERT_GE(index, 0);
    const AVCodecParameters* par = input->streams[index]->codecpar;
    EXPECT_EQ(par->codec_id, AV_CODEC_ID_H264);
    EXPECT_EQ(par->width, kWidth);
    EXPECT_EQ(par->height, kHeight);
    EXPECT_EQ(par->color_space, AVCOL_SPC_BT709);

    AVCodecContext* dec = avcodec_alloc_context3(avcodec_find_decoder(par->codec_id));
    avcodec_parameters_to_context(dec, par);
    ASSERT_EQ(avcodec_open2(dec, dec->codec, nullptr), 0);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::vector<int> lumas;
    auto receive = [&] {
        while (avcodec_receive_frame(dec, frame) == 0)
            lumas.push_back(frame->data[0][frame->linesize[0] * (kHeight / 2) + kWidth / 2]);
    };
    while (av_read_frame(input, packet) >= 0) {
        if (packet->stream_index == index) {
            avcodec_send_packet(dec, packet);
            receive();
        }
        av_packet_unref(packet);
    }
    avcodec_send_packet(dec, nullptr);
    receive();
    ASSERT_EQ(lumas.size(), static_cast<size_t>(kFrames));
    for (int i = 0; i < kFrames; ++i)
        EXPECT_NEAR(lumas[i], 16 + i * 16, 4) << "frame " << i;

    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&dec);
    avformat_close_input(&input);
}

}  // namespace

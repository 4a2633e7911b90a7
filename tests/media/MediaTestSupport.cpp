#include "MediaTestSupport.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libswscale/swscale.h>
}

#include <QFile>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <stdexcept>

namespace sablewick::test {

void copyWithDisplayRotation(const std::string& from, const std::string& to, double clockwise)
{
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, from.c_str(), nullptr, nullptr) < 0)
        throw std::runtime_error("cannot open " + from);
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> inputOwner(input, [](AVFormatContext* c) { avformat_close_input(&c); });
    avformat_find_stream_info(input, nullptr);
    AVFormatContext* output = nullptr;
    avformat_alloc_output_context2(&output, nullptr, "mp4", to.c_str());
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> outputOwner(output, [](AVFormatContext* c) {
        avio_closep(&c->pb);
        avformat_free_context(c);
    });
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        AVStream* stream = avformat_new_stream(output, nullptr);
        avcodec_parameters_copy(stream->codecpar, input->streams[i]->codecpar);
        stream->codecpar->codec_tag = 0;
        stream->time_base = input->streams[i]->time_base;
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            auto* matrix = reinterpret_cast<int32_t*>(av_stream_new_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, sizeof(int32_t) * 9));
            av_display_rotation_set(matrix, clockwise);
        }
    }
    if (avio_open(&output->pb, to.c_str(), AVIO_FLAG_WRITE) < 0 || avformat_write_header(output, nullptr) < 0)
        throw std::runtime_error("cannot write " + to);
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(input, packet) >= 0) {
        av_packet_rescale_ts(packet, input->streams[packet->stream_index]->time_base,
                             output->streams[packet->stream_index]->time_base);
        av_interleaved_write_frame(output, packet);
    }
    av_packet_free(&packet);
    if (av_write_trailer(output) < 0)
        throw std::runtime_error("cannot finish " + to);
}

int patternLevel(int index)
{
    return 20 + 20 * (index % 11);
}

QImage patternFrame(int width, int height, int index)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    const int level = patternLevel(index);
    image.fill(QColor(level, level, level));
    const int side = std::max(height / 6, 2);
    const int x = (index * 7) % std::max(width - side, 1);
    for (int yy = 0; yy < side; ++yy)
        for (int xx = 0; xx < side; ++xx)
            image.setPixel(x + xx, yy, qRgb(255, 255, 255));
    return image;
}

AudioBuffer tone(AudioFormat format, double seconds, double frequency, float amplitude)
{
    AudioBuffer buffer;
    buffer.format = format;
    const std::int64_t frames = format.framesFor(seconds);
    buffer.samples.resize(static_cast<std::size_t>(frames * format.channels));
    for (std::int64_t i = 0; i < frames; ++i) {
        const float value = amplitude * static_cast<float>(std::sin(2 * std::numbers::pi * frequency * static_cast<double>(i) / format.sampleRate));
        for (int c = 0; c < format.channels; ++c)
            buffer.samples[static_cast<std::size_t>(i * format.channels + c)] = value;
    }
    return buffer;
}

void writeWav(const std::string& path, const AudioBuffer& buffer, std::int64_t declaredFrames)
{
    const int channels = buffer.format.channels;
    const std::int64_t frames = declaredFrames >= 0 ? declaredFrames : buffer.frameCount();
    QByteArray data;
    auto put32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) data.append(static_cast<char>((v >> (8 * i)) & 0xff)); };
    auto put16 = [&](std::uint16_t v) { for (int i = 0; i < 2; ++i) data.append(static_cast<char>((v >> (8 * i)) & 0xff)); };
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(frames * channels * 2);
    data.append("RIFF");
    put32(36 + dataBytes);
    data.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(static_cast<std::uint16_t>(channels));
    put32(static_cast<std::uint32_t>(buffer.format.sampleRate));
    put32(static_cast<std::uint32_t>(buffer.format.sampleRate * channels * 2));
    put16(static_cast<std::uint16_t>(channels * 2));
    put16(16);
    data.append("data");
    put32(dataBytes);
    for (float s : buffer.samples)
        put16(static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767))));
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        throw std::runtime_error("cannot write " + path);
}

void writeClip(const std::string& path, MovieWriterSettings settings, int frames, const AudioBuffer* audio)
{
    std::unique_ptr<AudioStream> stream;
    if (audio)
        stream = std::make_unique<AudioBufferStream>(*audio);
    MovieWriter writer(path, settings, std::move(stream));
    for (int i = 0; i < frames; ++i)
        writer.writeFrame(patternFrame(settings.width, settings.height, i));
    writer.finish();
}

DecodedVideo decodeVideo(const std::string& path, bool keepFrames, bool keepYuv)
{
    DecodedVideo result;
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) != 0)
        throw std::runtime_error("cannot open " + path);
    avformat_find_stream_info(input, nullptr);
    result.container = input->iformat->name;
    result.duration = input->duration > 0 ? static_cast<double>(input->duration) / AV_TIME_BASE : 0;
    const int index = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) {
        avformat_close_input(&input);
        throw std::runtime_error("no video in " + path);
    }
    const int audioIndex = av_find_best_stream(input, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (audioIndex >= 0) {
        const AVCodecParameters* audio = input->streams[audioIndex]->codecpar;
        result.hasAudio = true;
        result.audioCodecId = audio->codec_id;
        result.audioRate = audio->sample_rate;
        result.audioChannels = audio->ch_layout.nb_channels;
    }
    AVStream* stream = input->streams[index];
    const AVCodecParameters* par = stream->codecpar;
    result.codecId = par->codec_id;
    result.codecTag = par->codec_tag;
    result.width = par->width;
    result.height = par->height;
    result.frameRateNum = stream->avg_frame_rate.num;
    result.frameRateDen = stream->avg_frame_rate.den;
    result.colorPrimaries = par->color_primaries;
    result.colorTrc = par->color_trc;
    result.colorSpace = par->color_space;

    AVCodecContext* decoder = avcodec_alloc_context3(avcodec_find_decoder(par->codec_id));
    avcodec_parameters_to_context(decoder, par);
    avcodec_open2(decoder, decoder->codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* sws = nullptr;
    auto receive = [&] {
        while (avcodec_receive_frame(decoder, frame) == 0) {
            result.frameTimes.push_back(static_cast<double>(frame->best_effort_timestamp) * av_q2d(stream->time_base));
            result.frameDurations.push_back(frame->pkt_duration);
            if (frame->format == AV_PIX_FMT_YUV420P && keepYuv) {
                Yuv420Image image{frame->width, frame->height, {}, {}, {}};
                const auto copyPlane = [&](int plane, int width, int height, std::vector<std::uint8_t>& to) {
                    for (int row = 0; row < height; ++row)
                        to.insert(to.end(), frame->data[plane] + row * frame->linesize[plane],
                                  frame->data[plane] + row * frame->linesize[plane] + width);
                };
                copyPlane(0, frame->width, frame->height, image.y);
                copyPlane(1, (frame->width + 1) / 2, (frame->height + 1) / 2, image.u);
                copyPlane(2, (frame->width + 1) / 2, (frame->height + 1) / 2, image.v);
                result.yuvFrames.push_back(std::move(image));
            }
            if (frame->format == AV_PIX_FMT_YUV420P) {
                result.centreLuma.push_back(frame->data[0][frame->linesize[0] * (frame->height / 2) + frame->width / 2]);
                result.centreCb.push_back(frame->data[1][frame->linesize[1] * (frame->height / 4) + frame->width / 4]);
                result.centreCr.push_back(frame->data[2][frame->linesize[2] * (frame->height / 4) + frame->width / 4]);
            }
            if (keepFrames) {
                QImage image(frame->width, frame->height, QImage::Format_RGB32);
                sws = sws_getCachedContext(sws, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                           frame->width, frame->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
                uint8_t* planes[1] = {image.bits()};
                int strides[1] = {static_cast<int>(image.bytesPerLine())};
                sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, strides);
                result.frames.push_back(image);
            }
        }
    };
    while (av_read_frame(input, packet) >= 0) {
        if (packet->stream_index == index) {
            avcodec_send_packet(decoder, packet);
            receive();
        }
        av_packet_unref(packet);
    }
    avcodec_send_packet(decoder, nullptr);
    receive();
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&input);
    return result;
}

std::optional<MediaErrorKind> errorKindOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const MediaError& error) {
        return error.kind();
    }
    return std::nullopt;
}

double psnr(const Yuv420Image& a, const Yuv420Image& b)
{
    double sum = 0;
    std::size_t count = 0;
    for (const auto plane : {&Yuv420Image::y, &Yuv420Image::u, &Yuv420Image::v}) {
        const std::vector<std::uint8_t>& p = a.*plane;
        const std::vector<std::uint8_t>& q = b.*plane;
        if (p.size() != q.size())
            return 0;
        for (std::size_t i = 0; i < p.size(); ++i) {
            const double d = double(p[i]) - double(q[i]);
            sum += d * d;
        }
        count += p.size();
    }
    const double mse = count ? sum / double(count) : 0;
    return 10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9));
}

void bt709(int r, int g, int b, double& y, double& cb, double& cr)
{
    const double rn = r / 255.0, gn = g / 255.0, bn = b / 255.0;
    const double luma = 0.2126 * rn + 0.7152 * gn + 0.0722 * bn;
    y = 16 + 219 * luma;
    cb = 128 + 224 * (bn - luma) / 1.8556;
    cr = 128 + 224 * (rn - luma) / 1.5748;
}

}  // namespace sablewick::test

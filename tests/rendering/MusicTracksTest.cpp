#include "document/MusicChoice.h"
#include "rendering/InteractionSoundtrack.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace sablewick {
namespace {

struct DecodedAudio {
    int rate = 0;
    double duration = 0;  // of the stream, as the file states it
    std::vector<float> left;
    std::vector<float> right;
};

// Decodes the whole first audio stream to planar floats (the AAC decoder's own format).
DecodedAudio decode(const std::string& path)
{
    DecodedAudio audio;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return audio;
    avformat_find_stream_info(format, nullptr);
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0) {
        avformat_close_input(&format);
        return audio;
    }
    const AVCodec* decoder = avcodec_find_decoder(format->streams[index]->codecpar->codec_id);
    AVCodecContext* codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(codec, format->streams[index]->codecpar);
    avcodec_open2(codec, decoder, nullptr);
    audio.rate = codec->sample_rate;
    const AVStream* stream = format->streams[index];
    if (stream->duration != AV_NOPTS_VALUE)
        audio.duration = double(stream->duration) * av_q2d(stream->time_base);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto receive = [&] {
        while (avcodec_receive_frame(codec, frame) == 0) {
            if (frame->format == AV_SAMPLE_FMT_FLTP && frame->ch_layout.nb_channels == 2) {
                const auto* l = reinterpret_cast<const float*>(frame->data[0]);
                const auto* r = reinterpret_cast<const float*>(frame->data[1]);
                audio.left.insert(audio.left.end(), l, l + frame->nb_samples);
                audio.right.insert(audio.right.end(), r, r + frame->nb_samples);
            }
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(codec, packet) == 0)
            receive();
        av_packet_unref(packet);
    }
    avcodec_send_packet(codec, nullptr);
    receive();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return audio;
}

// The strength of one frequency in a stretch of samples (Goertzel over a Hann window).
double strengthAt(const std::vector<float>& samples, std::size_t from, std::size_t to,
                  double frequency, int rate)
{
    const double omega = 2 * std::numbers::pi * frequency / rate;
    const double coefficient = 2 * std::cos(omega);
    double previous = 0;
    double beforePrevious = 0;
    const double n = double(to - from);
    for (std::size_t i = from; i < to; ++i) {
        const double window = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i - from) / n);
        const double current = samples[i] * window + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    return std::sqrt(previous * previous + beforePrevious * beforePrevious -
                     coefficient * previous * beforePrevious) / n;
}

class MusicTracksTest : public ::testing::TestWithParam<MusicChoice> {};

TEST_P(MusicTracksTest, TrackIsAnAudibleLoopOfWholeCyclesOnTheBarRoots)
{
    const MusicChoice track = GetParam();
    const QString path = QDir(QStringLiteral(SABLEWICK_TEST_MUSIC_DIR))
                             .filePath(Music::trackFileName(track) + QStringLiteral(".m4a"));
    ASSERT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    // The application's resource lookup finds it in the build tree.
    const auto bundled = Music::bundledURL(track);
    ASSERT_TRUE(bundled);
    EXPECT_EQ(QFileInfo(bundled->toLocalFile()).fileName(), QFileInfo(path).fileName());

    const DecodedAudio audio = decode(path.toStdString());
    ASSERT_GT(audio.rate, 0);
    ASSERT_EQ(audio.left.size(), audio.right.size());

    // A whole number of four-bar cycles, to the sample: the file's edit list trims the
    // encoder's priming and padding, so players and the export tile it without drift. (Decoding
    // frame by frame yields the last frame whole: up to 1024 samples of padding beyond it.)
    const MusicKey key = musicKey(track);
    const double barSeconds = 4 * 60.0 / key.tempo;
    const double seconds = audio.duration;
    const double cycles = seconds / (4 * barSeconds);
    EXPECT_GE(std::round(cycles), 2);
    EXPECT_NEAR(seconds, std::round(cycles) * 4 * barSeconds, 0.5 / audio.rate) << seconds;
    EXPECT_GE(double(audio.left.size()), (seconds - 0.001) * audio.rate);
    EXPECT_LE(double(audio.left.size()), (seconds + 0.001) * audio.rate + 1024);

    // Audible and not clipped.
    double energy = 0;
    float peak = 0;
    for (std::size_t i = 0; i < audio.left.size(); ++i) {
        energy += audio.left[i] * audio.left[i] + audio.right[i] * audio.right[i];
        peak = std::max({peak, std::abs(audio.left[i]), std::abs(audio.right[i])});
    }
    const double rms = std::sqrt(energy / (2.0 * double(audio.left.size())));
    EXPECT_GT(20 * std::log10(rms), -30);
    EXPECT_LE(peak, 1.0f);

    // The end runs into the start without a click: the jump across the seam stays within half the
    // largest step between neighbouring samples inside the track (a loop cut even a few samples
    // off its length jumps further).
    const auto frames = std::size_t(std::llround(std::round(cycles) * 4 * barSeconds * audio.rate));
    ASSERT_LE(frames, audio.left.size());
    double largestStep = 0;
    for (std::size_t i = 1; i < frames; ++i)
        largestStep = std::max(largestStep, double(std::abs(audio.left[i] - audio.left[i - 1])));
    EXPECT_LT(std::abs(audio.left[0] - audio.left[frames - 1]), 0.5 * largestStep);
    EXPECT_LT(std::abs(audio.right[0] - audio.right[frames - 1]), 0.5 * largestStep);

    // In every bar the bass plays that bar's root: its bass-octave note (fundamental and first
    // overtone, above the drums' thud) is stronger than those of the other bars' roots.
    const int bars = int(std::round(cycles)) * 4;
    std::vector<float> mono(audio.left.size());
    for (std::size_t i = 0; i < mono.size(); ++i)
        mono[i] = audio.left[i] + audio.right[i];
    for (int bar = 0; bar < bars; ++bar) {
        SCOPED_TRACE(bar);
        const auto from = std::size_t((bar + 0.05) * barSeconds * audio.rate);
        const auto to = std::min(std::size_t((bar + 0.95) * barSeconds * audio.rate), mono.size());
        // Summed over half-second windows, so that notes restarting in another phase add up
        // instead of cancelling.
        const auto bassNote = [&](int root) {
            const double f = InteractionSoundtrack::midiFrequency(root - 12);
            const auto window = std::size_t(audio.rate / 2);
            double sum = 0;
            for (std::size_t start = from; start + window <= to; start += window / 2) {
                sum += std::pow(strengthAt(mono, start, start + window, f, audio.rate), 2) +
                       std::pow(strengthAt(mono, start, start + window, 2 * f, audio.rate), 2);
            }
            return std::sqrt(sum);
        };
        const int root = key.roots[std::size_t(bar % 4)];
        const double own = bassNote(root);
        for (const int other : key.roots) {
            if (other % 12 == root % 12)
                continue;
            EXPECT_GT(own, 2 * bassNote(other)) << "root " << root << " against " << other;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Library, MusicTracksTest, ::testing::ValuesIn(Music::library),
                         [](const auto& info) {
                             return std::string(storedValue(info.param));
                         });

}  // namespace
}  // namespace sablewick

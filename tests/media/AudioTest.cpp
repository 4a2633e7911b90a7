#include "MediaTestSupport.h"

#include "media/AudioDecoder.h"
#include "media/AudioMix.h"
#include "media/MediaError.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <numbers>

namespace sablewick {
namespace {

constexpr AudioFormat kStereo{44100, 2};

// Rising zero crossings per second of channel 0: the frequency of a sine.
double frequencyOf(const AudioBuffer& buffer)
{
    int crossings = 0;
    const int channels = buffer.format.channels;
    for (std::int64_t i = 1; i < buffer.frameCount(); ++i)
        if (buffer.samples[static_cast<std::size_t>((i - 1) * channels)] < 0 && buffer.samples[static_cast<std::size_t>(i * channels)] >= 0)
            ++crossings;
    return crossings / buffer.duration();
}

AudioBuffer slice(const AudioBuffer& buffer, double from, double to)
{
    AudioBuffer part;
    part.format = buffer.format;
    const auto begin = static_cast<std::ptrdiff_t>(buffer.format.framesFor(from) * buffer.format.channels);
    const auto end = static_cast<std::ptrdiff_t>(buffer.format.framesFor(to) * buffer.format.channels);
    part.samples.assign(buffer.samples.begin() + begin, buffer.samples.begin() + end);
    return part;
}

AudioBuffer constant(AudioFormat format, double seconds, float value)
{
    AudioBuffer buffer;
    buffer.format = format;
    buffer.samples.assign(static_cast<std::size_t>(format.framesFor(seconds) * format.channels), value);
    return buffer;
}

class AudioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // One second at 48 kHz mono: a quiet 300 Hz tone, then a loud one.
        AudioBuffer steps = test::tone(AudioFormat{48000, 1}, 1.0, 300, 0.2f);
        for (std::size_t i = 24000; i < steps.samples.size(); ++i)
            steps.samples[i] *= 3;
        source = dir.filePath("steps.wav").toStdString();
        test::writeWav(source, steps);
    }

    QTemporaryDir dir;
    std::string source;
};

TEST_F(AudioTest, ResamplesToTheRequestedFormat)
{
    const AudioBuffer decoded = AudioDecoder::decode(source, kStereo);
    EXPECT_EQ(decoded.format, kStereo);
    EXPECT_NEAR(static_cast<double>(decoded.frameCount()), 44100, 64);
    EXPECT_NEAR(frequencyOf(decoded), 300, 2);
    EXPECT_NEAR(slice(decoded, 0.1, 0.4).rms(), 0.2 / std::sqrt(2.0), 0.005);
    EXPECT_NEAR(slice(decoded, 0.6, 0.9).rms(), 0.6 / std::sqrt(2.0), 0.01);
    // Mono is copied to both channels at full level (the levels above).
    for (std::int64_t i = 0; i < decoded.frameCount(); i += 997)
        EXPECT_FLOAT_EQ(decoded.samples[static_cast<std::size_t>(2 * i)], decoded.samples[static_cast<std::size_t>(2 * i + 1)]);
}

TEST_F(AudioTest, CutsAnExactRange)
{
    AudioDecoderOptions options;
    options.start = 0.4;
    options.duration = 0.2;
    const AudioBuffer cut = AudioDecoder::decode(source, kStereo, options);
    EXPECT_EQ(cut.frameCount(), 8820);
    // The cut crosses the step at 0.5 s: 0.1 s quiet, then 0.1 s loud.
    EXPECT_NEAR(slice(cut, 0.01, 0.09).rms(), 0.2 / std::sqrt(2.0), 0.01);
    EXPECT_NEAR(slice(cut, 0.11, 0.19).rms(), 0.6 / std::sqrt(2.0), 0.02);

    // A range past the end is padded with silence to its full length.
    options.start = 0.9;
    options.duration = 0.5;
    const AudioBuffer tail = AudioDecoder::decode(source, kStereo, options);
    EXPECT_EQ(tail.frameCount(), 22050);
    EXPECT_GT(slice(tail, 0.0, 0.09).rms(), 0.3);
    EXPECT_EQ(slice(tail, 0.11, 0.5).peak(), 0.0f);

    // A start before the track begins starts with silence.
    options.start = -0.25;
    options.duration = 0.5;
    const AudioBuffer early = AudioDecoder::decode(source, kStereo, options);
    EXPECT_EQ(early.frameCount(), 22050);
    EXPECT_EQ(slice(early, 0.0, 0.24).peak(), 0.0f);
    EXPECT_GT(slice(early, 0.26, 0.5).rms(), 0.1);
}

TEST_F(AudioTest, CutsCompressedAudioSampleExactly)
{
    // Tones in AAC: a cut must be the very samples of a full decode, not merely close to them
    // (a seek lands on a packet boundary, and the packets after it decode differently until the
    // decoder has caught up). Tonal sound, because AAC decodes noise-like bands with a random
    // generator that differs between two decodes anyway.
    AudioBuffer tones = test::tone(kStereo, 1.5, 440, 0.2f);
    for (std::size_t i = 0; i < tones.samples.size(); ++i) {
        const double t = static_cast<double>(i / 2) / kStereo.sampleRate;
        tones.samples[i] += static_cast<float>(0.15 * std::sin(2 * std::numbers::pi * 1234.5 * t) * (0.5 + 0.5 * std::sin(7 * t)));
    }
    MovieWriterSettings settings;
    settings.width = 32;
    settings.height = 32;
    settings.frameRate = MediaTime(10, 1);
    const std::string movie = dir.filePath("tones.mp4").toStdString();
    test::writeClip(movie, settings, 15, &tones);

    const AudioBuffer full = AudioDecoder::decode(movie, kStereo);
    for (const double start : {0.7, 1.13}) {
        AudioDecoderOptions options;
        options.start = start;
        options.duration = 0.3;
        const AudioBuffer cut = AudioDecoder::decode(movie, kStereo, options);
        ASSERT_EQ(cut.frameCount(), 13230);
        const std::size_t offset = static_cast<std::size_t>(kStereo.framesFor(start) * 2);
        ASSERT_LE(offset + cut.samples.size(), full.samples.size());
        for (std::size_t i = 0; i < cut.samples.size(); i += 5)
            ASSERT_NEAR(cut.samples[i], full.samples[offset + i], 1e-6) << "start " << start << " sample " << i;
    }
}

TEST_F(AudioTest, RestartsAtAnyPosition)
{
    AudioDecoderOptions options;
    options.duration = 0.1;
    AudioDecoder decoder(source, kStereo, options);
    const AudioBuffer first = readAll(decoder);
    decoder.restart(0.0);
    const AudioBuffer again = readAll(decoder);
    EXPECT_EQ(first.samples, again.samples);
    decoder.restart(0.7);
    EXPECT_NEAR(readAll(decoder).rms(), 0.6 / std::sqrt(2.0), 0.02);
}

TEST_F(AudioTest, TilesMusicEndToEnd)
{
    // 0.3 s repeats for 1 s: the last repeat is cut short, every repeat begins like the first.
    LoopedAudio looped(source, kStereo, 0.3, 1.0);
    const AudioBuffer tiled = readAll(looped);
    EXPECT_EQ(tiled.frameCount(), 44100);
    const std::int64_t period = kStereo.framesFor(0.3);
    for (std::int64_t repeat = 1; repeat <= 3; ++repeat)
        for (std::int64_t i = 0; i < 500 && repeat * period + i < tiled.frameCount(); i += 7)
            ASSERT_FLOAT_EQ(tiled.samples[static_cast<std::size_t>((repeat * period + i) * 2)], tiled.samples[static_cast<std::size_t>(i * 2)])
                << "repeat " << repeat << " frame " << i;

    // Longer music is cut at the length.
    LoopedAudio cut(source, kStereo, 1.0, 0.5);
    EXPECT_EQ(readAll(cut).frameCount(), 22050);
}

TEST_F(AudioTest, TilesLongMusicByDecodingItAgain)
{
    // Music over a minute is not held in memory; each repeat decodes the file again from its start.
    AudioBuffer marked;
    marked.format = AudioFormat{8000, 1};
    marked.samples.assign(static_cast<std::size_t>(8000 * 61), 0.0f);
    for (std::size_t i = 4000; i < 4400; ++i)
        marked.samples[i] = 0.5f;
    const std::string path = dir.filePath("long.wav").toStdString();
    test::writeWav(path, marked);
    LoopedAudio looped(path, kStereo, 61.0, 125.0);
    const AudioBuffer tiled = readAll(looped);
    ASSERT_EQ(tiled.frameCount(), kStereo.framesFor(125.0));
    for (const double marker : {0.52, 61.52, 122.52})
        EXPECT_NEAR(tiled.samples[static_cast<std::size_t>(kStereo.framesFor(marker) * 2)], 0.5f, 0.02) << marker;
    for (const double quiet : {0.7, 30.0, 61.7, 100.0, 124.0})
        EXPECT_NEAR(tiled.samples[static_cast<std::size_t>(kStereo.framesFor(quiet) * 2)], 0.0f, 0.001) << quiet;
}

TEST_F(AudioTest, TilingMusicThatDecodesToAlmostNothingEnds)
{
    // The header claims ten minutes; the file holds twelve samples.
    const std::string liar = dir.filePath("liar.wav").toStdString();
    test::writeWav(liar, test::tone(AudioFormat{44100, 2}, 12.0 / 44100, 440, 0.5f), 44100 * 600);
    const auto started = std::chrono::steady_clock::now();
    LoopedAudio claimed(liar, kStereo, 600.0, 30.0);
    std::vector<float> chunk(4096 * 2);
    std::int64_t total = 0;
    while (const std::int64_t got = claimed.read(chunk.data(), 4096))
        total += got;
    EXPECT_EQ(total, kStereo.framesFor(30.0));

    // A repeat of a single sample, tiled over ten minutes, is cheap as well.
    LoopedAudio tiny(liar, kStereo, 1.0 / 44100, 600.0);
    total = 0;
    while (const std::int64_t got = tiny.read(chunk.data(), 4096))
        total += got;
    EXPECT_EQ(total, kStereo.framesFor(600.0));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));

    EXPECT_THROW(LoopedAudio(liar, kStereo, 0.0, 1.0), MediaError);
    EXPECT_THROW(LoopedAudio(liar, kStereo, std::nan(""), 1.0), MediaError);
}

TEST(AudioMixTest, SumsVolumesAndOffsetsWithoutScalingByTheNumberOfInputs)
{
    std::vector<AudioMix::Input> inputs;
    inputs.push_back({std::make_unique<AudioBufferStream>(constant(kStereo, 1.0, 0.25f)), 1.0f, 0.0});
    inputs.push_back({std::make_unique<AudioBufferStream>(constant(kStereo, 1.0, 0.5f)), 0.5f, 0.5});
    inputs.push_back({std::make_unique<AudioBufferStream>(constant(kStereo, 0.2, 0.9f)), 1.0f, 1.2});
    AudioMix mix(kStereo, 1.5, std::move(inputs));
    EXPECT_EQ(mix.lengthInFrames(), 66150);
    const AudioBuffer out = readAll(mix);
    ASSERT_EQ(out.frameCount(), 66150);
    struct Expect {
        double at;
        float value;
    };
    const std::vector<Expect> expected = {
        {0.25, 0.25f},   // the first input alone
        {0.75, 0.5f},    // both: 0.25 + 0.5 × 0.5
        {1.1, 0.25f},    // the first has ended; the second plays on
        {1.3, 1.0f},     // 0.25 + 0.9 clipped to 1
        {1.45, 0.25f},   // the third has ended
    };
    for (const Expect& e : expected)
        EXPECT_FLOAT_EQ(out.samples[static_cast<std::size_t>(kStereo.framesFor(e.at) * 2)], e.value) << e.at;
}

TEST(AudioMixTest, PadsWithSilenceAndRejectsOtherFormats)
{
    std::vector<AudioMix::Input> inputs;
    inputs.push_back({std::make_unique<AudioBufferStream>(constant(kStereo, 0.1, 0.5f)), 1.0f, 0.0});
    AudioMix mix(kStereo, 0.5, std::move(inputs));
    const AudioBuffer out = readAll(mix);
    EXPECT_EQ(out.frameCount(), 22050);
    EXPECT_EQ(slice(out, 0.11, 0.5).peak(), 0.0f);

    std::vector<AudioMix::Input> mono;
    mono.push_back({std::make_unique<AudioBufferStream>(constant(AudioFormat{44100, 1}, 0.1, 0.5f)), 1.0f, 0.0});
    EXPECT_THROW(AudioMix(kStereo, 1.0, std::move(mono)), MediaError);
}

TEST(AudioMixTest, ClampsUserVolumes)
{
    EXPECT_FLOAT_EQ(AudioMix::clampVolume(std::nan("")), 1.0f);
    EXPECT_FLOAT_EQ(AudioMix::clampVolume(1.7), 1.0f);
    EXPECT_FLOAT_EQ(AudioMix::clampVolume(-0.2), 0.0f);
    EXPECT_FLOAT_EQ(AudioMix::clampVolume(0.28), 0.28f);
}

TEST_F(AudioTest, ReportsUnusableSources)
{
    const auto kind = test::errorKindOf;
    MovieWriterSettings settings;
    settings.width = 32;
    settings.height = 32;
    const std::string silentMovie = dir.filePath("silent.mp4").toStdString();
    test::writeClip(silentMovie, settings, 2);
    EXPECT_EQ(kind([&] { AudioDecoder(silentMovie, kStereo); }), MediaErrorKind::noAudioTrack);
    EXPECT_EQ(kind([&] { AudioDecoder(dir.filePath("none.wav").toStdString(), kStereo); }), MediaErrorKind::notFound);
    EXPECT_EQ(kind([&] { AudioDecoder("https://example.com/a.mp3", kStereo); }), MediaErrorKind::notLocalFile);
    EXPECT_EQ(kind([&] { AudioDecoder(source, AudioFormat{44100, 0}); }), MediaErrorKind::invalidArgument);
    AudioDecoderOptions cancelled;
    cancelled.cancel = [] { return true; };
    EXPECT_EQ(kind([&] { AudioDecoder::decode(source, kStereo, cancelled); }), MediaErrorKind::cancelled);
}

}  // namespace
}  // namespace sablewick

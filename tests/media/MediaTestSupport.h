#pragma once
// Fixtures for the media tests: generated pictures and sounds, and an independent decoder that
// reads what the writers made straight through FFmpeg.

#include "media/AudioStream.h"
#include "media/MediaError.h"
#include "media/MovieWriter.h"

#include <QImage>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sablewick::test {

// A picture that differs per index: a flat grey level 20 + 20 × (index mod 11) with a white
// square that walks to the right.
QImage patternFrame(int width, int height, int index);
// The grey level patternFrame() uses for an index.
int patternLevel(int index);

// A stereo sine at `frequency` and `amplitude`.
AudioBuffer tone(AudioFormat format, double seconds, double frequency, float amplitude);

// A 16-bit PCM WAV file of the buffer. `declaredFrames` overrides the length in the header
// (to make a file that claims more than it holds).
void writeWav(const std::string& path, const AudioBuffer& buffer, std::int64_t declaredFrames = -1);

// Writes a movie of `frames` pattern frames, with the audio when given.
void writeClip(const std::string& path, MovieWriterSettings settings, int frames, const AudioBuffer* audio = nullptr);

// A copy of a movie whose video track carries a display matrix, as a phone writes one, that
// shows its pictures turned `clockwise` degrees (90: the left edge on top).
void copyWithDisplayRotation(const std::string& from, const std::string& to, double clockwise);

// The three planes of a 4:2:0 picture, rows packed without padding.
struct Yuv420Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> y, u, v;
};

// Peak signal-to-noise ratio over every sample of two 4:2:0 pictures of one size, in dB.
double psnr(const Yuv420Image& a, const Yuv420Image& b);

struct DecodedVideo {
    std::string container;
    int codecId = 0;
    std::uint32_t codecTag = 0;
    int width = 0, height = 0;
    int frameRateNum = 0, frameRateDen = 1;
    int colorPrimaries = 0, colorTrc = 0, colorSpace = 0;
    double duration = 0;           // seconds, from the container
    std::vector<double> frameTimes;  // seconds
    std::vector<std::int64_t> frameDurations;  // in the stream's time base (GIF: hundredths)
    std::vector<int> centreLuma;   // Y of the centre pixel of each frame (YUV sources)
    std::vector<int> centreCb, centreCr;
    std::vector<QImage> frames;    // as RGB32, only when asked for
    std::vector<Yuv420Image> yuvFrames;  // the decoder's own planes (4:2:0 tracks), only when asked for
    bool hasAudio = false;
    int audioCodecId = 0, audioRate = 0, audioChannels = 0;
};

// Decodes every video frame of a file with FFmpeg alone.
DecodedVideo decodeVideo(const std::string& path, bool keepFrames = false, bool keepYuv = false);

// The kind of the MediaError the action throws; nullopt when it throws none.
std::optional<MediaErrorKind> errorKindOf(const std::function<void()>& action);

// Y, Cb, Cr of a full-range RGB colour under BT.709 in limited range.
void bt709(int r, int g, int b, double& y, double& cb, double& cr);

}  // namespace sablewick::test

#pragma once

#include "media/MediaTime.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sablewick {

// At most 255 opaque colours (one index of a GIF's table stays free for transparency).
struct GifPalette {
    std::vector<std::uint32_t> colors;  // 0xRRGGBB

    // Median cut over a colour histogram of the images (sampled when large), refined by a few
    // k-means passes. Images may be any size and format; alpha is ignored.
    static GifPalette fromImages(const std::vector<QImage>& images, int maxColors = 255);
};

struct GifWriterSettings {
    int width = 0;                   // 1...65535
    int height = 0;
    int loopCount = 0;               // 0: loop forever; n: repeat n more times after the first play; -1: play once
    // One palette for every frame (smaller file, no colour flicker); absent: each frame gets its
    // own palette from its own pixels.
    std::optional<GifPalette> globalPalette;
    bool dither = true;              // error diffusion (Floyd-Steinberg, serpentine)
};

// Writes an animated GIF frame by frame: only the previous frame is kept in memory. Frame delays
// are hundredths of a second rounded cumulatively from the first frame's time, so the delays sum
// to exactly round(100 × (end − first frame time)) whatever the frame rate. Unchanged pixels are
// written as transparent to keep the file small; a frame identical to the one on screen is still
// a frame of its own (a single transparent pixel), so a still stretch keeps the frame rate. A frame
// that would be shown for less than 2 hundredths (which viewers stretch to 10) is left out, the
// frame before it staying on screen instead.
//
// One thread at a time. The file is complete only after finish(); a writer destroyed before that
// removes its file.
class GifWriter {
public:
    // Throws MediaError: notLocalFile, cannotCreateFile, invalidArgument, encoderUnavailable.
    GifWriter(const std::string& path, GifWriterSettings settings);
    ~GifWriter();
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;

    // Appends a frame of exactly width × height shown from `time` until the next frame's time
    // (times must increase). Throws MediaError: invalidArgument, writeFailed.
    void writeFrame(const QImage& frame, MediaTime time);
    // Ends the last frame at `end` (after its time) and closes the file. Throws MediaError:
    // invalidArgument (no frame, or end not after the last frame), writeFailed.
    void finish(MediaTime end);

    std::int64_t framesWritten() const;  // frames kept in the file

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace sablewick

#pragma once
// Colour reduction for GIF frames: palettes by median cut refined with k-means, nearest-colour
// matching with a cache, and Floyd-Steinberg dithering. Internal to src/media.

#include <cstdint>
#include <vector>

namespace sablewick::gif {

// A weighted colour histogram on a 5-bit-per-channel grid that remembers each cell's exact mean.
class ColorHistogram {
public:
    ColorHistogram();
    void add(std::uint32_t rgb) { add(rgb, 1); }
    void add(std::uint32_t rgb, std::uint32_t weight);
    bool empty() const { return m_total == 0; }
    // At most maxColors colours (0xRRGGBB).
    std::vector<std::uint32_t> palette(int maxColors) const;

private:
    struct Cell {
        std::uint64_t r = 0, g = 0, b = 0;
        std::uint64_t count = 0;
    };
    std::vector<Cell> m_cells;
    std::uint64_t m_total = 0;
};

// Nearest palette entry by squared RGB distance, remembered per exact colour.
class PaletteMatcher {
public:
    explicit PaletteMatcher(const std::vector<std::uint32_t>& palette);
    int nearest(int r, int g, int b);
    int red(int index) const { return static_cast<int>(m_palette[static_cast<std::size_t>(index)] >> 16 & 0xff); }
    int green(int index) const { return static_cast<int>(m_palette[static_cast<std::size_t>(index)] >> 8 & 0xff); }
    int blue(int index) const { return static_cast<int>(m_palette[static_cast<std::size_t>(index)] & 0xff); }

private:
    std::vector<std::uint32_t> m_palette;
    struct Entry {
        int r, g, b, index;
    };
    std::vector<Entry> m_byGreen;  // sorted by green for an early stop
    std::vector<std::uint32_t> m_cacheKeys;
    std::vector<std::uint8_t> m_cacheValues;
};

// Maps the pixels with mask[i] != 0 to palette indices (others get `skipIndex`), optionally with
// serpentine Floyd-Steinberg error diffusion that does not cross skipped pixels.
void mapPixels(const std::uint32_t* pixels, int width, int height, const std::uint8_t* mask, PaletteMatcher& matcher,
               bool dither, std::uint8_t skipIndex, std::uint8_t* indices);

// GIF's variable-length LZW, packed into 255-byte sub-blocks and ended by the block terminator.
void encodeLzw(const std::uint8_t* indices, int width, int height, int stride, int minCodeSize,
               std::vector<std::uint8_t>& out);

}  // namespace sablewick::gif

#include "media/GifQuantizer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace sablewick::gif {

namespace {

constexpr int kKMeansPasses = 2;

int cellOf(std::uint32_t rgb)
{
    return static_cast<int>(((rgb >> 19) & 0x1f) << 10 | ((rgb >> 11) & 0x1f) << 5 | ((rgb >> 3) & 0x1f));
}

struct Point {
    double c[3];
    double weight;
};

struct Box {
    std::size_t begin, end;
    double error;  // weighted sum of squared distances from the mean
    int axis;      // the axis of largest spread
};

Box measure(std::vector<Point>& points, std::size_t begin, std::size_t end)
{
    double sum[3] = {}, squares[3] = {}, weight = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const Point& p = points[i];
        for (int a = 0; a < 3; ++a) {
            sum[a] += p.c[a] * p.weight;
            squares[a] += p.c[a] * p.c[a] * p.weight;
        }
        weight += p.weight;
    }
    Box box{begin, end, 0, 0};
    double best = -1;
    for (int a = 0; a < 3; ++a) {
        const double variance = squares[a] - sum[a] * sum[a] / std::max(weight, 1e-12);
        box.error += variance;
        if (variance > best) {
            best = variance;
            box.axis = a;
        }
    }
    if (end - begin < 2)
        box.error = 0;
    return box;
}

std::array<double, 3> meanOf(const std::vector<Point>& points, std::size_t begin, std::size_t end)
{
    std::array<double, 3> sum{};
    double weight = 0;
    for (std::size_t i = begin; i < end; ++i) {
        for (int a = 0; a < 3; ++a)
            sum[a] += points[i].c[a] * points[i].weight;
        weight += points[i].weight;
    }
    for (double& s : sum)
        s /= std::max(weight, 1e-12);
    return sum;
}

std::uint32_t pack(const std::array<double, 3>& c)
{
    auto channel = [](double v) { return static_cast<std::uint32_t>(std::clamp(std::lround(v), 0l, 255l)); };
    return channel(c[0]) << 16 | channel(c[1]) << 8 | channel(c[2]);
}

}  // namespace

ColorHistogram::ColorHistogram() : m_cells(1 << 15) {}

void ColorHistogram::add(std::uint32_t rgb, std::uint32_t weight)
{
    Cell& cell = m_cells[static_cast<std::size_t>(cellOf(rgb))];
    cell.r += static_cast<std::uint64_t>((rgb >> 16) & 0xff) * weight;
    cell.g += static_cast<std::uint64_t>((rgb >> 8) & 0xff) * weight;
    cell.b += static_cast<std::uint64_t>(rgb & 0xff) * weight;
    cell.count += weight;
    m_total += weight;
}

std::vector<std::uint32_t> ColorHistogram::palette(int maxColors) const
{
    std::vector<Point> points;
    for (const Cell& cell : m_cells) {
        if (cell.count == 0)
            continue;
        const double n = static_cast<double>(cell.count);
        points.push_back(Point{{static_cast<double>(cell.r) / n, static_cast<double>(cell.g) / n, static_cast<double>(cell.b) / n}, n});
    }
    if (points.empty() || maxColors < 1)
        return {};

    // Median cut: split the box holding the most squared error at the weighted median of its
    // widest axis until there are enough boxes.
    std::vector<Box> boxes{measure(points, 0, points.size())};
    while (static_cast<int>(boxes.size()) < maxColors) {
        auto worst = std::max_element(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) { return a.error < b.error; });
        if (worst->error <= 0)
            break;
        const Box box = *worst;
        std::sort(points.begin() + static_cast<std::ptrdiff_t>(box.begin), points.begin() + static_cast<std::ptrdiff_t>(box.end),
                  [axis = box.axis](const Point& a, const Point& b) { return a.c[axis] < b.c[axis]; });
        double total = 0;
        for (std::size_t i = box.begin; i < box.end; ++i)
            total += points[i].weight;
        double running = 0;
        std::size_t split = box.begin + 1;
        for (std::size_t i = box.begin; i < box.end - 1; ++i) {
            running += points[i].weight;
            split = i + 1;
            if (running >= total / 2)
                break;
        }
        *worst = measure(points, box.begin, split);
        boxes.push_back(measure(points, split, box.end));
    }
    std::vector<std::array<double, 3>> centres;
    for (const Box& box : boxes)
        centres.push_back(meanOf(points, box.begin, box.end));

    // A few k-means passes move each colour to the mean of the cells nearest to it.
    for (int pass = 0; pass < kKMeansPasses && centres.size() > 1; ++pass) {
        std::vector<std::array<double, 4>> sums(centres.size(), {0, 0, 0, 0});
        for (const Point& p : points) {
            std::size_t best = 0;
            double bestDistance = std::numeric_limits<double>::max();
            for (std::size_t k = 0; k < centres.size(); ++k) {
                const double dr = p.c[0] - centres[k][0], dg = p.c[1] - centres[k][1], db = p.c[2] - centres[k][2];
                const double d = dr * dr + dg * dg + db * db;
                if (d < bestDistance) {
                    bestDistance = d;
                    best = k;
                }
            }
            for (int a = 0; a < 3; ++a)
                sums[best][static_cast<std::size_t>(a)] += p.c[a] * p.weight;
            sums[best][3] += p.weight;
        }
        for (std::size_t k = 0; k < centres.size(); ++k)
            if (sums[k][3] > 0)
                centres[k] = {sums[k][0] / sums[k][3], sums[k][1] / sums[k][3], sums[k][2] / sums[k][3]};
    }

    std::vector<std::uint32_t> colors;
    for (const auto& centre : centres) {
        const std::uint32_t packed = pack(centre);
        if (std::find(colors.begin(), colors.end(), packed) == colors.end())
            colors.push_back(packed);
    }
    return colors;
}

namespace {
constexpr std::size_t kCacheSize = 1 << 16;
constexpr std::uint32_t kEmptyKey = 0xffffffffu;
}  // namespace

PaletteMatcher::PaletteMatcher(const std::vector<std::uint32_t>& palette)
    : m_palette(palette), m_cacheKeys(kCacheSize, kEmptyKey), m_cacheValues(kCacheSize, 0)
{
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const std::uint32_t c = palette[i];
        m_byGreen.push_back(Entry{static_cast<int>((c >> 16) & 0xff), static_cast<int>((c >> 8) & 0xff),
                                 static_cast<int>(c & 0xff), static_cast<int>(i)});
    }
    std::sort(m_byGreen.begin(), m_byGreen.end(), [](const Entry& a, const Entry& b) { return a.g < b.g; });
}

int PaletteMatcher::nearest(int r, int g, int b)
{
    const std::uint32_t key = static_cast<std::uint32_t>(r << 16 | g << 8 | b);
    const std::size_t slot = (key * 2654435761u) >> 16 & (kCacheSize - 1);
    if (m_cacheKeys[slot] == key)
        return m_cacheValues[slot];
    // Search outwards from the nearest green; stop once green alone is farther than the best.
    const auto start = std::lower_bound(m_byGreen.begin(), m_byGreen.end(), g, [](const Entry& e, int value) { return e.g < value; });
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    auto consider = [&](const Entry& e) {
        const int dr = e.r - r, dg = e.g - g, db = e.b - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = e.index;
        }
    };
    auto up = start;
    auto down = start;
    while (up != m_byGreen.end() || down != m_byGreen.begin()) {
        bool moved = false;
        if (up != m_byGreen.end()) {
            const int dg = up->g - g;
            if (dg * dg < bestDistance) {
                consider(*up);
                ++up;
                moved = true;
            } else {
                up = m_byGreen.end();
            }
        }
        if (down != m_byGreen.begin()) {
            const int dg = g - (down - 1)->g;
            if (dg * dg < bestDistance) {
                --down;
                consider(*down);
                moved = true;
            } else {
                down = m_byGreen.begin();
            }
        }
        if (!moved)
            break;
    }
    m_cacheKeys[slot] = key;
    m_cacheValues[slot] = static_cast<std::uint8_t>(best);
    return best;
}

void mapPixels(const std::uint32_t* pixels, int width, int height, const std::uint8_t* mask, PaletteMatcher& matcher,
               bool dither, std::uint8_t skipIndex, std::uint8_t* indices)
{
    const std::size_t w = static_cast<std::size_t>(width);
    if (!dither) {
        for (std::size_t i = 0; i < w * static_cast<std::size_t>(height); ++i) {
            const std::uint32_t c = pixels[i];
            indices[i] = mask[i] ? static_cast<std::uint8_t>(matcher.nearest((c >> 16) & 0xff, (c >> 8) & 0xff, c & 0xff)) : skipIndex;
        }
        return;
    }
    // Error shares for the current and the next row, with a pixel of margin each side. Each share
    // is truncated toward zero, so errors of a level or two die out instead of sprinkling noise
    // over flat areas (measured: higher PSNR and smaller files than full diffusion).
    std::vector<int> current((w + 2) * 3, 0), next((w + 2) * 3, 0);
    for (int y = 0; y < height; ++y) {
        const bool leftToRight = (y % 2) == 0;
        std::fill(next.begin(), next.end(), 0);
        const std::uint32_t* row = pixels + static_cast<std::size_t>(y) * w;
        const std::uint8_t* maskRow = mask + static_cast<std::size_t>(y) * w;
        std::uint8_t* out = indices + static_cast<std::size_t>(y) * w;
        for (int step = 0; step < width; ++step) {
            const int x = leftToRight ? step : width - 1 - step;
            const std::size_t e = static_cast<std::size_t>(x + 1) * 3;
            if (!maskRow[x]) {
                out[x] = skipIndex;
                continue;
            }
            const std::uint32_t c = row[x];
            const int want[3] = {
                std::clamp(static_cast<int>((c >> 16) & 0xff) + current[e], 0, 255),
                std::clamp(static_cast<int>((c >> 8) & 0xff) + current[e + 1], 0, 255),
                std::clamp(static_cast<int>(c & 0xff) + current[e + 2], 0, 255),
            };
            const int index = matcher.nearest(want[0], want[1], want[2]);
            out[x] = static_cast<std::uint8_t>(index);
            const int got[3] = {matcher.red(index), matcher.green(index), matcher.blue(index)};
            const int dir = leftToRight ? 1 : -1;
            for (int a = 0; a < 3; ++a) {
                const int error = want[a] - got[a];
                const std::size_t ahead = static_cast<std::size_t>(static_cast<int>(e) + dir * 3 + a);
                const std::size_t behind = static_cast<std::size_t>(static_cast<int>(e) - dir * 3 + a);
                current[ahead] += error * 7 / 16;
                next[behind] += error * 3 / 16;
                next[e + static_cast<std::size_t>(a)] += error * 5 / 16;
                next[ahead] += error * 1 / 16;
            }
        }
        std::swap(current, next);
    }
}

void encodeLzw(const std::uint8_t* indices, int width, int height, int stride, int minCodeSize, std::vector<std::uint8_t>& out)
{
    constexpr int kMaxCode = 4095;
    constexpr std::size_t kTableSize = 8192;
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;

    std::vector<std::int32_t> keys(kTableSize, -1);
    std::vector<std::uint16_t> codes(kTableSize, 0);
    int nextCode = endCode + 1;
    int codeSize = minCodeSize + 1;

    out.push_back(static_cast<std::uint8_t>(minCodeSize));
    std::uint8_t block[255];
    int blockLength = 0;
    std::uint32_t bits = 0;
    int bitCount = 0;
    auto flushBlock = [&] {
        if (blockLength > 0) {
            out.push_back(static_cast<std::uint8_t>(blockLength));
            out.insert(out.end(), block, block + blockLength);
            blockLength = 0;
        }
    };
    auto writeCode = [&](int code) {
        bits |= static_cast<std::uint32_t>(code) << bitCount;
        bitCount += codeSize;
        while (bitCount >= 8) {
            block[blockLength++] = static_cast<std::uint8_t>(bits & 0xff);
            bits >>= 8;
            bitCount -= 8;
            if (blockLength == 255)
                flushBlock();
        }
        // The decoder widens its codes when the next free code no longer fits.
        if (nextCode >= (1 << codeSize) && codeSize < 12)
            ++codeSize;
    };
    auto resetTable = [&] {
        std::fill(keys.begin(), keys.end(), -1);
        nextCode = endCode + 1;
        codeSize = minCodeSize + 1;
    };

    writeCode(clearCode);
    int prefix = -1;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = indices + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        for (int x = 0; x < width; ++x) {
            const int k = row[x];
            if (prefix < 0) {
                prefix = k;
                continue;
            }
            const std::int32_t key = prefix << 8 | k;
            std::size_t slot = (static_cast<std::uint32_t>(key) * 2654435761u) >> 19 & (kTableSize - 1);
            while (keys[slot] >= 0 && keys[slot] != key)
                slot = (slot + 1) & (kTableSize - 1);
            if (keys[slot] == key) {
                prefix = codes[slot];
                continue;
            }
            writeCode(prefix);
            if (nextCode < kMaxCode) {
                keys[slot] = key;
                codes[slot] = static_cast<std::uint16_t>(nextCode++);
            } else {
                writeCode(clearCode);
                resetTable();
            }
            prefix = k;
        }
    }
    if (prefix >= 0)
        writeCode(prefix);
    writeCode(endCode);
    if (bitCount > 0) {
        block[blockLength++] = static_cast<std::uint8_t>(bits & 0xff);
        if (blockLength == 255)
            flushBlock();
    }
    flushBlock();
    out.push_back(0);
}

}  // namespace sablewick::gif

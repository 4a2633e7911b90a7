#include "media/GifWriter.h"

#include "media/FfmpegSupport.h"
#include "media/GifQuantizer.h"

#include <algorithm>

namespace sablewick {

namespace {

constexpr int kMaxColors = 255;
// A histogram of about this many pixels represents a frame well; larger changes are sampled.
constexpr std::size_t kPaletteSamples = 250'000;
// Viewers show delays under 2 hundredths as 10; frames closer than that are left out.
constexpr int kMinimumDelay = 2;

// Reads any image as 0x00RRGGBB words.
QImage asRgb32(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return image;
    default:
        return image.convertToFormat(QImage::Format_RGB32);
    }
}

int tableBits(std::size_t entries)
{
    int bits = 1;
    while ((std::size_t{1} << bits) < entries)
        ++bits;
    return bits;
}

void put16(std::vector<std::uint8_t>& out, int value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xff));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xff));
}

void putTable(std::vector<std::uint8_t>& out, const std::vector<std::uint32_t>& colors, int bits)
{
    const std::size_t size = std::size_t{1} << bits;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint32_t c = i < colors.size() ? colors[i] : 0;
        out.push_back(static_cast<std::uint8_t>(c >> 16));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c));
    }
}

}  // namespace

GifPalette GifPalette::fromImages(const std::vector<QImage>& images, int maxColors)
{
    gif::ColorHistogram histogram;
    std::size_t pixels = 0;
    for (const QImage& image : images)
        pixels += static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(std::max(image.height(), 0));
    const std::size_t step = std::max<std::size_t>(1, pixels / (kPaletteSamples * 4));
    for (const QImage& original : images) {
        const QImage image = asRgb32(original);
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
            for (int x = static_cast<int>((static_cast<std::size_t>(y) * 7) % step); x < image.width(); x += static_cast<int>(step))
                histogram.add(row[x] & 0xffffff);
        }
    }
    return GifPalette{histogram.palette(std::clamp(maxColors, 1, kMaxColors))};
}

struct GifWriter::State {
    std::string path;
    GifWriterSettings settings;
    AVIOContext* io = nullptr;
    bool finished = false;
    bool failed = false;

    std::vector<std::uint32_t> shown;   // the source colour each pixel of the screen shows
    std::vector<std::uint8_t> changed;  // per pixel, scratch
    std::vector<std::uint8_t> indices;  // per pixel, scratch
    std::int64_t frames = 0;
    MediaTime firstTime;
    // The last encoded frame, waiting for its delay (known when the next frame or the end comes).
    std::vector<std::uint8_t> pending;
    bool havePending = false;
    bool pendingTransparent = false;
    int pendingTransparentIndex = 0;
    MediaTime pendingTime;
    MediaTime lastTime;  // of the last frame given, kept or not

    [[noreturn]] void fail(MediaErrorKind kind, const std::string& detail)
    {
        failed = true;
        throw MediaError(kind, path, detail);
    }

    void write(const std::vector<std::uint8_t>& bytes)
    {
        avio_write(io, bytes.data(), static_cast<int>(bytes.size()));
        if (io->error < 0)
            fail(MediaErrorKind::writeFailed, ffmpeg::errorText(io->error));
    }

    std::int64_t hundredths(MediaTime t) const { return (t - firstTime).rescaled(100); }

    void writeHeader()
    {
        std::vector<std::uint8_t> out{'G', 'I', 'F', '8', '9', 'a'};
        put16(out, settings.width);
        put16(out, settings.height);
        if (settings.globalPalette) {
            const int bits = tableBits(settings.globalPalette->colors.size() + 1);
            out.push_back(static_cast<std::uint8_t>(0x80 | (bits - 1) << 4 | (bits - 1)));
            out.push_back(0);  // background colour index
            out.push_back(0);  // no pixel aspect ratio
            putTable(out, settings.globalPalette->colors, bits);
        } else {
            out.push_back(0);
            out.push_back(0);
            out.push_back(0);
        }
        if (settings.loopCount >= 0) {
            const char application[] = "NETSCAPE2.0";
            out.insert(out.end(), {0x21, 0xff, 0x0b});
            out.insert(out.end(), application, application + 11);
            out.insert(out.end(), {0x03, 0x01});
            put16(out, std::min(settings.loopCount, 65535));
            out.push_back(0);
        }
        write(out);
    }

    void flushPending(std::int64_t delay)
    {
        std::vector<std::uint8_t> control{0x21, 0xf9, 0x04};
        // Disposal "leave in place", so later frames draw only what changed.
        control.push_back(static_cast<std::uint8_t>(1 << 2 | (pendingTransparent ? 1 : 0)));
        put16(control, static_cast<int>(std::clamp<std::int64_t>(delay, 0, 65535)));
        control.push_back(static_cast<std::uint8_t>(pendingTransparent ? pendingTransparentIndex : 0));
        control.push_back(0);
        write(control);
        write(pending);
        havePending = false;
    }

    // A frame identical to the one on screen still gets a frame of its own, so that every frame
    // given keeps its delay: one transparent pixel, which draws nothing.
    void encodeUnchanged()
    {
        const std::size_t colorCount = settings.globalPalette ? settings.globalPalette->colors.size() : 1;
        const std::uint8_t transparentIndex = static_cast<std::uint8_t>(colorCount);
        const int bits = tableBits(colorCount + 1);
        pending.clear();
        pending.push_back(0x2c);
        put16(pending, 0);
        put16(pending, 0);
        put16(pending, 1);
        put16(pending, 1);
        if (settings.globalPalette) {
            pending.push_back(0);
        } else {
            pending.push_back(static_cast<std::uint8_t>(0x80 | (bits - 1)));
            putTable(pending, {0}, bits);
        }
        gif::encodeLzw(&transparentIndex, 1, 1, 1, std::max(bits, 2), pending);
        pendingTransparent = true;
        pendingTransparentIndex = transparentIndex;
        havePending = true;
    }

    // Encodes the frame's changed pixels into `pending`.
    void encode(const QImage& image)
    {
        const int width = settings.width, height = settings.height;
        const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        const bool first = frames == 0;
        int left = width, top = height, right = -1, bottom = -1;
        std::size_t changedCount = 0;
        for (int y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
            std::uint32_t* shownRow = shown.data() + static_cast<std::size_t>(y) * width;
            std::uint8_t* changedRow = changed.data() + static_cast<std::size_t>(y) * width;
            for (int x = 0; x < width; ++x) {
                const std::uint32_t c = row[x] & 0xffffff;
                const bool differs = first || shownRow[x] != c;
                changedRow[x] = differs ? 1 : 0;
                if (differs) {
                    shownRow[x] = c;
                    ++changedCount;
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
        if (changedCount == 0) {
            encodeUnchanged();
            return;
        }

        std::vector<std::uint32_t> colors;
        if (settings.globalPalette) {
            colors = settings.globalPalette->colors;
        } else {
            gif::ColorHistogram histogram;
            const std::size_t step = std::max<std::size_t>(1, changedCount / kPaletteSamples);
            std::size_t seen = 0;
            for (std::size_t i = 0; i < count; ++i)
                if (changed[i] && (seen++ % step) == 0)
                    histogram.add(shown[i]);
            colors = histogram.palette(kMaxColors);
        }
        if (colors.empty())
            colors.push_back(0);
        const std::uint8_t transparentIndex = static_cast<std::uint8_t>(colors.size());
        gif::PaletteMatcher matcher(colors);
        const int regionWidth = right - left + 1, regionHeight = bottom - top + 1;
        // Map only the changed rectangle; `shown` holds the frame's pixels wherever they changed.
        const std::size_t offset = static_cast<std::size_t>(top) * width + static_cast<std::size_t>(left);
        std::vector<std::uint32_t> region(static_cast<std::size_t>(regionWidth) * regionHeight);
        std::vector<std::uint8_t> regionMask(region.size());
        for (int y = 0; y < regionHeight; ++y)
            for (int x = 0; x < regionWidth; ++x) {
                const std::size_t source = offset + static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x);
                region[static_cast<std::size_t>(y) * regionWidth + x] = shown[source];
                regionMask[static_cast<std::size_t>(y) * regionWidth + x] = changed[source];
            }
        indices.resize(region.size());
        gif::mapPixels(region.data(), regionWidth, regionHeight, regionMask.data(), matcher, settings.dither,
                       transparentIndex, indices.data());

        pending.clear();
        pending.push_back(0x2c);
        put16(pending, left);
        put16(pending, top);
        put16(pending, regionWidth);
        put16(pending, regionHeight);
        int bits = tableBits(colors.size() + 1);
        if (settings.globalPalette) {
            bits = tableBits(settings.globalPalette->colors.size() + 1);
            pending.push_back(0);
        } else {
            pending.push_back(static_cast<std::uint8_t>(0x80 | (bits - 1)));
            putTable(pending, colors, bits);
        }
        gif::encodeLzw(indices.data(), regionWidth, regionHeight, regionWidth, std::max(bits, 2), pending);
        pendingTransparent = changedCount < static_cast<std::size_t>(regionWidth) * regionHeight;
        pendingTransparentIndex = transparentIndex;
        havePending = true;
    }

    void close()
    {
        if (io)
            avio_closep(&io);
    }
};

GifWriter::GifWriter(const std::string& path, GifWriterSettings settings) : m_state(std::make_unique<State>())
{
    State& s = *m_state;
    ffmpeg::silenceLogging();
    s.path = ffmpeg::localPath(path);
    s.settings = std::move(settings);
    if (s.settings.width < 1 || s.settings.height < 1 || s.settings.width > 65535 || s.settings.height > 65535)
        throw MediaError(MediaErrorKind::invalidArgument, s.path, "a GIF is 1 to 65535 pixels on each side");
    if (s.settings.globalPalette) {
        auto& colors = s.settings.globalPalette->colors;
        if (colors.empty() || colors.size() > static_cast<std::size_t>(kMaxColors))
            throw MediaError(MediaErrorKind::invalidArgument, s.path, "a palette has 1 to 255 colours");
        for (std::uint32_t& c : colors)
            c &= 0xffffff;
    }
    const std::size_t count = static_cast<std::size_t>(s.settings.width) * static_cast<std::size_t>(s.settings.height);
    s.shown.assign(count, 0);
    s.changed.assign(count, 0);
    s.io = ffmpeg::openOutputFile(s.path);
    try {
        s.writeHeader();
    } catch (...) {
        ffmpeg::abandonOutput(s);
        throw;
    }
}

GifWriter::~GifWriter()
{
    if (m_state && !m_state->finished && m_state->io)
        ffmpeg::abandonOutput(*m_state);
}

void GifWriter::writeFrame(const QImage& frame, MediaTime time)
{
    State& s = *m_state;
    if (s.finished || s.failed)
        throw MediaError(MediaErrorKind::writeFailed, s.path, "the writer is closed");
    if (frame.width() != s.settings.width || frame.height() != s.settings.height)
        throw MediaError(MediaErrorKind::invalidArgument, s.path, "the frame has another size");
    if (!time.isValid())
        throw MediaError(MediaErrorKind::invalidArgument, s.path, "the frame has no time");
    if (s.frames > 0 && !(time > s.lastTime))
        throw MediaError(MediaErrorKind::invalidArgument, s.path, "frame times must increase");
    s.lastTime = time;
    if (s.frames == 0)
        s.firstTime = time;
    else if (s.hundredths(time) - s.hundredths(s.pendingTime) < kMinimumDelay)
        return;  // shown for less than a viewer can show; the next frame takes over
    if (s.havePending)
        s.flushPending(s.hundredths(time) - s.hundredths(s.pendingTime));
    s.encode(asRgb32(frame));
    s.pendingTime = time;
    ++s.frames;
}

void GifWriter::finish(MediaTime end)
{
    State& s = *m_state;
    if (s.finished)
        return;
    try {
        if (s.failed)
            throw MediaError(MediaErrorKind::writeFailed, s.path, "the writer failed earlier");
        if (s.frames == 0)
            s.fail(MediaErrorKind::invalidArgument, "no frame was written");
        if (!end.isValid() || !(end > s.lastTime))
            s.fail(MediaErrorKind::invalidArgument, "the end must come after the last frame");
        s.flushPending(std::max<std::int64_t>(s.hundredths(end) - s.hundredths(s.pendingTime), 1));
        s.write({0x3b});
        ffmpeg::closeOutputFile(&s.io, s.path);
    } catch (...) {
        ffmpeg::abandonOutput(s);
        throw;
    }
    s.finished = true;
}

std::int64_t GifWriter::framesWritten() const { return m_state->frames; }

}  // namespace sablewick

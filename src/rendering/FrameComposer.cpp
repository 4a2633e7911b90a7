#include "rendering/FrameComposer.h"

#include "rendering/Background.h"
#include "rendering/Compositor.h"
#include "rendering/GaussianBlur.h"
#include "rendering/ImageResampler.h"
#include "rendering/PointerRenderer.h"
#include "rendering/RoundedRectCoverage.h"
#include "rendering/VectorLoop.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <utility>

namespace sablewick {
namespace {

constexpr int kBandRows = 16;

double finiteOr(double value, double fallback)
{
    return std::isfinite(value) ? value : fallback;
}

// Blends `src` (premultiplied) over `dst` at coverage c256 / 256.
inline uint32_t mix(uint32_t src, uint32_t dst, uint32_t c256)
{
    const uint32_t inv = 256 - c256;
    const uint32_t rb = (((src & 0x00FF00FFu) * c256 + (dst & 0x00FF00FFu) * inv) >> 8) & 0x00FF00FFu;
    const uint32_t ag = ((((src >> 8) & 0x00FF00FFu) * c256 + ((dst >> 8) & 0x00FF00FFu) * inv)) & 0xFF00FF00u;
    return rb | ag;
}

// Premultiplied `src` over `dst`.
inline uint32_t over(uint32_t src, uint32_t dst)
{
    const uint32_t inv = 255 - (src >> 24);
    if (inv == 0)
        return src;
    auto scale = [inv](uint32_t pair) {
        uint32_t t = pair * inv + 0x00800080u;
        return ((t + ((t >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    };
    return src + (scale(dst & 0x00FF00FFu) | (scale((dst >> 8) & 0x00FF00FFu) << 8));
}

// Black at alpha[x] over dst[x]: the drop shadow.
SABLEWICK_VECTOR_LOOP void darkenRow(uint32_t* dst, const uint8_t* alpha, int count)
{
    for (int x = 0; x < count; ++x) {
        const uint32_t a = alpha[x], inv = 255 - a;
        const uint32_t rb = (dst[x] & 0x00FF00FFu) * inv + 0x00800080u;
        const uint32_t ag = ((dst[x] >> 8) & 0x00FF00FFu) * inv + 0x00800080u;
        const uint32_t scaled = (((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu)
                                | ((ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u);
        dst[x] = scaled + (a << 24);
    }
}

// Samples [x0, x1) of one row of a plane.
void copySamples(const uint8_t* from, int fromStride, uint8_t* to, int toStride, int row, int x0, int x1)
{
    if (x1 > x0)
        std::memcpy(to + std::ptrdiff_t(row) * toStride + x0, from + std::ptrdiff_t(row) * fromStride + x0, size_t(x1 - x0));
}

uint32_t coverage256(double c)
{
    return uint32_t(std::lround(c * 256));
}

// A rectangle of pixel space (y down).
struct PixelRect {
    double x = 0, y = 0, w = 0, h = 0;
};

PixelRect toPixels(const LayoutRect& r, double spaceHeight)
{
    return {r.x, spaceHeight - r.maxY(), r.width, r.height};
}

// The taps of the last frame composed on this thread, for the next frame with the same mapping
// (every frame without a zoom in motion).
struct CachedTaps {
    int first = 0, count = -1;
    double scale = 0, offset = 0;
    ResampleTaps taps;

    const ResampleTaps& get(int wantedFirst, int wantedCount, double wantedScale, double wantedOffset)
    {
        if (wantedCount != count || wantedFirst != first || wantedScale != scale || wantedOffset != offset) {
            taps = makeResampleTaps(wantedFirst, wantedCount, wantedScale, wantedOffset);
            first = wantedFirst;
            count = wantedCount;
            scale = wantedScale;
            offset = wantedOffset;
        }
        return taps;
    }
};

// The inner mask along each row of the card: its spans and the coverage of its edge pixels, kept
// from one frame to the next on each thread while the card stays where it was (every frame at
// rest), so that the rounded corners' square roots are not taken again for every frame. Edge
// pixels that the mask misses are left out, so that neither pass of the resampling makes them.
class CardEdges {
public:
    struct Row {
        RoundedRectCoverage::Span full;  // the mask's full span, as it is
        int from = 0, to = 0;            // the pixels it touches in the card's columns
        int fullFrom = 0, fullTo = 0;    // the full span inside those
        size_t coverage = 0;             // where the coverage of [from, fullFrom) and [fullTo, to) starts
    };

    void prepare(const RoundedRectCoverage& inner, int x0, int x1, int y0, int y1)
    {
        const double key[] = {inner.left, inner.top, inner.right, inner.bottom, inner.radius};
        if (std::equal(std::begin(key), std::end(key), std::begin(m_key)) && x0 == m_x0 && x1 == m_x1 && y0 == m_y0
            && y1 == m_y1)
            return;
        std::copy(std::begin(key), std::end(key), std::begin(m_key));
        m_x0 = x0;
        m_x1 = x1;
        m_y0 = y0;
        m_y1 = y1;
        m_rows.resize(size_t(std::max(y1 - y0, 0)));
        m_coverage.clear();
        for (int y = y0; y < y1; ++y) {
            Row& row = m_rows[size_t(y - y0)];
            row.full = inner.fullSpan(y);
            const RoundedRectCoverage::Span touched = inner.touchedSpan(y);
            int from = std::clamp(touched.begin, x0, x1), to = std::clamp(touched.end, from, x1);
            const int fullFrom = std::clamp(row.full.begin, from, to), fullTo = std::clamp(row.full.end, fullFrom, to);
            const auto covered = [&](int x) { return coverage256(inner.coverage(x, y)); };
            while (from < fullFrom && covered(from) == 0)
                ++from;
            while (to > fullTo && covered(to - 1) == 0)
                --to;
            row.from = from;
            row.to = to;
            row.fullFrom = fullFrom;
            row.fullTo = fullTo;
            row.coverage = m_coverage.size();
            for (int x = from; x < fullFrom; ++x)
                m_coverage.push_back(covered(x));
            for (int x = fullTo; x < to; ++x)
                m_coverage.push_back(covered(x));
        }
    }

    const Row& row(int y) const { return m_rows[size_t(y - m_y0)]; }
    const uint32_t* coverage(const Row& row) const { return m_coverage.data() + row.coverage; }

private:
    double m_key[5] = {std::nan(""), 0, 0, 0, 0};
    int m_x0 = 0, m_x1 = 0, m_y0 = 0, m_y1 = 0;
    std::vector<Row> m_rows;
    std::vector<uint32_t> m_coverage;
};

// The rows of a picture's planes that the next band of output reads, converted to RGB a chunk of
// rows at a time into a small ring instead of whole: the rows are still in the cache when the
// resampling reads them, and no frame-sized copy is held.
class ConvertedRows {
public:
    static constexpr int kChunk = 16;  // even: chunks start on whole 4:2:0 row pairs

    // `window`: the most rows read at once.
    ConvertedRows(const DecodedPicture& picture, int window)
        : m_picture(picture)
        , m_width(picture.size().width())
        , m_height(picture.size().height())
        , m_slots((std::max(window, 1) + kChunk - 1) / kChunk + 1)
    {
        thread_local std::vector<uint32_t> buffer;
        buffer.resize(size_t(m_slots) * kChunk * size_t(m_width));
        m_buffer = buffer.data();
        m_chunkIn.assign(size_t(m_slots), -1);
    }

    // Row y, valid until rows more than `window` further on are asked for.
    const uint32_t* row(int y)
    {
        thread_local PictureRowConverter converter;
        const int chunk = y / kChunk, slot = chunk % m_slots;
        uint32_t* base = m_buffer + size_t(slot) * kChunk * size_t(m_width);
        if (m_chunkIn[size_t(slot)] != chunk) {
            const int first = chunk * kChunk;
            m_picture.convertRows(first, std::min(kChunk, m_height - first), reinterpret_cast<uchar*>(base),
                                  qsizetype(m_width) * 4, converter);
            m_chunkIn[size_t(slot)] = chunk;
        }
        return base + size_t(y - chunk * kChunk) * size_t(m_width);
    }

private:
    const DecodedPicture& m_picture;
    int m_width, m_height, m_slots;
    uint32_t* m_buffer = nullptr;
    std::vector<int> m_chunkIn;  // the chunk each slot holds, -1 for none
};

}  // namespace

// What stays the same for every frame of one movie size, whatever size its pictures arrive at.
struct FrameComposer::Geometry {
    QSize movieSize;
    PixelRect frame;    // canvas pixels, before the punch-in
    PixelRect content;  // canvas pixels, before the punch-in
    double outerRadius = 0;
    double innerRadius = 0;
    bool ring = false;
    uint32_t ringColour = 0xFFFFFFFFu;
    // The blurred shadow as premultiplied black alpha (strength included), over canvas pixels
    // [shadowX, shadowX + shadowWidth) x [shadowY, shadowY + shadowHeight); empty without a shadow.
    std::vector<uint8_t> shadow;
    int shadowX = 0, shadowY = 0, shadowWidth = 0, shadowHeight = 0;
    // Without a punch-in (most frames) everything under the video is the same in every frame:
    // background, shadow and frame colour, drawn once. restX and restY are the punch offsets of
    // such a frame (pixel space).
    QImage rest;
    double restX = 0, restY = 0;
    // The same layer in 4:2:0 for the encoder's frames, made on the first such frame: around the
    // card a frame at rest is copied from it instead of converted again.
    std::vector<uint8_t> restYuv;
    Yuv420Planes restPlanes() const
    {
        const int w = rest.width(), cw = (w + 1) / 2, ch = (rest.height() + 1) / 2;
        auto* y = const_cast<uint8_t*>(restYuv.data());
        uint8_t* u = y + size_t(w) * size_t(rest.height());
        return {y, u, u + size_t(cw) * size_t(ch), w, cw, cw};
    }
};

// The part of a frame at rest that differs from the layer under the card: the card's box widened
// to whole 2 x 2 chroma blocks, so that every sample outside it is the layer's own.
struct FrameComposer::CardWindow {
    bool active = false;
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    std::shared_ptr<const Geometry> geometry;  // holds the converted layer
};

namespace {

// Draws what lies under the video in the rows of one frame: the background, the shadow and the
// frame colour, for the frame's punch-in (scale P, pixel-space offset ox, oy).
class UnderCard {
public:
    UnderCard(const FrameComposer::Geometry& g, const QImage& background, double P, double ox, double oy)
        : m_g(g)
        , m_background(background)
        , m_width(background.width())
        , m_P(P)
        , m_oy(oy)
        , m_outer(punched(g.frame, g.outerRadius, P, ox, oy))
        , m_inner(punched(g.content, g.innerRadius, P, ox, oy))
    {
        if (g.shadow.empty())
            return;
        // The shadow mask is read at the canvas pixel under each output pixel (the punch-in undone).
        m_shadowRow.resize(size_t(m_width));
        m_shadowX0 = std::clamp(int(std::floor(g.shadowX * P + ox)) - 1, 0, m_width);
        m_shadowX1 = std::clamp(int(std::ceil((g.shadowX + g.shadowWidth) * P + ox)) + 1, m_shadowX0, m_width);
        m_shadowColumn.resize(size_t(m_shadowX1 - m_shadowX0));
        for (int x = m_shadowX0; x < m_shadowX1; ++x) {
            const int c = int(std::floor((x + 0.5 - ox) / P)) - g.shadowX;
            m_shadowColumn[size_t(x - m_shadowX0)] = c >= 0 && c < g.shadowWidth ? c : -1;
        }
    }

    static RoundedRectCoverage punched(const PixelRect& r, double radius, double P, double ox, double oy)
    {
        return RoundedRectCoverage(r.x * P + ox, r.y * P + oy, (r.x + r.w) * P + ox, (r.y + r.h) * P + oy, radius * P);
    }

    const RoundedRectCoverage& outer() const { return m_outer; }
    const RoundedRectCoverage& inner() const { return m_inner; }

    // Row y into dst; pixels in [hiddenFrom, hiddenTo), which opaque video will cover, are left
    // alone (an empty range draws everything).
    void drawRow(int y, uint32_t* dst, int hiddenFrom, int hiddenTo)
    {
        const auto* background = reinterpret_cast<const uint32_t*>(m_background.constScanLine(y));
        if (hiddenTo > hiddenFrom) {
            std::memcpy(dst, background, size_t(hiddenFrom) * 4);
            std::memcpy(dst + hiddenTo, background + hiddenTo, size_t(m_width - hiddenTo) * 4);
        } else {
            std::memcpy(dst, background, size_t(m_width) * 4);
        }
        const RoundedRectCoverage::Span outerFull = m_outer.fullSpan(y);

        // Shadow, under the card; where the frame colour or opaque video covers a pixel in full it
        // is not needed.
        const int maskRow = m_shadowColumn.empty() ? -1 : int(std::floor((y + 0.5 - m_oy) / m_P)) - m_g.shadowY;
        if (maskRow >= 0 && maskRow < m_g.shadowHeight) {
            const uint8_t* mask = m_g.shadow.data() + size_t(maskRow) * size_t(m_g.shadowWidth);
            const bool covered = !outerFull.empty() && (m_g.ring || hiddenTo > hiddenFrom);
            const int skipFrom = covered ? std::clamp(outerFull.begin, m_shadowX0, m_shadowX1) : m_shadowX1;
            const int skipTo = covered ? std::clamp(outerFull.end, skipFrom, m_shadowX1) : m_shadowX1;
            shade(dst, mask, m_shadowX0, skipFrom);
            shade(dst, mask, skipTo, m_shadowX1);
        }

        // The frame colour through the outer mask.
        if (m_g.ring) {
            const RoundedRectCoverage::Span touched = m_outer.touchedSpan(y);
            const int from = std::max(touched.begin, 0), to = std::min(touched.end, m_width);
            for (int x = from; x < to; ++x) {
                if (x >= hiddenFrom && x < hiddenTo) {
                    x = hiddenTo - 1;
                    continue;
                }
                if (x >= outerFull.begin && x < outerFull.end)
                    dst[x] = m_g.ringColour;
                else if (const uint32_t c = coverage256(m_outer.coverage(x, y)))
                    dst[x] = mix(m_g.ringColour, dst[x], c);
            }
        }
    }

private:
    void shade(uint32_t* dst, const uint8_t* mask, int from, int to)
    {
        for (int x = from; x < to; ++x) {
            const int c = m_shadowColumn[size_t(x - m_shadowX0)];
            m_shadowRow[size_t(x)] = c >= 0 ? mask[c] : 0;
        }
        darkenRow(dst + from, m_shadowRow.data() + from, to - from);
    }

    const FrameComposer::Geometry& m_g;
    const QImage& m_background;
    int m_width;
    double m_P, m_oy;
    RoundedRectCoverage m_outer, m_inner;
    std::vector<int> m_shadowColumn;
    std::vector<uint8_t> m_shadowRow;
    int m_shadowX0 = 0, m_shadowX1 = 0;
};

}  // namespace

// What one frame needs, derived from the layout at its time.
struct FrameComposer::Frame {
    Compositor::Layout layout;
    double punch = 1;
    double offsetX = 0, offsetY = 0;  // pixel space: canvas pixel p lands at p * punch + offset
};

FrameComposer::FrameComposer(Scene scene, QSize renderSize, const QImage& backgroundPicture, bool transparent)
    : m_scene(std::move(scene))
    , m_size(renderSize.expandedTo(QSize(1, 1)))
{
    m_background = Compositor::makeBackground(m_size, m_scene.settings, backgroundPicture, transparent);
}

FrameComposer::FrameComposer(const FrameComposer& base, Scene scene)
    : m_scene(std::move(scene))
    , m_size(base.m_size)
    , m_background(base.m_background)
{
    if (!(m_scene.settings == base.m_scene.settings))
        throw std::invalid_argument("a composer shares its background only with one of the same settings");
    std::lock_guard lock(base.m_geometryLock);
    m_geometry = base.m_geometry;
}

FrameComposer::~FrameComposer() = default;

std::shared_ptr<const FrameComposer::Geometry> FrameComposer::geometryFor(QSize movieSize, const Frame& first,
                                                                         bool withYuv) const
{
    // Held while the geometry is built: the workers that start an export together wait for the
    // first one's result instead of each blurring the same shadow and drawing the same layer.
    std::lock_guard lock(m_geometryLock);
    const auto addYuv = [](Geometry& g) {
        const int w = g.rest.width(), h = g.rest.height();
        g.restYuv.resize(size_t(w) * size_t(h) + 2 * size_t((w + 1) / 2) * size_t((h + 1) / 2));
        std::vector<const uint32_t*> rows(static_cast<size_t>(h));
        for (int y = 0; y < h; ++y)
            rows[size_t(y)] = reinterpret_cast<const uint32_t*>(g.rest.constScanLine(y));
        convertToYuv420(rows.data(), h, w, 0, g.restPlanes());
    };
    if (m_geometry && m_geometry->movieSize == movieSize) {
        if (!withYuv || !m_geometry->restYuv.empty())
            return m_geometry;
        // Frames already composing hold the old geometry; they get the same values without it.
        auto g = std::make_shared<Geometry>(*m_geometry);
        addYuv(*g);
        m_geometry = g;
        return g;
    }
    auto g = std::make_shared<Geometry>();
    const double W = m_size.width(), H = m_size.height();
    const double unit = std::min(W, H) / 1080;
    g->movieSize = movieSize;
    g->frame = toPixels(first.layout.frameRect, H);
    g->content = toPixels(first.layout.contentRect, H);

    const double radius = std::max(finiteOr(m_scene.settings.cornerRadius, 0), 0.0) * unit;
    const double inset = std::max(finiteOr(m_scene.settings.effectiveFrameInset(), 0), 0.0) * unit;
    g->outerRadius = radius;
    g->innerRadius = std::max(m_scene.settings.effectiveBalancedCorners() ? radius - inset : radius, 0.0);
    g->ring = inset > 0;
    g->ringColour = 0xFF000000u | (m_scene.settings.effectiveFrameColor() & 0xFFFFFFu);

    const double strength = std::clamp(finiteOr(m_scene.settings.shadowStrength, 0), 0.0, 1.0);
    if (strength > 0) {
        // The card's outline moved 12 units down, blurred by 26 units.
        const double sigma = 26 * unit, drop = 12 * unit;
        const int reach = int(std::ceil(3 * sigma)) + 2;
        const RoundedRectCoverage outline(g->frame.x, g->frame.y + drop, g->frame.x + g->frame.w,
                                          g->frame.y + drop + g->frame.h, radius);
        g->shadowX = int(std::floor(outline.left)) - reach;
        g->shadowY = int(std::floor(outline.top)) - reach;
        g->shadowWidth = int(std::ceil(outline.right)) + reach - g->shadowX;
        g->shadowHeight = int(std::ceil(outline.bottom)) + reach - g->shadowY;
        std::vector<float> plane(size_t(g->shadowWidth) * size_t(g->shadowHeight));
        for (int y = 0; y < g->shadowHeight; ++y)
            for (int x = 0; x < g->shadowWidth; ++x)
                plane[size_t(y) * size_t(g->shadowWidth) + size_t(x)] =
                    float(outline.coverage(x + g->shadowX, y + g->shadowY));
        gaussianBlurPlane(plane.data(), g->shadowWidth, g->shadowHeight, sigma);
        g->shadow.resize(plane.size());
        for (size_t i = 0; i < plane.size(); ++i)
            g->shadow[i] = uint8_t(std::clamp(int(std::lround(plane[i] * strength * 255)), 0, 255));
    }

    // The punch-in offsets of a frame at rest, as the layout gives them for a scale of 1.
    const LayoutRect& frameUp = first.layout.frameRect;
    g->restX = W / 2 - frameUp.midX();
    g->restY = H - H - (H / 2 - frameUp.midY());
    g->rest = QImage(m_size, QImage::Format_ARGB32_Premultiplied);
    UnderCard under(*g, m_background, 1, g->restX, g->restY);
    for (int y = 0; y < m_size.height(); ++y)
        under.drawRow(y, reinterpret_cast<uint32_t*>(g->rest.scanLine(y)), 0, 0);
    if (withYuv)
        addYuv(*g);

    m_geometry = g;
    return g;
}

void FrameComposer::composeInto(const DecodedPicture& picture, QSize movieSize, double time, uint32_t* const* rows,
                                int bandRows, const std::function<void(int, int)>& bandDone, CardWindow* window) const
{
    const int W = m_size.width(), H = m_size.height();
    const auto copyBackground = [&](int y, uint32_t* dst) {
        std::memcpy(dst, m_background.constScanLine(y), size_t(W) * 4);
    };
    if (picture.isNull() || picture.size().isEmpty()) {
        for (int top = 0; top < H; top += bandRows) {
            const int count = std::min(bandRows, H - top);
            for (int i = 0; i < count; ++i)
                copyBackground(top + i, rows[top + i]);
            bandDone(top, count);
        }
        return;
    }

    // Frames arrive in whatever layout the decoder gave; the fast paths read 32-bit pixels. Planes
    // become opaque RGB32 rows as they are read.
    const bool planes = picture.hasPlanes();
    QImage source = picture.image();
    const QImage::Format format = source.format();
    if (!planes && format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied)
        source = source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                 : QImage::Format_RGB32);
    // An RGB32 frame's fourth byte is padding that decoders may leave at zero.
    const bool opaqueSource = planes || source.format() == QImage::Format_RGB32;
    const uint32_t alphaFill = opaqueSource ? 0xFF000000u : 0u;
    const QSize pictureSize = planes ? picture.size() : source.size();
    const int sw = pictureSize.width(), sh = pictureSize.height();
    // Everything is placed in the movie's own pixels (ew x eh); the source's pixels are those
    // scaled by sx and sy.
    if (movieSize.isEmpty())
        movieSize = pictureSize;
    const double ew = movieSize.width(), eh = movieSize.height();
    const double sx = sw / ew, sy = sh / eh;

    Frame frame;
    frame.layout = Compositor::layout(LayoutRect{0, 0, ew, eh}, QSizeF(W, H), m_scene.settings,
                                      m_scene.focusPoints, time, m_scene.pointerTrack());
    const Compositor::Layout& L = frame.layout;
    frame.punch = std::isfinite(L.punchScale) && L.punchScale > 0 ? L.punchScale : 1;
    frame.offsetX = finiteOr(L.punchOffset.x(), 0);
    frame.offsetY = H - H * frame.punch - finiteOr(L.punchOffset.y(), 0);
    const auto geometry = geometryFor(movieSize, frame, window != nullptr);
    const Geometry& g = *geometry;
    const double P = frame.punch, ox = frame.offsetX, oy = frame.offsetY;
    UnderCard under(g, m_background, P, ox, oy);
    const RoundedRectCoverage& inner = under.inner();
    // A frame without a punch-in copies the layer drawn once for all such frames.
    constexpr double kSamePlace = 1e-9;
    const bool atRest = P == 1 && std::abs(ox - g.restX) < kSamePlace && std::abs(oy - g.restY) < kSamePlace;

    // The pointer is drawn into the recording before it is cropped and zoomed, so it zooms with
    // the video. Only the rows it touches are copied and drawn on.
    std::vector<const uint32_t*> sourceRows(static_cast<size_t>(sh));
    if (!planes) {
        for (int y = 0; y < sh; ++y)
            sourceRows[size_t(y)] = reinterpret_cast<const uint32_t*>(source.constScanLine(y));
    }
    std::optional<ConvertedRows> converted;
    int pointerFirst = 0, pointerEnd = 0;  // rows that the pointer band holds
    QImage pointerBand;
    const LayoutRect extent{0, 0, ew, eh};
    if (const auto placement = PointerRenderer::placement(extent, time, m_scene.pointerTrack(), m_scene.settings,
                                                                m_scene.clickEvents())) {
        double top = placement->cursor.origin.y() + PointerRenderer::cursorImageSize * placement->cursor.scale;
        double bottom = placement->cursor.origin.y();
        if (placement->ripple) {
            const double half = PointerRenderer::rippleImageSize / 2.0 * placement->ripple->scale;
            top = std::max(top, placement->ripple->centre.y() + half);
            bottom = std::min(bottom, placement->ripple->centre.y() - half);
        }
        // y up to rows, with room for the cursor's soft shadow.
        const int firstRow = std::clamp(int(std::floor((eh - top) * sy)) - 4, 0, sh);
        const int endRow = std::clamp(int(std::ceil((eh - bottom) * sy)) + 4, 0, sh);
        if (endRow > firstRow) {
            pointerBand = QImage(sw, endRow - firstRow, QImage::Format_ARGB32_Premultiplied);
            if (planes)
                converted.emplace(picture, ConvertedRows::kChunk);
            for (int y = firstRow; y < endRow; ++y) {
                auto* dst = reinterpret_cast<uint32_t*>(pointerBand.scanLine(y - firstRow));
                const uint32_t* src = planes ? converted->row(y) : sourceRows[size_t(y)];
                for (int x = 0; x < sw; ++x)
                    dst[x] = src[x] | alphaFill;
            }
            {
                QPainter painter(&pointerBand);
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setRenderHint(QPainter::SmoothPixmapTransform);
                painter.translate(0, -firstRow);
                painter.scale(sx, sy);
                PointerRenderer::draw(painter, *placement, eh);
            }
            for (int y = firstRow; y < endRow; ++y)
                sourceRows[size_t(y)] = reinterpret_cast<const uint32_t*>(pointerBand.constScanLine(y - firstRow));
            pointerFirst = firstRow;
            pointerEnd = endRow;
        }
    }

    // Output pixel x shows source x = kx * (x + 0.5) + bx (and likewise y), both spaces y down.
    const auto inSource = [&](const LayoutRect& r) {
        const PixelRect p = toPixels(r, eh);
        return PixelRect{p.x * sx, p.y * sy, p.w * sx, p.h * sy};
    };
    const PixelRect visible = inSource(L.visibleRect);
    const PixelRect crop = inSource(L.crop);
    const double rx = g.content.w > 0 ? visible.w / g.content.w : 1;
    const double ry = g.content.h > 0 ? visible.h / g.content.h : 1;
    const double kx = rx / P, bx = visible.x - rx * (ox / P + g.content.x);
    const double ky = ry / P, by = visible.y - ry * (oy / P + g.content.y);
    const int columnMin = std::clamp(int(std::floor(crop.x)), 0, sw - 1);
    const int columnMax = std::clamp(int(std::ceil(crop.x + crop.w)), columnMin + 1, sw);
    const int rowMin = std::clamp(int(std::floor(crop.y)), 0, sh - 1);
    const int rowMax = std::clamp(int(std::ceil(crop.y + crop.h)), rowMin + 1, sh);

    const int cardX0 = std::clamp(int(std::floor(inner.left)) - 1, 0, W);
    const int cardX1 = std::clamp(int(std::ceil(inner.right)) + 1, cardX0, W);
    const int cardY0 = std::clamp(int(std::floor(inner.top)) - 1, 0, H);
    const int cardY1 = std::clamp(int(std::ceil(inner.bottom)) + 1, cardY0, H);
    const bool cardVisible = !inner.isEmpty() && cardX1 > cardX0 && cardY1 > cardY0;
    thread_local CachedTaps horizontalTaps, verticalTaps;
    static const ResampleTaps none;
    const ResampleTaps& horizontal = cardVisible ? horizontalTaps.get(cardX0, cardX1 - cardX0, kx, bx) : none;
    const ResampleTaps& vertical = cardVisible ? verticalTaps.get(cardY0, cardY1 - cardY0, ky, by) : none;
    // At rest, only the card's window need be drawn when the caller takes the rest from the layer.
    int drawX0 = 0, drawX1 = W, drawY0 = 0, drawY1 = H;
    if (window && atRest) {
        window->active = true;
        window->geometry = geometry;
        if (cardVisible) {
            window->x0 = cardX0 & ~1;
            window->x1 = std::min((cardX1 + 1) & ~1, W);
            window->y0 = cardY0 & ~1;
            window->y1 = std::min((cardY1 + 1) & ~1, H);
        }
        drawX0 = window->x0;
        drawX1 = window->x1;
        drawY0 = window->y0;
        drawY1 = window->y1;
    }
    thread_local CardEdges edges;
    if (cardVisible)
        edges.prepare(inner, cardX0, cardX1, cardY0, cardY1);
    const ResampleKernels kernels = fastResampleKernels();
    const ResampleSource sampled{sourceRows.data(), columnMin, columnMax, rowMin, rowMax, opaqueSource};
    thread_local ResampleScratch scratch;
    thread_local std::vector<uint32_t> video;
    video.resize(size_t(W));

    // The source rows that the card's rows of a band read: [first, last].
    const auto readRows = [&](int top, int count) {
        const int from = std::max({top, drawY0, cardY0}), to = std::min({top + count, drawY1, cardY1});
        if (!cardVisible || to <= from)
            return std::pair(0, -1);
        const int first = vertical.start[size_t(from - vertical.first)];
        const int last = vertical.start[size_t(to - 1 - vertical.first)] + vertical.taps - 1;
        return std::pair(std::clamp(first, rowMin, rowMax - 1), std::clamp(last, rowMin, rowMax - 1));
    };
    if (planes) {
        int window = 0;
        for (int top = 0; top < H; top += bandRows) {
            const auto [first, last] = readRows(top, std::min(bandRows, H - top));
            window = std::max(window, last - first + 1);
        }
        converted.emplace(picture, window);
    }

    for (int top = 0; top < H; top += bandRows) {
        const int count = std::min(bandRows, H - top);
        if (planes) {
            const auto [first, last] = readRows(top, count);
            for (int y = first; y <= last; ++y)
                if (y < pointerFirst || y >= pointerEnd)
                    sourceRows[size_t(y)] = converted->row(y);
        }
        for (int y = std::max(top, drawY0); y < std::min(top + count, drawY1); ++y) {
            uint32_t* dst = rows[y];
            // Where opaque video will cover the row, nothing need be drawn under it first.
            const bool cardRow = cardVisible && y >= cardY0 && y < cardY1;
            const CardEdges::Row* edge = cardRow ? &edges.row(y) : nullptr;
            int hiddenFrom = 0, hiddenTo = 0;
            if (opaqueSource && cardRow) {
                hiddenFrom = std::clamp(edge->full.begin, 0, W);
                hiddenTo = std::clamp(edge->full.end, hiddenFrom, W);
            }
            if (atRest) {
                const auto* rest = reinterpret_cast<const uint32_t*>(g.rest.constScanLine(y));
                if (hiddenTo > hiddenFrom) {
                    const int a = std::clamp(hiddenFrom, drawX0, drawX1), b = std::clamp(hiddenTo, a, drawX1);
                    std::memcpy(dst + drawX0, rest + drawX0, size_t(a - drawX0) * 4);
                    std::memcpy(dst + b, rest + b, size_t(drawX1 - b) * 4);
                } else {
                    std::memcpy(dst + drawX0, rest + drawX0, size_t(drawX1 - drawX0) * 4);
                }
            } else {
                under.drawRow(y, dst, hiddenFrom, hiddenTo);
            }

            // The recording through the inner mask.
            if (!cardRow)
                continue;
            const int from = edge->from, to = edge->to, fullFrom = edge->fullFrom, fullTo = edge->fullTo;
            if (to <= from)
                continue;
            prepareLine(sampled, horizontal, vertical, y, from, to, scratch, kernels);
            const uint32_t* coverage = edges.coverage(*edge);
            // Opaque video goes straight into the frame; the edge pixels blend through the mask.
            auto blendEdge = [&](int edgeFrom, int edgeTo) {
                filterLine(horizontal, edgeFrom, edgeTo, video.data(), scratch, kernels);
                for (int x = edgeFrom; x < edgeTo; ++x) {
                    const uint32_t v = video[size_t(x - edgeFrom)];
                    if (const uint32_t c = *coverage++)
                        dst[x] = mix(opaqueSource ? v : over(v, dst[x]), dst[x], c);
                }
            };
            blendEdge(from, fullFrom);
            if (opaqueSource) {
                filterLine(horizontal, fullFrom, fullTo, dst + fullFrom, scratch, kernels);
            } else {
                filterLine(horizontal, fullFrom, fullTo, video.data(), scratch, kernels);
                for (int x = fullFrom; x < fullTo; ++x)
                    dst[x] = over(video[size_t(x - fullFrom)], dst[x]);
            }
            blendEdge(fullTo, to);
        }
        bandDone(top, count);
    }
}

QImage FrameComposer::compose(const QImage& source, double time) const
{
    QImage target;
    compose(source, time, target);
    return target;
}

void FrameComposer::compose(const QImage& source, double time, QImage& target) const
{
    compose(source, QSize(), time, target);
}

void FrameComposer::compose(const QImage& source, QSize movieSize, double time, QImage& target) const
{
    if (target.size() != m_size
        || (target.format() != QImage::Format_ARGB32_Premultiplied && target.format() != QImage::Format_RGB32))
        target = QImage(m_size, QImage::Format_ARGB32_Premultiplied);
    std::vector<uint32_t*> rows(size_t(m_size.height()));
    for (int y = 0; y < m_size.height(); ++y)
        rows[size_t(y)] = reinterpret_cast<uint32_t*>(target.scanLine(y));
    composeInto(DecodedPicture(source), movieSize, time, rows.data(), kBandRows, [](int, int) {}, nullptr);
}

void FrameComposer::composeYuv420(const QImage& source, double time, const Yuv420Planes& planes) const
{
    composeYuv420(DecodedPicture(source), time, planes);
}

void FrameComposer::composeYuv420(const DecodedPicture& source, double time, const Yuv420Planes& planes,
                                  Yuv420Surround* surround) const
{
    // Until this frame is done the planes hold neither the old surround nor the new one.
    Yuv420Surround held;
    if (surround)
        held = std::exchange(*surround, {});
    const int W = m_size.width();
    thread_local std::vector<uint32_t> band;
    band.resize(size_t(W) * kBandRows);
    // Every band reuses the same rows of the buffer.
    std::vector<uint32_t*> rows(size_t(m_size.height()));
    for (int y = 0; y < m_size.height(); ++y)
        rows[size_t(y)] = band.data() + size_t(y % kBandRows) * size_t(W);
    CardWindow window;
    const auto copyLayer = [&](int top, int count) {
        const Yuv420Planes rest = window.geometry->restPlanes();
        const int chromaWidth = (W + 1) / 2;
        for (int y = top; y < top + count; ++y) {
            const bool inside = y >= window.y0 && y < window.y1;
            copySamples(rest.y, rest.yStride, planes.y, planes.yStride, y, 0, inside ? window.x0 : W);
            if (inside)
                copySamples(rest.y, rest.yStride, planes.y, planes.yStride, y, window.x1, W);
            if (y % 2 != 0)
                continue;
            const int c0 = inside ? window.x0 / 2 : chromaWidth, c1 = inside ? (window.x1 + 1) / 2 : chromaWidth;
            copySamples(rest.u, rest.uStride, planes.u, planes.uStride, y / 2, 0, c0);
            copySamples(rest.u, rest.uStride, planes.u, planes.uStride, y / 2, c1, chromaWidth);
            copySamples(rest.v, rest.vStride, planes.v, planes.vStride, y / 2, 0, c0);
            copySamples(rest.v, rest.vStride, planes.v, planes.vStride, y / 2, c1, chromaWidth);
        }
    };
    composeInto(source, QSize(), time, rows.data(), kBandRows, [&](int top, int count) {
        const auto* const* band = const_cast<const uint32_t* const*>(rows.data() + top);
        if (!window.active) {
            convertToYuv420(band, count, W, top, planes);
            return;
        }
        // Outside the window the frame is the layer, already converted, and perhaps already there.
        const bool there = held.geometry == window.geometry && held.x0 == window.x0 && held.x1 == window.x1
                           && held.y0 == window.y0 && held.y1 == window.y1;
        if (!there)
            copyLayer(top, count);
        const int first = std::clamp(window.y0, top, top + count), end = std::clamp(window.y1, first, top + count);
        convertColumnsToYuv420(band + (first - top), end - first, window.x0, window.x1, first, planes);
    }, &window);
    if (surround && window.active)
        *surround = {window.geometry, window.x0, window.x1, window.y0, window.y1};
}

namespace Compositor {

std::shared_ptr<const FrameComposer> make(const Scene& scene, QSize renderSize, bool transparent)
{
    const QImage picture = loadBackgroundPicture(scene.settings);
    return std::make_shared<const FrameComposer>(scene, renderSize, picture, transparent);
}

}  // namespace Compositor
}  // namespace sablewick

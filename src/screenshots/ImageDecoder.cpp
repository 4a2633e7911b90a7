#include "screenshots/ImageDecoder.h"

#include "rendering/ExportJob.h"
#include "screenshots/ScreenshotError.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

namespace sablewick::ImageDecoder {
namespace {

// Room for the largest picture at 4 bytes a pixel, with a margin; a decoder that would allocate
// more (a 16-bit picture of that size, or a header that lies) fails instead of exhausting memory.
constexpr int kDecodeLimitMegabytes = 640;
// An SVG is text: a compressed one that inflates beyond this is no drawing.
constexpr qsizetype kLargestSvgText = 16 * 1024 * 1024;
// The elements an SVG may draw once every <use> is expanded, and how deeply they may nest.
constexpr qint64 kLargestSvgElementCount = 50000;
constexpr int kDeepestSvgNesting = 256;
// An SVG is drawn in this many strips at most, the time bound and the cancel checked between them.
constexpr int kSvgStrips = 16;

[[noreturn]] void refuse()
{
    throw ScreenshotError(ScreenshotError::Kind::invalidImage);
}

qint64 pixelsOf(QSize size)
{
    return qint64(std::max(size.width(), 0)) * std::max(size.height(), 0);
}

// `size` scaled down to `longSide` on its long side (never up).
QSize fitted(QSize size, int longSide)
{
    const int longest = std::max(size.width(), size.height());
    if (longest <= longSide)
        return size;
    const double f = double(longSide) / longest;
    return QSize(std::max(int(std::lround(size.width() * f)), 1), std::max(int(std::lround(size.height() * f)), 1));
}

// The file's bytes as a device whose reads fail once the job is cancelled: decoders read as they
// go, so a cancelled decode ends at its next read.
class CancellableBuffer final : public QBuffer {
public:
    CancellableBuffer(QByteArray* bytes, const ExportJob* job)
        : QBuffer(bytes)
        , m_job(job)
    {
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_job && m_job->isCancelled())
            return -1;
        return QBuffer::readData(data, maxSize);
    }

private:
    const ExportJob* m_job;
};

// A GIF's logical screen, which its frames are drawn on: Qt's reader reports the first frame's
// size but makes a picture of the screen's.
QSize gifScreen(const QByteArray& bytes)
{
    if (bytes.size() < 10 || !(bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a")))
        return {};
    const auto byte = [&bytes](int i) { return int(static_cast<unsigned char>(bytes[i])); };
    return QSize(byte(6) | byte(7) << 8, byte(8) | byte(9) << 8);
}

// The size a raster file declares (the larger of its header's and, for a GIF, its screen), or an
// invalid size when it declares none.
QSize declaredSize(QImageReader& reader, const QByteArray& bytes)
{
    QSize size = reader.size();
    if (const QSize screen = gifScreen(bytes); screen.isValid())
        size = size.isValid() ? size.expandedTo(screen) : screen;
    return size;
}

QImage decodeRaster(QByteArray& bytes, int longSide, const ExportJob* job)
{
    CancellableBuffer buffer(&bytes, job);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize declared = declaredSize(reader, bytes);
    if (declared.isValid()) {
        // A decoder that cannot scale while it reads makes the whole picture first.
        if (!reader.supportsOption(QImageIOHandler::ScaledSize) && pixelsOf(declared) > largestPixelCount)
            refuse();
        if (std::max(declared.width(), declared.height()) > longSide)
            reader.setScaledSize(fitted(declared, longSide));
    }
    QImage image = reader.read();
    if (job)
        job->throwIfCancelled();
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        refuse();
    // What the decoder made, which the header may have understated.
    if (pixelsOf(image.size()) > largestPixelCount)
        refuse();
    if (std::max(image.width(), image.height()) > longSide)
        image = image.scaled(fitted(image.size(), longSide), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

bool isGzip(const QByteArray& bytes)
{
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1F
        && static_cast<unsigned char>(bytes[1]) == 0x8B;
}

// The text of a compressed SVG, refused when it inflates beyond the bound.
QByteArray inflated(const QByteArray& bytes)
{
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        refuse();
    QByteArray out;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    int status = Z_OK;
    while (status == Z_OK) {
        if (out.size() >= kLargestSvgText)
            break;
        const qsizetype chunk = std::min<qsizetype>(64 * 1024, kLargestSvgText - out.size());
        const qsizetype before = out.size();
        out.resize(before + chunk);
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + before);
        stream.avail_out = uInt(chunk);
        status = inflate(&stream, Z_NO_FLUSH);
        out.resize(before + chunk - qsizetype(stream.avail_out));
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END)
        refuse();
    return out;
}

// An image embedded in an SVG is decoded by the SVG renderer with no bound of ours: it must be a
// data URL of a picture no larger than the ones this decoder takes.
void checkEmbeddedImage(QStringView href)
{
    const qsizetype comma = href.indexOf(QLatin1Char(','));
    if (!href.startsWith(QLatin1String("data:"), Qt::CaseInsensitive) || comma < 0)
        refuse();
    const QStringView header = href.first(comma);
    QByteArray payload = href.mid(comma + 1).toLatin1();
    payload = header.endsWith(QLatin1String(";base64"), Qt::CaseInsensitive) ? QByteArray::fromBase64(payload.trimmed())
                                                                             : QByteArray::fromPercentEncoding(payload);
    QBuffer buffer(&payload);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize declared = declaredSize(reader, payload);
    if (!declared.isValid() || pixelsOf(declared) > largestPixelCount)
        refuse();
}

// The shape of an SVG's drawing: each element with its children and the element a <use> repeats.
struct SvgNode {
    std::vector<int> children;
    QString link;  // the id a <use> refers to
    int linked = -1;
};

struct SvgWork {
    std::vector<SvgNode> nodes;
    std::vector<qint64> count;  // elements drawn for a node, <use> expanded; -1 not yet known
    std::vector<int> height;    // nesting below a node, <use> expanded
    std::vector<bool> visiting;

    // The elements a node draws, refusing a drawing beyond the bounds or one that repeats itself.
    qint64 measure(int node, int depth)
    {
        if (depth > kDeepestSvgNesting || visiting[node])
            refuse();
        if (count[node] >= 0) {
            if (depth + height[node] > kDeepestSvgNesting)
                refuse();
            return count[node];
        }
        visiting[node] = true;
        qint64 total = 1;
        int below = 0;
        std::vector<int> next = nodes[node].children;
        if (nodes[node].linked >= 0)
            next.push_back(nodes[node].linked);
        for (const int child : next) {
            total += measure(child, depth + 1);
            below = std::max(below, height[child] + 1);
            if (total > kLargestSvgElementCount)
                refuse();
        }
        visiting[node] = false;
        count[node] = total;
        height[node] = below;
        return total;
    }
};

QStringView hrefOf(const QXmlStreamAttributes& attributes)
{
    const QStringView xlink = attributes.value(QStringLiteral("http://www.w3.org/1999/xlink"), QStringLiteral("href"));
    return xlink.isEmpty() ? attributes.value(QStringLiteral("href")) : xlink;
}

// Refuses an SVG whose drawing is beyond the bounds, before any of it is drawn.
void checkSvg(const QByteArray& text)
{
    SvgWork work;
    QHash<QString, int> ids;
    std::vector<int> open;
    QXmlStreamReader xml(text);
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && !open.empty()) {
            open.pop_back();
        } else if (token == QXmlStreamReader::StartElement) {
            const int index = int(work.nodes.size());
            if (index >= kLargestSvgElementCount || int(open.size()) >= kDeepestSvgNesting)
                refuse();
            work.nodes.emplace_back();
            if (!open.empty())
                work.nodes[std::size_t(open.back())].children.push_back(index);
            open.push_back(index);
            const QXmlStreamAttributes attributes = xml.attributes();
            if (const QStringView id = attributes.value(QStringLiteral("id"));
                !id.isEmpty() && !ids.contains(id.toString()))
                ids.insert(id.toString(), index);
            const QStringView name = xml.name();
            if (name == QLatin1String("use")) {
                const QStringView href = hrefOf(attributes);
                if (href.startsWith(QLatin1Char('#')))
                    work.nodes.back().link = href.mid(1).toString();
            } else if (name == QLatin1String("image")) {
                checkEmbeddedImage(hrefOf(attributes));
            }
        }
    }
    if (xml.hasError() || work.nodes.empty())
        refuse();
    for (SvgNode& node : work.nodes)
        node.linked = node.link.isEmpty() ? -1 : ids.value(node.link, -1);
    work.count.assign(work.nodes.size(), -1);
    work.height.assign(work.nodes.size(), 0);
    work.visiting.assign(work.nodes.size(), false);
    work.measure(0, 0);
}

QImage decodeSvg(const QByteArray& bytes, int longSide, const ExportJob* job)
{
    const QByteArray text = isGzip(bytes) ? inflated(bytes) : bytes;
    checkSvg(text);
    QSvgRenderer renderer(text);
    const QSize natural = renderer.defaultSize();
    if (!renderer.isValid() || natural.isEmpty())
        refuse();
    QSize size = fitted(natural, longSide);
    if (pixelsOf(size) > largestPixelCount)
        refuse();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        refuse();
    image.fill(Qt::transparent);
    const QDeadlineTimer deadline(svgRenderMilliseconds);
    const int strip = (size.height() + kSvgStrips - 1) / kSvgStrips;
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    int top = 0;
    for (; top < size.height(); top += strip) {
        if ((job && job->isCancelled()) || deadline.hasExpired())
            break;
        painter.save();
        painter.setClipRect(QRect(0, top, size.width(), strip));
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
        painter.restore();
    }
    painter.end();
    if (job)
        job->throwIfCancelled();
    // A drawing that did not finish in time is not shown half drawn.
    if (top < size.height())
        refuse();
    return image;
}

}  // namespace

QImage decode(const QByteArray& bytes, int longSide, const ExportJob* job)
{
    static std::once_flag limitSet;
    std::call_once(limitSet, [] { QImageReader::setAllocationLimit(kDecodeLimitMegabytes); });

    QByteArray data = bytes;
    QByteArray format;
    {
        QBuffer probe(&data);
        probe.open(QIODevice::ReadOnly);
        format = QImageReader(&probe).format();
    }
    if (format == "svg" || format == "svgz")
        return decodeSvg(data, longSide, job);
    return decodeRaster(data, longSide, job);
}

}  // namespace sablewick::ImageDecoder

#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <memory>

struct AVFrame;

namespace sablewick {

class PictureRowConverter;

// A frame of a recording either as the decoder made it (its 4:2:0 planes, shared with the
// decoder's pool, not copied) or already converted to a picture. The planes are turned into RGB32
// rows only where a reader needs them, a band at a time, by the reader's own thread: an export
// then holds no whole RGB copy of each frame in flight (8 MB at 1080p, 33 MB at 4K), and the rows
// are still in the processor's cache when they are read.
//
// The rows are exactly those of VideoFrameSource's image of the same frame (the same conversion,
// which works row pair by row pair). Frames that the conversion would scale, turn or filter across
// rows come already converted.
//
// Cheap to copy; copies share the planes. Thread safety: a picture may be read from any thread.
class DecodedPicture {
public:
    DecodedPicture() = default;
    explicit DecodedPicture(QImage image);
    // The planes of `frame` (referenced, not copied) when they can be converted in bands;
    // otherwise null. `frame` must be YUV 4:2:0 of an even height; the colour space and range
    // are those VideoFrameSource uses for it.
    static DecodedPicture ofPlanes(const AVFrame* frame);

    bool isNull() const { return !m_frame && m_image.isNull(); }
    // Whether the rows come from the planes (else image() holds them).
    bool hasPlanes() const { return m_frame != nullptr; }
    QSize size() const;
    // The picture already converted; null for planes.
    const QImage& image() const { return m_image; }

    // Rows [first, first + count) of the RGB32 picture (fourth byte 255) into `rows`, a row every
    // `bytesPerLine` bytes. `first` must be even and `count` even unless the rows reach the last.
    // Only for pictures with planes.
    void convertRows(int first, int count, uchar* rows, qsizetype bytesPerLine, PictureRowConverter& converter) const;

private:
    std::shared_ptr<const AVFrame> m_frame;
    QImage m_image;
};

// The colour conversion of one thread, kept from one picture to the next.
class PictureRowConverter {
public:
    PictureRowConverter();
    ~PictureRowConverter();
    PictureRowConverter(const PictureRowConverter&) = delete;
    PictureRowConverter& operator=(const PictureRowConverter&) = delete;

private:
    friend class DecodedPicture;
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace sablewick

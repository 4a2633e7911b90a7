#include "media/DecodedPicture.h"

#include "media/FfmpegSupport.h"

#include <algorithm>
#include <vector>

namespace sablewick {

struct PictureRowConverter::State {
    // One conversion per band height (a frame's bands are all one height but its last), for
    // pictures of one width, format and colour.
    struct Conversion {
        int height = 0;
        ffmpeg::SwsPtr sws;
    };
    int width = 0, format = -1;
    ffmpeg::PictureColour colour;
    std::vector<Conversion> conversions;

    SwsContext* conversionFor(const AVFrame* frame, int height)
    {
        const ffmpeg::PictureColour c = ffmpeg::pictureColour(frame);
        if (frame->width != width || frame->format != format || c.colorspace != colour.colorspace
            || c.fullRange != colour.fullRange) {
            conversions.clear();
            width = frame->width;
            format = frame->format;
            colour = c;
        }
        for (const Conversion& conversion : conversions)
            if (conversion.height == height)
                return conversion.sws.get();
        // A band is a whole picture to its conversion, converted unscaled row pair by row pair as
        // the frame source converts the full picture.
        conversions.push_back({height, ffmpeg::makeRgbConversion(width, height, format, colour, width, height, 1, {})});
        return conversions.back().sws.get();
    }
};

PictureRowConverter::PictureRowConverter()
    : m_state(std::make_unique<State>())
{
}

PictureRowConverter::~PictureRowConverter() = default;

DecodedPicture::DecodedPicture(QImage image)
    : m_image(std::move(image))
{
}

DecodedPicture DecodedPicture::ofPlanes(const AVFrame* frame)
{
    DecodedPicture picture;
    // swscale converts 4:2:0 of an even height without scaling row pair by row pair; other
    // formats and odd heights take paths that filter across rows, whose bands would differ from
    // the whole picture at their edges.
    if (!frame || frame->format != AV_PIX_FMT_YUV420P || frame->width <= 0 || frame->height <= 0
        || frame->height % 2 != 0)
        return picture;
    AVFrame* reference = av_frame_clone(frame);
    if (!reference)
        throw std::bad_alloc();
    picture.m_frame = std::shared_ptr<const AVFrame>(reference, [](const AVFrame* f) {
        auto* owned = const_cast<AVFrame*>(f);
        av_frame_free(&owned);
    });
    return picture;
}

QSize DecodedPicture::size() const
{
    return m_frame ? QSize(m_frame->width, m_frame->height) : m_image.size();
}

void DecodedPicture::convertRows(int first, int count, uchar* rows, qsizetype bytesPerLine,
                                 PictureRowConverter& converter) const
{
    const AVFrame* f = m_frame.get();
    if (!f || count <= 0 || first < 0 || first % 2 != 0 || first + count > f->height
        || (count % 2 != 0 && first + count != f->height))
        throw MediaError(MediaErrorKind::invalidArgument, {}, "rows outside the picture's row pairs");
    SwsContext* sws = converter.m_state->conversionFor(f, count);
    const uint8_t* planes[4] = {f->data[0] + std::ptrdiff_t(first) * f->linesize[0],
                                f->data[1] + std::ptrdiff_t(first / 2) * f->linesize[1],
                                f->data[2] + std::ptrdiff_t(first / 2) * f->linesize[2], nullptr};
    const int strides[4] = {f->linesize[0], f->linesize[1], f->linesize[2], 0};
    uint8_t* out[4] = {rows, nullptr, nullptr, nullptr};
    const int outStrides[4] = {int(bytesPerLine), 0, 0, 0};
    if (sws_scale(sws, planes, strides, 0, count, out, outStrides) != count)
        throw MediaError(MediaErrorKind::decodeFailed, {}, "the colour conversion failed");
}

}  // namespace sablewick

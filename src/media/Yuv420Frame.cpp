#include "media/Yuv420Frame.h"

#include "media/MovieWriter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <new>
#include <utility>

namespace sablewick {

Yuv420Frame::~Yuv420Frame()
{
    av_frame_free(&m_frame);
}

Yuv420Frame::Yuv420Frame(Yuv420Frame&& other) noexcept
    : m_frame(std::exchange(other.m_frame, nullptr))
{
}

Yuv420Frame& Yuv420Frame::operator=(Yuv420Frame&& other) noexcept
{
    if (this != &other) {
        av_frame_free(&m_frame);
        m_frame = std::exchange(other.m_frame, nullptr);
    }
    return *this;
}

bool Yuv420Frame::prepare(int width, int height)
{
    if (m_frame && (m_frame->width != width || m_frame->height != height))
        av_frame_free(&m_frame);
    if (!m_frame) {
        m_frame = av_frame_alloc();
        if (!m_frame)
            throw std::bad_alloc();
        m_frame->format = AV_PIX_FMT_YUV420P;
        m_frame->width = width;
        m_frame->height = height;
        m_frame->color_primaries = AVCOL_PRI_BT709;
        m_frame->color_trc = AVCOL_TRC_BT709;
        m_frame->colorspace = AVCOL_SPC_BT709;
        m_frame->color_range = AVCOL_RANGE_MPEG;
        if (av_frame_get_buffer(m_frame, 0) < 0) {
            av_frame_free(&m_frame);
            throw std::bad_alloc();
        }
        return false;
    }
    // The encoder may still hold the memory of the frame this one last carried; then the samples
    // are copied to memory of this frame's own.
    if (av_frame_make_writable(m_frame) < 0)
        throw std::bad_alloc();
    return true;
}

int Yuv420Frame::width() const { return m_frame ? m_frame->width : 0; }
int Yuv420Frame::height() const { return m_frame ? m_frame->height : 0; }
std::uint8_t* Yuv420Frame::plane(int index) const { return m_frame ? m_frame->data[index] : nullptr; }
int Yuv420Frame::stride(int index) const { return m_frame ? m_frame->linesize[index] : 0; }

Yuv420View Yuv420Frame::view() const
{
    if (!m_frame)
        return {};
    return {m_frame->data[0], m_frame->data[1], m_frame->data[2], m_frame->linesize[0], m_frame->linesize[1], m_frame->linesize[2]};
}

}  // namespace sablewick

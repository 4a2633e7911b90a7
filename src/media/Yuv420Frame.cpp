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
    av_frame_free(&frame_);
}

Yuv420Frame::Yuv420Frame(Yuv420Frame&& other) noexcept
    : frame_(std::exchange(other.frame_, nullptr))
{
}

Yuv420Frame& Yuv420Frame::operator=(Yuv420Frame&& other) noexcept
{
    if (this != &other) {
        av_frame_free(&frame_);
        frame_ = std::exchange(other.frame_, nullptr);
    }
    return *this;
}

bool Yuv420Frame::prepare(int width, int height)
{
    if (frame_ && (frame_->width != width || frame_->height != height))
        av_frame_free(&frame_);
    if (!frame_) {
        frame_ = av_frame_alloc();
        if (!frame_)
            throw std::bad_alloc();
        frame_->format = AV_PIX_FMT_YUV420P;
        frame_->width = width;
        frame_->height = height;
        frame_->color_primaries = AVCOL_PRI_BT709;
        frame_->color_trc = AVCOL_TRC_BT709;
        frame_->colorspace = AVCOL_SPC_BT709;
        frame_->color_range = AVCOL_RANGE_MPEG;
        if (av_frame_get_buffer(frame_, 0) < 0) {
            av_frame_free(&frame_);
            throw std::bad_alloc();
        }
        return false;
    }
    // The encoder may still hold the memory of the frame this one last carried; then the samples
    // are copied to memory of this frame's own.
    if (av_frame_make_writable(frame_) < 0)
        throw std::bad_alloc();
    return true;
}

int Yuv420Frame::width() const { return frame_ ? frame_->width : 0; }
int Yuv420Frame::height() const { return frame_ ? frame_->height : 0; }
std::uint8_t* Yuv420Frame::plane(int index) const { return frame_ ? frame_->data[index] : nullptr; }
int Yuv420Frame::stride(int index) const { return frame_ ? frame_->linesize[index] : 0; }

Yuv420View Yuv420Frame::view() const
{
    if (!frame_)
        return {};
    return {frame_->data[0], frame_->data[1], frame_->data[2], frame_->linesize[0], frame_->linesize[1], frame_->linesize[2]};
}

}  // namespace sablewick

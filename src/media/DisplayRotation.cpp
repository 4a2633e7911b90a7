#include "media/DisplayRotation.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

#include <QTransform>

#include <cmath>

namespace sablewick::DisplayRotation {

int of(const AVStream* stream)
{
    const auto* matrix = reinterpret_cast<const int32_t*>(av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
    if (!matrix)
        return 0;
    const double counterClockwise = av_display_rotation_get(matrix);
    if (!std::isfinite(counterClockwise))
        return 0;
    const int degrees = static_cast<int>(std::lround(-counterClockwise / 90.0) % 4) * 90;
    return degrees < 0 ? degrees + 360 : degrees;
}

QSize upright(QSize coded, int degrees)
{
    return degrees % 180 == 0 ? coded : coded.transposed();
}

QImage upright(const QImage& image, int degrees)
{
    if (degrees % 360 == 0)
        return image;
    // Whole quarter turns: Qt moves the pixels without resampling them.
    return image.transformed(QTransform().rotate(degrees));
}

}  // namespace sablewick::DisplayRotation

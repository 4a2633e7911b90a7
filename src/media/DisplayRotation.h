#pragma once

#include <QImage>
#include <QSize>

struct AVStream;

namespace sablewick::DisplayRotation {

// Phone cameras store their pictures as the sensor saw them and say in the track's display
// matrix how to turn them. Every reader of pictures turns them upright with these, so the
// preview, the thumbnails and the export agree.

// Clockwise degrees that show the stream's pictures upright: 0, 90, 180 or 270 (the display
// matrix's rotation, to the nearest quarter turn; a matrix that mirrors is read as its turn).
int of(const AVStream* stream);

// The size of a picture of `coded` size once turned by `degrees` (a multiple of 90).
QSize upright(QSize coded, int degrees);

// The picture turned clockwise by `degrees` (a multiple of 90); the picture itself when 0.
QImage upright(const QImage& image, int degrees);

}  // namespace sablewick::DisplayRotation

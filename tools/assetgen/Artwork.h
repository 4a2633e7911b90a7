#pragma once

#include "document/BackgroundArtwork.h"

#include <QImage>
#include <QSize>

namespace sablewick::assetgen {

// Paints one built-in artwork (three pictures and ten patterns) at the given size. Deterministic:
// the same size gives the same pixels on every run.
QImage paintArtwork(BackgroundArtwork artwork, QSize size);

}  // namespace sablewick::assetgen

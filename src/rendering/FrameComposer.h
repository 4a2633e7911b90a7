#pragma once

#include "media/DecodedPicture.h"
#include "rendering/Scene.h"
#include "rendering/Yuv420Converter.h"

#include <QImage>
#include <QSize>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace sablewick {

// Turns decoded frames of a recording into finished frames of the styled video: the background,
// then the card's drop shadow, the frame colour and the recording with its synthetic pointer in
// the rounded card, all punched in towards the viewer while a zoom is active. One composer serves
// one export (at the output size) or one preview (at any size), with the same code and result.
//
// Made once per export: the background, the geometry of card, frame and shadow, the blurred
// shadow mask and the whole layer under the video of a frame without punch-in are computed when
// the composer (or, for the geometry, the first frame of a source size) is made. A frame at rest
// then copies that layer and resamples the visible part of the source into the card; a frame
// with a punch-in also redraws the shadow and frame colour where they moved.
//
// Thread safety: every const member may be called from several threads at once; an export
// composes several frames in parallel with one composer.
class FrameComposer {
public:
    // `backgroundPicture` is the decoded picture the scene's settings show, or null (see
    // Compositor::loadBackgroundPicture). `transparent` decides what a hidden background is:
    // clear (previews) or black (video export).
    FrameComposer(Scene scene, QSize renderSize, const QImage& backgroundPicture, bool transparent = false);
    // A composer for `scene` at `base`'s size that shares base's background and card geometry.
    // Those depend only on the size and the edit's settings, so a change of the zooms or the
    // pointer alone costs no new background, shadow or layer under the card. Throws
    // std::invalid_argument when `scene` has other settings than base's.
    FrameComposer(const FrameComposer& base, Scene scene);
    ~FrameComposer();
    FrameComposer(const FrameComposer&) = delete;
    FrameComposer& operator=(const FrameComposer&) = delete;

    const Scene& scene() const { return m_scene; }
    QSize renderSize() const { return m_size; }
    const QImage& background() const { return m_background; }

    // The frame shown at `time` (source seconds) for a decoded source frame of any size and
    // pixel format, as a premultiplied ARGB image of the render size. A null source gives the
    // background alone.
    QImage compose(const QImage& source, double time) const;
    // The same into an existing image of the render size (Format_ARGB32_Premultiplied or
    // Format_RGB32), which is reused; other images are replaced.
    void compose(const QImage& source, double time, QImage& target) const;
    // The same for a source that shows the movie scaled (a player's picture for a small preview):
    // the frame is laid out, and the pointer placed, for the movie's own size `movieSize`, and the
    // source is sampled in proportion, so that the picture matches the one composed from the
    // full-size frame. An empty `movieSize` means the source's own size.
    void compose(const QImage& source, QSize movieSize, double time, QImage& target) const;
    // The same straight into 4:2:0 planes (BT.709, limited range) for a video encoder; the frame
    // is composed and converted in small bands of rows that stay in the processor's cache.
    void composeYuv420(const QImage& source, double time, const Yuv420Planes& planes) const;
    struct Geometry;
    // What 4:2:0 planes hold around the card after a frame at rest: the layer under the card of
    // a geometry, outside a box. Empty when they hold anything else.
    struct Yuv420Surround {
        std::shared_ptr<const Geometry> geometry;
        int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    };
    // The same from a decoded picture: a picture with planes is converted to RGB only in the rows
    // the frame reads, band by band on the calling thread, with the same result. With
    // `surround`, what these planes held around the card from the call before (left as that call
    // set it, and the planes untouched since), a frame at rest does not copy the layer there
    // again; the call sets it to what the planes hold now.
    void composeYuv420(const DecodedPicture& source, double time, const Yuv420Planes& planes,
                       Yuv420Surround* surround = nullptr) const;

    struct Frame;

private:
    struct CardWindow;
    std::shared_ptr<const Geometry> geometryFor(QSize movieSize, const Frame& first, bool withYuv) const;
    void composeInto(const DecodedPicture& source, QSize movieSize, double time, uint32_t* const* rows, int bandRows,
                     const std::function<void(int top, int count)>& bandDone, CardWindow* window) const;

    Scene m_scene;
    QSize m_size;
    QImage m_background;
    mutable std::mutex m_geometryLock;  // guards m_geometry; held while it is built
    mutable std::shared_ptr<const Geometry> m_geometry;
};

namespace Compositor {

// The composer of one export or preview: loads the picture of the scene's background once and
// shares it, with the rest of the scene, across all frames. A hidden background is black, as in
// the exported video, or clear for a preview drawn over the window.
std::shared_ptr<const FrameComposer> make(const Scene& scene, QSize renderSize, bool transparent = false);

}  // namespace Compositor
}  // namespace sablewick

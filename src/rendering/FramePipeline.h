#pragma once

#include "media/Yuv420Frame.h"
#include "rendering/FrameComposer.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>

namespace sablewick {

class ExportJob;
class FrameComposer;

// One finished frame: an image, or for an encoder the 4:2:0 picture it takes without a copy.
struct ComposedFrame {
    QImage image;       // when the pipeline makes images
    Yuv420Frame yuv;    // when the pipeline makes 4:2:0 frames
    // What `yuv` holds around the card, for the next frame composed into it.
    FrameComposer::Yuv420Surround surround;
};

// Decodes a recording in order on one thread, composes the frames on a pool of worker threads and
// hands the finished frames to the caller's thread in order, so the encoder sees one sequence
// while composition uses every core. At most a few frames are in flight at any moment, whatever
// the length.
struct FramePipeline {
    const QString& source;          // the recording
    const FrameComposer& composer;
    const ExportJob& job;           // polled for every frame, on every thread
    int workers = 0;                // composition threads; 0: chosen for this machine and frame size
    // Make 4:2:0 planes (BT.709, limited range) instead of images: the decoder's pictures then
    // reach the workers as decoded, and the conversion to RGB, composition and the conversion
    // to 4:2:0 all run on the workers, in cache-sized bands.
    bool yuv420 = false;

    // Source time (seconds) of output frame `index`.
    std::function<double(std::int64_t index)> timeOf;

    // Composes frames 0 ... count - 1 and calls `consume` for each, in order, on the calling
    // thread. The frame is only valid during the call. Throws what a stage threw: MediaError from
    // decoding, ExporterFailure(cancelled), or what `consume` threw.
    void run(std::int64_t count, const std::function<void(std::int64_t index, const ComposedFrame& frame)>& consume) const;
};

}  // namespace sablewick

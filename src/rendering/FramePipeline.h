#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>

namespace sablewick {

class ExportJob;
class FrameComposer;

// Decodes a recording in order on one thread, composes the frames on a pool of worker threads and
// hands the finished frames to the caller's thread in order, so the encoder sees one sequence
// while composition uses every core. At most a few frames are in flight at any moment, whatever
// the length.
struct FramePipeline {
    const QString& source;          // the recording
    const FrameComposer& composer;
    const ExportJob& job;           // polled for every frame, on every thread
    int workers = 0;                // composition threads; 0: chosen for this machine

    // Source time (seconds) of output frame `index`.
    std::function<double(std::int64_t index)> timeOf;

    // Composes frames 0 ... count - 1 and calls `consume` for each, in order, on the calling
    // thread. The image is only valid during the call. Throws what a stage threw: MediaError from
    // decoding, ExporterFailure(cancelled), or what `consume` threw.
    void run(std::int64_t count, const std::function<void(std::int64_t index, const QImage& frame)>& consume) const;
};

}  // namespace sablewick

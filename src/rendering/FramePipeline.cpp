#include "rendering/FramePipeline.h"

#include "media/VideoFrameSource.h"
#include "platform/ProcessorCount.h"
#include "platform/ThreadName.h"
#include "rendering/ExportJob.h"
#include "rendering/FrameComposer.h"
#include "rendering/Yuv420Converter.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace sablewick {
namespace {

// Composed frames that may be held at once, however large: each worker holds one, and one waits
// ahead of the encoder.
constexpr std::int64_t kComposedBytesInFlight = std::int64_t(56) << 20;

int defaultWorkers(QSize frameSize, bool yuv420)
{
    const int cores = usableProcessorCount();
    // The decoder and the encoder have threads of their own; leave them a core when there are
    // several.
    const int byCores = std::clamp(cores > 2 ? cores - 1 : cores, 1, 12);
    // Composing a 4K frame costs a small part of what encoding it does, so a few workers keep the
    // encoder fed; more would only hold more frames (12 MB each in 4:2:0).
    const std::int64_t pixels = std::int64_t(std::max(frameSize.width(), 1)) * std::max(frameSize.height(), 1);
    const std::int64_t frameBytes = yuv420 ? pixels * 3 / 2 : pixels * 4;
    const std::int64_t byMemory = std::max<std::int64_t>(kComposedBytesInFlight / frameBytes - 1, 2);
    return int(std::min<std::int64_t>(byCores, byMemory));
}

int decoderThreads()
{
    // Each of the decoder's frame threads holds pictures and a context of its own. A recording
    // decodes several times faster than it is composed and encoded, so one thread keeps up on up
    // to four processors, and a few more on more, while the composition workers and the
    // encoder's threads have the processors.
    return std::clamp(usableProcessorCount() / 4, 1, 4);
}

// Everything the three stages share, guarded by one mutex.
struct Shared {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::pair<std::int64_t, DecodedPicture>> decoded;  // source frames waiting for a worker
    std::map<std::int64_t, ComposedFrame> composed;       // finished frames waiting for the consumer
    std::vector<ComposedFrame> spare;                     // consumed frames, reused as targets
    std::int64_t decodedCount = 0;
    std::int64_t consumedCount = 0;
    bool decodingDone = false;
    bool stop = false;
    std::exception_ptr error;

    void fail(std::exception_ptr e)
    {
        std::lock_guard guard(lock);
        if (!error)
            error = std::move(e);
        stop = true;
        changed.notify_all();
    }
};

}  // namespace

void FramePipeline::run(std::int64_t count,
                        const std::function<void(std::int64_t index, const ComposedFrame& frame)>& consume) const
{
    if (count <= 0)
        return;
    const int workerCount = workers > 0 ? workers : defaultWorkers(composer.renderSize(), yuv420);
    // Frames decoded but not yet consumed: one for each worker and one finished ahead of the
    // encoder keep everyone busy; each further one is a picture (33 MB at 4K) and a composed frame
    // held for nothing.
    const std::int64_t inFlightLimit = workerCount + 1;
    Shared shared;
    // Every thread started is stopped and joined however run() ends, also when starting a later
    // one fails: a joinable std::thread that is destroyed ends the process.
    std::vector<std::thread> threads;
    threads.reserve(static_cast<size_t>(workerCount) + 1);
    struct StopAndJoin {
        Shared& shared;
        std::vector<std::thread>& threads;
        ~StopAndJoin()
        {
            {
                std::lock_guard guard(shared.lock);
                shared.stop = true;
                shared.changed.notify_all();
            }
            for (std::thread& t : threads)
                t.join();
        }
    } stopAndJoin{shared, threads};

    threads.emplace_back([&] {
        nameCurrentThread("export-decode");
        try {
            VideoFrameSourceOptions options;
            options.decoderThreads = decoderThreads();
            VideoFrameSource frames(source.toStdString(), options);
            for (std::int64_t i = 0; i < count; ++i) {
                // Room first, then the picture: one made while waiting would be one more held.
                {
                    std::unique_lock guard(shared.lock);
                    shared.changed.wait(guard, [&] { return shared.stop || shared.decodedCount - shared.consumedCount < inFlightLimit; });
                    if (shared.stop)
                        return;
                }
                job.throwIfCancelled();
                // The encoder's frames read the decoder's planes and convert only the rows they use.
                DecodedPicture picture = yuv420 ? frames.pictureAt(timeOf(i)) : DecodedPicture(frames.frameAt(timeOf(i)).image);
                std::lock_guard guard(shared.lock);
                if (shared.stop)
                    return;
                shared.decoded.emplace_back(i, std::move(picture));
                ++shared.decodedCount;
                shared.changed.notify_all();
            }
            std::lock_guard guard(shared.lock);
            shared.decodingDone = true;
            shared.changed.notify_all();
        } catch (...) {
            shared.fail(std::current_exception());
        }
    });

    for (int w = 0; w < workerCount; ++w) {
        threads.emplace_back([&] {
            nameCurrentThread("export-compose");
            try {
                for (;;) {
                    std::pair<std::int64_t, DecodedPicture> work;
                    ComposedFrame target;
                    {
                        std::unique_lock guard(shared.lock);
                        shared.changed.wait(guard, [&] { return shared.stop || !shared.decoded.empty() || shared.decodingDone; });
                        if (shared.stop || shared.decoded.empty())
                            return;
                        work = std::move(shared.decoded.front());
                        shared.decoded.pop_front();
                        if (!shared.spare.empty()) {
                            target = std::move(shared.spare.back());
                            shared.spare.pop_back();
                        }
                    }
                    job.throwIfCancelled();
                    if (yuv420) {
                        const QSize size = composer.renderSize();
                        if (!target.yuv.prepare(size.width(), size.height()))
                            target.surround = {};
                        const Yuv420Planes planes{target.yuv.plane(0), target.yuv.plane(1), target.yuv.plane(2),
                                                  target.yuv.stride(0), target.yuv.stride(1), target.yuv.stride(2)};
                        composer.composeYuv420(work.second, timeOf(work.first), planes, &target.surround);
                    } else {
                        composer.compose(work.second.image(), timeOf(work.first), target.image);
                    }
                    std::lock_guard guard(shared.lock);
                    shared.composed.emplace(work.first, std::move(target));
                    shared.changed.notify_all();
                }
            } catch (...) {
                shared.fail(std::current_exception());
            }
        });
    }

    for (std::int64_t next = 0; next < count; ++next) {
        // Frames already composed are not handed on once the job is cancelled.
        job.throwIfCancelled();
        ComposedFrame frame;
        {
            std::unique_lock guard(shared.lock);
            shared.changed.wait(guard, [&] { return shared.stop || shared.composed.count(next) > 0; });
            // stop is only set by a failing stage before the threads are joined.
            if (shared.error)
                std::rethrow_exception(shared.error);
            auto it = shared.composed.find(next);
            frame = std::move(it->second);
            shared.composed.erase(it);
        }
        consume(next, frame);
        std::lock_guard guard(shared.lock);
        ++shared.consumedCount;
        shared.spare.push_back(std::move(frame));
        shared.changed.notify_all();
    }
}

}  // namespace sablewick

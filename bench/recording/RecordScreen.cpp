// Records the main display of the X server for a number of seconds exactly as the application
// does (XShm grab, BT.709 conversion, libx264 into a fragmented movie, system sound mixed in),
// then prints what was captured and the CPU time the process used.
// Usage: sablewick_record_screen <movie> <seconds> [x264 preset]
#include "media/ScreenRecording.h"
#include "platform/DisplayList.h"

#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace sablewick;
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <movie> <seconds> [preset]\n", argv[0]);
        return 2;
    }
    const DisplayLayout layout = DisplayList::current();
    ScreenRecordingSettings settings;
    settings.area = layout.main()->geometry;
    settings.pixelSize = settings.area.size();
    settings.path = argv[1];
    settings.systemAudio = true;
    if (argc > 3)
        settings.preset = argv[3];
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::string failure;
    ScreenRecording::Events events;
    events.finished = [&] {
        std::lock_guard lock(mutex);
        done = true;
        ended.notify_all();
    };
    events.failed = [&](ScreenRecording::Failure, const std::string& reason) {
        std::lock_guard lock(mutex);
        failure = reason;
        done = true;
        ended.notify_all();
    };
    const double cpuBefore = cpuSeconds();
    ScreenRecording recording(settings, events);
    std::this_thread::sleep_for(std::chrono::duration<double>(std::strtod(argv[2], nullptr)));
    recording.finishMovie();
    std::unique_lock lock(mutex);
    ended.wait(lock, [&] { return done; });
    if (!failure.empty()) {
        std::fprintf(stderr, "failed: %s\n", failure.c_str());
        return 1;
    }
    std::printf("captured %lld dropped %lld missed %lld sound %d cpu %.2f\n",
                static_cast<long long>(recording.framesCaptured()), static_cast<long long>(recording.framesDropped()),
                static_cast<long long>(recording.ticksMissed()), recording.hasSound() ? 1 : 0, cpuSeconds() - cpuBefore);
    return 0;
}

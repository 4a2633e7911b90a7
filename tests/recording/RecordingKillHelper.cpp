// Records the display of the private X server until a number of frames is captured, says so,
// then waits to be killed: what a crash or a SIGKILL in the middle of a recording leaves.
// Usage: recording_kill_helper <movie path> <frames>
#include "media/ScreenRecording.h"
#include "platform/DisplayList.h"

#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv)
{
    using namespace sablewick;
    if (argc != 3)
        return 2;
    const DisplayLayout layout = DisplayList::current();
    ScreenRecordingSettings settings;
    settings.area = layout.main()->geometry;
    settings.pixelSize = settings.area.size();
    settings.path = argv[1];
    settings.systemAudio = true;
    ScreenRecording recording(settings, {});
    const long frames = std::strtol(argv[2], nullptr, 10);
    while (recording.framesCaptured() < frames)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::printf("captured %lld\n", static_cast<long long>(recording.framesCaptured()));
    std::fflush(stdout);
    while (true)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

// The geometry runs for every exported frame and every preview refresh, so it must stay far
// below a millisecond even for a long edit. Run: build/bench/rendering/bench_layout
#include "rendering/Compositor.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

namespace sablewick {
namespace {

// An edit of 500 focus points about 3 s apart (25 minutes), some with their own zoom, some
// following the pointer, and a 30 Hz pointer track over the whole recording.
struct Edit {
    std::vector<FocusPoint> events;
    std::vector<PointerSample> samples;
    EditSettings settings;
    double duration = 0;
};

Edit makeEdit(bool shuffled, bool follow)
{
    Edit edit;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    double time = 0;
    for (int i = 0; i < 500; ++i) {
        time += 0.5 + 5 * unit(random);
        FocusPoint point;
        point.id = QUuid::createUuid();
        point.time = time;
        point.x = unit(random);
        point.y = unit(random);
        point.kind = FocusKind::click;
        if (i % 7 == 0)
            point.zoomStrength = 1.2 + 2 * unit(random);
        if (follow && i % 3 == 0)
            point.zoomMode = ZoomMode::follow;
        edit.events.push_back(point);
    }
    edit.duration = time + 3;
    for (int i = 0; i < int(edit.duration * 30); ++i)
        edit.samples.push_back({i / 30.0, unit(random), unit(random), true});
    if (shuffled)
        std::shuffle(edit.events.begin(), edit.events.end(), random);
    edit.settings.frameInset = 12;
    return edit;
}

void walkFrames(benchmark::State& state, const Edit& edit, auto&& frame)
{
    // Step through the edit at an odd stride so that every part of the timeline is visited.
    double time = 0;
    for (auto _ : state) {
        frame(time);
        time += 1.37;
        if (time > edit.duration)
            time -= edit.duration;
    }
}

void BM_Layout(benchmark::State& state)
{
    const Edit edit = makeEdit(state.range(0) != 0, state.range(1) != 0);
    const LayoutRect source{0, 0, 2880, 1800};
    walkFrames(state, edit, [&](double time) {
        benchmark::DoNotOptimize(Compositor::layout(source, {3840, 2160}, edit.settings,
                                                    edit.events, time, edit.samples));
    });
}
BENCHMARK(BM_Layout)
    ->ArgNames({"shuffled", "follow"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMicrosecond);

void BM_FocusState(benchmark::State& state)
{
    const Edit edit = makeEdit(state.range(0) != 0, state.range(1) != 0);
    walkFrames(state, edit, [&](double time) {
        benchmark::DoNotOptimize(
            Compositor::focusState(time, edit.events, 2.2, 1.65, true, edit.samples, 0.8));
    });
}
BENCHMARK(BM_FocusState)
    ->ArgNames({"shuffled", "follow"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace sablewick

BENCHMARK_MAIN();

// What one background tile of the canvas inspector costs to prepare, off the main thread, for the
// pictures the application ships (2560 x 1440 JPEG files in Assets/Backgrounds): rendering the
// tile as a canvas background at the tile's pixel size (240 x 112: the whole picture decoded,
// then scaled to fill), against decoding the picture straight at the size that covers the tile,
// as the shared thumbnail cache does. Opening the Canvas page asks for 19 tiles; the cache also
// keeps them, so reopening the page decodes nothing.
#include "document/BackgroundArtwork.h"
#include "document/EditSettings.h"
#include "rendering/Background.h"
#include "workspace/StudioArtworkThumbnail.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace sablewick {
namespace {

const QSize tilePixels{240, 112};

std::optional<QUrl> gradientPicture()
{
    return BackgroundPreset::all().front().fileURL();
}

void BM_TileAsCanvasBackground(benchmark::State& state)
{
    EditSettings look;
    look.background = BackgroundPreset::all().front();
    if (!gradientPicture()) {
        state.SkipWithError("the background pictures are not built");
        return;
    }
    for (auto _ : state) {
        const QImage picture = Compositor::loadBackgroundPicture(look);
        QImage tile = Compositor::makeBackground(tilePixels, look, picture, false);
        benchmark::DoNotOptimize(tile.constBits());
    }
}
BENCHMARK(BM_TileAsCanvasBackground)->Unit(benchmark::kMillisecond);

void BM_TileDecodedAtItsSize(benchmark::State& state)
{
    const std::optional<QUrl> file = gradientPicture();
    if (!file) {
        state.SkipWithError("the background pictures are not built");
        return;
    }
    for (auto _ : state) {
        QImage tile = ArtworkThumbnails::decode(file->toLocalFile());
        benchmark::DoNotOptimize(tile.constBits());
    }
}
BENCHMARK(BM_TileDecodedAtItsSize)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sablewick

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

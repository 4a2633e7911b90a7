// The editor's scene: what the preview composes is what the export writes.
#include "EditorTestSupport.h"

#include "media/VideoFrameSource.h"
#include "rendering/FrameComposer.h"
#include "rendering/Yuv420Converter.h"
#include "../media/MediaTestSupport.h"

namespace sablewick::test {
namespace {

// A picture in the planes an encoder is fed, made with the export's own conversion.
Yuv420Image planesOf(const QImage& picture)
{
    const QImage frame = picture.convertToFormat(QImage::Format_RGB32);
    Yuv420Image image{frame.width(), frame.height(), {}, {}, {}};
    const int chromaWidth = (frame.width() + 1) / 2;
    image.y.resize(size_t(frame.width()) * size_t(frame.height()));
    image.u.resize(size_t(chromaWidth) * size_t((frame.height() + 1) / 2));
    image.v.resize(image.u.size());
    std::vector<const uint32_t*> rows;
    for (int y = 0; y < frame.height(); ++y)
        rows.push_back(reinterpret_cast<const uint32_t*>(frame.constScanLine(y)));
    convertToYuv420(rows.data(), frame.height(), frame.width(), 0,
                    {image.y.data(), image.u.data(), image.v.data(), frame.width(), chromaWidth, chromaWidth});
    return image;
}

// The composition is compared in the encoder's own planes, so that the comparison measures the
// two compositions and the codec rather than a decoder's colour conversion.
TEST(EditorSceneTest, APreviewFrameAtFullSizeMatchesTheExportedFrame)
{
    EditorBench bench;
    bench.services.exportRunner = standardExportRunner();
    // Soft colours with a sharp box that moves across them, as a screen recording has.
    const QString movie = bench.path("Take.mp4");
    runFfmpeg({"-f", "lavfi", "-i",
               "gradients=size=320x180:rate=30:speed=0.02:seed=42,"
               "drawbox=x=40+t*60:y=70:w=48:h=32:color=white:t=fill",
               "-t", "2", "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-g", "30", movie});
    // A drawn pointer gliding across, and a click that zooms in and ripples.
    FocusSidecar sidecar;
    std::vector<PointerSample> track;
    for (int i = 0; i <= 60; ++i)
        track.push_back({i / 30.0, 0.2 + 0.6 * i / 60.0, 0.7 - 0.4 * i / 60.0, true});
    sidecar.pointerSamples = track;
    sidecar.editablePointer = true;
    sidecar.recordedClickHighlights = true;
    FocusPoint click;
    click.id = QUuid::createUuid();
    click.time = 0.55;
    click.x = 0.4;
    click.y = 0.5;
    click.kind = FocusKind::click;
    sidecar.events = {click};
    ProjectFile::writeSidecar(bench.path("Take.sablewick.json"), sidecar);
    ASSERT_TRUE(bench.open(movie));

    EditorModel& model = bench.model();
    EditSettings settings = model.document().settings();
    settings.trimStart = 0.5;
    settings.trimEnd = 1.0;
    settings.backgroundKind = BackgroundKind::solid;
    settings.solidColor = 0x2A6F97;
    settings.frameInset = 6;
    settings.zoomDuration = 1.0;
    model.document().setSettings(settings);

    const Scene scene = model.document().scene();
    ASSERT_FALSE(scene.pointerTrack().empty());
    ASSERT_EQ(scene.clickEvents().size(), 1u);
    const ExportOptions options{ExportFormat::mp4, ExportResolution::p720, 2};
    const QUrl destination = QUrl::fromLocalFile(bench.path("Demo.mp4"));
    bool ended = false;
    model.exporter().export_(destination, options, [&] { ended = true; });
    ASSERT_TRUE(waitUntil([&] { return ended; }, 120000));
    ASSERT_EQ(model.notice(), QStringLiteral("Exported Demo.mp4"));

    const QSize size = sablewick::size(options.resolution, scene.settings);
    const auto preview = Compositor::make(scene, size, true);
    VideoFrameSource recording(movie.toStdString());
    const DecodedVideo exported = decodeVideo(destination.toLocalFile().toStdString(), false, true);
    ASSERT_EQ(exported.yuvFrames.size(), 30u);
    std::vector<Yuv420Image> previews;
    // At rest, as the zoom and the ripple start, zoomed in, and with the ripple gone.
    const std::vector<int> frames{0, 3, 15, 25};
    for (const int frame : frames) {
        const double time = scene.settings.trimStart + frame / double(exportFrameRate);
        previews.push_back(planesOf(preview->compose(recording.frameAt(time).image, time)));
        EXPECT_GE(psnr(previews.back(), exported.yuvFrames[size_t(frame)]), 40.0) << "frame " << frame;
    }
    // The comparison tells frames apart: a preview of another moment does not pass.
    EXPECT_LT(psnr(previews.front(), exported.yuvFrames[size_t(frames.back())]), 40.0);
}

}  // namespace
}  // namespace sablewick::test

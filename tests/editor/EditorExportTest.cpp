// The export run: progress, outcome notices and cancelling, through a stand-in pipeline.
#include "EditorTestSupport.h"

#include "media/MediaProbe.h"
#include "platform/ThreadPriority.h"
#include "rendering/ExportJob.h"

#include <QThread>

#include <condition_variable>
#include <mutex>

namespace sablewick::test {
namespace {

// A pipeline that reports the progress the test feeds it and ends when told, or when cancelled.
class ScriptedExport {
public:
    ExportRunner runner()
    {
        return [this](const ExportRequest& request, const std::function<void(double)>& progress) {
            std::unique_lock guard(m_lock);
            m_request = request;
            m_progress = progress;
            m_niceness = currentThreadNiceness();
            m_started = true;
            m_changed.notify_all();
            while (!m_finish && !request.job->isCancelled())
                m_changed.wait_for(guard, std::chrono::milliseconds(5));
            if (request.job->isCancelled())
                return ExportOutcome{ExportOutcome::Status::cancelled, {}};
            return m_outcome;
        };
    }
    void waitForStart()
    {
        std::unique_lock guard(m_lock);
        m_changed.wait(guard, [this] { return m_started; });
    }
    void report(double value)
    {
        std::function<void(double)> progress;
        {
            std::lock_guard guard(m_lock);
            progress = m_progress;
        }
        progress(value);
    }
    void finish(ExportOutcome outcome)
    {
        std::lock_guard guard(m_lock);
        m_outcome = std::move(outcome);
        m_finish = true;
        m_changed.notify_all();
    }
    int niceness()
    {
        std::lock_guard guard(m_lock);
        return m_niceness;
    }
    ExportRequest request()
    {
        std::lock_guard guard(m_lock);
        return m_request;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_started = false;
    bool m_finish = false;
    ExportOutcome m_outcome{ExportOutcome::Status::finished, {}};
    ExportRequest m_request;
    std::function<void(double)> m_progress;
    int m_niceness = 0;
};

class EditorExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bench.services.exportRunner = pipeline.runner();
        FocusSidecar sidecar;
        sidecar.pointerSamples = std::vector<PointerSample>{{0.5, 0.5, 0.5, true}};
        sidecar.editablePointer = false;
        movie = bench.path("Take.mp4");
        QFile::copy(Clips::get().twoSeconds, movie);
        ProjectFile::writeSidecar(bench.path("Take.sablewick.json"), sidecar);
        ASSERT_TRUE(bench.open(movie));
        ASSERT_FALSE(model().document().pointerSamples().empty());
    }
    EditorModel& model() { return bench.model(); }

    ScriptedExport pipeline;
    EditorBench bench;
    QString movie;
    bool ended = false;
};

TEST_F(EditorExportTest, AFinishedExportReportsItsFile)
{
    model().playback().togglePlayback();
    const QUrl destination = QUrl::fromLocalFile(bench.path("Demo.mp4"));
    model().exporter().export_(destination, ExportOptions{ExportFormat::gif, ExportResolution::p720, 0},
                               [&] { ended = true; });
    EXPECT_TRUE(model().exporter().isExporting());
    EXPECT_FALSE(model().playback().isPlaying()) << "exporting pauses playback";
    EXPECT_EQ(model().exporter().exportProgress(), 0);
    pipeline.waitForStart();

    // A second export while one runs changes nothing.
    model().exporter().export_(QUrl::fromLocalFile(bench.path("Other.mp4")), ExportOptions{});
    EXPECT_EQ(pipeline.request().destination, destination.toLocalFile());
    const ExportRequest request = pipeline.request();
    EXPECT_EQ(request.scene.moviePath, movie);
    EXPECT_EQ(request.options.format, ExportFormat::gif);
    EXPECT_TRUE(request.scene.pointerTrack().empty()) << "the recorded pointer is not the editable one";
    const Scene current = model().document().scene();
    EXPECT_EQ(request.scene.pointerSamples, current.pointerSamples) << "the pointer track is shared, not copied";
    EXPECT_EQ(request.scene.settings, current.settings);
    EXPECT_EQ(request.scene.focusPoints, current.focusPoints);
    EXPECT_EQ(request.scene.interactionEvents, current.interactionEvents);
    EXPECT_EQ(request.scene.sourceSize, current.sourceSize);
    EXPECT_EQ(pipeline.niceness(), std::min(currentThreadNiceness() + backgroundNiceness, 19))
        << "the export gives way to the main thread";

    pipeline.report(0.25);
    ASSERT_TRUE(waitUntil([&] { return model().exporter().exportProgress() == 0.25; }));
    pipeline.report(0.5);
    pipeline.finish({ExportOutcome::Status::finished, {}});
    ASSERT_TRUE(waitUntil([&] { return ended; }));
    EXPECT_FALSE(model().exporter().isExporting());
    EXPECT_FALSE(model().exporter().isCancellingExport());
    EXPECT_EQ(model().exporter().exportProgress(), 0.5) << "progress that came before the end is applied";
    EXPECT_EQ(model().exporter().exportURL(), destination);
    EXPECT_EQ(model().notice(), QStringLiteral("Exported Demo.mp4"));

    pipeline.report(0.9);  // after the end
    QCoreApplication::processEvents();
    EXPECT_EQ(model().exporter().exportProgress(), 0.5);
}

TEST_F(EditorExportTest, AnExportThatOutlivesTheModelStillReportsItsEnd)
{
    model().exporter().export_(QUrl::fromLocalFile(bench.path("Demo.mp4")), ExportOptions{}, [&] { ended = true; });
    pipeline.waitForStart();
    bench.destroyModel();
    pipeline.report(0.5);  // dropped: nobody to show it to
    pipeline.finish({ExportOutcome::Status::finished, {}});
    ASSERT_TRUE(waitUntil([&] { return ended; })) << "the caller waits for ever";
}

TEST_F(EditorExportTest, TheEditablePointerTravelsWithTheExport)
{
    FocusSidecar sidecar;
    sidecar.pointerSamples = std::vector<PointerSample>{{0.5, 0.5, 0.5, true}, {0.25, 0.1, 0.1, true}};
    sidecar.editablePointer = true;
    ProjectFile::writeSidecar(bench.path("Take.sablewick.json"), sidecar);
    ASSERT_TRUE(bench.open(movie));
    model().exporter().export_(QUrl::fromLocalFile(bench.path("Demo.mov")), ExportOptions{}, [&] { ended = true; });
    pipeline.waitForStart();
    const Scene scene = pipeline.request().scene;
    ASSERT_TRUE(scene.pointerSamples);
    EXPECT_EQ(*scene.pointerSamples, model().document().pointerSamples());
    EXPECT_EQ(scene.pointerTrack().size(), 2u);
    pipeline.finish({ExportOutcome::Status::finished, {}});
    ASSERT_TRUE(waitUntil([&] { return ended; }));
    EXPECT_EQ(model().notice(), QStringLiteral("Exported Demo.mov"));
}

TEST_F(EditorExportTest, CancellingEndsTheRunWithItsNotice)
{
    model().exporter().export_(QUrl::fromLocalFile(bench.path("Demo.mp4")), ExportOptions{}, [&] { ended = true; });
    pipeline.waitForStart();
    model().exporter().cancelExport();
    EXPECT_TRUE(model().exporter().isCancellingExport());
    EXPECT_TRUE(model().exporter().isExporting());
    model().exporter().cancelExport();
    EXPECT_TRUE(model().exporter().isCancellingExport());
    ASSERT_TRUE(waitUntil([&] { return ended; }));
    EXPECT_FALSE(model().exporter().isExporting());
    EXPECT_FALSE(model().exporter().isCancellingExport());
    EXPECT_EQ(model().notice(), QStringLiteral("Export cancelled."));
    EXPECT_FALSE(model().exporter().exportURL().has_value());
}

TEST_F(EditorExportTest, AFailureIsReportedAndTheNextRunStartsClean)
{
    model().exporter().export_(QUrl::fromLocalFile(bench.path("Demo.mp4")), ExportOptions{}, [&] { ended = true; });
    pipeline.waitForStart();
    pipeline.finish({ExportOutcome::Status::failed, QStringLiteral("Could not finish the export.")});
    ASSERT_TRUE(waitUntil([&] { return ended; }));
    EXPECT_EQ(model().notice(), QStringLiteral("Export failed: Could not finish the export."));
    EXPECT_FALSE(model().exporter().exportURL().has_value());
    EXPECT_FALSE(model().exporter().isExporting());
}

TEST(EditorExportWithoutPipelineTest, NoPipelineAndNoMovieAreHandled)
{
    EditorBench bench;
    bool ended = false;
    bench.model().exporter().export_(QUrl::fromLocalFile(bench.path("Demo.mp4")), ExportOptions{},
                                     [&] { ended = true; });
    EXPECT_FALSE(bench.model().exporter().isExporting()) << "nothing is open";
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    bench.model().exporter().export_(QUrl::fromLocalFile(bench.path("Demo.mp4")), ExportOptions{},
                                     [&] { ended = true; });
    ASSERT_TRUE(waitUntil([&] { return ended; }));
    EXPECT_EQ(bench.model().notice(), QStringLiteral("Export failed: A video exporter is not available."));
}

}  // namespace
}  // namespace sablewick::test

namespace sablewick::test {
namespace {

// The real pipeline, on a short range of a real movie.
class EditorRealExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bench.services.exportRunner = standardExportRunner();
        ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
        bench.model().focus().setTrimEnd(0.5);
    }
    // Runs an export to its end; with `cancelWhenUnderWay`, cancels it once it has reported
    // progress.
    bool run(const QUrl& destination, bool cancelWhenUnderWay)
    {
        bool ended = false;
        bench.model().exporter().export_(destination, ExportOptions{ExportFormat::mp4, ExportResolution::p720, 0},
                                         [&] { ended = true; });
        if (cancelWhenUnderWay) {
            EXPECT_TRUE(waitUntil([&] { return ended || bench.model().exporter().exportProgress() > 0; }));
            EXPECT_FALSE(ended) << "the export ended before it could be cancelled";
            bench.model().exporter().cancelExport();
        }
        return waitUntil([&] { return ended; }, 120000);
    }

    EditorBench bench;
};

TEST_F(EditorRealExportTest, ExportsAPlayableMovie)
{
    const QUrl destination = QUrl::fromLocalFile(bench.path("Demo.mp4"));
    ASSERT_TRUE(run(destination, false));
    EXPECT_EQ(bench.model().notice(), QStringLiteral("Exported Demo.mp4"));
    EXPECT_EQ(bench.model().exporter().exportURL(), destination);
    EXPECT_DOUBLE_EQ(bench.model().exporter().exportProgress(), 1.0);
    const MediaInfo info = probeMedia(destination.toLocalFile().toStdString());
    ASSERT_TRUE(info.hasVideo());
    EXPECT_EQ(info.video().width, 1280);
    EXPECT_EQ(info.video().height, 720);
    EXPECT_NEAR(info.duration, 0.5, 0.05);
}

TEST_F(EditorRealExportTest, ACancelledExportLeavesNothingBehind)
{
    bench.model().focus().setTrimEnd(2.0);
    const QUrl destination = QUrl::fromLocalFile(bench.path("out/Demo.mp4"));
    QDir().mkpath(bench.path("out"));
    ASSERT_TRUE(run(destination, true));
    EXPECT_EQ(bench.model().notice(), QStringLiteral("Export cancelled."));
    EXPECT_FALSE(bench.model().exporter().exportURL().has_value());
    EXPECT_TRUE(QDir(bench.path("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(EditorRealExportTest, AnExportOntoItsSourceIsRefused)
{
    ASSERT_TRUE(run(QUrl::fromLocalFile(Clips::get().twoSeconds), false));
    EXPECT_EQ(bench.model().notice(),
              QStringLiteral("Export failed: Choose a different filename. An export cannot replace its source recording."));
}

}  // namespace
}  // namespace sablewick::test

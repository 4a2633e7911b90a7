// The thumbnail strip: which times it asks for, and a strip replaced while it fills.
#include "EditorTestSupport.h"

#include <QThread>

#include <atomic>
#include <map>
#include <mutex>

namespace sablewick::test {
namespace {

// The media layer's reader, with the times asked for written down and a gate that can hold one
// movie's strip back.
class WatchedInspector final : public MovieInspector {
public:
    bool inspect(const QString& path, MovieMetadata* metadata, QString* error) override
    {
        return real.inspect(path, metadata, error);
    }
    std::unique_ptr<ThumbnailReader> openThumbnails(const QString& path) override
    {
        auto reader = real.openThumbnails(path);
        return reader ? std::make_unique<Reader>(*this, path, std::move(reader)) : nullptr;
    }
    std::vector<double> timesFor(const QString& path)
    {
        std::lock_guard guard(lock);
        return times[path];
    }

    MovieInspector& real = standardMovieInspector();
    QString heldPath;
    std::atomic<bool> released{false};
    std::atomic<bool> heldStripEnded{false};

private:
    class Reader final : public ThumbnailReader {
    public:
        Reader(WatchedInspector& owner, QString path, std::unique_ptr<ThumbnailReader> real)
            : m_owner(owner), m_path(std::move(path)), m_real(std::move(real))
        {
        }
        // A strip's reader lives as long as its task: it goes once the task has handed over all
        // it was going to.
        ~Reader() override
        {
            if (m_path == m_owner.heldPath)
                m_owner.heldStripEnded = true;
        }
        QImage frameAt(double seconds, QSize maxSize) override
        {
            {
                std::lock_guard guard(m_owner.lock);
                m_owner.times[m_path].push_back(seconds);
            }
            while (m_path == m_owner.heldPath && !m_owner.released)
                QThread::msleep(2);
            return m_real->frameAt(seconds, maxSize);
        }

    private:
        WatchedInspector& m_owner;
        QString m_path;
        std::unique_ptr<ThumbnailReader> m_real;
    };

    std::mutex lock;
    std::map<QString, std::vector<double>> times;
};

TEST(EditorThumbnailTest, TwelveFramesEvenlyFromTheStart)
{
    WatchedInspector inspector;  // outlives the model and its workers
    EditorBench bench;
    bench.services.movies = &inspector;
    ASSERT_TRUE(bench.open(Clips::get().threeSeconds));
    ASSERT_TRUE(waitUntil([&] { return bench.model().document().thumbnails().size() == 12; }));
    const std::vector<double> times = inspector.timesFor(Clips::get().threeSeconds);
    ASSERT_EQ(times.size(), 12u);
    for (size_t i = 0; i < times.size(); ++i)
        EXPECT_NEAR(times[i], 0.25 * static_cast<double>(i), 1.0 / 600) << i;
}

TEST(EditorThumbnailTest, ANewMovieStartsAFreshStrip)
{
    WatchedInspector inspector;
    EditorBench bench;
    inspector.heldPath = Clips::get().threeSeconds;
    bench.services.movies = &inspector;
    ASSERT_TRUE(bench.open(Clips::get().threeSeconds));
    ASSERT_TRUE(waitUntil([&] { return !inspector.timesFor(Clips::get().threeSeconds).empty(); }));

    ASSERT_TRUE(bench.open(Clips::get().rotated));
    inspector.released = true;
    ASSERT_TRUE(
        waitUntil([&] { return bench.model().document().thumbnails().size() == 12 && inspector.heldStripEnded; }));
    // Whatever the first strip's task posted before it ended is delivered now.
    QCoreApplication::processEvents();
    EXPECT_EQ(bench.model().document().thumbnails().size(), 12);
    for (const QImage& image : bench.model().document().thumbnails())
        EXPECT_LT(image.width(), image.height()) << "only the upright second movie's frames";
    EXPECT_LE(inspector.timesFor(Clips::get().threeSeconds).size(), 2u) << "the first strip stopped";
}

}  // namespace
}  // namespace sablewick::test

namespace sablewick::test {
namespace {

// Red left half, blue right half, stored with a quarter turn in its display matrix; the ffmpeg
// tool shows it upright with the blue half on top.
TEST(EditorThumbnailTest, RotatedMoviesComeOutUprightAsTheFfmpegToolShowsThem)
{
    EditorBench bench;
    const QString plain = bench.path("halves.plain.mp4");
    const QString movie = bench.path("halves.mp4");
    runFfmpeg({"-f", "lavfi", "-i", "color=c=red:s=320x180:d=0.5,drawbox=x=160:y=0:w=160:h=180:color=blue:t=fill",
               "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", plain});
    runFfmpeg({"-i", plain, "-c", "copy", "-metadata:s:v:0", "rotate=90", movie});

    ASSERT_TRUE(bench.open(movie));
    EXPECT_EQ(bench.model().document().sourceSize(), QSizeF(180, 320));
    ASSERT_TRUE(waitUntil([&] { return !bench.model().document().thumbnails().isEmpty(); }));
    const QImage image = bench.model().document().thumbnails().front();
    ASSERT_LT(image.width(), image.height());
    const QColor top = image.pixelColor(image.width() / 2, 5);
    const QColor bottom = image.pixelColor(image.width() / 2, image.height() - 6);
    EXPECT_GT(top.blue(), 200);
    EXPECT_LT(top.red(), 60);
    EXPECT_GT(bottom.red(), 200);
    EXPECT_LT(bottom.blue(), 60);
}

}  // namespace
}  // namespace sablewick::test

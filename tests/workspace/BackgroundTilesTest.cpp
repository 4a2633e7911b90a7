// The background tiles, their grid and the shared cache of artwork previews, decoded off the main
// thread from real files.
#include "components/KitTestSupport.h"
#include "editor/EditorTestSupport.h"

#include "components/StudioSelectionBadge.h"
#include "document/ResourceLookup.h"
#include "workspace/CanvasBackground.h"
#include "workspace/StudioArtworkThumbnail.h"
#include "workspace/StudioBackgroundTile.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace sablewick::test {
namespace {

TEST(AdaptiveGridTest, ColumnsFitBetweenTheirLeastAndGreatestWidth)
{
    AdaptiveGrid tiles(AdaptiveGrid::backgroundTiles);
    struct Case {
        double width;
        int count;
        double column;
    };
    for (const Case& c : {Case{300, 3, 280.0 / 3}, Case{72, 1, 72}, Case{60, 1, 60}, Case{153, 1, 120},
                          Case{154, 2, 72}, Case{410, 5, 74}, Case{0, 1, 0}, Case{-5, 1, 0}}) {
        const AdaptiveGrid::Columns columns = tiles.columnsFor(c.width);
        EXPECT_EQ(columns.count, c.count) << c.width;
        EXPECT_NEAR(columns.width, c.column, 1e-9) << c.width;
    }
    AdaptiveGrid swatches(AdaptiveGrid::colorSwatches);
    EXPECT_EQ(swatches.columnsFor(298).count, 8);  // (298 + 8) / 36
    EXPECT_NEAR(swatches.columnsFor(298).width, 30.25, 1e-9);
}

TEST(AdaptiveGridTest, CellsAreCentredAndRowsWrap)
{
    Host host(environment(StudioColorScheme::light, QColor(0x007AFF)), {400, 400});
    auto* grid = host.add(new AdaptiveGrid(AdaptiveGrid::backgroundTiles));
    std::vector<QWidget*> cells;
    for (int i = 0; i < 5; ++i) {
        auto* cell = new QWidget;
        cell->setMinimumSize(10, 30);
        cells.push_back(cell);
    }
    grid->setCells(cells);
    grid->setFixedWidth(150);  // one column of 120 with 30 to spare
    host.show();
    EXPECT_EQ(cells[0]->geometry(), QRect(15, 0, 120, 30));
    EXPECT_EQ(cells[4]->geometry(), QRect(15, 160, 120, 30));
    EXPECT_EQ(grid->heightForWidth(150), 5 * 30 + 4 * 10);
    // Three columns of 80 fit in 260: two rows.
    grid->setFixedWidth(260);
    QCoreApplication::processEvents();
    EXPECT_EQ(cells[1]->geometry(), QRect(90, 0, 80, 30));
    EXPECT_EQ(cells[4]->geometry(), QRect(90, 40, 80, 30));
    EXPECT_EQ(grid->heightForWidth(260), 2 * 30 + 10);
}

TEST(StudioBackgroundTileTest, SelectionShowsTheBadgeAndTheAccentName)
{
    Host host(environment(StudioColorScheme::dark, QColor(0xFF9F0A)), {200, 120});
    auto* preview = new QWidget;
    auto* tile = host.add(new StudioBackgroundTile(QStringLiteral("Aurora"), false, preview));
    tile->setFixedWidth(110);
    host.show();
    EXPECT_EQ(tile->toolTip(), "Aurora");
    EXPECT_EQ(tile->accessibleName(), "Aurora");
    EXPECT_EQ(preview->height(), StudioBackgroundTile::previewHeight);
    const auto badge = [&] {
        for (QWidget* w : tile->findChildren<QWidget*>())
            if (w->width() == selectionBadgeDiameter && w->height() == selectionBadgeDiameter)
                return w->isVisibleTo(tile);
        return false;
    };
    EXPECT_FALSE(badge());
    const QImage plain = grabImage(tile);
    tile->setSelected(true);
    EXPECT_TRUE(badge());
    EXPECT_TRUE(tile->isSelected());
    // The name turns to the accent.
    const QImage chosen = grabImage(tile);
    const QRect name(0, StudioBackgroundTile::previewHeight, tile->width(), tile->height() - StudioBackgroundTile::previewHeight);
    EXPECT_GT(shareOf(chosen, name, QColor(0xFF9F0A), 60), shareOf(plain, name, QColor(0xFF9F0A), 60));

    bool clicked = false;
    QObject::connect(tile, &QAbstractButton::clicked, [&] { clicked = true; });
    click(tile, QPoint(tile->width() / 2, 20));
    EXPECT_TRUE(clicked) << "the preview lets clicks through to the tile";
}

TEST(StudioBackgroundTileTest, ALongNameKeepsBothEnds)
{
    Host host(environment(StudioColorScheme::light, QColor(0x007AFF)), {200, 120});
    auto* tile = host.add(new StudioBackgroundTile(QStringLiteral("Midnight over the northern harbour lights"), false,
                                                   new QWidget));
    tile->setFixedWidth(72);
    host.show();
    const QString shown = tile->shownTitle();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Mid"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("ts"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
}

class ArtworkThumbnailsTest : public ::testing::Test {
protected:
    QUrl write(const QString& name, QSize size)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(QColor(0x4F8DDC));
        const QString path = dir.filePath(name);
        EXPECT_TRUE(image.save(path));
        return QUrl::fromLocalFile(path);
    }
    // Asks until the cache answers with a picture or a decode of the file has ended without one.
    QImage ask(const QUrl& file)
    {
        QSignalSpy done(&cache, &ArtworkThumbnails::finished);
        QImage image = cache.image(file);
        if (!image.isNull())
            return image;
        EXPECT_TRUE(done.wait(10000));
        return cache.cached(file);
    }

    ArtworkThumbnails& cache = ArtworkThumbnails::shared();
    QTemporaryDir dir;
};

TEST_F(ArtworkThumbnailsTest, EachPictureIsDecodedOnceAndScaledToWhatATileShows)
{
    const QUrl wide = write(QStringLiteral("wide.png"), {1920, 1080});
    const int before = cache.decodesStarted();
    EXPECT_TRUE(cache.image(wide).isNull()) << "the first request only starts the decode";
    EXPECT_TRUE(cache.image(wide).isNull());
    EXPECT_EQ(cache.decodesStarted(), before + 1) << "a decode under way is not started twice";
    const QImage picture = ask(wide);
    ASSERT_FALSE(picture.isNull());
    // Covers 240 × 112 with its proportions: 240 × 135.
    EXPECT_EQ(picture.size(), QSize(240, 135));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(cache.image(wide).isNull());
    EXPECT_EQ(cache.decodesStarted(), before + 1);

    // A small picture is kept as it is.
    EXPECT_EQ(ask(write(QStringLiteral("small.png"), {64, 32})).size(), QSize(64, 32));
}

TEST_F(ArtworkThumbnailsTest, AFileThatDoesNotDecodeIsTriedAgain)
{
    const QUrl missing = QUrl::fromLocalFile(dir.filePath(QStringLiteral("gone.png")));
    const int before = cache.decodesStarted();
    EXPECT_TRUE(ask(missing).isNull());
    EXPECT_TRUE(ask(missing).isNull());
    EXPECT_EQ(cache.decodesStarted(), before + 2);

    // A named pipe with no writer must not hold a worker: it is refused, not read.
    const QString fifo = dir.filePath(QStringLiteral("pipe.png"));
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    EXPECT_TRUE(ask(QUrl::fromLocalFile(fifo)).isNull());

    // Once the file is there, it shows.
    write(QStringLiteral("gone.png"), {300, 300});
    EXPECT_EQ(ask(missing).size(), QSize(240, 240));
}

TEST_F(ArtworkThumbnailsTest, AThumbnailShowsThePictureOnceItIsThereAndASymbolUntilThen)
{
    ResourceLookup::ScopedRoots roots({dir.path()});
    Host host(environment(StudioColorScheme::light, QColor(0x007AFF)), {140, 80});
    auto* thumbnail = host.add(new StudioArtworkThumbnail(BackgroundArtwork::patternCheck));
    thumbnail->setFixedSize(100, 56);
    host.show();
    EXPECT_TRUE(thumbnail->image().isNull());
    const QImage empty = grabImage(thumbnail);
    EXPECT_LT(shareOf(empty, empty.rect(), QColor(0x4F8DDC), 30), 0.01);
    EXPECT_GT(shareOf(empty, empty.rect(), empty.pixel(0, 0), 0), 0.5) << "a symbol on an empty ground";

    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Backgrounds")));
    const QUrl file = write(QStringLiteral("Backgrounds/") + Artwork::filename(BackgroundArtwork::patternCheck) +
                                QStringLiteral(".jpg"),
                            {800, 200});
    ASSERT_EQ(Artwork::fileURL(BackgroundArtwork::patternCheck), file);
    thumbnail->update();
    ASSERT_FALSE(ask(file).isNull());
    EXPECT_TRUE(waitUntil([&] { return !thumbnail->image().isNull(); }));
    // Filled edge to edge, the wide picture cut at its sides.
    const QImage shown = grabImage(thumbnail);
    EXPECT_GT(shareOf(shown, shown.rect(), QColor(0x4F8DDC), 30), 0.95);
}

TEST_F(ArtworkThumbnailsTest, AGradientTileShowsItsPictureOrPaintsTheGradientWithoutOne)
{
    ResourceLookup::ScopedRoots roots({dir.path()});
    const BackgroundPreset preset = BackgroundPreset::all()[4];
    Host host(environment(StudioColorScheme::light, QColor(0x007AFF)), {140, 80});
    auto* missing = host.add(new GradientThumbnail(preset));
    missing->setFixedSize(100, 56);
    host.show();
    // Without its picture the tile shows the gradient the canvas paints instead.
    auto* painted = missing->findChild<CanvasBackground*>();
    ASSERT_NE(painted, nullptr);
    ASSERT_TRUE(waitUntil([&] { return !painted->preview().isNull(); }));
    EXPECT_TRUE(missing->image().isNull());

    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Backgrounds")));
    const QUrl file = write(QStringLiteral("Backgrounds/gradient-") + preset.id + QStringLiteral(".jpg"), {1600, 900});
    ASSERT_EQ(preset.fileURL(), file);
    auto* pictured = host.add(new GradientThumbnail(preset));
    pictured->setFixedSize(100, 56);
    host.show();
    ASSERT_FALSE(ask(file).isNull());
    EXPECT_TRUE(waitUntil([&] { return !pictured->image().isNull(); }));
    EXPECT_EQ(pictured->findChild<CanvasBackground*>(), nullptr);
    const QImage shown = grabImage(pictured);
    EXPECT_GT(shareOf(shown, shown.rect(), QColor(0x4F8DDC), 30), 0.95);
}

}  // namespace
}  // namespace sablewick::test

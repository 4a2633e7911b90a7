#include "document/EditSettings.h"
#include "document/ResourceLookup.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <set>

namespace sablewick {
namespace {

void touch(const QString& path)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(Catalogue, PresetsMatchTheTable)
{
    const auto& all = BackgroundPreset::all();
    ASSERT_EQ(all.size(), 26u);
    EXPECT_EQ(all[0], (BackgroundPreset{"prism", "Prism", 0x405BDB, 0xC895E8, 0x69E5EC, 0xFFBAE6}));
    EXPECT_EQ(all[6], (BackgroundPreset{"lilac-mist", "Lilac Mist", 0xAF9ED9, 0xF2DDE5, 0xA4D8EE, 0xF2C4F0}));
    EXPECT_EQ(all[8], (BackgroundPreset{"slate", "Slate", 0x222638, 0x4C617A, std::nullopt, std::nullopt}));
    EXPECT_EQ(all[25], (BackgroundPreset{"glacier", "Glacier", 0x5DB1CA, 0xD5F1EF, 0xB8A6EE, std::nullopt}));
    std::set<QString> ids;
    for (std::size_t i = 0; i < all.size(); ++i) {
        ids.insert(all[i].id);
        EXPECT_EQ(all[i].glow.has_value(), i < 8 || i >= 20) << all[i].id.toStdString();
        EXPECT_EQ(all[i].fourth.has_value(), i < 8) << all[i].id.toStdString();
    }
    EXPECT_EQ(ids.size(), 26u);
    EXPECT_EQ(BackgroundPreset::named("blue-hour")->name, "Blue Hour");
    EXPECT_FALSE(BackgroundPreset::named("Blue Hour"));
}

TEST(Catalogue, ArtworkNamesFilesAndGroups)
{
    EXPECT_EQ(Artwork::images.size(), 3u);
    EXPECT_EQ(Artwork::patterns.size(), 10u);
    EXPECT_EQ(Artwork::name(BackgroundArtwork::patternMemphis), "Paper Shapes");
    EXPECT_EQ(Artwork::filename(BackgroundArtwork::patternMemphis), "pattern-memphis");
    EXPECT_EQ(Artwork::name(BackgroundArtwork::midnightCurrent), "Midnight Current");
    EXPECT_EQ(Artwork::filename(BackgroundArtwork::midnightCurrent), "midnight-current");
    EXPECT_FALSE(Artwork::isPattern(BackgroundArtwork::clayFolds));
    EXPECT_TRUE(Artwork::isPattern(BackgroundArtwork::patternDots));
    EXPECT_EQ(Music::library.size(), 6u);
    EXPECT_EQ(Music::trackFileName(MusicChoice::pulse), "night-pulse");
    EXPECT_EQ(Music::trackFileName(MusicChoice::motion), "soft-motion");
}

TEST(Catalogue, SelectedArtworkFollowsTheKind)
{
    using A = BackgroundArtwork;
    const struct {
        BackgroundKind kind;
        std::optional<A> stored;
        std::optional<A> expected;
    } cases[] = {
        {BackgroundKind::pattern, std::nullopt, A::patternDots},
        {BackgroundKind::pattern, A::clayFolds, A::patternDots},
        {BackgroundKind::pattern, A::patternWaves, A::patternWaves},
        {BackgroundKind::image, std::nullopt, A::glassFlow},
        {BackgroundKind::image, A::patternGrid, A::glassFlow},
        {BackgroundKind::image, A::glassFlow, A::glassFlow},
        {BackgroundKind::image, A::clayFolds, A::clayFolds},
        {BackgroundKind::image, A::midnightCurrent, A::midnightCurrent},
        {BackgroundKind::gradient, A::patternDots, std::nullopt},
        {BackgroundKind::solid, A::clayFolds, std::nullopt},
        {BackgroundKind::hidden, A::patternDots, std::nullopt},
    };
    for (const auto& c : cases) {
        EditSettings s;
        s.backgroundKind = c.kind;
        s.backgroundArtwork = c.stored;
        EXPECT_EQ(Artwork::selected(s), c.expected) << storedValue(c.kind);
    }
}

class ResourceLookupTest : public ::testing::Test {
protected:
    QString root(int i) const { return QDir(m_dirs[i].path()).filePath("Assets"); }
    QString background(int i, const char* name) const { return root(i) + "/Backgrounds/" + name + ".jpg"; }
    QStringList roots() const { return {root(0), root(1), root(2)}; }

    QTemporaryDir m_dirs[3];
};

TEST_F(ResourceLookupTest, FindsAResourceInEachFolderInOrder)
{
    using ResourceLookup::Folder;
    EXPECT_FALSE(ResourceLookup::find(Folder::backgrounds, "gradient-prism", roots()));

    touch(background(2, "gradient-prism"));
    EXPECT_EQ(ResourceLookup::find(Folder::backgrounds, "gradient-prism", roots()),
              QUrl::fromLocalFile(background(2, "gradient-prism")));
    touch(background(1, "gradient-prism"));
    EXPECT_EQ(ResourceLookup::find(Folder::backgrounds, "gradient-prism", roots()),
              QUrl::fromLocalFile(background(1, "gradient-prism")));
    touch(background(0, "gradient-prism"));
    EXPECT_EQ(ResourceLookup::find(Folder::backgrounds, "gradient-prism", roots()),
              QUrl::fromLocalFile(background(0, "gradient-prism")));

    // Music lies in its own folder with its own extension.
    EXPECT_FALSE(ResourceLookup::find(Folder::music, "gradient-prism", roots()));
    touch(root(1) + "/Music/bloom.m4a");
    EXPECT_EQ(ResourceLookup::find(Folder::music, "bloom", roots()), QUrl::fromLocalFile(root(1) + "/Music/bloom.m4a"));

    // A folder of that name is no file, and a name never climbs out of its folder.
    ASSERT_TRUE(QDir().mkpath(background(0, "pattern-dots")));
    EXPECT_FALSE(ResourceLookup::find(Folder::backgrounds, "pattern-dots", roots()));
    touch(root(0) + "/secret.jpg");
    EXPECT_FALSE(ResourceLookup::find(Folder::backgrounds, "../secret", roots()));
}

TEST_F(ResourceLookupTest, DefaultRootsAreTheApplicationsThenTheWorkingDirectory)
{
    const QStringList app = ResourceLookup::applicationRoots();
    ASSERT_GE(app.size(), 3);
    EXPECT_EQ(app[0], QCoreApplication::applicationDirPath() + "/Assets");
    EXPECT_TRUE(app.contains(QDir::cleanPath(SABLEWICK_TEST_BUILD_ASSETS_DIR)));
    EXPECT_TRUE(app.back().endsWith("/share/sablewick/Assets")) << app.back().toStdString();

    // The working directory is looked at again on every call.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dirs[2].path()));
    const QStringList all = ResourceLookup::roots();
    // A name the application's own resources never hold, so only the working directory has it.
    touch(background(2, "working-directory-only"));
    const std::optional<QUrl> found = ResourceLookup::find(ResourceLookup::Folder::backgrounds, "working-directory-only");
    QDir::setCurrent(previous);
    EXPECT_EQ(all.mid(0, app.size()), app);
    EXPECT_EQ(all.back(), root(2));
    EXPECT_EQ(found, QUrl::fromLocalFile(background(2, "working-directory-only")));
}

TEST_F(ResourceLookupTest, BackgroundAndMusicLocations)
{
    const ResourceLookup::ScopedRoots scoped(roots());
    EditSettings s;  // gradient "prism"
    EXPECT_FALSE(Artwork::backgroundURL(s));
    touch(background(2, "gradient-prism"));
    EXPECT_EQ(Artwork::backgroundURL(s), QUrl::fromLocalFile(background(2, "gradient-prism")));
    EXPECT_EQ(s.background.fileURL(), QUrl::fromLocalFile(background(2, "gradient-prism")));

    touch(background(1, "glass-flow"));
    touch(background(1, "pattern-dots"));
    s.backgroundKind = BackgroundKind::image;
    s.backgroundArtwork = BackgroundArtwork::patternDots;
    EXPECT_EQ(Artwork::backgroundURL(s), QUrl::fromLocalFile(background(1, "glass-flow")));
    s.backgroundImageURL = QUrl::fromLocalFile("/nowhere/own picture.png");
    EXPECT_EQ(Artwork::backgroundURL(s), s.backgroundImageURL);  // the user's picture, unchecked
    s.backgroundKind = BackgroundKind::pattern;
    EXPECT_EQ(Artwork::backgroundURL(s), QUrl::fromLocalFile(background(1, "pattern-dots")));
    s.backgroundArtwork = BackgroundArtwork::patternGrid;
    EXPECT_FALSE(Artwork::backgroundURL(s));  // its file is missing
    for (const BackgroundKind kind : {BackgroundKind::solid, BackgroundKind::hidden}) {
        s.backgroundKind = kind;
        EXPECT_FALSE(Artwork::backgroundURL(s));
    }

    EXPECT_FALSE(Music::bundledURL(MusicChoice::glass));
    touch(root(0) + "/Music/glass-light.m4a");
    touch(root(0) + "/Music/none.m4a");
    touch(root(0) + "/Music/custom.m4a");
    touch(root(0) + "/Music/.m4a");
    EXPECT_EQ(Music::bundledURL(MusicChoice::glass), QUrl::fromLocalFile(root(0) + "/Music/glass-light.m4a"));
    EXPECT_FALSE(Music::bundledURL(MusicChoice::none));
    EXPECT_FALSE(Music::bundledURL(MusicChoice::custom));
}

}  // namespace
}  // namespace sablewick

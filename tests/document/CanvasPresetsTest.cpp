#include "document/CanvasStyle.h"
#include "document/DocumentError.h"

#include "platform/PreferencesStore.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sablewick {
namespace {

QString key() { return QString::fromLatin1(CanvasPresets::storageKey); }

EditSettings look(double radius)
{
    EditSettings s;
    s.cornerRadius = radius;
    s.backgroundKind = BackgroundKind::pattern;
    s.backgroundArtwork = BackgroundArtwork::patternHatch;
    return s;
}

TEST(CanvasStyle, CopiesTheLookWithFrameDefaultsAndAppliesItBack)
{
    EditSettings source = look(30);
    source.canvasPadding = 4;
    source.backgroundBlur = 2;
    const CanvasStyle style(source);
    EXPECT_EQ(style.radius, 30);
    EXPECT_EQ(style.padding, 4);
    EXPECT_EQ(style.blur, 2);
    EXPECT_EQ(style.artwork, BackgroundArtwork::patternHatch);
    EXPECT_EQ(style.inset, 0);
    EXPECT_EQ(style.frameColor, 0xFFFFFFu);
    EXPECT_TRUE(style.balancedCorners);

    EditSettings target;
    target.aspect = AspectRatio::square;
    target.cropLeft = 0.25;
    target.pointerSize = 3;
    style.applyTo(target);
    EXPECT_EQ(target.cornerRadius, 30);
    EXPECT_EQ(target.backgroundKind, BackgroundKind::pattern);
    EXPECT_EQ(target.frameInset, 0.0);
    EXPECT_EQ(target.frameColor, 0xFFFFFFu);
    EXPECT_EQ(target.balancedCorners, true);
    EXPECT_EQ(target.aspect, AspectRatio::square);
    EXPECT_EQ(target.cropLeft, 0.25);
    EXPECT_EQ(target.pointerSize, 3.0);
}

TEST(CanvasStyle, JsonLeavesOutAnAbsentImageAndRoundTrips)
{
    CanvasStyle style(look(12));
    nlohmann::json encoded = style.toJson();
    EXPECT_FALSE(encoded.contains("image"));
    EXPECT_EQ(encoded["kind"], "Pattern");
    EXPECT_EQ(encoded["artwork"], "patternHatch");
    EXPECT_EQ(encoded["color"], 0xE8ECF2);
    EXPECT_EQ(CanvasStyle::fromJson(encoded), style);

    style.image = QUrl::fromLocalFile("/pictures/bg.png");
    EXPECT_EQ(CanvasStyle::fromJson(style.toJson()), style);

    for (const char* required : {"background", "kind", "color", "radius", "padding", "shadow", "blur", "inset",
                                 "frameColor", "balancedCorners"}) {
        nlohmann::json missing = encoded;
        missing.erase(required);
        EXPECT_THROW(CanvasStyle::fromJson(missing), DocumentError) << required;
    }
}

class CanvasPresetsTest : public ::testing::Test {
protected:
    MemoryPreferencesStore m_store;
};

TEST_F(CanvasPresetsTest, NamesAreTrimmedAndCutToSixtyCharacters)
{
    CanvasPresets presets(m_store);
    ASSERT_TRUE(presets.save("  Studio Look \n", look(10)));
    EXPECT_EQ(presets.items().at(0).name, "Studio Look");

    const QString seventy(70, QLatin1Char('x'));
    ASSERT_TRUE(presets.save(seventy, look(11)));
    EXPECT_EQ(presets.items().at(1).name, QString(60, QLatin1Char('x')));

    // Characters as the user sees them: an emoji with a skin tone and an accented letter built
    // from two code points each count once.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD");  // thumbs up, medium skin tone
    const QString accented = QString::fromUtf8("e\xCC\x81");                   // e + combining acute
    const QString name = QString(58, QLatin1Char('a')) + emoji + accented + "zzz";
    EXPECT_EQ(CanvasPresets::normalizedName(name), QString(58, QLatin1Char('a')) + emoji + accented);
    EXPECT_EQ(CanvasPresets::normalizedName(QString(59, QLatin1Char('a')) + emoji), QString(59, QLatin1Char('a')) + emoji);
}

TEST_F(CanvasPresetsTest, ABlankNameChangesAndWritesNothing)
{
    CanvasPresets presets(m_store);
    int changes = 0;
    QObject::connect(&presets, &CanvasPresets::itemsChanged, [&changes] { ++changes; });
    EXPECT_FALSE(presets.save("   \n\t ", look(10)));
    EXPECT_FALSE(presets.save("", look(10)));
    EXPECT_TRUE(presets.items().empty());
    EXPECT_FALSE(m_store.contains(key()));
    EXPECT_EQ(changes, 0);
}

TEST_F(CanvasPresetsTest, SavingAnExistingNameIgnoringCaseReplacesItsStyleInPlace)
{
    CanvasPresets presets(m_store);
    presets.save("First", look(1));
    presets.save("Studio Look", look(2));
    presets.save("Last", look(3));
    const NamedCanvasStyle before = presets.items().at(1);

    ASSERT_TRUE(presets.save("studio look", look(20)));
    ASSERT_EQ(presets.items().size(), 3u);
    EXPECT_EQ(presets.items()[1].id, before.id);
    EXPECT_EQ(presets.items()[1].name, "Studio Look");
    EXPECT_EQ(presets.items()[1].style.radius, 20);
    EXPECT_EQ(presets.items()[2].name, "Last");

    // The stored list is what a new store reads back.
    CanvasPresets reread(m_store);
    EXPECT_EQ(reread.items(), presets.items());
}

TEST_F(CanvasPresetsTest, RemoveDropsEveryMatchAndAlwaysWrites)
{
    CanvasPresets presets(m_store);
    presets.save("One", look(1));
    presets.save("Two", look(2));
    const QUuid one = presets.items()[0].id;

    m_store.removeValue(key());
    presets.remove(QUuid::createUuid());
    EXPECT_EQ(presets.items().size(), 2u);
    ASSERT_TRUE(m_store.contains(key()));  // written although nothing matched
    EXPECT_EQ(CanvasPresets::decode(m_store.value(key()).toByteArray()), presets.items());

    presets.remove(one);
    ASSERT_EQ(presets.items().size(), 1u);
    EXPECT_EQ(presets.items()[0].name, "Two");
    EXPECT_EQ(CanvasPresets(m_store).items(), presets.items());
}

TEST_F(CanvasPresetsTest, AStyleThatCannotBeStoredLeavesTheListAsItWas)
{
    CanvasPresets presets(m_store);
    presets.save("Kept", look(5));
    const QVariant stored = m_store.value(key());
    EditSettings broken = look(5);
    broken.shadowStrength = std::nan("");
    EXPECT_FALSE(presets.save("Broken", broken));
    EXPECT_FALSE(presets.save("Kept", broken));
    ASSERT_EQ(presets.items().size(), 1u);
    EXPECT_EQ(presets.items()[0].style.radius, 5);
    EXPECT_EQ(m_store.value(key()), stored);
}

TEST_F(CanvasPresetsTest, UnreadableStoredPresetsAreKeptAsideBeforeTheFirstWrite)
{
    CanvasPresets source(m_store);
    source.save("Good", look(1));
    source.save("Bad", look(2));
    nlohmann::json list = nlohmann::json::parse(m_store.value(key()).toByteArray().toStdString());
    list[1]["style"].erase("radius");
    const QByteArray unreadable = QByteArray::fromStdString(list.dump());
    m_store.setValue(key(), unreadable);

    CanvasPresets presets(m_store);
    EXPECT_TRUE(presets.items().empty());
    EXPECT_EQ(m_store.value(key()).toByteArray(), unreadable);  // untouched until a write
    EXPECT_FALSE(m_store.contains(CanvasPresets::backupKey));

    presets.save("Fresh", look(3));
    EXPECT_EQ(m_store.value(CanvasPresets::backupKey).toByteArray(), unreadable);
    EXPECT_EQ(CanvasPresets(m_store).items(), presets.items());

    // A second unreadable value never overwrites the first one kept aside.
    m_store.setValue(key(), QStringLiteral("not data"));
    CanvasPresets again(m_store);
    EXPECT_TRUE(again.items().empty());
    again.remove(QUuid::createUuid());
    EXPECT_EQ(m_store.value(CanvasPresets::backupKey).toByteArray(), unreadable);
    EXPECT_EQ(m_store.value(QString::fromLatin1(CanvasPresets::backupKey) + ".2"), QStringLiteral("not data"));
}

TEST_F(CanvasPresetsTest, StoredFormIsACompactJsonArray)
{
    CanvasPresets presets(m_store);
    presets.save("Look", look(7));
    const QByteArray data = m_store.value(key()).toByteArray();
    EXPECT_TRUE(data.startsWith("[{"));
    EXPECT_FALSE(data.contains('\n'));
    const nlohmann::json list = nlohmann::json::parse(data.toStdString());
    EXPECT_EQ(list[0]["name"], "Look");
    EXPECT_EQ(list[0]["id"], presets.items()[0].id.toString(QUuid::WithoutBraces).toUpper().toStdString());
    EXPECT_EQ(list[0]["style"]["radius"], 7);
    EXPECT_THROW(CanvasPresets::decode("{}"), DocumentError);
    EXPECT_THROW(CanvasPresets::decode("[{\"id\": \"x\"}]"), DocumentError);
    EXPECT_TRUE(CanvasPresets::decode("[]").empty());
}

}  // namespace
}  // namespace sablewick

// What assistive tools learn of the kit's selectable controls, headings and decorations.
#include "KitTestSupport.h"

#include "components/StudioAccentPicker.h"
#include "components/StudioColorSwatch.h"
#include "components/StudioIconToggle.h"
#include "components/StudioInspector.h"
#include "components/StudioMusicRow.h"
#include "components/StudioSelectionBadge.h"
#include "components/StudioTile.h"
#include "components/StudioToolRail.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "preferences/FakeSystemAppearance.h"

#include <QAccessible>
#include <QLabel>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace sablewick {
namespace {

using namespace sablewick::test;

const QColor accent(0x00AD83);

QAccessible::State stateOf(QWidget* widget)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->state() : QAccessible::State();
}

TEST(StudioAccessibility, SelectedSwatchesAndTilesCarryTheSelectedState)
{
    MemoryPreferencesStore store;
    auto system = std::make_shared<FakeSystemAppearance>();
    AppPreferences preferences{store, system};
    Host host(environment(StudioColorScheme::light, accent), {480, 600});
    auto* swatch = host.add(new StudioColorSwatch(QColor(0x36E6B3), QStringLiteral("Mint"), true));
    auto* tile = host.add(new StudioTileButton(false));
    auto* row = host.add(new StudioMusicRow(QStringLiteral("Daybreak"), QStringLiteral("Bright pulse."), false, false,
                                            {}, {}));
    auto* picker = host.add(new StudioAccentPicker(preferences, system));
    host.show();

    struct Case {
        const char* name;
        QWidget* widget;
        std::function<bool()> isSelected;
        std::function<void(bool)> select;
    };
    const Case cases[] = {
        {"swatch", swatch, [&] { return swatch->isSelected(); }, [&](bool on) { swatch->setSelected(on); }},
        {"tile", tile, [&] { return tile->isSelected(); }, [&](bool on) { tile->setSelected(on); }},
        {"music tile", row->tile(), [&] { return row->tile()->isSelected(); }, [&](bool on) { row->setSelected(on); }},
        {"accent tile", picker->tile(StudioAccent::mint), [&] { return picker->tile(StudioAccent::mint)->isSelected(); },
         [&](bool on) { preferences.setAccent(on ? StudioAccent::mint : StudioAccent::blue); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool on : {true, false, true}) {
            c.select(on);
            ASSERT_EQ(c.isSelected(), on);
            const QAccessible::State state = stateOf(c.widget);
            EXPECT_TRUE(state.selectable);
            EXPECT_EQ(bool(state.selected), on);
        }
        EXPECT_EQ(QAccessible::queryAccessibleInterface(c.widget)->role(), QAccessible::Button);
    }
    // Selected from the start, as lists build them, it is selected for assistive tools at once.
    EXPECT_TRUE(stateOf(host.add(new StudioTileButton(true))).selected);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(picker->tile(StudioAccent::mint))->text(QAccessible::Name),
              QStringLiteral("Mint accent"));
}

TEST(StudioAccessibility, InspectorTitleIsAHeading)
{
    Host host(environment(StudioColorScheme::dark, accent), {300, 260});
    auto* inspector = host.add(new StudioInspector(QStringLiteral("Canvas"), QStringLiteral("photo"),
                                                   QStringLiteral("Background and frame.")));
    host.show();
    int headings = 0;
    for (QLabel* label : inspector->header()->findChildren<QLabel*>()) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(label);
        ASSERT_NE(accessible, nullptr);
        if (accessible->role() != QAccessible::Heading)
            continue;
        ++headings;
        EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Canvas"));
    }
    EXPECT_EQ(headings, 1) << "the title, not the subtitle";
}

// The badge repeats the tile's selected state and a caption the toggle's title: both stay out of
// what assistive tools read.
TEST(StudioAccessibility, BadgeAndRailCaptionsAreHidden)
{
    Host host(environment(StudioColorScheme::light, accent), {200, 400});
    auto* tile = host.add(new StudioTileButton(true));
    tile->setFixedSize(96, 64);
    int page = 0;
    bool shown = true;
    auto* rail = host.add(StudioToolRail::make<int>(
        StudioBinding<int>::to(page), StudioBinding<bool>::to(shown), std::vector<int>{0, 1},
        [](int p) { return QStringLiteral("Page %1").arg(p); }, [](int) { return QStringLiteral("scope"); }, {}));
    host.show();
    studioSelectionBadge(tile, true);
    auto* badge = tile->findChild<QWidget*>(QStringLiteral("studioSelectionBadge"));
    ASSERT_NE(badge, nullptr);

    std::vector<QWidget*> hidden{badge};
    for (QWidget* widget : rail->findChildren<QWidget*>()) {
        const bool insideToggle = qobject_cast<StudioIconToggle*>(widget) || qobject_cast<StudioIconToggle*>(widget->parentWidget());
        if (!insideToggle && widget->findChildren<QWidget*>().isEmpty())
            hidden.push_back(widget);  // a caption: the one leaf of a rail item that is not its toggle
    }
    ASSERT_EQ(hidden.size(), 3u) << "the badge and two captions";
    for (QWidget* widget : hidden) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr);
        EXPECT_TRUE(accessible->state().invisible);
        EXPECT_EQ(accessible->text(QAccessible::Name), QString());
    }
    EXPECT_FALSE(stateOf(rail->toggle(0)).invisible);
    EXPECT_FALSE(stateOf(tile).invisible);
}

}  // namespace
}  // namespace sablewick

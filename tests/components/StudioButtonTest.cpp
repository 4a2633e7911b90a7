#include "KitTestSupport.h"

#include "components/StudioButton.h"
#include "components/StudioColorSwatch.h"
#include "components/StudioIconToggle.h"
#include "components/StudioSlider.h"
#include "components/StudioTile.h"

#include <QAccessible>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace sablewick {
namespace {

using namespace sablewick::test;

const QColor orange(0xFF9500);
const QColor lightRed(0xFF3B30);

TEST(StudioButton, HeightsAndTextSizesComeFromTheTokens)
{
    Host host(environment(StudioColorScheme::light, orange));
    struct Row { StudioControlSize size; int height; int font; };
    const Row rows[] = {{StudioControlSize::compact, 20, 11},
                        {StudioControlSize::regular, 24, 13},
                        {StudioControlSize::large, 30, 13}};
    for (const Row& row : rows) {
        auto* button = host.add(new StudioButton(QStringLiteral("Export"), QString(),
                                                 StudioButtonVariant::secondary, row.size));
        EXPECT_EQ(button->sizeHint().height(), row.height);
        auto* icon = host.add(new StudioIconButton(QStringLiteral("Record"), QStringLiteral("record.circle"),
                                                   StudioButtonVariant::secondary, row.size));
        const int iconDiameter = row.size == StudioControlSize::compact ? 30 : 36;
        EXPECT_EQ(icon->sizeHint(), QSize(iconDiameter, iconDiameter));
        auto* toggle = host.add(new StudioIconToggle(QStringLiteral("Pointer"), QStringLiteral("cursorarrow"),
                                                     {[] { return false; }, [](const bool&) {}}, row.size));
        EXPECT_EQ(toggle->sizeHint(), QSize(iconDiameter, iconDiameter));
    }
    host.show();
    for (auto* button : host.window->findChildren<StudioButton*>())
        EXPECT_EQ(button->height(), metrics(button->platformControlSize()).height);
}

TEST(StudioButton, LoadingShowsSpinnerRefusesClicksAndRestores)
{
    Host host(environment(StudioColorScheme::light, orange));
    auto* button = host.add(new StudioButton(QStringLiteral("Export"), QStringLiteral("square.and.arrow.up"),
                                             StudioButtonVariant::primary, StudioControlSize::regular),
                            Qt::AlignLeft);
    host.show();
    int clicks = 0;
    QObject::connect(button, &QAbstractButton::clicked, [&] { ++clicks; });
    click(button);
    EXPECT_EQ(clicks, 1);

    const QImage before = grabImage(button);
    button->setLoading(true);
    QApplication::processEvents();
    click(button);
    EXPECT_EQ(clicks, 0 + 1) << "a loading button cannot be clicked";
    EXPECT_EQ(button->accessibleDescription(), StudioButton::inProgressText);
    EXPECT_NE(grabImage(button), before);

    button->setLoading(false);
    QApplication::processEvents();
    EXPECT_EQ(button->accessibleDescription(), QString());
    click(button);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(grabImage(button), before) << "clearing the spinner restores the symbol";

    // Assistive tools hear that it is busy and cannot press it meanwhile.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Export"));
    EXPECT_EQ(accessible->text(QAccessible::Value), QString());
    EXPECT_FALSE(accessible->state().disabled);
    button->setLoading(true);
    EXPECT_EQ(accessible->text(QAccessible::Value), StudioButton::inProgressText);
    EXPECT_TRUE(accessible->state().disabled);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(clicks, 2) << "no press from assistive tools while loading";
    button->setLoading(false);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(clicks, 3);

    // A caller's disabling outlives the spinner.
    button->setEnabled(false);
    button->setLoading(true);
    button->setLoading(false);
    click(button);
    EXPECT_EQ(clicks, 3);
}

TEST(StudioButton, FillsWidthSpansItsContainer)
{
    Host host(environment(StudioColorScheme::light, orange), {400, 100});
    auto* plain = host.add(new StudioButton(QStringLiteral("Save"), QString(), StudioButtonVariant::secondary,
                                            StudioControlSize::regular));
    auto* wide = host.add(new StudioButton(QStringLiteral("Save"), QString(), StudioButtonVariant::secondary,
                                           StudioControlSize::regular));
    wide->setFillsWidth(true);
    host.show();
    EXPECT_EQ(wide->width(), 400 - 20);
    EXPECT_LT(plain->width(), 120);
}

// Samples the plate a little inside the leading edge, where no label is drawn.
QColor plateColour(QWidget* button)
{
    const QImage image = grabImage(button);
    return pixel(image, 5, image.height() / 2);
}

TEST(StudioButton, VariantsTintAndKeepTheirTextReadable)
{
    for (StudioColorScheme scheme : {StudioColorScheme::light, StudioColorScheme::dark}) {
        Host host(environment(scheme, orange));
        const QColor window = StudioColors::from(environment(scheme, orange)).window;
        struct Row { StudioButtonVariant variant; bool role; QColor plate; };
        const Row rows[] = {
            {StudioButtonVariant::primary, false, orange},
            {StudioButtonVariant::destructive, false, StudioSystemColors::red().resolved(scheme)},
            // The destructive role turns any variant red, even a primary one.
            {StudioButtonVariant::secondary, true, StudioSystemColors::red().resolved(scheme)},
            {StudioButtonVariant::primary, true, StudioSystemColors::red().resolved(scheme)},
        };
        std::vector<StudioButton*> buttons;
        for (const Row& row : rows) {
            auto* b = host.add(new StudioButton(QStringLiteral("Export"), QString(), row.variant,
                                                StudioControlSize::large), Qt::AlignLeft);
            b->setDestructiveRole(row.role);
            buttons.push_back(b);
        }
        auto* secondary = host.add(new StudioButton(QStringLiteral("Export"), QString(),
                                                    StudioButtonVariant::secondary, StudioControlSize::large),
                                   Qt::AlignLeft);
        auto* tertiary = host.add(new StudioButton(QStringLiteral("Export"), QString(),
                                                   StudioButtonVariant::tertiary, StudioControlSize::large),
                                  Qt::AlignLeft);
        host.show();
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            const QColor plate = plateColour(buttons[i]);
            EXPECT_LE(colourDistance(plate, rows[i].plate), 24) << "row " << i << " scheme "
                                                                << static_cast<int>(scheme);
            const QImage image = grabImage(buttons[i]);
            // Filled plates: white or black ink, whichever reads better, at least 3:1 (UI text on
            // a tinted control).
            EXPECT_GE(strongestContrast(image, image.rect().adjusted(10, 4, -10, -4), plate), 3.0);
        }
        // A secondary button is untinted: a neutral plate, not the window's accent.
        const QColor neutral = plateColour(secondary);
        EXPECT_GT(colourDistance(neutral, orange), 120);
        const QImage secondaryImage = grabImage(secondary);
        EXPECT_GE(strongestContrast(secondaryImage, secondaryImage.rect().adjusted(10, 4, -10, -4), neutral), 4.5);
        // A tertiary label button has no plate at all.
        EXPECT_LE(colourDistance(plateColour(tertiary), window), 6);
        const QImage tertiaryImage = grabImage(tertiary);
        EXPECT_GE(strongestContrast(tertiaryImage, tertiaryImage.rect().adjusted(10, 4, -10, -4), window), 4.5);
    }
}

TEST(StudioButton, AssistiveToolsReadTheTitleShownNow)
{
    Host host(environment(StudioColorScheme::light, orange));
    auto* button = host.add(new StudioButton(QStringLiteral("Export MP4…"), QStringLiteral("square.and.arrow.up"),
                                             StudioButtonVariant::primary, StudioControlSize::regular));
    host.show();
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Export MP4…"));
    button->setText(QStringLiteral("Export GIF…"));
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Export GIF…"));
}

TEST(StudioButton, IconButtonsAreCirclesWithTheirTitleAsTooltip)
{
    Host host(environment(StudioColorScheme::light, orange));
    auto* tertiary = host.add(new StudioIconButton(QStringLiteral("Zoom in"), QStringLiteral("plus.magnifyingglass"),
                                                   StudioButtonVariant::tertiary, StudioControlSize::regular));
    host.show();
    EXPECT_EQ(tertiary->toolTip(), QStringLiteral("Zoom in"));
    EXPECT_EQ(tertiary->accessibleName(), QStringLiteral("Zoom in"));
    EXPECT_TRUE(tertiary->text().isEmpty());
    EXPECT_EQ(tertiary->appearance().chrome, ButtonChrome::glass);
    const QImage image = grabImage(tertiary);
    const QColor window = StudioColors::from(environment(StudioColorScheme::light, orange)).window;
    // A tertiary icon keeps its plate (a white disc here); the corners outside the circle stay window.
    EXPECT_LE(colourDistance(pixel(image, 6, image.height() / 2), QColor(Qt::white)), 12);
    EXPECT_LE(colourDistance(pixel(image, 1, 1), window), 6);
    // The symbol is drawn, in ink that reads on the plate.
    EXPECT_GE(strongestContrast(image, QRect(10, 10, 16, 16), QColor(Qt::white)), 4.5);
}

TEST(StudioButton, OnlyKeyboardFocusShowsTheAccentRing)
{
    Host host(environment(StudioColorScheme::light, orange));
    auto* field = host.add(new QLineEdit);
    auto* button = host.add(new StudioButton(QStringLiteral("Open"), QString(), StudioButtonVariant::secondary,
                                             StudioControlSize::large),
                            Qt::AlignLeft);
    host.show();
    QApplication::setActiveWindow(host.window.get());
    field->setFocus();
    click(button);
    EXPECT_FALSE(button->hasFocus()) << "a click does not focus a button";
    const QImage plain = grabImage(button);
    button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(button->hasFocus());
    const QImage focused = grabImage(button);
    const QPoint edge(0, plain.height() / 2);
    EXPECT_LT(colourDistance(pixel(focused, edge.x(), edge.y()), orange),
              colourDistance(pixel(plain, edge.x(), edge.y()), orange) - 60);
}

TEST(StudioSlider, SlidersAndSwatchesShowKeyboardFocusButNoRingAfterAClick)
{
    Host host(environment(StudioColorScheme::light, orange), {300, 120});
    auto* field = host.add(new QLineEdit);
    double value = 0.5;
    auto* slider = host.add(new StudioSlider(StudioBinding<double>::to(value), 0, 1));
    auto* swatch = host.add(new StudioColorSwatch(QColor(0x36E6B3), QStringLiteral("Mint"), false));
    host.show();
    QApplication::setActiveWindow(host.window.get());
    struct Case { QWidget* control; QPoint ringPoint; };
    const QPoint knobTop(slider->width() / 2, slider->height() / 2 - StudioSlider::knobDiameter / 2 - 1);
    const QPoint circleLeft(swatch->width() / 2 - StudioColorSwatch::diameter / 2 - 2, swatch->height() / 2);
    for (const Case& c : {Case{slider, knobTop}, Case{swatch, circleLeft}}) {
        field->setFocus();
        // A click may focus the control (a slider then takes the wheel) but draws no ring.
        click(c.control);
        const QImage plain = grabImage(c.control);
        field->setFocus();
        c.control->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(c.control->hasFocus());
        const QImage focused = grabImage(c.control);
        EXPECT_LT(colourDistance(pixel(focused, c.ringPoint.x(), c.ringPoint.y()), orange),
                  colourDistance(pixel(plain, c.ringPoint.x(), c.ringPoint.y()), orange) - 60)
            << c.control->metaObject()->className();
    }
}

TEST(StudioIconToggle, WritesThroughItsBindingAndShowsWhatItReads)
{
    Host host(environment(StudioColorScheme::dark, orange));
    bool on = false;
    int writes = 0;
    auto* toggle = host.add(new StudioIconToggle(QStringLiteral("Pointer"), QStringLiteral("cursorarrow"),
                                                 {[&] { return on; }, [&](const bool& v) { on = v; ++writes; }},
                                                 StudioControlSize::regular));
    bool refused = false;
    auto* stubborn = host.add(new StudioIconToggle(QStringLiteral("Sounds"), QStringLiteral("speaker.slash"),
                                                   {[&] { return refused; }, [](const bool&) {}},
                                                   StudioControlSize::regular));
    host.show();
    const QImage off = grabImage(toggle);
    EXPECT_GT(colourDistance(pixel(off, 4, 18), orange), 100) << "off: untinted";
    click(toggle);
    EXPECT_TRUE(on);
    EXPECT_EQ(writes, 1);
    EXPECT_TRUE(toggle->isOn());
    EXPECT_LE(colourDistance(pixel(grabImage(toggle), 4, 18), orange), 24) << "on: the accent";
    click(toggle);
    EXPECT_FALSE(on);
    // A caller that refuses the write keeps the toggle off.
    click(stubborn);
    EXPECT_FALSE(stubborn->isOn());
}

TEST(StudioIconToggle, AssistiveToolsSeeTheCallersFlagAsCheckedAndCanToggleIt)
{
    Host host(environment(StudioColorScheme::light, orange));
    bool on = false;
    auto* toggle = host.add(new StudioIconToggle(QStringLiteral("Pointer"), QStringLiteral("cursorarrow"),
                                                 StudioBinding<bool>::to(on), StudioControlSize::regular));
    host.show();
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(toggle);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Pointer"));
    EXPECT_TRUE(accessible->state().checkable);
    EXPECT_FALSE(accessible->state().checked);
    on = true;
    EXPECT_TRUE(accessible->state().checked) << "read from the caller each time";
    ASSERT_NE(accessible->actionInterface(), nullptr);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(on);
    EXPECT_FALSE(accessible->state().checked);
}

TEST(StudioColorSwatch, WholeCellClicksAndRingsFollowSelection)
{
    Host host(environment(StudioColorScheme::light, orange), {200, 80});
    auto* swatch = host.add(new StudioColorSwatch(QColor(0x36E6B3), QStringLiteral("Mint"), false));
    host.show();
    EXPECT_GE(swatch->height(), StudioColorSwatch::minimumCellHeight);
    EXPECT_GT(swatch->width(), StudioColorSwatch::diameter * 3);
    int clicks = 0;
    QObject::connect(swatch, &QAbstractButton::clicked, [&] { ++clicks; });
    click(swatch, QPoint(2, 2));
    click(swatch, QPoint(swatch->width() - 2, swatch->height() - 2));
    EXPECT_EQ(clicks, 2);

    const QPoint edge(swatch->width() / 2, swatch->height() / 2 - StudioColorSwatch::diameter / 2);
    const QImage plain = grabImage(swatch);
    swatch->setSelected(true);
    const QImage selected = grabImage(swatch);
    EXPECT_LE(colourDistance(pixel(selected, edge.x(), edge.y() + 1), orange), 60) << "accent ring";
    EXPECT_GT(colourDistance(pixel(plain, edge.x(), edge.y() + 1), orange), 100);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(swatch)->state().selected);
}

TEST(StudioColorSwatch, SelectionGivenAtCreationReachesAssistiveTools)
{
    // Lists build their swatches and tiles already selected; that must be announced as much as a
    // selection made later.
    Host host(environment(StudioColorScheme::light, orange));
    auto* swatch = host.add(new StudioColorSwatch(QColor(0x36E6B3), QStringLiteral("Mint"), true));
    auto* tile = host.add(new StudioTileButton(true));
    auto* plainTile = host.add(new StudioTileButton(false));
    const auto selected = [](QWidget* w) { return bool(QAccessible::queryAccessibleInterface(w)->state().selected); };
    EXPECT_TRUE(selected(swatch));
    EXPECT_TRUE(selected(tile));
    EXPECT_FALSE(selected(plainTile));
    swatch->setSelected(false);
    tile->setSelected(false);
    EXPECT_FALSE(selected(swatch));
    EXPECT_FALSE(selected(tile));
}

TEST(StudioTile, OpacityForEnabledPressedAndDisabled)
{
    Host host(environment(StudioColorScheme::light, orange));
    auto* tile = host.add(new StudioTileButton(false));
    tile->setMinimumSize(80, 50);
    host.show();
    EXPECT_DOUBLE_EQ(tile->contentOpacity(), 1.0);
    press(tile, QPoint(40, 25));
    EXPECT_TRUE(tile->isDown());
    EXPECT_DOUBLE_EQ(tile->contentOpacity(), 0.78);
    release(tile, QPoint(40, 25));
    EXPECT_DOUBLE_EQ(tile->contentOpacity(), 1.0);
    tile->setEnabled(false);
    EXPECT_DOUBLE_EQ(tile->contentOpacity(), 0.42);
    press(tile, QPoint(40, 25));
    EXPECT_DOUBLE_EQ(tile->contentOpacity(), 0.42) << "a disabled tile does not dim further";
    release(tile, QPoint(40, 25));
    // The rounded corner itself is not part of the tile.
    tile->setEnabled(true);
    int clicks = 0;
    QObject::connect(tile, &QAbstractButton::clicked, [&] { ++clicks; });
    click(tile, QPoint(0, 0));
    click(tile, QPoint(40, 25));
    EXPECT_EQ(clicks, 1);
}

} // namespace
} // namespace sablewick

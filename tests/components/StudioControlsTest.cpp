#include "KitTestSupport.h"

#include "components/StudioGlassSurface.h"
#include "components/StudioIconToggle.h"
#include "components/StudioMenuPicker.h"
#include "components/StudioSegments.h"
#include "components/StudioSelectionBadge.h"
#include "components/StudioSlider.h"
#include "components/StudioStyle.h"
#include "components/StudioTextField.h"
#include "components/StudioTile.h"
#include "components/StudioToolRail.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>

#include <gtest/gtest.h>

namespace sablewick {
namespace {

using namespace sablewick::test;

const QColor violetAccent(0x7B3FF2);

enum class Format { mp4, mov, gif };

TEST(StudioSegments, OptionsAreToldApartByValueNotText)
{
    Host host(environment(StudioColorScheme::light, violetAccent));
    Format chosen = Format::mov;
    int writes = 0;
    StudioBinding<Format> binding{[&] { return chosen; }, [&](const Format& f) { chosen = f; ++writes; }};
    // Two options with the same text still stand for different values.
    auto* segments = host.add(StudioSegments::make<Format>(
        QStringLiteral("Format"), binding, {Format::mp4, Format::mov, Format::gif},
        [](Format f) { return f == Format::mp4 ? QStringLiteral("MP4") : QStringLiteral("Movie"); }));
    host.show();
    EXPECT_EQ(segments->accessibleName(), QStringLiteral("Format"));
    EXPECT_EQ(segments->selectedIndex(), 1);
    EXPECT_EQ(segments->height(), 24);
    click(segments, segments->segmentRect(2).center());
    EXPECT_EQ(chosen, Format::gif);
    EXPECT_EQ(writes, 1);
    // The display follows the caller, not the click.
    chosen = Format::mp4;
    EXPECT_EQ(segments->selectedIndex(), 0);
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(segments, &right);
    EXPECT_EQ(chosen, Format::mov);
    // A press that ends on another segment chooses nothing.
    press(segments, segments->segmentRect(0).center());
    release(segments, segments->segmentRect(2).center());
    EXPECT_EQ(chosen, Format::mov);
}

TEST(StudioMenuPicker, MenuChecksTheChoiceAndWritesTheNewOne)
{
    Host host(environment(StudioColorScheme::dark, violetAccent));
    int resolution = 1080;
    auto* picker = host.add(StudioMenuPicker::make<int>(
        QStringLiteral("Resolution"), StudioBinding<int>::to(resolution), {720, 1080, 1440, 2160},
        [](int r) { return QStringLiteral("%1p").arg(r); }));
    host.show();
    EXPECT_EQ(picker->selectedIndex(), 1);
    EXPECT_EQ(picker->height(), 24);
    click(picker);
    QMenu* menu = picker->openMenu();
    ASSERT_NE(menu, nullptr);
    const auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[3]->text(), QStringLiteral("2160p"));
    for (int i = 0; i < actions.size(); ++i)
        EXPECT_EQ(actions[i]->isChecked(), i == 1);
    EXPECT_EQ(menu->activeAction(), actions[1]) << "the keyboard starts from the current choice";
    actions[3]->trigger();
    EXPECT_EQ(resolution, 2160);
    menu->close();
    QApplication::processEvents();
    EXPECT_EQ(picker->selectedIndex(), 3);
}

TEST(StudioSegments, AssistiveToolsReadTheChosenOption)
{
    Host host(environment(StudioColorScheme::light, violetAccent));
    Format chosen = Format::mov;
    auto* segments = host.add(StudioSegments::make<Format>(
        QStringLiteral("Format"), StudioBinding<Format>::to(chosen), {Format::mp4, Format::mov, Format::gif},
        [](Format f) { return f == Format::mp4 ? QStringLiteral("MP4") : f == Format::mov ? QStringLiteral("MOV") : QStringLiteral("GIF"); }));
    int resolution = 1080;
    auto* picker = host.add(StudioMenuPicker::make<int>(
        QStringLiteral("Resolution"), StudioBinding<int>::to(resolution), {720, 1080},
        [](int r) { return QStringLiteral("%1p").arg(r); }));
    host.show();
    for (QWidget* choice : {static_cast<QWidget*>(segments), static_cast<QWidget*>(picker)}) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(choice);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), QAccessible::ComboBox);
    }
    QAccessibleInterface* format = QAccessible::queryAccessibleInterface(segments);
    EXPECT_EQ(format->text(QAccessible::Name), QStringLiteral("Format"));
    EXPECT_EQ(format->text(QAccessible::Value), QStringLiteral("MOV"));
    click(segments, segments->segmentRect(2).center());
    EXPECT_EQ(format->text(QAccessible::Value), QStringLiteral("GIF"));
    // The value is the caller's, read when asked.
    QAccessibleInterface* size = QAccessible::queryAccessibleInterface(picker);
    EXPECT_EQ(size->text(QAccessible::Name), QStringLiteral("Resolution"));
    EXPECT_EQ(size->text(QAccessible::Value), QStringLiteral("1080p"));
    resolution = 720;
    EXPECT_EQ(size->text(QAccessible::Value), QStringLiteral("720p"));
    resolution = 1;
    EXPECT_EQ(size->text(QAccessible::Value), QString()) << "a value that is none of the options reads as nothing";
    ASSERT_NE(size->actionInterface(), nullptr);
    size->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    ASSERT_NE(picker->openMenu(), nullptr) << "the menu opens from assistive tools too";
    picker->openMenu()->close();
}

TEST(StudioStyle, MenusUseTheKitRowsAndAnAccentHighlight)
{
    StudioStyle::install();
    Host host(environment(StudioColorScheme::light, violetAccent));
    int chosen = 0;
    auto* picker = host.add(new StudioMenuPicker(QStringLiteral("Quality"), StudioBinding<int>::to(chosen),
                                                 {QStringLiteral("Low"), QStringLiteral("High")}));
    host.show();
    picker->showMenu();
    QMenu* menu = picker->openMenu();
    ASSERT_NE(menu, nullptr);
    QApplication::processEvents();
    EXPECT_EQ(menu->actionGeometry(menu->actions()[0]).height(), 24);
    menu->setActiveAction(menu->actions()[1]);
    const QImage image = grabImage(menu);
    const QRect highlighted = menu->actionGeometry(menu->actions()[1]);
    EXPECT_GT(shareOf(image, highlighted, violetAccent, 10), 0.5) << "the row under the pointer is the accent";
    EXPECT_GE(strongestContrast(image, highlighted.adjusted(24, 2, -10, -2), violetAccent), 4.5);
    menu->close();
}

enum class Page { canvas, focus, cursor, audio };

TEST(StudioToolRail, ClicksSelectAndShowButNeverHide)
{
    Host host(environment(StudioColorScheme::light, violetAccent), {66, 400});
    Page page = Page::focus;
    bool shown = false;
    std::vector<Page> reported;
    const std::vector<Page> pages{Page::canvas, Page::focus, Page::cursor, Page::audio};
    auto* rail = host.add(StudioToolRail::make<Page>(
        StudioBinding<Page>::to(page), StudioBinding<bool>::to(shown), pages,
        [](Page p) { return QStringLiteral("Page %1").arg(static_cast<int>(p)); },
        [](Page) { return QStringLiteral("scope"); }, [&](const Page& p) { reported.push_back(p); }));
    host.show();
    ASSERT_EQ(rail->count(), 4);
    EXPECT_EQ(rail->toggle(0)->height(), 36) << "regular icon toggles";
    // Hidden inspector: nothing lit, not even the selected page.
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(rail->isActive(i));
    click(rail->toggle(3));
    EXPECT_EQ(page, Page::audio);
    EXPECT_TRUE(shown);
    EXPECT_EQ(reported, std::vector<Page>{Page::audio});
    EXPECT_TRUE(rail->isActive(3));
    EXPECT_FALSE(rail->isActive(1));
    // The lit item: no change, no report.
    click(rail->toggle(3));
    EXPECT_TRUE(shown);
    EXPECT_EQ(reported.size(), 1u);
    // The items sit 18 px from the top, 10 px apart.
    const QWidget* first = rail->toggle(0)->parentWidget();
    const QWidget* second = rail->toggle(1)->parentWidget();
    EXPECT_EQ(first->y(), StudioToolRail::topPadding);
    EXPECT_EQ(second->y() - (first->y() + first->height()), StudioToolRail::itemSpacing);
}

TEST(StudioSlider, SteppedAndContinuousValuesThroughTheBinding)
{
    Host host(environment(StudioColorScheme::light, violetAccent), {300, 120});
    double stepped = 3.4;
    double smooth = 0.25;
    auto* steps = host.add(new StudioSlider(StudioBinding<double>::to(stepped), 0, 10, 1.0));
    auto* free = host.add(new StudioSlider(StudioBinding<double>::to(smooth), 0, 1));
    host.show();
    EXPECT_EQ(steps->value(), 3) << "shown at the nearest step";
    EXPECT_DOUBLE_EQ(stepped, 3.4) << "showing does not write";
    steps->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_DOUBLE_EQ(stepped, 4.0);
    steps->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_DOUBLE_EQ(stepped, 10.0);
    free->setValue(free->maximum() / 3);
    EXPECT_NEAR(smooth, 1.0 / 3.0, 1e-3);
    EXPECT_NE(smooth * 10000, std::round(smooth * 10) * 1000) << "continuous values are not rounded to steps";

    // The caller's value moves the thumb, except while the user drags it.
    smooth = 0.9;
    free->refresh();
    EXPECT_NEAR(free->displayedValue(), 0.9, 1e-3);
    free->setSliderDown(true);
    smooth = 0.1;
    free->refresh();
    EXPECT_NEAR(free->displayedValue(), 0.9, 1e-3);
    free->setSliderDown(false);
    free->refresh();
    EXPECT_NEAR(free->displayedValue(), 0.1, 1e-3);

    // The filled part of the track is the accent; a change of accent shows at once.
    smooth = 0.8;
    free->refresh();
    const int y = free->height() / 2;
    EXPECT_LE(colourDistance(pixel(grabImage(free), 30, y), violetAccent), 20);
    StudioTheme::setEnvironment(host.window.get(), environment(StudioColorScheme::light, QColor(0xFF9500)));
    EXPECT_LE(colourDistance(pixel(grabImage(free), 30, y), QColor(0xFF9500)), 20);
}

TEST(StudioSlider, AClickOnTheTrackLandsOnTheNearestStepAndDragsFromThere)
{
    Host host(environment(StudioColorScheme::light, violetAccent), {420, 80});
    double quality = 0;
    auto* slider = host.add(new StudioSlider(StudioBinding<double>::to(quality), 0, 2, 1.0));
    slider->setMinimumWidth(400);
    host.show();
    const double left = StudioSlider::knobDiameter / 2.0;
    const double span = slider->width() - StudioSlider::knobDiameter;
    const auto at = [&](double fraction) { return QPoint(qRound(left + fraction * span), slider->height() / 2); };

    // 40 % of the way is nearest to the middle step, well away from the knob at the start.
    press(slider, at(0.4));
    EXPECT_DOUBLE_EQ(quality, 1.0);
    release(slider, at(0.4));
    EXPECT_DOUBLE_EQ(quality, 1.0) << "the press must not page back towards the old value";
    EXPECT_FALSE(slider->isSliderDown());

    // Pressing on the knob and dragging moves it with the pointer.
    press(slider, at(0.5));
    QMouseEvent move(QEvent::MouseMove, QPointF(at(0.95)), slider->mapToGlobal(QPointF(at(0.95))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &move);
    EXPECT_TRUE(slider->isSliderDown());
    EXPECT_DOUBLE_EQ(quality, 2.0);
    release(slider, at(0.95));
    EXPECT_DOUBLE_EQ(quality, 2.0);
}

TEST(StudioSliderField, ShowsTheCallersTextAndNamesItsSlider)
{
    Host host(environment(StudioColorScheme::dark, violetAccent), {300, 120});
    double padding = 64;
    auto* field = host.add(new StudioSliderField(QStringLiteral("Padding"), StudioBinding<double>::to(padding), 0,
                                                 200, QStringLiteral("64 pt")));
    host.show();
    EXPECT_EQ(field->slider()->accessibleName(), QStringLiteral("Padding"));
    EXPECT_FALSE(field->slider()->scale().stepped());
    field->slider()->setValue(field->slider()->maximum() / 2);
    EXPECT_DOUBLE_EQ(padding, 100);
    EXPECT_EQ(field->formattedValue(), QStringLiteral("64 pt")) << "the field never formats by itself";
    field->setFormattedValue(QStringLiteral("100 pt"));
    EXPECT_EQ(field->formattedValue(), QStringLiteral("100 pt"));
}

TEST(StudioSlider, AssistiveToolsGetTheCallersValueNotTheControlsPosition)
{
    Host host(environment(StudioColorScheme::light, violetAccent), {300, 120});
    double padding = 64;
    auto* field = host.add(new StudioSliderField(QStringLiteral("Padding"), StudioBinding<double>::to(padding), 0,
                                                 200, QStringLiteral("64 pt")));
    double level = 1;
    auto* stepped = host.add(new StudioSlider(StudioBinding<double>::to(level), 0, 2, 1.0));
    host.show();

    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(field->slider());
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Slider);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Padding"));
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("64 pt")) << "a field's slider reads the field's text";
    QAccessibleValueInterface* value = accessible->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_NEAR(value->currentValue().toDouble(), 64, 0.05);
    EXPECT_DOUBLE_EQ(value->minimumValue().toDouble(), 0);
    EXPECT_DOUBLE_EQ(value->maximumValue().toDouble(), 200);
    value->setCurrentValue(150.0);
    EXPECT_NEAR(padding, 150, 0.05) << "a value set by an assistive tool reaches the caller";

    QAccessibleInterface* steps = QAccessible::queryAccessibleInterface(stepped);
    ASSERT_NE(steps, nullptr);
    EXPECT_EQ(steps->text(QAccessible::Value), QLocale().toString(1.0));
    stepped->setValueText([](double v) { return v >= 2 ? QStringLiteral("High") : QStringLiteral("Low"); });
    steps->valueInterface()->setCurrentValue(1.7);
    EXPECT_DOUBLE_EQ(level, 2.0) << "set to the nearest step";
    EXPECT_EQ(steps->text(QAccessible::Value), QStringLiteral("High"));
    EXPECT_DOUBLE_EQ(steps->valueInterface()->minimumStepSize().toDouble(), 1.0);
}

TEST(StudioGlassSurface, MaterialOrSolidWithTheBorderInside)
{
    for (bool reduce : {false, true}) {
        Host host(environment(StudioColorScheme::light, violetAccent, reduce), {200, 120});
        auto* badgeHost = host.add(new QWidget);
        badgeHost->setFixedSize(120, 80);
        auto* surface = new StudioGlassSurface(StudioGlassSurface::Shape::circle, 0, badgeHost);
        surface->setGeometry(10, 10, 23, 23);
        host.show();
        const QImage image = grabImage(badgeHost);
        const QColor centre = pixel(image, 21, 21);
        const QColor window = StudioColors::from(environment(StudioColorScheme::light, violetAccent)).window;
        if (reduce) {
            EXPECT_EQ(centre, QColor(Qt::white)) << "solid: the opaque text-background colour";
            // The stronger border: 22 % of the label colour at the very edge, inside the circle.
            EXPECT_LT(std::min(pixel(image, 21, 10).lightness(), pixel(image, 21, 11).lightness()), 215);
        } else {
            EXPECT_NE(centre, QColor(Qt::white)) << "material: lightly translucent";
            EXPECT_GT(centre.lightness(), window.lightness());
        }
        // Nothing is drawn outside the 23 px circle.
        EXPECT_LE(colourDistance(pixel(image, 10 + 23, 21), window), 4);
        EXPECT_LE(colourDistance(pixel(image, 9, 21), window), 4);
    }
}

TEST(StudioSelectionBadge, SitsTopRightAndLetsClicksThrough)
{
    Host host(environment(StudioColorScheme::light, violetAccent), {200, 120});
    auto* tile = host.add(new StudioTileButton(true));
    tile->setFixedSize(96, 64);
    host.show();
    studioSelectionBadge(tile, true);
    auto* badge = tile->findChild<QWidget*>(QStringLiteral("studioSelectionBadge"));
    ASSERT_NE(badge, nullptr);
    EXPECT_TRUE(badge->isVisible());
    EXPECT_EQ(badge->geometry(), QRect(96 - 5 - 23, 5, 23, 23));
    EXPECT_TRUE(badge->testAttribute(Qt::WA_TransparentForMouseEvents));
    int clicks = 0;
    QObject::connect(tile, &QAbstractButton::clicked, [&] { ++clicks; });
    const QPoint onBadge = badge->geometry().center();
    EXPECT_EQ(tile->childAt(onBadge), nullptr) << "the badge takes no clicks";
    click(tile, onBadge);
    EXPECT_EQ(clicks, 1);
    // The check mark is in the accent made readable on the window.
    const QImage image = grabImage(badge);
    const QColor readable = StudioAccentContrast::readable(violetAccent, QColor(0xECECEC));
    EXPECT_GT(shareOf(image, image.rect(), readable, 40), 0.015);
    studioSelectionBadge(tile, false);
    EXPECT_FALSE(badge->isVisible());
    studioSelectionBadge(tile, true);
    EXPECT_EQ(tile->findChildren<QWidget*>(QStringLiteral("studioSelectionBadge")).size(), 1);
}

TEST(StudioTextField, HeightsByTokenAndTheStyleForEveryField)
{
    StudioStyle::install();
    Host host(environment(StudioColorScheme::light, violetAccent), {300, 200});
    auto* compact = host.add(new StudioTextField(StudioControlSize::compact));
    auto* regular = host.add(new StudioTextField(StudioControlSize::regular));
    auto* large = host.add(new StudioTextField(StudioControlSize::large));
    auto* plain = host.add(new QLineEdit);
    host.show();
    EXPECT_EQ(compact->height(), 20);
    EXPECT_EQ(regular->height(), 24);
    EXPECT_EQ(large->height(), 30);
    EXPECT_EQ(plain->sizeHint().height(), 24) << "every line edit gets the regular size";
    // The rounded border: the corner pixel stays the window colour, the side is drawn.
    const QImage image = grabImage(regular);
    EXPECT_LE(colourDistance(pixel(image, 0, 0), QColor(0xECECEC)), 40);
    EXPECT_LT(pixel(image, 0, image.height() / 2).lightness(), 236);
}

} // namespace
} // namespace sablewick

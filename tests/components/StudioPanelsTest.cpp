#include "KitTestSupport.h"

#include "GalleryWindow.h"
#include "components/StudioAccentPicker.h"
#include "components/StudioButton.h"
#include "components/StudioEditorWorkspace.h"
#include "components/StudioInspector.h"
#include "components/StudioLabel.h"
#include "components/StudioMusicRow.h"
#include "components/StudioStyle.h"
#include "components/StudioTile.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "preferences/FakeSystemAppearance.h"

#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace sablewick {
namespace {

using namespace sablewick::test;

const QColor greenAccent(0x00AD83);

struct Preferences {
    MemoryPreferencesStore store;
    std::shared_ptr<FakeSystemAppearance> system = std::make_shared<FakeSystemAppearance>();
    AppPreferences preferences{store, system};
};

TEST(StudioInspector, HeaderBackgroundWrappingAndScrollingForm)
{
    for (bool reduce : {false, true}) {
        Host host(environment(StudioColorScheme::light, greenAccent, reduce), {300, 260});
        auto* inspector = host.add(new StudioInspector(QStringLiteral("Canvas"), QStringLiteral("photo"),
                                                       QStringLiteral("Background and frame.")));
        auto* content = new QWidget;
        content->setMinimumHeight(900);
        inspector->setContent(content);
        host.show();
        const QColor header = pixel(grabImage(inspector->header()), 4, 4);
        const StudioColors colors = StudioColors::from(environment(StudioColorScheme::light, greenAccent, reduce));
        if (reduce)
            EXPECT_EQ(header, colors.window) << "opaque window colour";
        else
            EXPECT_NE(header, colors.window) << "the bar material";
        // Tall content scrolls inside the form; the header stays where it is.
        QScrollBar* bar = inspector->form()->verticalScrollBar();
        EXPECT_GT(bar->maximum(), 0);
        const int headerTop = inspector->header()->y();
        bar->setValue(bar->maximum());
        EXPECT_EQ(inspector->header()->y(), headerTop);
        EXPECT_EQ(inspector->content(), content);
    }

    Host host(environment(StudioColorScheme::dark, greenAccent), {260, 400});
    auto* inspector = host.add(new StudioInspector(QStringLiteral("Focus"), QStringLiteral("scope"),
                                                   QStringLiteral("Short.")));
    host.show();
    const int shortHeight = inspector->header()->height();
    inspector->setHeader(QStringLiteral("Focus"), QStringLiteral("scope"),
                         QStringLiteral("A long explanation of what the focus points do, which wraps onto "
                                        "several lines in a narrow inspector column."));
    host.layout->activate();
    QApplication::processEvents();
    EXPECT_GT(inspector->header()->height(), shortHeight + 10) << "a long subtitle wraps and the header grows";
    EXPECT_EQ(inspector->header()->height() + inspector->form()->height(), inspector->height());
}

TEST(StudioMusicRow, SelectionPlayingAndActionsAreIndependent)
{
    Host host(environment(StudioColorScheme::light, greenAccent), {420, 200});
    int selects = 0;
    int auditions = 0;
    auto* row = host.add(new StudioMusicRow(QStringLiteral("Daybreak"), QStringLiteral("Bright pulse."), false, true,
                                            [&] { ++selects; }, [&] { ++auditions; }));
    host.show();
    EXPECT_GE(row->tile()->height(), StudioMusicRow::minimumTileHeight);
    EXPECT_EQ(row->tile()->accessibleName(), QStringLiteral("Use Daybreak"));
    EXPECT_EQ(row->auditionButton()->accessibleName(), QStringLiteral("Stop preview Daybreak"));
    EXPECT_EQ(row->auditionButton()->systemImage(), QStringLiteral("stop.fill"));
    EXPECT_EQ(row->auditionButton()->controlSize(), StudioControlSize::regular);
    EXPECT_EQ(row->auditionButton()->variant(), StudioButtonVariant::secondary);
    EXPECT_FALSE(row->tile()->isSelected());
    click(row->auditionButton());
    EXPECT_EQ(auditions, 1);
    EXPECT_EQ(selects, 0);
    click(row->tile(), QPoint(40, 20));
    EXPECT_EQ(selects, 1);

    const QImage unselected = grabImage(row->tile());
    row->setSelected(true);
    row->setPlaying(false);
    EXPECT_EQ(row->auditionButton()->accessibleName(), QStringLiteral("Preview Daybreak"));
    EXPECT_EQ(row->auditionButton()->systemImage(), QStringLiteral("play.fill"));
    const QImage selected = grabImage(row->tile());
    // A light accent wash and the accent check mark at the trailing edge.
    const QRect trailing(selected.width() - 40, 0, 40, selected.height());
    EXPECT_GT(shareOf(selected, trailing, greenAccent, 60), 0.01);
    EXPECT_LT(shareOf(unselected, trailing, greenAccent, 60), 0.001);

    // A long detail wraps and the row grows.
    auto* wrapped = host.add(new StudioMusicRow(
        QStringLiteral("Night Drive"),
        QStringLiteral("A warm synth bed that moves slowly under the voice, with soft drums arriving after the "
                       "first minute and a long fade at the end."),
        false, false, {}, {}));
    host.layout->activate();
    QApplication::processEvents();
    EXPECT_GT(wrapped->tile()->height(), StudioMusicRow::minimumTileHeight + 10);
}

TEST(StudioAccentPicker, OneMarkFollowsThePreferences)
{
    Preferences p;
    Host host(environment(StudioColorScheme::light, greenAccent), {420, 360});
    auto* picker = host.add(new StudioAccentPicker(p.preferences, p.system));
    host.show();
    const auto selectedCount = [&] {
        int n = 0;
        for (StudioAccent a : allStudioAccents)
            n += picker->tile(a)->isSelected() ? 1 : 0;
        return n;
    };
    EXPECT_EQ(selectedCount(), 1);
    EXPECT_TRUE(picker->tile(StudioAccent::blue)->isSelected());
    EXPECT_EQ(picker->tile(StudioAccent::electricBlue)->accessibleName(), QStringLiteral("Electric Blue accent"));

    click(picker->tile(StudioAccent::mint));
    EXPECT_EQ(p.preferences.accent(), StudioAccent::mint);
    EXPECT_EQ(p.store.value(AppPreferences::accentKey).toString(), QStringLiteral("Mint"));
    EXPECT_EQ(selectedCount(), 1);
    EXPECT_TRUE(picker->tile(StudioAccent::mint)->isSelected());

    p.preferences.setAccent(StudioAccent::custom);
    EXPECT_TRUE(picker->tile(StudioAccent::custom)->isSelected());
    EXPECT_EQ(picker->swatchColor(StudioAccent::custom, StudioColorScheme::light), QColor(107, 136, 255));
    p.preferences.setCustomAccent(0xFFFFA0);
    EXPECT_EQ(picker->swatchColor(StudioAccent::custom, StudioColorScheme::dark), QColor(0xFF, 0xFF, 0xA0));
    EXPECT_TRUE(picker->tile(StudioAccent::custom)->isSelected());
    // A pale swatch carries a black check mark; a dark one a white mark.
    const QImage pale = grabImage(picker->tile(StudioAccent::custom));
    const QRect swatch(pale.width() / 2 - 6, 12, 12, 12);
    EXPECT_GT(shareOf(pale, swatch, Qt::black, 200), 0.05);
    p.preferences.setCustomAccent(0x101030);
    const QImage dark = grabImage(picker->tile(StudioAccent::custom));
    EXPECT_GT(shareOf(dark, swatch, Qt::white, 200), 0.05);

    // The system swatch is the desktop's accent, whatever the application's palette says now.
    EXPECT_EQ(picker->swatchColor(StudioAccent::system, StudioColorScheme::light), p.system->accent);
    // Vibrant accents are drawn in their value for the scheme.
    EXPECT_EQ(picker->swatchColor(StudioAccent::gold, StudioColorScheme::light), QColor(0xEAA300));
    EXPECT_EQ(picker->swatchColor(StudioAccent::gold, StudioColorScheme::dark), QColor(0xFFCF3A));
    p.preferences.resetAppearance();
    EXPECT_TRUE(picker->tile(StudioAccent::blue)->isSelected());
    EXPECT_EQ(selectedCount(), 1);
}

TEST(StudioEditorWorkspace, RailKeepsItsWidthAndTheTimelineItsHeight)
{
    Host host(environment(StudioColorScheme::dark, greenAccent), {900, 600});
    host.layout->setContentsMargins(0, 0, 0, 0);
    auto* timeline = new QWidget;
    timeline->setFixedHeight(120);
    auto* workspace = host.add(new StudioEditorWorkspace(new QWidget, new QWidget, timeline));
    host.show();
    EXPECT_EQ(workspace->rail()->width(), 66);
    EXPECT_EQ(workspace->rail()->height(), 600);
    EXPECT_EQ(workspace->timeline()->height(), 120);
    EXPECT_EQ(workspace->preview()->height(), 600 - 120);
    EXPECT_EQ(workspace->preview()->width(), 900 - 66);
    EXPECT_EQ(workspace->rail()->x(), 900 - 66);
    host.window->resize(150, 400);
    host.layout->activate();
    QApplication::processEvents();
    EXPECT_EQ(workspace->rail()->width(), 66) << "the work area gives up width first";
    EXPECT_EQ(workspace->preview()->width(), 150 - 66);
}

TEST(StudioTheme, CarriesPreferencesIntoTheApplication)
{
    Preferences p;
    StudioStyle::install();
    p.preferences.applyApplicationAppearance();
    StudioTheme theme(p.preferences);
    EXPECT_EQ(QApplication::palette().color(QPalette::Active, QPalette::Highlight), QColor(0x007AFF));
    EXPECT_EQ(QApplication::font().pixelSize(), StudioTheme::bodyPixelSize);

    p.preferences.setAccent(StudioAccent::orange);
    EXPECT_EQ(StudioTheme::applicationEnvironment().accent, QColor(0xFF9500));
    EXPECT_EQ(QApplication::palette().color(QPalette::Active, QPalette::Highlight), QColor(0xFF9500));

    // The custom colour itself, not a readable-contrast variant of it.
    p.preferences.setCustomAccent(0xFFEE99);
    p.preferences.setAccent(StudioAccent::custom);
    EXPECT_EQ(StudioTheme::applicationEnvironment().accent, QColor(0xFF, 0xEE, 0x99));
    EXPECT_EQ(QApplication::palette().color(QPalette::Active, QPalette::HighlightedText), QColor(Qt::black));

    p.preferences.setAppearance(StudioAppearance::dark);
    EXPECT_TRUE(StudioTheme::applicationEnvironment().isDark());
    EXPECT_LT(QApplication::palette().color(QPalette::Window).lightness(), 100);

    EXPECT_FALSE(StudioTheme::applicationEnvironment().reduceTransparency);
    p.system->transparency = true;
    emit p.system->changed();
    EXPECT_TRUE(StudioTheme::applicationEnvironment().reduceTransparency) << "the desktop's switch counts";
    EXPECT_FALSE(StudioTheme::applicationEnvironment().transparencyReduction);
    p.system->transparency = false;
    p.preferences.setReduceTransparency(true);
    EXPECT_TRUE(StudioTheme::applicationEnvironment().reduceTransparency);
    p.preferences.setReduceMotion(true);
    EXPECT_TRUE(StudioTheme::applicationEnvironment().reduceMotion);

    // A window forced into its own environment keeps it; the rest follows the application.
    QWidget forced;
    auto* inner = new QWidget(&forced);
    QWidget other;
    StudioTheme::setEnvironment(&forced, environment(StudioColorScheme::light, QColor(0x34C759)));
    EXPECT_EQ(StudioTheme::environment(inner).accent, QColor(0x34C759));
    EXPECT_FALSE(StudioTheme::environment(inner).isDark());
    EXPECT_TRUE(StudioTheme::environment(&other).isDark());

    p.preferences.resetAppearance();
}

TEST(Gallery, EveryControlInLightAndDarkWithTheAccent)
{
    Preferences p;
    p.preferences.setAccent(StudioAccent::violet);
    StudioStyle::install();
    p.preferences.applyApplicationAppearance();
    StudioTheme theme(p.preferences);
    GalleryWindow window(p.preferences, p.system);
    window.resize(1920, 1080);
    window.show();
    QApplication::processEvents();

    for (StudioColorScheme scheme : {StudioColorScheme::light, StudioColorScheme::dark}) {
        SCOPED_TRACE(scheme == StudioColorScheme::dark ? "dark" : "light");
        QWidget* pane = window.pane(scheme);
        const QColor violet = scheme == StudioColorScheme::dark ? QColor(0xAD83FF) : QColor(0x7B3FF2);
        const StudioColors colors = StudioColors::from(environment(scheme, violet));
        const QImage image = grabImage(pane);
        EXPECT_EQ(image.size(), pane->size());

        // Sizes from the tokens.
        for (StudioControlSize size : allStudioControlSizes) {
            auto* button = pane->findChild<StudioButton*>(
                QStringLiteral("button-primary-%1").arg(QLatin1String(rawValue(size).data())));
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->height(), metrics(buttonControlSize(size, StudioButtonLayout::label)).height);
        }
        EXPECT_EQ(pane->findChild<QWidget*>(QStringLiteral("icon-secondary"))->size(), QSize(36, 36));
        EXPECT_EQ(pane->findChild<QWidget*>(QStringLiteral("icon-compact"))->size(), QSize(30, 30));
        EXPECT_EQ(pane->findChild<QWidget*>(QStringLiteral("field-large"))->height(), 30);
        EXPECT_EQ(pane->findChild<QWidget*>(QStringLiteral("rail"))->width(), 66);

        // The accent is used: on the primary button, the lit rail item and the slider.
        auto* primary = pane->findChild<QWidget*>(QStringLiteral("button-primary-large"));
        const QPoint plate = primary->mapTo(pane, QPoint(5, primary->height() / 2));
        EXPECT_LE(colourDistance(pixel(image, plate.x(), plate.y()), violet), 24);
        EXPECT_GT(shareOf(image, image.rect(), violet, 24), 0.004);

        // Readable text: every text label of the pane reaches 4.5:1 on the window, secondary
        // text included.
        for (StudioLabel* label : pane->findChildren<StudioLabel*>()) {
            if (!label->isVisible() || label->text().isEmpty())
                continue;
            const QImage text = grabImage(label);
            const QColor ground = pixel(text, 0, 0);
            EXPECT_GE(strongestContrast(text, text.rect(), ground), 4.5)
                << label->text().toStdString();
        }
        // The primary buttons' text on the accent.
        const QImage button = grabImage(primary);
        EXPECT_GE(strongestContrast(button, button.rect().adjusted(10, 4, -10, -4), violet), 3.0);
        (void)colors;
    }

    // The panes share the gallery's state: a choice in one shows in the other.
    auto* lightTile = window.pane(StudioColorScheme::light)->findChild<StudioTileButton*>(QStringLiteral("tile-2"));
    auto* darkTile = window.pane(StudioColorScheme::dark)->findChild<StudioTileButton*>(QStringLiteral("tile-2"));
    click(lightTile, QPoint(30, 30));
    EXPECT_EQ(window.state().tile, 2);
    EXPECT_TRUE(darkTile->isSelected());
}

} // namespace
} // namespace sablewick

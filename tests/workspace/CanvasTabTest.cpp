// The inspector's Canvas page over a real editor model (fake clock and player): how it is plugged
// into the window, its format and crop controls, and that it follows the model in place without
// losing a drag or a half-typed number.
#include "components/KitTestSupport.h"
#include "editor/EditorTestSupport.h"

#include "components/StudioInspector.h"
#include "components/StudioPaint.h"
#include "components/StudioLabel.h"
#include "components/StudioMenuPicker.h"
#include "components/StudioSlider.h"
#include "components/StudioTextField.h"
#include "document/CanvasStyle.h"
#include "workspace/ContentState.h"
#include "workspace/CanvasInspector.h"
#include "workspace/AudioTab.h"
#include "workspace/CanvasTab.h"
#include "workspace/FocusTab.h"
#include "workspace/PointerInspector.h"
#include "workspace/InspectorPages.h"
#include "workspace/InspectorSection.h"

#include <QAbstractButton>
#include <QTest>

namespace sablewick::test {
namespace {

class CanvasTabTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bench.open(Clips::get().threeSeconds));
        tab = std::make_unique<CanvasTab>(editor().document(), presets);
        tab->resize(340, 900);
        tab->show();
    }

    EditorModel& editor() { return bench.model(); }
    // Lets the history's coalescing delay pass, committing the burst as one step.
    void settle() { bench.scheduler.advance(0.4); }
    EditSettings with(const std::function<void(EditSettings&)>& change)
    {
        EditSettings s = editor().document().settings();
        change(s);
        return s;
    }
    bool showsText(const QString& text) const
    {
        for (auto* label : tab->findChildren<StudioLabel*>())
            if (label->isVisibleTo(tab.get()) && label->text() == text)
                return true;
        return false;
    }
    StudioTextField* field(const QString& name) const
    {
        return tab->findChild<StudioTextField*>(name);
    }
    static void type(QLineEdit* field, const QString& text)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    EditorBench bench;
    MemoryPreferencesStore store;
    CanvasPresets presets{store};
    std::unique_ptr<CanvasTab> tab;
};

TEST_F(CanvasTabTest, AspectChoiceShowsItsNoteOrTheCustomRatio)
{
    const QString fit = QStringLiteral("Fits the canvas to your content and frame.");
    const QString within = QStringLiteral("A ratio, not a pixel size. Choose output resolution when exporting.");
    auto* picker = tab->findChild<StudioMenuPicker*>();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->labels().size(), 6);
    EXPECT_EQ(picker->labels().front(), "Fit content");
    EXPECT_EQ(picker->selectedIndex(), 1);  // 16:9 · Landscape
    EXPECT_FALSE(showsText(fit));
    EXPECT_FALSE(field("Aspect width")->isVisibleTo(tab.get()));

    picker->showMenu();
    ASSERT_NE(picker->openMenu(), nullptr);
    picker->openMenu()->actions().at(0)->trigger();
    EXPECT_EQ(editor().document().settings().aspect, AspectRatio::auto_);
    EXPECT_TRUE(showsText(fit));

    editor().document().setSettings(with([](EditSettings& s) { s.aspect = AspectRatio::custom; }));
    EXPECT_FALSE(showsText(fit));
    EXPECT_TRUE(field("Aspect width")->isVisibleTo(tab.get()));
    EXPECT_EQ(field("Aspect width")->text(), "16");
    EXPECT_EQ(field("Aspect height")->text(), "9");
    EXPECT_TRUE(showsText(within));
}

TEST_F(CanvasTabTest, TypedRatioSidesAreClampedAndNonsenseIsUndone)
{
    editor().document().setSettings(with([](EditSettings& s) { s.aspect = AspectRatio::custom; }));
    QLineEdit* width = field("Aspect width");
    struct Case {
        const char* typed;
        std::optional<std::int64_t> stored;
        qlonglong shown;
    };
    for (const Case& c : {Case{"0", 1, 1}, Case{"20000", 10000, 10000}, Case{"abc", 10000, 10000},
                          Case{"5", 5, 5}}) {
        type(width, QString::fromLatin1(c.typed));
        QTest::keyClick(width, Qt::Key_Return);
        EXPECT_EQ(editor().document().settings().customAspectWidth, c.stored) << c.typed;
        EXPECT_EQ(width->text(), width->locale().toString(c.shown)) << c.typed;
    }
    // 1:5 is beyond the limits.
    type(field("Aspect width"), "1");
    QTest::keyClick(field("Aspect width"), Qt::Key_Return);
    type(field("Aspect height"), "5");
    QTest::keyClick(field("Aspect height"), Qt::Key_Return);
    EXPECT_EQ(editor().document().settings().customAspectHeight, 5);
    EXPECT_TRUE(showsText(QStringLiteral("The canvas is limited to 1:4. Use a ratio between 1:4 and 4:1.")));
}

TEST_F(CanvasTabTest, SwapStoresBothSidesAsOneUndoStep)
{
    editor().document().setSettings(with([](EditSettings& s) { s.aspect = AspectRatio::custom; }));
    editor().document().flushPendingEdits();
    auto* swap = tab->findChild<QAbstractButton*>(QStringLiteral("swapRatio"));
    ASSERT_NE(swap, nullptr);
    swap->click();
    EXPECT_EQ(editor().document().settings().customAspectWidth, 9);
    EXPECT_EQ(editor().document().settings().customAspectHeight, 16);
    EXPECT_EQ(field("Aspect width")->text(), "9");
    settle();
    editor().document().undo();
    EXPECT_FALSE(editor().document().settings().customAspectWidth);
    EXPECT_FALSE(editor().document().settings().customAspectHeight);
    EXPECT_EQ(editor().document().settings().aspect, AspectRatio::custom);
    EXPECT_EQ(field("Aspect width")->text(), "16");
}

TEST_F(CanvasTabTest, AHalfTypedSideSurvivesChangesFromElsewhere)
{
    editor().document().setSettings(with([](EditSettings& s) { s.aspect = AspectRatio::custom; }));
    QLineEdit* width = field("Aspect width");
    QLineEdit* before = width;
    type(width, "21");
    editor().document().setSettings(with([](EditSettings& s) { s.cropTop = 0.1; }));
    EXPECT_EQ(field("Aspect width"), before) << "the page is updated in place, not rebuilt";
    EXPECT_EQ(width->text(), "21");
    EXPECT_FALSE(editor().document().settings().customAspectWidth);
    QTest::keyClick(width, Qt::Key_Return);
    EXPECT_EQ(editor().document().settings().customAspectWidth, 21);
}

TEST_F(CanvasTabTest, ThePageReadsInLightAndDark)
{
    for (StudioColorScheme scheme : {StudioColorScheme::light, StudioColorScheme::dark}) {
        const bool dark = scheme == StudioColorScheme::dark;
        Host host(environment(scheme, QColor(dark ? 0x0A84FF : 0x007AFF)), {360, 1500});
        host.layout->setContentsMargins(0, 0, 0, 0);
        auto* inspector = host.add(new StudioInspector(QStringLiteral("Canvas"), QStringLiteral("rectangle.inset.filled"),
                                                       QStringLiteral("Shape the frame. Set the mood.")));
        auto* page = new CanvasTab(editor().document(), presets);
        inspector->setContent(page);
        host.show();
        const QImage shot = grabImage(host.window.get());

        const StudioColors colors = StudioColors::of(page);
        EXPECT_EQ(colors.environment.isDark(), dark);
        // The form's ground follows the scheme, and every section title reads on it.
        const QPoint ground = page->mapTo(host.window.get(), QPoint(2, 2));
        const QColor back = pixel(shot, ground.x(), ground.y());
        if (dark)
            EXPECT_LT(back.lightness(), 90);
        else
            EXPECT_GT(back.lightness(), 200);
        for (const char* title : {"Format", "Background", "Frame", "Crop"}) {
            StudioLabel* label = nullptr;
            for (auto* l : page->findChildren<StudioLabel*>())
                if (l->text() == title)
                    label = l;
            ASSERT_NE(label, nullptr) << title;
            const QRect area(label->mapTo(host.window.get(), QPoint(0, 0)), label->size());
            EXPECT_GT(strongestContrast(shot, area, back), 3.0) << title << (dark ? " dark" : " light");
        }
        // The gradient tiles have drawn their pictures (or painted gradients) by the time they show.
        auto* canvas = page->canvas();
        ASSERT_FALSE(canvas->backgroundTiles().empty());
        QWidget* tile = canvas->backgroundTiles().front();
        ASSERT_TRUE(waitUntil([&] {
            const QImage t = grabImage(tile);
            return colourDistance(pixel(t, t.width() / 2, 20), back) > 40;
        })) << "the first gradient tile stayed empty";
        if (const QByteArray folder = qgetenv("SABLEWICK_GRABS"); !folder.isEmpty())
            grabImage(host.window.get()).save(QString::fromLocal8Bit(folder) + (dark ? "/canvas-dark.png" : "/canvas-light.png"));
    }
}

TEST_F(CanvasTabTest, ANumberBeingTypedIsKeptWhenThePageCloses)
{
    editor().document().setSettings(with([](EditSettings& s) { s.aspect = AspectRatio::custom; }));
    QApplication::setActiveWindow(tab.get());
    QLineEdit* width = field("Aspect width");
    type(width, "21");
    ASSERT_TRUE(width->hasFocus());
    // Switching tabs deletes the page with the field still focused: leaving it stores the number,
    // and the page must not hear about that change while it is being taken apart.
    tab.reset();
    EXPECT_EQ(editor().document().settings().customAspectWidth, 21);
}

TEST_F(CanvasTabTest, CropSlidersShowWholePercentsAndADragIsOneStep)
{
    const auto& crop = tab->crop();
    EXPECT_EQ(crop[0]->accessibleName(), "Left");
    EXPECT_EQ(crop[3]->accessibleName(), "Bottom");
    EXPECT_EQ(crop[0]->formattedValue(), "0%");
    editor().document().flushPendingEdits();
    ASSERT_FALSE(editor().document().canUndo());

    StudioSlider* left = crop[0]->field()->slider();
    const double start = StudioSlider::knobDiameter / 2.0;
    const double span = left->width() - StudioSlider::knobDiameter;
    const auto at = [&](double f) { return QPoint(qRound(start + f * span), left->height() / 2); };
    press(left, at(0));
    for (double f : {0.2, 0.5, 0.8, 1.2}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(at(f)), left->mapToGlobal(QPointF(at(f))), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(left, &move);
        // A change from elsewhere in the middle of the drag leaves the thumb under the pointer.
        editor().document().setSettings(with([&](EditSettings& s) { s.cropBottom = f / 10; }));
    }
    release(left, at(1.2));
    EXPECT_DOUBLE_EQ(editor().document().settings().cropLeft, 0.4);
    EXPECT_EQ(crop[0]->formattedValue(), "40%");
    EXPECT_EQ(crop[3]->formattedValue(), "12%");
    settle();
    editor().document().undo();
    EXPECT_EQ(editor().document().settings().cropLeft, 0);
    EXPECT_EQ(editor().document().settings().cropBottom, 0);
    EXPECT_FALSE(editor().document().canUndo()) << "the drag and the changes during it were one step";
    EXPECT_EQ(crop[0]->formattedValue(), "0%");
    EXPECT_EQ(left->displayedValue(), 0);
}

TEST(InspectorPagesTest, EveryTabHasTheWorkspacesOwnPage)
{
    EditorBench bench;
    ContentState state(bench.model());
    MemoryPreferencesStore store;
    CanvasPresets presets(store);
    int earlierAsked = 0;
    WorkspaceViews views;
    views.inspectorPage = [&](InspectorTab, EditorModel&, ContentState&, QWidget* parent) {
        ++earlierAsked;
        return new QWidget(parent);
    };
    views = withInspectorPages(views, {&presets});
    QWidget parent;
    const auto page = [&](InspectorTab tab) { return views.inspectorPage(tab, bench.model(), state, &parent); };
    EXPECT_NE(dynamic_cast<CanvasTab*>(page(InspectorTab::canvas)), nullptr);
    EXPECT_NE(dynamic_cast<FocusTab*>(page(InspectorTab::focus)), nullptr);
    EXPECT_NE(dynamic_cast<PointerInspector*>(page(InspectorTab::cursor)), nullptr);
    EXPECT_NE(dynamic_cast<AudioTab*>(page(InspectorTab::audio)), nullptr);
    EXPECT_EQ(earlierAsked, 0);
}

}  // namespace
}  // namespace sablewick::test

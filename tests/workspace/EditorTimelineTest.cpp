// The timeline panel over a real editor model (fake clock and player): its arrangements, the
// strip's scroll view, the numeric trim and the count.
#include "editor/EditorTestSupport.h"
#include "components/StudioLabel.h"
#include "components/StudioTextField.h"
#include "preferences/AppPreferences.h"
#include "workspace/EditorTimeline.h"
#include "workspace/TimelineTrack.h"

#include <QAbstractButton>
#include <QTest>

namespace sablewick::test {
namespace {

class EditorTimelineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bench.open(Clips::get().threeSeconds));
        timeline = std::make_unique<EditorTimeline>(
            bench.model(), StudioBinding<std::optional<QUuid>>::to(selected), StudioBinding<double>::to(scale),
            [this](std::optional<double> t) { added.push_back(t); }, [](const FocusPoint&) {}, preferences);
        timeline->resize(1200, 420);
        timeline->show();
    }
    bool showsText(const QString& text) const
    {
        for (auto* label : timeline->findChildren<StudioLabel*>())
            if (label->isVisible() && label->text() == text)
                return true;
        return false;
    }
    StudioTextField* field(const QString& name) const
    {
        for (auto* f : timeline->findChildren<StudioTextField*>())
            if (f->accessibleName() == name)
                return f;
        return nullptr;
    }

    EditorBench bench;
    MemoryPreferencesStore store;
    AppPreferences preferences{store};
    std::optional<QUuid> selected;
    double scale = 1;
    std::vector<std::optional<double>> added;
    std::unique_ptr<EditorTimeline> timeline;
};

TEST_F(EditorTimelineTest, NarrowPanelsTakeTheCompactArrangements)
{
    EXPECT_TRUE(timeline->isTransportWide());
    EXPECT_TRUE(timeline->isTrimWide());
    EXPECT_TRUE(showsText("/ 00:03"));
    EXPECT_TRUE(showsText(QString::fromUtf8("· 00:03 selected")));
    timeline->resize(330, 520);
    QCoreApplication::processEvents();
    EXPECT_FALSE(timeline->isTransportWide());
    EXPECT_FALSE(timeline->isTrimWide());
    // The playback group has a line of its own, with room for the clip's length.
    EXPECT_TRUE(showsText("/ 00:03"));
    EXPECT_TRUE(showsText("00:03 selected"));
    timeline->resize(1200, 420);
    QCoreApplication::processEvents();
    EXPECT_TRUE(timeline->isTransportWide());
}

TEST_F(EditorTimelineTest, MagnifiedStripScrollsOnlyAboveOnePointOneThousandth)
{
    struct Case {
        double scale;
        bool scrolls;
    };
    for (const Case c : {Case{1, false}, Case{1.001, false}, Case{1.002, true}, Case{3, true}}) {
        scale = c.scale;
        timeline->refresh();
        QCoreApplication::processEvents();
        EXPECT_EQ(timeline->isStripScrolling(), c.scrolls) << c.scale;
        const int panel = timeline->track()->parentWidget()->parentWidget()->width();
        if (!c.scrolls)
            EXPECT_EQ(timeline->track()->width(), panel) << c.scale;
        else
            EXPECT_GT(timeline->track()->width(), panel) << c.scale;
    }
}

TEST_F(EditorTimelineTest, TypedTrimsGoThroughTheModelsBounds)
{
    StudioTextField* end = field("Trim end in seconds");
    StudioTextField* start = field("Trim start in seconds");
    ASSERT_TRUE(end && start);
    EXPECT_EQ(end->text(), QLocale().toString(3.0, 'f', 2));
    struct Case {
        StudioTextField* field;
        QString typed;
        double trimStart, trimEnd;
    };
    const Case cases[] = {
        {end, "5", 0, 3},          // beyond the movie: its end
        {start, "1", 1, 3},
        {end, "0.5", 1, 1.1},      // before the start: 0.1 s after it
        {end, "nan", 1, 1.1},      // not a number: ignored
        {end, "2", 1, 2},
    };
    for (const Case& c : cases) {
        c.field->setFocus();
        c.field->setText(c.typed);
        emit c.field->editingFinished();
        EXPECT_NEAR(bench.model().document().settings().trimStart, c.trimStart, 1e-9) << c.typed.toStdString();
        EXPECT_NEAR(bench.model().document().settings().trimEnd, c.trimEnd, 1e-9) << c.typed.toStdString();
    }
}

TEST_F(EditorTimelineTest, CountsZoomsAndAddsOneWhereTheHostDecides)
{
    EXPECT_TRUE(showsText("0 zooms"));
    EXPECT_TRUE(showsText("Add a zoom, then choose its subject in the preview"));
    bench.model().document().setEvents({{QUuid::createUuid(), 1, 0.5, 0.5, FocusKind::manual}});
    EXPECT_TRUE(showsText("1 zoom"));
    for (auto* button : timeline->findChildren<QAbstractButton*>())
        if (button->text() == "Add zoom")
            button->click();
    ASSERT_EQ(added.size(), 1u);
    EXPECT_FALSE(added[0].has_value());
}

}  // namespace
}  // namespace sablewick::test

// Focus-point and zoom operations and the trim setters, in fake time over a real 2-second movie.
#include "EditorTestSupport.h"

#include "rendering/Compositor.h"

#include <QSignalSpy>

#include <limits>

namespace sablewick::test {
namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

class EditorFocusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
        ASSERT_DOUBLE_EQ(model().document().duration(), 2.0);
    }

    EditorModel& model() { return bench.model(); }
    void edit(const std::function<void(EditSettings&)>& change)
    {
        EditSettings s = model().document().settings();
        change(s);
        model().document().setSettings(s);
    }
    const FocusPoint& pointWith(const QUuid& id)
    {
        const auto it = std::find_if(model().document().events().begin(), model().document().events().end(),
                                     [&](const FocusPoint& p) { return p.id == id; });
        EXPECT_NE(it, model().document().events().end());
        return *it;
    }
    // The canvas point drawn at a fraction of the card, at the current playhead.
    QPointF onCard(double u, double v)
    {
        const Compositor::Layout layout = Compositor::layout(
            {0, 0, model().document().sourceSize().width(), model().document().sourceSize().height()},
            model().document().settings().canvasSize(), model().document().settings(), model().document().events(),
            model().playback().currentTime(), model().document().pointerSamples());
        const LayoutRect& c = layout.contentRect;
        const double s = layout.punchScale;
        return {(c.minX() + u * c.width) * s + layout.punchOffset.x(),
                (c.minY() + v * c.height) * s + layout.punchOffset.y()};
    }

    EditorBench bench;
};

TEST_F(EditorFocusTest, NewZoomsStartInsideTheTrimRange)
{
    edit([](EditSettings& s) { s.trimEnd = 1.5; });
    model().playback().seek(1.45);
    EXPECT_DOUBLE_EQ(model().focus().newZoomStart(std::nullopt), 1.4);
    EXPECT_DOUBLE_EQ(model().focus().newZoomStart(infinity), 0);
    EXPECT_DOUBLE_EQ(model().focus().newZoomStart(std::nan("")), 0);
    EXPECT_DOUBLE_EQ(model().focus().newZoomStart(-1), 0);

    edit([](EditSettings& s) {
        s.trimStart = 1.0;
        s.trimEnd = 1.05;
    });
    EXPECT_DOUBLE_EQ(model().focus().newZoomStart(1.2), 1.0) << "the upper bound is raised to the trim start";
    const std::optional<QUuid> id = model().focus().addFocusPoint(1.02, onCard(0.5, 0.5));
    ASSERT_TRUE(id);
    EXPECT_DOUBLE_EQ(model().focus().latestZoomStart(*id), 1.0);
    EXPECT_DOUBLE_EQ(model().focus().maxZoomLength(*id), 0.1);
}

TEST_F(EditorFocusTest, AnInsertedPointGetsItsOwnLengthOnlyWhenTheRoomIsShort)
{
    edit([](EditSettings& s) { s.zoomDuration = 0.5; });
    struct Row {
        double time;
        double start;
        std::optional<double> ownLength;
    };
    const std::vector<Row> rows{{1.0, 1.0, std::nullopt}, {1.8, 1.8, 0.2}, {1.95, 1.9, 0.1}};
    for (const Row& row : rows) {
        model().playback().seek(0);  // before every zoom: the card shows the whole frame
        const std::optional<QUuid> id = model().focus().addFocusPoint(row.time, onCard(0.25, 0.75));
        ASSERT_TRUE(id);
        const FocusPoint& p = pointWith(*id);
        EXPECT_NEAR(p.time, row.start, 1e-12);
        EXPECT_EQ(p.kind, FocusKind::manual);
        EXPECT_EQ(p.zoomDuration.has_value(), row.ownLength.has_value()) << row.time;
        if (row.ownLength) {
            EXPECT_NEAR(*p.zoomDuration, *row.ownLength, 1e-12);
        }
        EXPECT_NEAR(p.x, 0.25, 1e-9);
        EXPECT_NEAR(p.y, 0.75, 1e-9);
    }
    EXPECT_TRUE(std::is_sorted(model().document().events().begin(), model().document().events().end(),
                               [](const FocusPoint& a, const FocusPoint& b) { return a.time < b.time; }));
}

TEST_F(EditorFocusTest, EachAddedPointIsOneUndoStepAndSeeksIntoItsZoom)
{
    edit([](EditSettings& s) { s.cornerRadius = 10; });  // pending: becomes its own step
    QSignalSpy resets(&model().document(), &EditorDocument::compositionReset);
    const std::optional<QUuid> first = model().focus().addFocusPoint(0.5, onCard(0.5, 0.5));
    const std::optional<QUuid> second = model().focus().addFocusPoint(0.5, onCard(0.5, 0.5));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(model().document().events()[0].id, *first) << "equal times keep their insertion order";
    EXPECT_EQ(model().document().events()[1].id, *second);
    EXPECT_DOUBLE_EQ(model().playback().currentTime(), 0.5 + 0.35);
    EXPECT_EQ(resets.count(), 0) << "the preview is reset after the call has returned";
    QCoreApplication::processEvents();
    EXPECT_GE(resets.count(), 1);

    model().document().undo();
    EXPECT_EQ(model().document().events().size(), 1u);
    model().document().undo();
    EXPECT_TRUE(model().document().events().empty());
    EXPECT_EQ(model().document().settings().cornerRadius, 10);
    model().document().undo();
    EXPECT_EQ(model().document().settings().cornerRadius, 24);
}

TEST_F(EditorFocusTest, PlacingMapsTheCardAndRefusesThePadding)
{
    const std::optional<QUuid> id = model().focus().addFocusPoint(1.5, onCard(0.5, 0.5));
    ASSERT_TRUE(id);
    EXPECT_FALSE(model().focus().addFocusPoint(0.2, {2, 2})) << "a click in the padding adds nothing";
    model().playback().seek(0.1);  // no zoom running: the card shows the whole frame

    const std::vector<FocusPoint> before = model().document().events();
    EXPECT_FALSE(model().focus().placeFocusPoint(*id, {2, 2}));
    EXPECT_EQ(model().document().events(), before);
    EXPECT_FALSE(model().focus().placeFocusPoint(QUuid::createUuid(), onCard(0.5, 0.5)));

    model().playback().seek(0.1);
    ASSERT_TRUE(model().focus().placeFocusPoint(*id, onCard(0, 0)));
    EXPECT_NEAR(pointWith(*id).x, 0, 1e-9) << "the card's lower-left corner is the frame's";
    EXPECT_NEAR(pointWith(*id).y, 0, 1e-9);
    model().playback().seek(0.1);
    ASSERT_TRUE(model().focus().placeFocusPoint(*id, onCard(0.75, 0.2)));
    EXPECT_NEAR(pointWith(*id).x, 0.75, 1e-9);
    EXPECT_NEAR(pointWith(*id).y, 0.2, 1e-9);
    EXPECT_NEAR(model().playback().currentTime(), 1.5 + 0.35 * 0.5, 1e-9) << "previewed 35 % into its 0.5 s zoom";
}

TEST_F(EditorFocusTest, MovingClampsAndIgnoresTinyOrEndlessMoves)
{
    edit([](EditSettings& s) { s.zoomDuration = 0.5; });
    const QUuid id = *model().focus().addFocusPoint(0.5, onCard(0.5, 0.5));
    const QUuid other = *model().focus().addFocusPoint(1.0, onCard(0.5, 0.5));
    bench.scheduler.advance(1);

    model().focus().moveFocusPoint(id, 0.5 + 0.00005);
    EXPECT_EQ(bench.scheduler.pendingCount(), 0) << "no edit recorded";
    model().focus().moveFocusPoint(id, infinity);
    EXPECT_DOUBLE_EQ(pointWith(id).time, 0.5);

    model().focus().moveFocusPoint(id, 1.9);
    EXPECT_DOUBLE_EQ(model().focus().latestZoomStart(id), 1.5) << "the whole zoom still fits";
    EXPECT_DOUBLE_EQ(pointWith(id).time, 1.5);
    EXPECT_EQ(model().document().events()[0].id, id) << "not re-sorted during a drag";
    model().focus().finishMovingFocusPoint(id);
    EXPECT_EQ(model().document().events()[0].id, other);
    model().focus().moveFocusPoint(id, -5);
    EXPECT_DOUBLE_EQ(pointWith(id).time, 0);
}

TEST_F(EditorFocusTest, ZoomLengthsStayWithinTheRoomLeft)
{
    const QUuid id = *model().focus().addFocusPoint(0.5, onCard(0.5, 0.5));
    const QUuid late = *model().focus().addFocusPoint(1.8, onCard(0.5, 0.5));
    struct Row {
        QUuid id;
        double asked;
        double stored;
    };
    const std::vector<Row> rows{{id, 0.1, 0.3}, {late, 0.1, 0.2}, {id, 50, 1.5}, {id, 0.9, 0.9}};
    for (const Row& row : rows) {
        model().focus().setZoomLength(row.asked, row.id);
        ASSERT_TRUE(pointWith(row.id).zoomDuration);
        EXPECT_NEAR(*pointWith(row.id).zoomDuration, row.stored, 1e-12) << row.asked;
    }
    EXPECT_NEAR(model().focus().zoomLength(id), 0.9, 1e-12);
    model().focus().setZoomLength(std::nan(""), id);
    EXPECT_NEAR(*pointWith(id).zoomDuration, 0.9, 1e-12);
    model().focus().resetZoomLength(id);
    EXPECT_FALSE(pointWith(id).zoomDuration);
    EXPECT_NEAR(model().focus().zoomLength(id), 1.5, 1e-12) << "the edit's 2.2 s capped by the room";
    EXPECT_DOUBLE_EQ(model().focus().zoomLength(QUuid::createUuid()), 2.2) << "an unknown id is not capped";
    EXPECT_DOUBLE_EQ(model().focus().maxZoomLength(QUuid::createUuid()), 2.0);

    model().focus().removeFocusPoint(pointWith(late));
    EXPECT_EQ(model().document().events().size(), 1u);
}

TEST_F(EditorFocusTest, ApplyingTheZoomAmountToAllIsOneStep)
{
    const QUuid a = *model().focus().addFocusPoint(0.5, onCard(0.5, 0.5));
    const QUuid b = *model().focus().addFocusPoint(1.0, onCard(0.5, 0.5));
    std::vector<FocusPoint> events = model().document().events();
    events[0].zoomStrength = 3.0;
    events[1].zoomStrength = 1.2;
    model().document().setEvents(events);
    bench.scheduler.advance(1);

    model().focus().applyZoomAmountToAll(10);
    EXPECT_DOUBLE_EQ(model().document().settings().zoomStrength, 4.0);
    EXPECT_FALSE(pointWith(a).zoomStrength);
    EXPECT_FALSE(pointWith(b).zoomStrength);
    model().focus().applyZoomAmountToAll(1);
    EXPECT_DOUBLE_EQ(model().document().settings().zoomStrength, 1.05);

    model().document().undo();
    EXPECT_DOUBLE_EQ(model().document().settings().zoomStrength, 4.0);
    model().document().undo();
    EXPECT_DOUBLE_EQ(model().document().settings().zoomStrength, 1.65);
    EXPECT_EQ(pointWith(a).zoomStrength, 3.0);
    EXPECT_EQ(pointWith(b).zoomStrength, 1.2);
}

TEST_F(EditorFocusTest, TrimKeepsATenthOfASecondAndMovesThePlayhead)
{
    model().focus().setTrimStart(-3);
    EXPECT_DOUBLE_EQ(model().document().settings().trimStart, 0);
    model().playback().seek(1.0);
    model().focus().setTrimStart(1.95);
    EXPECT_DOUBLE_EQ(model().document().settings().trimStart, 1.9);
    EXPECT_DOUBLE_EQ(model().playback().currentTime(), 1.9);

    model().focus().setTrimStart(1.0);
    model().focus().setTrimEnd(0);
    EXPECT_DOUBLE_EQ(model().document().settings().trimEnd, 1.1);
    model().focus().setTrimEnd(100);
    EXPECT_DOUBLE_EQ(model().document().settings().trimEnd, 2.0);
    model().playback().seek(1.5);
    model().focus().setTrimEnd(1.2);
    EXPECT_DOUBLE_EQ(model().playback().currentTime(), 1.2);
    model().focus().setTrimEnd(std::nan(""));
    EXPECT_DOUBLE_EQ(model().document().settings().trimEnd, 1.2);
    EXPECT_TRUE(model().document().canUndo());
}

TEST(EditorTrimTest, OnAMovieShorterThanATenthTheEndIsTheMovie)
{
    EditorBench bench;
    ASSERT_TRUE(bench.open(Clips::get().tiny));
    const double d = bench.model().document().duration();
    ASSERT_LT(d, 0.1);
    bench.model().focus().setTrimEnd(0.01);
    EXPECT_DOUBLE_EQ(bench.model().document().settings().trimEnd, d);
}

}  // namespace
}  // namespace sablewick::test

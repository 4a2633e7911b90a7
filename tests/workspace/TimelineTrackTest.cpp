// The strip's gestures over a real editor model (fake clock and player), driven by Qt's own
// mouse and key events: what each drag does to the edit and that each is one undo step.
#include "editor/EditorTestSupport.h"
#include "workspace/WorkspaceTestSupport.h"
#include "workspace/TimelineTrack.h"

#include <QAccessible>
#include <QTest>

#include <functional>

namespace sablewick::test {
namespace {

class TimelineTrackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bench.open(Clips::get().threeSeconds));
        // Two zooms: at 0.5 s for 1 s and at 1.8 s for 0.5 s.
        first = {QUuid::createUuid(), 0.5, 0.5, 0.5, FocusKind::click, 1.0};
        second = {QUuid::createUuid(), 1.8, 0.2, 0.8, FocusKind::typing, 0.5};
        editor().document().setEvents({first, second});
        editor().document().flushPendingEdits();
        track = std::make_unique<TimelineTrack>(
            editor(), StudioBinding<std::optional<QUuid>>::to(selected), [this](double t) { added.push_back(t); },
            [this](const FocusPoint& p) { deleted.push_back(p.id); });
        // 600 points of axis for 3 s: 200 points a second, from x = 18.
        track->resize(636, 130);
        track->show();
    }

    EditorModel& editor() { return bench.model(); }
    const FocusPoint* find(const QUuid& id) { return pointWithId(editor(), id); }
    void drag(QPointF from, std::vector<QPointF> path, bool release = true)
    {
        QTest::mousePress(track.get(), Qt::LeftButton, {}, from.toPoint());
        for (QPointF at : path)
            QTest::mouseMove(track.get(), at.toPoint());
        if (release)
            QTest::mouseRelease(track.get(), Qt::LeftButton, {}, path.empty() ? from.toPoint() : path.back().toPoint());
    }
    QPointF bodyOf(const QUuid& id)
    {
        const FocusPoint* p = find(id);
        return track->layout().segment({p->time, editor().focus().zoomLength(id), false}).body.center();
    }
    QPointF gripOf(const QUuid& id)
    {
        const FocusPoint* p = find(id);
        return track->layout().segment({p->time, editor().focus().zoomLength(id), false}).grip.center();
    }
    // Undoes one step and says whether that brought back `before`.
    void expectOneUndoStep(const std::vector<FocusPoint>& before, const EditSettings& settingsBefore)
    {
        ASSERT_TRUE(editor().document().canUndo());
        editor().document().undo();
        EXPECT_EQ(editor().document().events(), before);
        EXPECT_EQ(editor().document().settings().trimStart, settingsBefore.trimStart);
        EXPECT_EQ(editor().document().settings().trimEnd, settingsBefore.trimEnd);
    }

    EditorBench bench;
    FocusPoint first, second;
    std::optional<QUuid> selected;
    std::vector<double> added;
    std::vector<QUuid> deleted;
    std::unique_ptr<TimelineTrack> track;
};

TEST_F(TimelineTrackTest, TrimHandlesFollowGrabPlusTravelAndStopShortOfEachOther)
{
    editor().playback().seek(1.5);  // away from the trim-in handle, which it would otherwise cover
    const EditSettings before = editor().document().settings();
    const auto events = editor().document().events();
    ASSERT_DOUBLE_EQ(before.trimEnd, 3.0);
    // Trim-in from 0 s: 100 points right is 0.5 s; far past the trim end it stops 0.1 s before
    // it; coming back follows the pointer at once.
    struct Step {
        double x;
        double trimStart;
    };
    const QPointF handle(18, 53);
    QTest::mousePress(track.get(), Qt::LeftButton, {}, handle.toPoint());
    for (const Step s : {Step{118, 0.5}, Step{900, 2.9}, Step{578, 2.8}, Step{18, 0.0}, Step{-300, 0.0}, Step{218, 1.0}}) {
        QTest::mouseMove(track.get(), QPoint(int(s.x), 53));
        EXPECT_NEAR(editor().document().settings().trimStart, s.trimStart, 1e-9) << "at x " << s.x;
    }
    QTest::mouseRelease(track.get(), Qt::LeftButton, {}, QPoint(218, 53));
    EXPECT_EQ(track->activeGesture(), TrackLayout::Part::none);
    EXPECT_GE(editor().playback().currentTime(), 1.0) << "the playhead moves into the trimmed range";
    expectOneUndoStep(events, before);

    // The trim-out handle, dragged left of the playhead, takes the playhead with it.
    editor().playback().seek(2.5);
    drag({618, 40}, {{518, 40}});
    EXPECT_NEAR(editor().document().settings().trimEnd, 2.5, 1e-9);
    // Now the playhead covers the handle's middle; its outer part still grabs the handle.
    drag({527, 40}, {{427, 40}});
    EXPECT_NEAR(editor().document().settings().trimEnd, 2.0, 1e-9);
    EXPECT_LE(editor().playback().currentTime(), 2.0);
}

TEST_F(TimelineTrackTest, PlayheadAndFilmstripSeekWithoutEditing)
{
    editor().playback().seek(1.0);
    // The playhead at 1 s (x 218) is grabbed; it stays within 0 ... duration.
    drag({218, 20}, {{318, 20}});
    EXPECT_NEAR(editor().playback().currentTime(), 1.5, 1e-9);
    drag({318, 20}, {{2000, 20}});
    EXPECT_NEAR(editor().playback().currentTime(), 3.0, 1e-9);
    // A press on the filmstrip, without moving, seeks there.
    QTest::mousePress(track.get(), Qt::LeftButton, {}, QPoint(118, 60));
    EXPECT_NEAR(editor().playback().currentTime(), 0.5, 1e-9);
    QTest::mouseRelease(track.get(), Qt::LeftButton, {}, QPoint(118, 60));
    EXPECT_EQ(editor().document().events(), (std::vector<FocusPoint>{first, second}));
    EXPECT_EQ(editor().document().settings().trimEnd, 3.0);
}

TEST_F(TimelineTrackTest, ShortTravelOnASegmentIsAClickThatSelectsAndPreviews)
{
    const QPointF body = bodyOf(first.id);
    drag(body, {body + QPointF(4, 0)});
    EXPECT_EQ(find(first.id)->time, 0.5) << "under 5 points of travel moves nothing";
    EXPECT_EQ(selected, first.id);
    EXPECT_NEAR(editor().playback().currentTime(), 0.5 + 0.35, 1e-9) << "seeks just inside the zoom";
}

TEST_F(TimelineTrackTest, MovingASegmentKeepsOrderUntilTheEndThenSortsAndIsOneStep)
{
    const auto before = editor().document().events();
    const EditSettings settings = editor().document().settings();
    const QPointF body = bodyOf(first.id);
    // 400 points right is 2 s: 0.5 -> 2.5 passes the second zoom; the list keeps its order meanwhile.
    drag(body, {body + QPointF(10, 0), body + QPointF(200, 0), body + QPointF(400, 0)}, false);
    EXPECT_EQ(selected, first.id) << "moving selects";
    EXPECT_NEAR(find(first.id)->time, 2.0, 1e-9) << "a 1 s zoom in a 3 s clip starts no later than 2 s";
    EXPECT_EQ(editor().document().events().front().id, first.id);
    QTest::mouseRelease(track.get(), Qt::LeftButton, {}, (body + QPointF(400, 0)).toPoint());
    EXPECT_EQ(editor().document().events().back().id, first.id) << "sorted by time once the move ends";
    EXPECT_NEAR(editor().playback().currentTime(), 2.35, 1e-9) << "the playhead goes into the moved zoom";
    expectOneUndoStep(before, settings);
}

TEST_F(TimelineTrackTest, EscapeCancelsAMoveWhichIsSettledOnceWithoutTheSeek)
{
    editor().playback().seek(0.1);
    const auto before = editor().document().events();
    const QPointF body = bodyOf(second.id);
    drag(body, {body - QPointF(10, 0), body - QPointF(300, 0)}, false);
    EXPECT_NEAR(find(second.id)->time, 0.3, 1e-9);
    EXPECT_EQ(editor().document().events().back().id, second.id);
    QTest::keyClick(track.get(), Qt::Key_Escape);
    EXPECT_EQ(track->activeGesture(), TrackLayout::Part::none);
    EXPECT_EQ(editor().document().events().front().id, second.id) << "a cancelled move is still settled in its place";
    EXPECT_NEAR(editor().playback().currentTime(), 0.1, 1e-9) << "but does not seek";
    // The release that follows the cancel finishes nothing again.
    QTest::mouseRelease(track.get(), Qt::LeftButton, {}, (body - QPointF(300, 0)).toPoint());
    EXPECT_NEAR(editor().playback().currentTime(), 0.1, 1e-9);
    expectOneUndoStep(before, editor().document().settings());
}

TEST_F(TimelineTrackTest, ResizingStopsAtItsBoundsAndIsOneStep)
{
    const auto before = editor().document().events();
    struct Case {
        double travel;
        double length;
    };
    // The second zoom starts at 1.8 s: it can be at most 1.2 s long and at least 0.3 s.
    const QPointF grip = gripOf(second.id);
    QTest::mousePress(track.get(), Qt::LeftButton, {}, grip.toPoint());
    EXPECT_EQ(selected, second.id) << "resizing selects on its first change";
    for (const Case c : {Case{40, 0.7}, Case{500, 1.2}, Case{-60, 0.3}, Case{-500, 0.3}, Case{20, 0.6}}) {
        QTest::mouseMove(track.get(), (grip + QPointF(c.travel, 0)).toPoint());
        EXPECT_NEAR(editor().focus().zoomLength(second.id), c.length, 1e-9) << "travel " << c.travel;
    }
    QTest::mouseRelease(track.get(), Qt::LeftButton, {}, (grip + QPointF(20, 0)).toPoint());
    expectOneUndoStep(before, editor().document().settings());
}

// The strip keeps what lies under and over the playhead as pictures between paints: after every
// kind of change it must show what a strip painting the same edit for the first time shows.
TEST_F(TimelineTrackTest, KeptPicturesFollowEveryChangeTheStripShows)
{
    const auto picture = [](TimelineTrack& strip) {
        QImage image(strip.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        strip.render(&image);
        return image;
    };
    const auto expectAsIfNew = [&](const char* change) {
        TimelineTrack fresh(editor(), StudioBinding<std::optional<QUuid>>::to(selected), [](double) {},
                            [](const FocusPoint&) {});
        fresh.resize(track->size());
        EXPECT_TRUE(picture(*track) == picture(fresh)) << "after " << change;
    };
    const bool hadPictures = !editor().document().thumbnails().isEmpty();
    const QImage before = picture(*track);
    ASSERT_TRUE(waitUntil([&] { return editor().document().thumbnails().size() == EditorDocument::thumbnailCount; }));
    expectAsIfNew("the filmstrip's pictures arrived");
    if (!hadPictures) {
        EXPECT_FALSE(picture(*track) == before) << "the filmstrip shows its pictures";
    }

    struct Change {
        const char* name;
        std::function<void()> make;
    };
    const std::vector<Change> changes{
        {"a seek", [&] { editor().playback().seek(1.2); }},
        {"a trim-in change",
         [&] {
             EditSettings settings = editor().document().settings();
             settings.trimStart = 0.4;
             editor().document().setSettings(settings);
         }},
        {"a trim-out change that shortens a zoom",
         [&] {
             EditSettings settings = editor().document().settings();
             settings.trimEnd = 2.1;
             editor().document().setSettings(settings);
         }},
        {"the edit's zoom strength (the captions)",
         [&] {
             EditSettings settings = editor().document().settings();
             settings.zoomStrength = 2.5;
             editor().document().setSettings(settings);
         }},
        {"a zoom moved by the model", [&] { editor().focus().moveFocusPoint(first.id, 0.9); }},
        {"one zoom's own strength",
         [&] {
             std::vector<FocusPoint> events = editor().document().events();
             events.front().zoomStrength = 1.2;
             editor().document().setEvents(events);
         }},
        {"a selection", [&] { selected = first.id; }},
        {"a new width", [&] { track->resize(500, track->height()); }},
    };
    for (const Change& change : changes) {
        picture(*track);  // what the strip keeps is made from the state before the change
        change.make();
        expectAsIfNew(change.name);
    }

    // While a zoom's grip is held, the zoom is drawn on its own over the kept picture of the rest.
    EditSettings settings = editor().document().settings();
    settings.trimEnd = 3.0;
    editor().document().setSettings(settings);
    selected = second.id;
    picture(*track);
    const QPointF grip = gripOf(second.id);
    QTest::mousePress(track.get(), Qt::LeftButton, {}, grip.toPoint());
    for (double travel : {40.0, 20.0}) {
        const double length = editor().focus().zoomLength(second.id);
        QTest::mouseMove(track.get(), (grip + QPointF(travel, 0)).toPoint());
        EXPECT_NE(editor().focus().zoomLength(second.id), length) << "the resize changes the zoom";
        expectAsIfNew("a step of a resize");
    }
    QTest::mouseRelease(track.get(), Qt::LeftButton, {}, (grip + QPointF(20, 0)).toPoint());
    expectAsIfNew("the end of a resize");
}

TEST_F(TimelineTrackTest, DoubleClickOnTheLaneOrItsMarginsAsksForAZoomThere)
{
    // 200 points a second from x = 18; the strip is 636 points wide, so the right margin runs
    // from 618 to 636. Margins give times outside the clip, handed over unbounded.
    struct Row {
        QPoint at;
        std::optional<double> time;
    };
    const std::vector<Row> rows{
        {{338, 110}, 1.6},
        {{38, 110}, 0.1},
        {{8, 110}, -0.05},
        {{0, 90}, -0.09},
        {{628, 120}, 3.05},
        {{338, 80}, std::nullopt},   // above the lane
        {{8, 125}, std::nullopt},    // below the lane, in the margin
        {{633, 53}, std::nullopt},   // beside the filmstrip
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.at.x() << ", " << row.at.y());
        added.clear();
        QTest::mouseDClick(track.get(), Qt::LeftButton, {}, row.at);
        if (row.time) {
            ASSERT_EQ(added.size(), 1u);
            EXPECT_NEAR(added[0], *row.time, 1e-9);
        } else {
            EXPECT_TRUE(added.empty());
        }
    }
    added.clear();
    QTest::mouseDClick(track.get(), Qt::LeftButton, {}, bodyOf(first.id).toPoint());
    EXPECT_TRUE(added.empty()) << "a double click on a segment adds nothing";
}

// Where an element lies on screen, as assistive tools are told.
QRect onScreen(const QWidget* widget, const QRectF& area)
{
    const QRect local = area.toAlignedRect();
    return {widget->mapToGlobal(local.topLeft()), local.size()};
}

TEST_F(TimelineTrackTest, AssistiveToolsFindEveryPartByItsNameAndPlace)
{
    QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(track.get());
    ASSERT_NE(strip, nullptr);
    const TrackLayout layout = track->layout();
    const auto place = [&](const FocusPoint& p) {
        return layout.segment({p.time, editor().focus().zoomLength(p.id), false});
    };
    struct Row {
        QString name;
        QAccessible::Role role;
        QRectF area;
    };
    const std::vector<Row> rows{
        {"Trim in handle", QAccessible::Grip, layout.trimHandle(0)},
        {"Trim out handle", QAccessible::Grip, layout.trimHandle(3)},
        {"Playhead", QAccessible::Indicator, layout.playhead(0)},
        {"Click zoom at 0 seconds, 1.0 seconds long", QAccessible::Button, place(first).body},
        {"Resize zoom at 0 seconds", QAccessible::Grip, place(first).grip},
        {"Typing zoom at 1 seconds, 0.5 seconds long", QAccessible::Button, place(second).body},
        {"Resize zoom at 1 seconds", QAccessible::Grip, place(second).grip},
    };
    ASSERT_EQ(strip->childCount(), int(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].name.toStdString());
        QAccessibleInterface* child = strip->child(int(i));
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->text(QAccessible::Name), rows[i].name);
        EXPECT_EQ(child->role(), rows[i].role);
        EXPECT_EQ(child->rect(), onScreen(track.get(), rows[i].area));
        EXPECT_EQ(child->parent(), strip);
        EXPECT_EQ(strip->indexOfChild(child), int(i));
        EXPECT_EQ(strip->child(int(i)), child) << "asked again, the same element";
        EXPECT_EQ(child->actionInterface() && !child->actionInterface()->actionNames().isEmpty(),
                  rows[i].role == QAccessible::Button);
    }
    // What lies under a point is what a press there would take: the playhead stands on the
    // trim-in handle and lies in front; a segment's right edge is its grip; the bare lane is none.
    const auto at = [&](QPointF local) { return strip->childAt(track->mapToGlobal(local.toPoint()).x(), track->mapToGlobal(local.toPoint()).y()); };
    EXPECT_EQ(at(layout.trimHandle(0).center()), strip->child(2));
    EXPECT_EQ(at(QPointF(layout.trimHandle(0).left() + 2, 53)), strip->child(0));
    EXPECT_EQ(at(place(second).grip.center()), strip->child(6));
    EXPECT_EQ(at(place(second).body.center()), strip->child(5));
    EXPECT_EQ(at(QPointF(580, 104)), nullptr);
}

TEST_F(TimelineTrackTest, AssistiveToolsFollowTheEditAndPressAZoom)
{
    QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(track.get());
    ASSERT_EQ(strip->childCount(), 7);
    QAccessibleInterface* body = strip->child(5);
    QAccessibleInterface* grip = strip->child(6);
    // Moved 100 points (0.5 s) to 2.3 s: the same elements, renamed and moved.
    drag(bodyOf(second.id), {bodyOf(second.id) + QPointF(50, 0), bodyOf(second.id) + QPointF(100, 0)});
    ASSERT_NEAR(find(second.id)->time, 2.3, 1e-9);
    EXPECT_EQ(strip->child(5), body);
    EXPECT_EQ(body->text(QAccessible::Name), "Typing zoom at 2 seconds, 0.5 seconds long");
    EXPECT_EQ(grip->text(QAccessible::Name), "Resize zoom at 2 seconds");
    EXPECT_EQ(body->rect(), onScreen(track.get(), track->layout().segment({2.3, 0.5, true}).body));

    // Pressing a zoom's body does what a click does: selects it and shows it.
    selected.reset();
    editor().playback().seek(0);
    QAccessibleInterface* firstBody = strip->child(3);
    ASSERT_NE(firstBody->actionInterface(), nullptr);
    firstBody->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(selected, first.id);
    EXPECT_GE(editor().playback().currentTime(), 0.5);
    EXPECT_LT(editor().playback().currentTime(), 1.5);

    // A deleted zoom's elements go; the rest stay what they were.
    QAccessibleInterface* playhead = strip->child(2);
    editor().document().setEvents({*find(first.id)});
    EXPECT_EQ(strip->childCount(), 5);
    EXPECT_EQ(strip->child(2), playhead);
    EXPECT_EQ(strip->child(3), firstBody);
    EXPECT_EQ(strip->childAt(track->mapToGlobal(QPoint(478, 104)).x(), track->mapToGlobal(QPoint(478, 104)).y()), nullptr);
}

}  // namespace
}  // namespace sablewick::test

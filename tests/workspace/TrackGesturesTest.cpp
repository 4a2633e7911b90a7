#include "workspace/TrackGestures.h"

#include <gtest/gtest.h>

namespace sablewick {
namespace {

TEST(GrabDrag, TargetsFollowTheGrabNotTheLastResult)
{
    GrabDrag drag;
    EXPECT_TRUE(drag.needsGrab());
    drag.grab(2.0);
    EXPECT_FALSE(drag.needsGrab());
    // Whatever the model made of the last target (say it clamped 2 + 9 to 7.9), the next one
    // starts from the grab again, so dragging back follows at once.
    EXPECT_DOUBLE_EQ(drag.target(9), 11);
    EXPECT_DOUBLE_EQ(drag.target(1), 3);
    drag.release();
    EXPECT_TRUE(drag.needsGrab());
    EXPECT_FALSE(drag.isActive());
    drag.release();  // a second release, as when end and cancel both arrive, is harmless
    EXPECT_TRUE(drag.needsGrab());
}

TEST(ZoomMove, StartsOnlyPastTheThreshold)
{
    const QUuid id = QUuid::createUuid();
    struct Case {
        QPointF to;
        bool moves;
        double travel;
    };
    const Case cases[] = {
        {{4.9, 0}, false, 0},
        {{-4.9, 0}, false, 0},
        {{3, 3.9}, false, 0},  // under 5 points away
        {{5, 0}, true, 5},
        {{-5, 0}, true, -5},
        {{3, 4}, true, 3},     // 5 points away, mostly vertically: only the horizontal part counts
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.to.x() << "," << c.to.y());
        ZoomMove move;
        move.press(id, {100, 100});
        const auto travel = move.travel(QPointF(100, 100) + c.to);
        ASSERT_EQ(travel.has_value(), c.moves);
        if (c.moves) {
            EXPECT_DOUBLE_EQ(*travel, c.travel);
        }
    }
    // Once passed, the threshold stays passed: coming back near the press still moves.
    ZoomMove move;
    move.press(id, {100, 100});
    ASSERT_TRUE(move.travel({110, 100}));
    EXPECT_EQ(move.travel({101, 100}), 1.0);
    // Without a press there is nothing to move.
    ZoomMove idle;
    EXPECT_FALSE(idle.travel({200, 100}));
}

TEST(ZoomMove, FinishesExactlyOnceWhicheverArrivesFirst)
{
    const QUuid id = QUuid::createUuid();
    enum class Order { endThenCancel, cancelThenEnd, endTwice, clickOnly };
    struct Case {
        Order order;
        int firstFinishes, secondFinishes;
    };
    const Case cases[] = {
        {Order::endThenCancel, 1, 0},
        {Order::cancelThenEnd, 1, 0},
        {Order::endTwice, 1, 0},
        {Order::clickOnly, 0, 0},  // a press that never passed the threshold moved nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.order));
        ZoomMove move;
        move.press(id, {0, 0});
        if (c.order != Order::clickOnly) {
            ASSERT_TRUE(move.travel({20, 0}));
            ASSERT_TRUE(move.needsGrab());
            move.grab(3.0);
            EXPECT_FALSE(move.needsGrab());
            EXPECT_DOUBLE_EQ(move.target(3.4, 0.5), 3.5);  // from the grab, not the moved time
        }
        const auto first = c.order == Order::cancelThenEnd ? move.cancel() : move.end();
        const auto second = c.order == Order::endThenCancel ? move.cancel() : move.end();
        EXPECT_EQ(first.has_value() ? 1 : 0, c.firstFinishes);
        if (first) {
            EXPECT_EQ(*first, id);
        }
        EXPECT_EQ(second.has_value() ? 1 : 0, c.secondFinishes);
        EXPECT_FALSE(move.isMoving());
        EXPECT_FALSE(move.pressed());
    }
}

TEST(ZoomResize, GrabsOncePerPointAndForgetsOnRelease)
{
    const QUuid a = QUuid::createUuid();
    const QUuid b = QUuid::createUuid();
    ZoomResize resize;
    ASSERT_TRUE(resize.needsGrab(a));
    resize.grab(a, 1.5);
    EXPECT_FALSE(resize.needsGrab(a));
    EXPECT_TRUE(resize.needsGrab(b));  // another point is a new grab
    EXPECT_DOUBLE_EQ(resize.target(0.3, -2), -0.5);  // the model clamps; the drag does not
    resize.release();
    EXPECT_TRUE(resize.needsGrab(a));
    EXPECT_DOUBLE_EQ(resize.target(0.8, 0.2), 1.0);  // no grab: from the current length
}

}  // namespace
}  // namespace sablewick

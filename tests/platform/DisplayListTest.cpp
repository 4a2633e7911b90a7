#include "platform/DisplayList.h"
#include "platform/X11Connection.h"

// Xlib's macros (None, Bool) break gtest's headers when they come first.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace sablewick {
namespace {

TEST(DisplayLayoutTest, PixelsBecomeGlobalPointsAtTheirCentresAndBack)
{
    DisplayLayout layout;
    layout.root = QSize(3000, 1200);
    // A 1920 × 1080 display at the top left, a second one to its right, lower down.
    const QRect left(0, 0, 1920, 1080);
    const QRect right(1920, 200, 1080, 1000);
    EXPECT_EQ(layout.globalFrame(left), QRectF(0, 120, 1920, 1080));
    EXPECT_EQ(layout.globalFrame(right), QRectF(1920, 0, 1080, 1000));
    struct Row {
        QPoint pixel;
        QPointF global;
    };
    const Row rows[] = {{{0, 0}, {0.5, 1199.5}}, {{1919, 1079}, {1919.5, 120.5}}, {{1920, 1199}, {1920.5, 0.5}}};
    for (const Row& row : rows) {
        EXPECT_EQ(layout.globalPoint(row.pixel), row.global);
        EXPECT_EQ(layout.pixelAt(row.global), row.pixel);
    }
    // Every corner pixel of a display lies inside its own frame (minimum edges in, maximum out).
    for (QPoint corner : {left.topLeft(), left.bottomRight(), left.topRight(), left.bottomLeft()}) {
        const QPointF p = layout.globalPoint(corner);
        const QRectF f = layout.globalFrame(left);
        EXPECT_TRUE(p.x() >= f.left() && p.x() < f.right() && p.y() >= f.top() && p.y() < f.bottom());
    }
}

class DisplayListTest : public ::testing::Test {
protected:
    X11Connection connection = openX11Connection();
    std::vector<Atom> added;

    void addMonitor(const char* name, QRect geometry)
    {
        Display* d = connection.get();
        XRRMonitorInfo* info = XRRAllocateMonitor(d, 0);
        info->name = XInternAtom(d, name, False);
        info->x = geometry.x();
        info->y = geometry.y();
        info->width = geometry.width();
        info->height = geometry.height();
        info->mwidth = geometry.width() / 4;
        info->mheight = geometry.height() / 4;
        XRRSetMonitor(d, DefaultRootWindow(d), info);
        XSync(d, False);
        added.push_back(info->name);
        XRRFreeMonitors(info);
    }
    void TearDown() override
    {
        for (Atom name : added)
            XRRDeleteMonitor(connection.get(), DefaultRootWindow(connection.get()), name);
        XSync(connection.get(), False);
    }
};

TEST_F(DisplayListTest, TheServersMonitorsAreListedWithStableNumbers)
{
    const DisplayLayout before = DisplayList::current();
    EXPECT_EQ(before.root, QSize(1920, 1080));
    ASSERT_FALSE(before.displays.empty());
    ASSERT_TRUE(before.main());
    EXPECT_EQ(before.main()->geometry, QRect(0, 0, 1920, 1080));

    addMonitor("SablewickLeft", QRect(0, 0, 960, 1080));
    addMonitor("SablewickRight", QRect(960, 0, 960, 1080));
    const DisplayLayout split = DisplayList::current();
    auto named = [&split](const QString& name) -> const DisplayInfo* {
        for (const DisplayInfo& d : split.displays)
            if (d.name == name)
                return &d;
        return nullptr;
    };
    const DisplayInfo* left = named("SablewickLeft");
    const DisplayInfo* right = named("SablewickRight");
    ASSERT_TRUE(left && right);
    EXPECT_EQ(left->geometry, QRect(0, 0, 960, 1080));
    EXPECT_EQ(right->geometry, QRect(960, 0, 960, 1080));
    EXPECT_NE(left->id, right->id);
    EXPECT_EQ(split.find(right->id), right);
    // The numbers do not change between two readings.
    const DisplayLayout again = DisplayList::current();
    ASSERT_TRUE(again.find(left->id));
    EXPECT_EQ(again.find(left->id)->name, "SablewickLeft");
    // The main display is listed first.
    EXPECT_EQ(split.main(), &split.displays.front());
}

}  // namespace
}  // namespace sablewick

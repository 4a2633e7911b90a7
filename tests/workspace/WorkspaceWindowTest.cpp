// The main window framing the workspace's own views, offscreen, over a real editor model: what
// its smallest and default sizes leave of each part.
#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "components/StudioMenuPicker.h"
#include "components/WidgetFit.h"
#include "document/CanvasStyle.h"
#include "editor/EditorTestSupport.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MainWindowTestSupport.h"
#include "mainwindow/PreviewColumn.h"
#include "preferences/AppPreferences.h"
#include "workspace/ContentState.h"
#include "workspace/EditorTimeline.h"
#include "workspace/InspectorPages.h"
#include "workspace/TimelineTrack.h"
#include "workspace/TimelineViews.h"

namespace sablewick::test {
namespace {

class WorkspaceWindowTest : public ::testing::Test {
protected:
    WorkspaceWindowTest()
        : preferences(bench.preferences)
    {
        const WorkspaceViews views =
            withInspectorPages(withPreviewAndTimeline({}, preferences), InspectorServices{&presets});
        window = std::make_unique<MainWindow>(
            ContentView::Services{&bench.model(), &preferences, &session, &dialogs, &bench.preferences, views});
        window->show();
    }

    ContentView& view() { return *window->content(); }
    EditorModel& editor() { return bench.model(); }

    EditorBench bench;
    AppPreferences preferences;
    CanvasPresets presets{bench.preferences};
    FakeSession session;
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

// At the size the window opens at and at its smallest, with a portrait canvas that leaves the
// preview narrow: the placement hint and its button, the canvas page's ratio picker and the
// timeline's times are shown whole, and the ruler ends with the clip's length.
TEST_F(WorkspaceWindowTest, NothingIsCutAtTheDefaultAndSmallestSizes)
{
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds));
    ASSERT_TRUE(waitUntil([&] { return !view().isShowingWelcome(); }));
    EditSettings portrait = editor().document().settings();
    portrait.aspect = AspectRatio::vertical;
    editor().document().setSettings(portrait);
    view().state().addZoomAndPlace(0.5);
    for (QSize size : {QSize(MainWindow::defaultWidth, MainWindow::defaultHeight), QSize(1, 1)}) {
        window->resize(size);
        // The window lays itself out on the next turns of the event loop.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        SCOPED_TRACE(testing::Message() << window->width() << "x" << window->height());
        if (size == QSize(1, 1)) {
            ASSERT_EQ(window->width(), 720) << "the smallest window";
        }
        ASSERT_TRUE(view().previewColumn()->placementOverlay()->isVisible());
        auto* bar = view().previewColumn()->findChild<QWidget*>(QStringLiteral("placementBar"));
        EXPECT_EQ(clippingOf(bar), "");
        for (auto* label : bar->findChildren<StudioLabel*>())
            EXPECT_EQ(clippingOf(label), "") << label->text().toStdString();
        for (auto* button : bar->findChildren<StudioButton*>())
            EXPECT_EQ(clippingOf(button), "") << button->text().toStdString();

        for (auto* picker : view().findChildren<StudioMenuPicker*>()) {
            if (picker->accessibleName() == "Aspect ratio") {
                EXPECT_EQ(clippingOf(picker), "");
            }
        }

        auto* timeline = view().findChild<EditorTimeline*>();
        ASSERT_TRUE(timeline);
        bool total = false;
        for (auto* label : timeline->findChildren<StudioLabel*>())
            if (label->text() == "/ 00:02") {
                total = true;
                EXPECT_EQ(clippingOf(label), "");
            }
        EXPECT_TRUE(total) << "the clip's length beside the current time";
        const std::vector<TrackLayout::RulerMark> ruler = timeline->track()->ruler();
        ASSERT_FALSE(ruler.empty());
        EXPECT_TRUE(ruler.back().label == "00:02" || ruler.back().label.startsWith("00:02.0"))
            << ruler.back().label.toStdString();
        EXPECT_LE(ruler.back().labelRect.right(), timeline->track()->width());
    }
}

}  // namespace
}  // namespace sablewick::test

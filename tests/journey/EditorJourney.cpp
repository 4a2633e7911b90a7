// The editor with a movie the user opened: playing, a zoom dragged and taken back, the inspector
// scrolled with the wheel.
#include "journey/SablewickJourney.h"

#include <QElapsedTimer>

namespace sablewick::journey {
namespace {

class EditorJourney : public SablewickJourney {
protected:
    // The program started with a short movie, its window showing it.
    void openMovie()
    {
        main = launchWithMovie(3);
        ASSERT_FALSE(main.isEmpty());
        activate(main);
        preview = waitForControl("Video preview").value_or(QRect());
    }

    QString main;
    QRect preview;
};

TEST_F(EditorJourney, PlayMovesThePlayheadWithinASecond)
{
    ASSERT_NO_FATAL_FAILURE(openMovie());
    const std::optional<QRect> play = waitForControl("Play", "push button");
    ASSERT_TRUE(play);
    // The still picture first: the preview has settled on its first frame.
    QImage still = desktop().grab(preview);
    ASSERT_TRUE(waitFor([&] {
        const QImage now = desktop().grab(preview);
        return !differ(std::exchange(still, now), now, 0, 0);
    }));
    ASSERT_TRUE(JourneyAccessibility::find(app.processId(), "00:00.00", "label"))
        << "the time does not start at zero:\n" << JourneyAccessibility::describe(app.processId()).toStdString();

    clickAt(play->center());
    QElapsedTimer clock;
    clock.start();
    const bool moved =
        waitFor([&] { return differ(still, desktop().grab(preview)); }, 1000 * SABLEWICK_JOURNEY_TIME_SCALE);
    EXPECT_TRUE(moved) << "one Play press left the preview still for " << clock.elapsed() << " ms";
    EXPECT_TRUE(waitFor([&] { return !JourneyAccessibility::find(app.processId(), "00:00.00", "label"); }, 2000))
        << "the time label stayed at zero";
}

TEST_F(EditorJourney, UndoTakesBackAZoomDraggedAlongTheTimeline)
{
    ASSERT_NO_FATAL_FAILURE(openMovie());
    const std::optional<QRect> zoom = addZoom();
    ASSERT_TRUE(zoom) << JourneyAccessibility::describe(app.processId()).toStdString();
    // Away from the timeline and settled, as the user sees the zoom track before the drag. The
    // playhead crosses the track and may stand elsewhere after the drag (the preview follows the
    // zoom): its columns are left out of the comparison.
    desktop().xdotool({"mousemove", "--sync", "1900", "1060"});
    const std::optional<QRect> panel = waitForControl("Timeline", "panel");
    ASSERT_TRUE(panel);
    const QRect track(panel->left(), zoom->top() - 4, panel->width(), zoom->height() + 8);
    const auto playhead = [&] { return JourneyAccessibility::find(app.processId(), "Playhead").value_or(QRect()); };
    QImage before = desktop().grab(track);
    ASSERT_TRUE(waitFor([&] {
        const QImage now = desktop().grab(track);
        return !differ(std::exchange(before, now), now, 0, 0);
    }));
    const QRect playheadBefore = playhead();

    const auto zoomAt = [&] {
        const std::optional<QRect> now = JourneyAccessibility::find(app.processId(), "Manual zoom at.*", "push button");
        return now ? now->left() : -1;
    };
    drag(zoom->center(), zoom->center() + QPoint(zoom->width() / 4, 0));
    ASSERT_TRUE(waitFor([&] { return zoomAt() > zoom->left() + zoom->width() / 8; }))
        << "the drag did not move the zoom:\n" << JourneyAccessibility::describe(app.processId()).toStdString();
    desktop().xdotool({"mousemove", "--sync", "1900", "1060"});
    key(main, "ctrl+z");
    ASSERT_TRUE(waitFor([&] { return zoomAt() == zoom->left(); })) << "Ctrl+Z did not take the move back";
    const auto withoutPlayheads = [&](QImage image) {
        for (const QRect& at : {playheadBefore, playhead()})
            for (int x = at.left() - track.left() - 2; x <= at.right() - track.left() + 2; ++x)
                for (int y = 0; x >= 0 && x < image.width() && y < image.height(); ++y)
                    image.setPixel(x, y, 0);
        return image;
    };
    EXPECT_TRUE(waitFor([&] { return !differ(withoutPlayheads(before), withoutPlayheads(desktop().grab(track)), 0, 8); }))
        << "the zoom track does not look as it did before the drag";
}

TEST_F(EditorJourney, TheWheelOverTheInspectorScrollsItAndLeavesItsSlidersAlone)
{
    ASSERT_NO_FATAL_FAILURE(openMovie());
    const std::optional<QRect> slider = waitForControl("Canvas spacing", "slider");
    ASSERT_TRUE(slider) << JourneyAccessibility::describe(app.processId()).toStdString();
    const std::optional<QRect> inspector = waitForControl("Canvas", "filler");
    ASSERT_TRUE(inspector);
    // Every slider's value as its label shows it.
    const QStringList values = {"8%", "0 px", "24%", "24 px"};
    for (const QString& value : values)
        ASSERT_TRUE(JourneyAccessibility::find(app.processId(), value, "label")) << value.toStdString();

    // The pointer rests in the inspector's middle while its content rolls past, sliders and all.
    const QPoint over(inspector->center().x(), desktop().windowGeometry(main).center().y());
    desktop().xdotool({"mousemove", "--sync", QString::number(over.x()), QString::number(over.y()), "click", "--repeat",
                       "15", "--delay", "60", "5"});
    EXPECT_TRUE(waitFor([&] {
        const std::optional<QRect> now = JourneyAccessibility::find(app.processId(), "Canvas spacing", "slider");
        return now && now->top() < slider->top() - 100;
    })) << "the inspector did not scroll";
    for (const QString& value : values)
        EXPECT_TRUE(JourneyAccessibility::find(app.processId(), value, "label"))
            << "a slider's value changed from " << value.toStdString() << " under the wheel:\n"
            << JourneyAccessibility::describe(app.processId()).toStdString();
}

}  // namespace
}  // namespace sablewick::journey

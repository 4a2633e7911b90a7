// The first start on a fresh desktop: one main window and an icon in the tray, nothing else.
#include "journey/SablewickJourney.h"

namespace sablewick::journey {
namespace {

using FirstLaunchJourney = SablewickJourney;

TEST_F(FirstLaunchJourney, OpensOneMainWindowAndDocksItsIconInTheTray)
{
    launch();
    const QString main = waitForWindow("Sablewick");
    ASSERT_FALSE(main.isEmpty()) << "no window titled Sablewick appeared\n" << output();
    EXPECT_TRUE(waitFor([&] { return desktop().isDockedInTray(app.processId()); }))
        << "no icon of the program was docked in the tray";
    // The window shows what it draws, not an empty frame.
    const QRect frame = desktop().windowGeometry(main);
    ASSERT_FALSE(frame.isEmpty());
    EXPECT_TRUE(waitFor([&] { return waitForControl("New recording", {}, 1000).has_value(); }))
        << JourneyAccessibility::describe(app.processId()).toStdString();

    // A window that opens late (a second main window, a stray dialog) would show by now.
    QStringList titles;
    for (const QString& id : windows(".+"))
        titles << desktop().windowTitle(id);
    EXPECT_EQ(titles.join(", ").toStdString(), "Sablewick");
}

}  // namespace
}  // namespace sablewick::journey

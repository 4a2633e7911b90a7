// Screenshots as a user takes them: the screenshot key, the setup sheet, the selection layer for an
// area or a window; then the image window, its marks and the PNG it exports.
#include "journey/SablewickJourney.h"

#include <QFile>

#include <map>

namespace sablewick::journey {
namespace {

class ScreenshotJourney : public SablewickJourney {
protected:
    void TearDown() override
    {
        stop(target);
        SablewickJourney::TearDown();
    }

    // The capture modes, as the setup sheet's segments show them.
    enum Mode { area, window, display };

    // Takes a screenshot with the screenshot key; `pick` chooses on the selection layer. Returns
    // the image window once it shows the new screenshot (its title names each screenshot).
    QString capture(Mode mode, const std::function<void()>& pick = {})
    {
        const QString before = imageWindow();
        const QString beforeTitle = before.isEmpty() ? QString() : desktop().windowTitle(before);
        desktop().xdotool({"key", "ctrl+alt+super+s"});
        chooseSegment("Capture", mode, 3);
        const QString button[] = {"Capture area", "Capture window", "Capture display"};
        click(button[mode], "push button");
        // A screenshot never saved as a project counts as unsaved from the start, so replacing it
        // asks first; the user lets it go.
        if (!before.isEmpty())
            click("Discard edits", "push button");
        if (pick) {
            EXPECT_TRUE(waitFor([] { return !selectionLayer().isEmpty(); })) << "no selection layer appeared";
            pick();
            EXPECT_TRUE(waitFor([] { return selectionLayer().isEmpty(); })) << "the selection layer stayed";
        }
        QString image;
        waitFor([&] {
            image = imageWindow();
            return !image.isEmpty() && desktop().windowTitle(image).startsWith("Screenshot-")
                && desktop().windowTitle(image) != beforeTitle;
        });
        return image;
    }
    static QStringList selectionLayer()
    {
        QStringList found;
        for (const QString& id : desktop().popups(0))
            if (desktop().windowTitle(id).startsWith("Sablewick capture selection"))
                found << id;
        return found;
    }
    // The program's window other than the main one.
    QString imageWindow() const
    {
        for (const QString& id : windows(".+"))
            if (id != main)
                return id;
        return {};
    }
    // Exactly the main window and one image window, and each comes forward when the user asks.
    void expectTwoWindowsThatComeForward(const QString& image, const char* after)
    {
        QStringList titles;
        for (const QString& id : windows(".+"))
            titles << desktop().windowTitle(id);
        ASSERT_EQ(windows(".+").size(), 2) << after << ": the program shows " << titles.join(", ").toStdString();
        ASSERT_TRUE(windows(".+").contains(main)) << after << ": the main window is gone";
        for (const QString& id : {main, image}) {
            activate(id);
            ASSERT_TRUE(waitFor([&] { return desktop().activeWindow() == id; }))
                << after << ": '" << desktop().windowTitle(id).toStdString() << "' did not come forward";
        }
    }

    QString main;
    QProcess target;
};

TEST_F(ScreenshotJourney, DisplayAreaAndWindowShotsKeepOneMainAndOneImageWindow)
{
    launch();
    main = waitForMainWindow();
    ASSERT_FALSE(main.isEmpty()) << output();
    // A window of another program, for the window shot.
    target.setProcessEnvironment(desktop().environment());
    target.start("xmessage", {"-title", "Journey target", "-geometry", "500x200+1300+800", "-buttons", "", "Capture me"});
    ASSERT_TRUE(waitFor([] { return !desktop().windows(0, "Journey target").isEmpty(); }));

    const QString first = capture(display);
    ASSERT_FALSE(first.isEmpty()) << "the display shot opened no image window\n" << output();
    ASSERT_NO_FATAL_FAILURE(expectTwoWindowsThatComeForward(first, "after the display shot"));

    const QString second = capture(area, [&] { drag({300, 300}, {700, 600}); });
    ASSERT_FALSE(second.isEmpty()) << "the area shot did not reach the image window\n" << output();
    ASSERT_NO_FATAL_FAILURE(expectTwoWindowsThatComeForward(second, "after the area shot"));

    const QString third = capture(window, [&] { clickAt({1550, 900}); });
    ASSERT_FALSE(third.isEmpty()) << "the window shot did not reach the image window\n" << output();
    ASSERT_NO_FATAL_FAILURE(expectTwoWindowsThatComeForward(third, "after the window shot"));
}

// The colour that most of the pixels that changed between two pictures have now.
QRgb commonNewColour(const QImage& before, const QImage& after)
{
    std::map<QRgb, int> counts;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                ++counts[after.pixel(x, y) & 0xF0F0F0];  // near colours count as one
    QRgb best = 0;
    int most = 0;
    for (const auto& [colour, count] : counts)
        if (count > most)
            std::tie(best, most) = std::tie(colour, count);
    return best | 0xFF080808;
}

TEST_F(ScreenshotJourney, ARectangleDrawnOnTheImageIsInTheExportedPng)
{
    launch();
    main = waitForMainWindow();
    ASSERT_FALSE(main.isEmpty()) << output();
    const QString image = capture(display);
    ASSERT_FALSE(image.isEmpty()) << "the display shot opened no image window\n" << output();
    activate(image);
    const std::optional<QRect> canvas = waitForControl("Screenshot preview.*");
    ASSERT_TRUE(canvas) << JourneyAccessibility::describe(app.processId()).toStdString();

    click("Rectangle", "check box");
    desktop().xdotool({"mousemove", "--sync", QString::number(canvas->right() + 50), QString::number(canvas->top() - 60)});
    const QImage before = desktop().grab(*canvas);
    drag(canvas->center() - QPoint(150, 100), canvas->center() + QPoint(150, 100));
    // Without the selection's outline: the mark alone, once the user clicks beside it.
    click("Select", "check box");
    clickAt(canvas->center() + QPoint(-300, 150));
    desktop().xdotool({"mousemove", "--sync", QString::number(canvas->right() + 50), QString::number(canvas->top() - 60)});
    QImage after;
    ASSERT_TRUE(waitFor([&] { return differ(before, after = desktop().grab(*canvas), 400); }))
        << "the drag drew nothing";
    const QRgb mark = commonNewColour(before, after);

    click("Export", "push button");
    const QString path = work() + "/marked.png";
    ASSERT_NO_FATAL_FAILURE(saveAs("Export PNG.*", path));
    QImage exported;
    ASSERT_TRUE(waitFor([&] { return QFile::exists(path) && !(exported = QImage(path)).isNull(); }, 60000))
        << "no PNG at " << path.toStdString() << "\n" << output();
    EXPECT_GE(countColour(exported, mark), 400)
        << "the exported PNG does not hold the mark's colour " << std::hex << mark;
}

}  // namespace
}  // namespace sablewick::journey

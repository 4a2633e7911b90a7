#include "screenshoteditor/ScreenshotEditorPresenter.h"
#include "screenshots/ScreenshotRenderer.h"

#include <gtest/gtest.h>

namespace sablewick {
namespace {

namespace presenter = ScreenshotEditorPresenter;
using T = ScreenshotTool;
using P = ImagePanel;

TEST(ScreenshotEditorPresenterTest, TitleIsThePicturesNameWithoutItsLastExtension)
{
    const struct {
        std::optional<QUrl> url;
        QString title;
    } cases[] = {
        {std::nullopt, "Image Studio"},
        {QUrl::fromLocalFile("/tmp/Shot 1.png"), "Shot 1"},
        {QUrl::fromLocalFile("/tmp/Shot.v2.jpeg"), "Shot.v2"},
        {QUrl::fromLocalFile("/tmp/README"), "README"},
        {QUrl::fromLocalFile("/tmp/.hidden"), ".hidden"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(presenter::windowTitle(c.url), c.title) << c.title.toStdString();
    EXPECT_EQ(presenter::windowSubtitle(true), QString::fromUtf8("Screenshot · Edits backed up on this computer"));
    EXPECT_EQ(presenter::windowSubtitle(false), QString::fromUtf8("Screenshot · Project saved"));
}

TEST(ScreenshotEditorPresenterTest, FooterHintFollowsTheTool)
{
    const std::pair<T, QString> cases[] = {
        {T::crop, QString::fromUtf8("Drag on the image to crop · Escape cancels")},
        {T::select, "Select or drag an annotation"},
        {T::arrow, QString::fromUtf8("Arrow · Drag on the image")},
        {T::pixelate, QString::fromUtf8("Pixelate · Drag on the image")},
        {T::number, QString::fromUtf8("Number · Drag on the image")},
    };
    for (const auto& [tool, hint] : cases)
        EXPECT_EQ(presenter::footerHint(tool), hint);
}

TEST(ScreenshotEditorPresenterTest, OutputSizeIsTheExportAtFullSize)
{
    EditSettings settings;
    settings.cropLeft = 0.25;
    const QSize size = ScreenshotRenderer::outputSize({1000, 500}, settings, 1);
    EXPECT_EQ(presenter::outputSizeText({1000, 500}, settings),
              QString::fromUtf8("%1 × %2").arg(size.width()).arg(size.height()));
    // The crop changes the shape, so the figure must follow the settings, not the source alone.
    EXPECT_NE(presenter::outputSizeText({1000, 500}, settings), presenter::outputSizeText({1000, 500}, EditSettings()));
}

TEST(ScreenshotEditorPresenterTest, PagesAndToolsFollowEachOther)
{
    const struct {
        T tool;
        P before;
        P after;
    } picks[] = {
        {T::crop, P::canvas, P::crop},  {T::crop, P::markup, P::crop},     {T::arrow, P::canvas, P::markup},
        {T::text, P::crop, P::markup},  {T::number, P::markup, P::markup}, {T::select, P::canvas, P::canvas},
        {T::select, P::crop, P::crop},  {T::select, P::markup, P::markup},
    };
    for (const auto& c : picks)
        EXPECT_EQ(presenter::panelForTool(c.tool, c.before), c.after) << title(c.tool).toStdString();

    EXPECT_EQ(presenter::toolForPanel(P::crop, T::arrow), T::crop);
    // Leaving the Crop page keeps the crop tool until another is chosen.
    EXPECT_EQ(presenter::toolForPanel(P::canvas, T::crop), T::crop);
    EXPECT_EQ(presenter::toolForPanel(P::markup, T::crop), T::crop);
    EXPECT_EQ(presenter::toolForPanel(P::markup, T::select), T::select);

    EXPECT_EQ(presenter::panelTitle(P::markup), "Markup");
    EXPECT_EQ(presenter::panelSymbol(P::canvas), "photo.on.rectangle");
    EXPECT_EQ(presenter::panelSubtitle(P::crop), "Keep exactly what you need.");
}

TEST(ScreenshotEditorPresenterTest, CommandsFollowThePictureTheHistoryAndTheExport)
{
    using C = presenter::Commands;
    const auto make = [](bool source, bool undo, bool redo, bool selection, bool exporting) {
        return C::make({source, undo, redo, selection, exporting});
    };
    // Without a picture only the history and the window's own switches work.
    const C empty = make(false, true, false, false, false);
    EXPECT_TRUE(empty.undo);
    EXPECT_FALSE(empty.redo);
    EXPECT_FALSE(empty.toolPicker);
    EXPECT_FALSE(empty.saveProject);
    EXPECT_FALSE(empty.copyImage);
    EXPECT_FALSE(empty.exportImage);
    EXPECT_FALSE(empty.deleteAnnotation);
    EXPECT_TRUE(empty.windowEnabled);

    const C open = make(true, false, true, true, false);
    EXPECT_FALSE(open.undo);
    EXPECT_TRUE(open.redo);
    EXPECT_TRUE(open.toolPicker && open.saveProject && open.copyImage && open.exportImage);
    EXPECT_TRUE(open.deleteAnnotation);
    EXPECT_FALSE(make(true, false, false, false, false).deleteAnnotation);

    EXPECT_FALSE(make(true, true, true, true, true).windowEnabled);
}

TEST(ScreenshotEditorPresenterTest, TextNeedsAnAnchorAndAnyText)
{
    EXPECT_FALSE(presenter::textAnnotation(std::nullopt, "Hi", 0xFF0000, 4));
    EXPECT_FALSE(presenter::textAnnotation(QPointF(0.2, 0.3), QString(), 0xFF0000, 4));
    const std::optional<ScreenshotAnnotation> space = presenter::textAnnotation(QPointF(0.2, 0.3), " ", 0x00FF00, 6);
    ASSERT_TRUE(space);
    EXPECT_EQ(space->tool, ScreenshotTool::text);
    EXPECT_EQ(space->text, " ");
    EXPECT_DOUBLE_EQ(space->x, 0.2);
    EXPECT_DOUBLE_EQ(space->endX, 0.2);
    EXPECT_DOUBLE_EQ(space->y, 0.3);
    EXPECT_DOUBLE_EQ(space->endY, 0.3);
    EXPECT_EQ(space->color, 0x00FF00u);
    EXPECT_DOUBLE_EQ(space->weight, 6);
    EXPECT_NE(space->id, presenter::textAnnotation(QPointF(0.2, 0.3), " ", 0x00FF00, 6)->id) << "each text is new";
}

TEST(ScreenshotEditorPresenterTest, DropsNeedFilesAndNoExport)
{
    EXPECT_FALSE(presenter::acceptsDrop(0, false));
    EXPECT_TRUE(presenter::acceptsDrop(1, false));
    EXPECT_TRUE(presenter::acceptsDrop(3, false));
    EXPECT_FALSE(presenter::acceptsDrop(1, true));
}

}  // namespace
}  // namespace sablewick

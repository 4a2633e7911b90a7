#include "AnnotationFixture.h"

#include "screenshoteditor/CropPresenter.h"
#include "screenshoteditor/ImageExportPresenter.h"
#include "screenshoteditor/MarkupPresenter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace sablewick {
namespace {

using test::mark;

TEST(MarkupPresenterTest, TextsOfThePage)
{
    EXPECT_EQ(MarkupPresenter::swatchTitle(0xF05A67), QStringLiteral("Color #F05A67"));
    EXPECT_EQ(MarkupPresenter::swatchTitle(0x0000AB), QStringLiteral("Color #0000AB"));
    EXPECT_EQ(MarkupPresenter::swatches.front(), 0xF05A67u);

    struct Case {
        ScreenshotTool tool;
        std::optional<QString> add;
        QString selected;
    };
    const Case cases[] = {
        {ScreenshotTool::select, std::nullopt, QStringLiteral("Selected select")},
        {ScreenshotTool::crop, std::nullopt, QStringLiteral("Selected crop")},
        {ScreenshotTool::arrow, QStringLiteral("Add arrow at center"), QStringLiteral("Selected arrow")},
        {ScreenshotTool::number, QStringLiteral("Add number at center"), QStringLiteral("Selected number")},
        {ScreenshotTool::pixelate, QStringLiteral("Add pixelate at center"), QStringLiteral("Selected pixelate")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MarkupPresenter::addAtCenterTitle(c.tool), c.add) << title(c.tool).toStdString();
        EXPECT_EQ(MarkupPresenter::selectedTitle(c.tool), c.selected);
    }

    for (const auto& [weight, text] : {std::pair{4.0, "4"}, {2.0, "2"}, {12.0, "12"}, {6.9, "6"}})
        EXPECT_EQ(MarkupPresenter::strokeText(weight), QString::fromLatin1(text)) << weight;
}

TEST(MarkupPresenterTest, CentredMarksAndTheNextBadgeNumber)
{
    const ScreenshotAnnotation box =
        MarkupPresenter::centeredAnnotation(ScreenshotTool::rectangle, 0x4A99EA, 7, {});
    EXPECT_EQ(box.tool, ScreenshotTool::rectangle);
    EXPECT_EQ(QRectF(box.x, box.y, box.endX - box.x, box.endY - box.y), QRectF(0.3, 0.3, 0.4, 0.4));
    EXPECT_EQ(box.color, 0x4A99EAu);
    EXPECT_EQ(box.weight, 7);
    EXPECT_TRUE(box.text.isEmpty());

    struct Case {
        std::vector<QString> badges;
        QString next;
    };
    const Case cases[] = {
        {{}, QStringLiteral("1")},
        {{QStringLiteral("1"), QStringLiteral("7"), QStringLiteral("x")}, QStringLiteral("8")},
        {{QStringLiteral("+9"), QStringLiteral("3")}, QStringLiteral("10")},
        {{QStringLiteral("-4")}, QStringLiteral("-3")},
        {{QString(), QStringLiteral("2.5"), QStringLiteral(" 3")}, QStringLiteral("1")},
    };
    for (const Case& c : cases) {
        std::vector<ScreenshotAnnotation> existing;
        for (const QString& label : c.badges)
            existing.push_back(mark(ScreenshotTool::number, 0.1, 0.1, 0.1, 0.1, label));
        // A text reading 50 is no badge and does not count.
        existing.push_back(mark(ScreenshotTool::text, 0.2, 0.2, 0.2, 0.2, QStringLiteral("50")));
        const ScreenshotAnnotation badge =
            MarkupPresenter::centeredAnnotation(ScreenshotTool::number, 0xF05A67, 4, existing);
        EXPECT_EQ(badge.text, c.next) << c.badges.size();
        EXPECT_EQ(QPointF(badge.x, badge.y), QPointF(0.5, 0.5));
        EXPECT_EQ(QPointF(badge.endX, badge.endY), QPointF(0.7, 0.7));
    }
}

TEST(MarkupPresenterTest, APositionMovesTheMarkButKeepsItsCoveredAreaInsideThePicture)
{
    const ScreenshotAnnotation line = mark(ScreenshotTool::line, 0.2, 0.6, 0.4, 0.5);  // bounds x 0.2..0.4
    EXPECT_NEAR(MarkupPresenter::positionPercent(&line, true), 30, 1e-9);
    EXPECT_NEAR(MarkupPresenter::positionPercent(&line, false), 55, 1e-9);
    EXPECT_EQ(MarkupPresenter::positionPercent(nullptr, true), 50);

    struct Case {
        bool horizontal;
        double percent;
        double shownAfter;
    };
    const Case cases[] = {
        {true, 95, 90}, {true, 0, 10}, {true, 45, 45}, {false, 100, 95}, {false, -20, 5}, {false, 30, 30},
    };
    for (const Case& c : cases) {
        const ScreenshotAnnotation moved = MarkupPresenter::movedTo(line, c.horizontal, c.percent);
        EXPECT_NEAR(MarkupPresenter::positionPercent(&moved, c.horizontal), c.shownAfter, 1e-9) << c.percent;
        // Both ends move together: length and direction are kept, the other axis stays.
        EXPECT_NEAR(moved.endX - moved.x, 0.2, 1e-12);
        EXPECT_NEAR(moved.endY - moved.y, -0.1, 1e-12);
        EXPECT_EQ(c.horizontal ? moved.y : moved.x, c.horizontal ? line.y : line.x);
    }

    // A badge is placed by the square around its point, not by its unused end point.
    const ScreenshotAnnotation badge = mark(ScreenshotTool::number, 0.5, 0.5, 0.9, 0.9, QStringLiteral("1"));
    const ScreenshotAnnotation atEdge = MarkupPresenter::movedTo(badge, true, 100);
    EXPECT_NEAR(atEdge.bounds().right(), 1.0, 1e-12);
    EXPECT_NEAR(MarkupPresenter::positionPercent(&badge, true), 50, 1e-9);
}

TEST(MarkupPresenterTest, ACommittedPositionMovesOnlyWhenItsFigureChanged)
{
    const QLocale c(QLocale::C);
    // Reaches past the right edge (x 0.9...1.1); its centre is 100 %.
    const ScreenshotAnnotation pastEdge = mark(ScreenshotTool::line, 0.9, 0.3, 1.1, 0.4);
    // Its horizontal centre, 12.345 %, shows rounded as "12.3".
    const ScreenshotAnnotation offGrid = mark(ScreenshotTool::rectangle, 0.1, 0.2, 0.1469, 0.3);
    struct Case {
        const char* name;
        const ScreenshotAnnotation& mark;
        bool horizontal;
        QString text;
        std::optional<double> centreAfter;  // none: no move
    };
    const Case cases[] = {
        {"past the edge, its own figure", pastEdge, true, "100.0", std::nullopt},
        {"past the edge, the figure written otherwise", pastEdge, true, " 100 ", std::nullopt},
        {"past the edge, further out", pastEdge, true, "120", std::nullopt},
        {"past the edge, the other axis unchanged", pastEdge, false, "35.0", std::nullopt},
        {"past the edge, back inwards", pastEdge, true, "50", 50},
        {"past the edge, inwards only as far as asked", pastEdge, true, "95", 95},
        {"a rounded figure left as shown", offGrid, true, "12.3", std::nullopt},
        {"a rounded figure changed", offGrid, true, "12.4", 12.4},
        {"no number", offGrid, true, "lots", std::nullopt},
    };
    for (const Case& k : cases) {
        const auto moved = MarkupPresenter::committedPosition(k.mark, k.horizontal, k.text, c);
        ASSERT_EQ(moved.has_value(), k.centreAfter.has_value()) << k.name;
        if (moved) {
            EXPECT_NEAR(MarkupPresenter::positionPercent(&*moved, k.horizontal), *k.centreAfter, 1e-9) << k.name;
        }
    }
}

TEST(MarkupPresenterTest, PercentFieldsFollowTheUsersNumberFormat)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(MarkupPresenter::percentText(50, english), QStringLiteral("50.0"));
    EXPECT_EQ(MarkupPresenter::percentText(12.5, german), QStringLiteral("12,5"));
    EXPECT_EQ(MarkupPresenter::parsePercent(QStringLiteral("95"), english), 95.0);
    EXPECT_EQ(MarkupPresenter::parsePercent(QStringLiteral("12.5"), english), 12.5);
    EXPECT_EQ(MarkupPresenter::parsePercent(QStringLiteral("12,5"), german), 12.5);
    for (const char* bad : {"", "abc", "5%", "nan", "inf"})
        EXPECT_EQ(MarkupPresenter::parsePercent(QString::fromLatin1(bad), english), std::nullopt) << bad;
}

TEST(CropPresenterTest, EachEdgeEndsWhereTheOppositeEdgeLeavesAThousandth)
{
    using CropPresenter::CropEdge;
    EditSettings none;
    for (const CropEdge edge : CropPresenter::allCropEdges) {
        EXPECT_NEAR(CropPresenter::upperBound(none, edge), 0.999, 1e-12);
        EXPECT_EQ(CropPresenter::valueText(CropPresenter::value(none, edge)), QStringLiteral("0.0%"));
    }
    EXPECT_EQ(CropPresenter::title(CropEdge::bottom), QStringLiteral("Bottom"));
    EXPECT_EQ(CropPresenter::accessibleName(CropEdge::left), QStringLiteral("Left crop"));
    EXPECT_EQ(CropPresenter::valueText(0.125), QStringLiteral("12.5%"));

    struct Case {
        CropEdge edge;
        CropEdge opposite;
        double oppositeValue;
        double bound;
    };
    const Case cases[] = {
        {CropEdge::left, CropEdge::right, 0.5, 0.499},
        {CropEdge::left, CropEdge::right, 0.9995, 0.001},
        {CropEdge::right, CropEdge::left, 0.25, 0.749},
        {CropEdge::top, CropEdge::bottom, 0.998, 0.001},
        {CropEdge::bottom, CropEdge::top, 0.1, 0.899},
    };
    for (const Case& c : cases) {
        const EditSettings settings = CropPresenter::withValue(EditSettings{}, c.opposite, c.oppositeValue);
        EXPECT_NEAR(CropPresenter::upperBound(settings, c.edge), c.bound, 1e-12) << c.oppositeValue;
        // A value beyond the bound (a slider drawn before the opposite edge moved) is stored as it.
        const EditSettings written = CropPresenter::withValue(settings, c.edge, 0.99);
        EXPECT_NEAR(CropPresenter::value(written, c.edge), c.bound, 1e-12);
        EXPECT_EQ(CropPresenter::value(written, c.opposite), CropPresenter::value(settings, c.opposite));
    }

    const EditSettings set = CropPresenter::withValue(EditSettings{}, CropEdge::top, 0.2);
    EXPECT_EQ(CropPresenter::withValue(set, CropEdge::top, std::nan("")), set);
    EXPECT_EQ(CropPresenter::value(CropPresenter::withValue(set, CropEdge::top, -0.3), CropEdge::top), 0);
}

TEST(ImageExportPresenterTest, ChoicesAndTheProposedName)
{
    using namespace ImageExportPresenter;
    EXPECT_EQ(formatLabel(ScreenshotFormat::png), QStringLiteral("PNG"));
    EXPECT_EQ(exportButtonTitle(ScreenshotFormat::jpeg), QStringLiteral("Export JPEG"));
    EXPECT_EQ(note(ScreenshotFormat::jpeg), QStringLiteral("JPEG flattens transparency onto white."));
    EXPECT_EQ(note(ScreenshotFormat::png),
              QStringLiteral("Lossless PNG preserves transparency when the background is None."));
    EXPECT_EQ(qualityText(0.92), QStringLiteral("92%"));
    EXPECT_EQ(qualityText(0.1), QStringLiteral("10%"));
    const QString labels[] = {QStringLiteral("50%"), QStringLiteral("100%"), QStringLiteral("200%")};
    for (std::size_t i = 0; i < scales.size(); ++i)
        EXPECT_EQ(scaleLabel(scales[i]), labels[i]);

    struct Case {
        std::optional<QUrl> source;
        ScreenshotFormat format;
        QString name;
    };
    const Case cases[] = {
        {QUrl::fromLocalFile(QStringLiteral("/tmp/Shot 1.png")), ScreenshotFormat::jpeg,
         QStringLiteral("Shot 1-edited.jpg")},
        {std::nullopt, ScreenshotFormat::png, QStringLiteral("Screenshot-edited.png")},
        {QUrl::fromLocalFile(QStringLiteral("/home/me/release.v2.jpeg")), ScreenshotFormat::png,
         QStringLiteral("release.v2-edited.png")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(proposedFileName(c.source, c.format), c.name);
}

}  // namespace
}  // namespace sablewick

#include "AnnotationFixture.h"
#include "components/KitTestSupport.h"
#include "support/FakeScheduler.h"
#include "support/TemporaryEnvironment.h"

#include "components/StudioButton.h"
#include "components/StudioColorSwatch.h"
#include "components/StudioLabel.h"
#include "components/StudioMenuPicker.h"
#include "components/StudioSegments.h"
#include "components/StudioSlider.h"
#include "components/StudioTextField.h"
#include "screenshoteditor/ColorWell.h"
#include "screenshoteditor/CropPanel.h"
#include "document/CanvasStyle.h"
#include "platform/PreferencesStore.h"
#include "screenshoteditor/ImageCanvasGeometry.h"
#include "screenshoteditor/ImageCanvasPanel.h"
#include "screenshoteditor/ImageExportPresenter.h"
#include "screenshoteditor/ImageExportSheet.h"
#include "screenshoteditor/MarkupPanel.h"
#include "screenshots/ScreenshotModel.h"
#include "workspace/InspectorSection.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QImageReader>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace sablewick {
namespace {

using CropPresenter::CropEdge;

constexpr QRgb sourceColour = 0xFF2050C0;

// An open screenshot edit in fake time, with the window's state that the pages share.
struct Fixture {
    QTemporaryDir dir;
    test::ScopedEnvironment environment;
    test::FakeScheduler scheduler;
    std::unique_ptr<ScreenshotModel> model;

    RgbColor color = 0xF05A67;
    double weight = 4;
    ScreenshotTool tool = ScreenshotTool::select;
    std::optional<QUuid> selected;
    std::optional<QPointF> promptedAt;

    Fixture()
    {
        environment.set("SABLEWICK_STATE_DIRECTORY", dir.filePath(QStringLiteral("state")).toStdString());
        model = test::openFilledPicture(dir, scheduler, {320, 200}, sourceColour, QStringLiteral("Shot 1.png"));
    }

    MarkupPanelHost host()
    {
        return {StudioBinding<RgbColor>::to(color),
                StudioBinding<double>::to(weight),
                [this] { return tool; },
                StudioBinding<std::optional<QUuid>>::to(selected),
                [this](QPointF anchor) { promptedAt = anchor; },
                [this] {
                    // What the window does: the removal is one undo step of its own.
                    model->flushEdits();
                    auto list = model->annotations();
                    std::erase_if(list, [&](const ScreenshotAnnotation& a) { return a.id == selected; });
                    model->setAnnotations(list);
                    selected.reset();
                    model->flushEdits();
                }};
    }

    // Lets the model's pause between edits pass, so pending changes become an undo step.
    void pause() { scheduler.advance(ScreenshotModel::coalesceDelay + 0.01); }

    int undoSteps()
    {
        pause();
        int steps = 0;
        while (model->canUndo() && steps < 50) {
            model->undo();
            ++steps;
        }
        return steps;
    }
};

void typeInto(QLineEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

TEST(MarkupPanelTest, AddAtCenterFollowsTheToolAndMakesOneSelectedStep)
{
    Fixture f;
    MarkupPanel panel(*f.model, f.host());
    panel.show();
    EXPECT_TRUE(panel.addButton()->isHidden());
    EXPECT_EQ(panel.selectedSection(), nullptr);

    f.tool = ScreenshotTool::crop;
    panel.refresh();
    EXPECT_TRUE(panel.addButton()->isHidden());

    f.tool = ScreenshotTool::rectangle;
    f.weight = 9;
    panel.refresh();
    ASSERT_FALSE(panel.addButton()->isHidden());
    EXPECT_EQ(panel.addButton()->text(), QStringLiteral("Add rectangle at center"));
    test::click(panel.addButton());
    ASSERT_EQ(f.model->annotations().size(), 1u);
    const ScreenshotAnnotation box = f.model->annotations()[0];
    EXPECT_EQ(QRectF(QPointF(box.x, box.y), QPointF(box.endX, box.endY)), QRectF(0.3, 0.3, 0.4, 0.4));
    EXPECT_EQ(box.color, 0xF05A67u);
    EXPECT_EQ(box.weight, 9);
    EXPECT_EQ(f.selected, box.id);
    ASSERT_NE(panel.selectedSection(), nullptr);
    EXPECT_EQ(panel.selectedSection()->accessibleName(), QStringLiteral("Selected rectangle"));
    EXPECT_EQ(panel.textField(), nullptr);
    EXPECT_EQ(panel.positionField(true)->text(), QStringLiteral("50.0"));

    // One undo removes it, at once and without waiting for the pause, and its section goes too.
    ASSERT_TRUE(f.model->canUndo());
    f.model->undo();
    EXPECT_TRUE(f.model->annotations().empty());
    EXPECT_EQ(panel.selectedSection(), nullptr);
    EXPECT_FALSE(f.model->canUndo());

    f.tool = ScreenshotTool::number;
    panel.refresh();
    panel.addCentered();
    panel.addCentered();
    ASSERT_EQ(f.model->annotations().size(), 2u);
    EXPECT_EQ(f.model->annotations()[1].text, QStringLiteral("2"));
    EXPECT_EQ(panel.selectedSection()->accessibleName(), QStringLiteral("Selected number"));

    // A text is asked for first: nothing is added by the button itself.
    f.tool = ScreenshotTool::text;
    panel.refresh();
    test::click(panel.addButton());
    EXPECT_EQ(f.promptedAt, QPointF(0.3, 0.4));
    EXPECT_EQ(f.model->annotations().size(), 2u);
}

TEST(MarkupPanelTest, SwatchesAndStrokeSetOnlyTheMarksToCome)
{
    Fixture f;
    auto first = test::mark(ScreenshotTool::arrow, 0.1, 0.1, 0.5, 0.5);
    first.color = 0x15181C;
    f.model->setAnnotations({first});
    f.model->flushEdits();
    f.selected = first.id;
    MarkupPanel panel(*f.model, f.host());
    panel.show();

    ASSERT_EQ(panel.swatches().size(), 6u);
    EXPECT_EQ(panel.swatches()[0]->accessibleName(), QStringLiteral("Color #F05A67"));
    EXPECT_TRUE(panel.swatches()[0]->isSelected());
    test::click(panel.swatches()[2]);
    EXPECT_EQ(f.color, 0x4A99EAu);
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(panel.swatches()[i]->isSelected(), i == 2) << i;
    panel.colorWell()->choose(QColor(10, 20, 30, 40));  // the dialog's choice; opacity is not kept
    EXPECT_EQ(f.color, 0x0A141Eu);
    EXPECT_FALSE(panel.swatches()[2]->isSelected());

    for (const auto& [asked, stored, shown] : {std::tuple{20.0, 12.0, "12"}, {0.0, 2.0, "2"}, {6.4, 6.0, "6"}}) {
        panel.strokeSlider()->setValueFromAssistant(asked);
        EXPECT_EQ(f.weight, stored) << asked;
        EXPECT_EQ(panel.strokeValue()->text(), QString::fromLatin1(shown));
    }
    EXPECT_EQ(f.model->annotations()[0].color, 0x15181Cu);
    EXPECT_EQ(f.model->annotations()[0].weight, first.weight);
    EXPECT_EQ(f.undoSteps(), 1);  // only the set-up
}

TEST(MarkupPanelTest, TheSelectedMarkIsEditedInPlaceAndEachBurstIsOneStep)
{
    Fixture f;
    const auto label = test::mark(ScreenshotTool::text, 0.2, 0.2, 0.2, 0.2, QStringLiteral("Hi"));
    const auto line = test::mark(ScreenshotTool::line, 0.2, 0.6, 0.4, 0.5);
    f.model->setAnnotations({label, line});
    f.model->flushEdits();
    f.selected = label.id;
    MarkupPanel panel(*f.model, f.host());
    panel.show();
    ASSERT_NE(panel.textField(), nullptr);
    EXPECT_EQ(panel.textField()->text(), QStringLiteral("Hi"));

    panel.textField()->setFocus();
    panel.textField()->end(false);
    QTest::keyClicks(panel.textField(), QStringLiteral(" there"));
    EXPECT_EQ(f.model->annotations()[0].text, QStringLiteral("Hi there"));
    panel.selectedColorWell()->choose(QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(f.model->annotations()[0].color, 0x123456u);
    // The typing and the colour make one step.
    f.pause();
    f.model->undo();
    EXPECT_EQ(f.model->annotations()[0].text, QStringLiteral("Hi"));
    EXPECT_EQ(f.model->annotations()[0].color, label.color);
    EXPECT_EQ(panel.textField()->text(), QStringLiteral("Hi"));
    f.model->redo();
    EXPECT_EQ(f.model->annotations()[0].text, QStringLiteral("Hi there"));

    // Another selection makes a section for that mark; a line has no text field.
    f.selected = line.id;
    panel.refresh();
    EXPECT_EQ(panel.textField(), nullptr);
    EXPECT_EQ(panel.selectedSection()->accessibleName(), QStringLiteral("Selected line"));
    EXPECT_EQ(panel.positionField(true)->text(), QStringLiteral("30.0"));

    typeInto(panel.positionField(true), QStringLiteral("95"));
    EXPECT_NEAR(f.model->annotations()[1].endX, 1.0, 1e-9);
    EXPECT_EQ(panel.positionField(true)->text(), QStringLiteral("90.0"));
    typeInto(panel.positionField(true), QStringLiteral("0"));
    EXPECT_NEAR(f.model->annotations()[1].x, 0.0, 1e-9);
    EXPECT_EQ(panel.positionField(true)->text(), QStringLiteral("10.0"));
    const auto before = f.model->annotations();
    typeInto(panel.positionField(false), QStringLiteral("lots"));
    EXPECT_EQ(f.model->annotations(), before);
    EXPECT_EQ(panel.positionField(false)->text(), QStringLiteral("55.0"));

    // A move on the canvas shows in the fields at once.
    f.pause();
    auto moved = f.model->annotations();
    moved[1].y += 0.1;
    moved[1].endY += 0.1;
    panel.positionField(false)->clearFocus();
    f.model->setAnnotations(moved);
    EXPECT_EQ(panel.positionField(false)->text(), QStringLiteral("65.0"));

    test::click(panel.deleteButton());
    EXPECT_EQ(f.model->annotations().size(), 1u);
    EXPECT_EQ(panel.selectedSection(), nullptr);
    f.model->undo();
    EXPECT_EQ(f.model->annotations().size(), 2u);
}

TEST(MarkupPanelTest, CommittingTheFieldsOfAMarkPastTheEdgeUnchangedMovesNothing)
{
    Fixture f;
    // Past the right and the bottom edge, with centres that the fields show rounded.
    const auto badge = test::mark(ScreenshotTool::number, 0.98123, 0.98456, 0.98123, 0.98456, QStringLiteral("1"));
    f.model->setAnnotations({badge});
    f.model->flushEdits();
    ASSERT_GT(f.model->annotations()[0].bounds().right(), 1.0);
    ASSERT_GT(f.model->annotations()[0].bounds().bottom(), 1.0);
    f.pause();
    f.selected = badge.id;
    MarkupPanel panel(*f.model, f.host());
    panel.show();
    for (const bool horizontal : {true, false}) {
        QLineEdit* field = panel.positionField(horizontal);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
        field->clearFocus();
    }
    EXPECT_EQ(f.model->annotations(), std::vector<ScreenshotAnnotation>{badge});
    EXPECT_EQ(f.undoSteps(), 1) << "only the set-up";
}

TEST(CropPanelTest, SlidersFollowTheModelAndADragIsOneStep)
{
    Fixture f;
    int resets = 0;
    CropPanel panel(*f.model, [&] { ++resets; });
    panel.show();
    for (const CropEdge edge : CropPresenter::allCropEdges) {
        EXPECT_EQ(panel.slider(edge)->formattedValue(), QStringLiteral("0.0%"));
        EXPECT_NEAR(panel.sliderUpperBound(edge), 0.999, 1e-12);
        EXPECT_EQ(panel.slider(edge)->field()->slider()->accessibleName(), CropPresenter::accessibleName(edge));
    }

    // A drag: many writes, one step; the opposite slider narrows at once.
    StudioSlider* right = panel.slider(CropEdge::right)->field()->slider();
    for (const double v : {0.1, 0.2, 0.35, 0.5})
        right->setValueFromAssistant(v);
    EXPECT_NEAR(f.model->settings().cropRight, 0.5, 1e-3);
    EXPECT_EQ(panel.slider(CropEdge::right)->field()->slider(), right);  // never replaced under the pointer
    EXPECT_NEAR(panel.sliderUpperBound(CropEdge::left), 0.999 - f.model->settings().cropRight, 1e-12);
    EXPECT_EQ(panel.slider(CropEdge::right)->formattedValue(), CropPresenter::valueText(f.model->settings().cropRight));
    panel.slider(CropEdge::left)->field()->slider()->setValueFromAssistant(0.9);
    EXPECT_NEAR(f.model->settings().cropLeft, 0.999 - f.model->settings().cropRight, 1e-9);
    EXPECT_EQ(f.undoSteps(), 1);
    EXPECT_EQ(f.model->settings().cropLeft, 0);
    EXPECT_EQ(f.model->settings().cropRight, 0);
    EXPECT_NEAR(panel.sliderUpperBound(CropEdge::left), 0.999, 1e-12);

    // A crop drawn on the canvas shows in the rows.
    f.model->crop({0.25, 0.1}, {0.5, 0.9});
    EXPECT_EQ(panel.slider(CropEdge::left)->formattedValue(), QStringLiteral("25.0%"));
    EXPECT_EQ(panel.slider(CropEdge::bottom)->formattedValue(), QStringLiteral("10.0%"));

    test::click(panel.resetButton());
    EXPECT_EQ(resets, 1);
}

TEST(ImageExportSheetTest, TheSheetFollowsItsChoicesAndOnlyItsExportButtonConfirms)
{
    Fixture f;
    ScreenshotFormat format = ScreenshotFormat::png;
    double scale = 1.0;
    double quality = 0.92;
    std::vector<bool> closes;
    ImageExportSheet sheet(*f.model,
                           {StudioBinding<ScreenshotFormat>::to(format), StudioBinding<double>::to(scale),
                            StudioBinding<double>::to(quality)},
                           [&](bool confirmed) { closes.push_back(confirmed); });
    sheet.show();

    const auto sizeText = [&](double s) {
        const QSize size = ScreenshotRenderer::outputSize(f.model->sourceSize(), f.model->settings(), s);
        return QStringLiteral("%1 \u00D7 %2 pixels").arg(size.width()).arg(size.height());
    };
    EXPECT_EQ(sheet.sizeText()->text(), sizeText(1.0));
    EXPECT_TRUE(sheet.quality()->isHidden());
    EXPECT_EQ(sheet.exportButton()->text(), QStringLiteral("Export PNG"));
    EXPECT_EQ(sheet.sizeControl()->labels(), (QStringList{"50%", "100%", "200%"}));

    for (const auto& [index, expected] : {std::pair{0, 0.5}, {2, 2.0}}) {
        sheet.sizeControl()->showMenu();
        ASSERT_NE(sheet.sizeControl()->openMenu(), nullptr);
        sheet.sizeControl()->openMenu()->actions().at(index)->trigger();
        EXPECT_EQ(scale, expected);
        EXPECT_EQ(sheet.sizeText()->text(), sizeText(expected));
    }

    test::click(sheet.formatControl(), sheet.formatControl()->segmentRect(1).center());
    EXPECT_EQ(format, ScreenshotFormat::jpeg);
    EXPECT_FALSE(sheet.quality()->isHidden());
    EXPECT_EQ(sheet.quality()->formattedValue(), QStringLiteral("92%"));
    EXPECT_EQ(sheet.note()->text(), QStringLiteral("JPEG flattens transparency onto white."));
    EXPECT_EQ(sheet.exportButton()->text(), QStringLiteral("Export JPEG"));
    sheet.quality()->slider()->setValueFromAssistant(0.5);
    EXPECT_NEAR(quality, 0.5, 0.01);
    EXPECT_EQ(sheet.quality()->formattedValue(), ImageExportPresenter::qualityText(quality));
    test::click(sheet.formatControl(), sheet.formatControl()->segmentRect(0).center());
    EXPECT_TRUE(sheet.quality()->isHidden());
    EXPECT_NEAR(quality, 0.5, 0.01);  // kept for the next JPEG

    test::click(sheet.cancelButton());
    test::click(sheet.exportButton());
    EXPECT_EQ(closes, (std::vector<bool>{false, true}));
}

// The written file decoded: its size is the export's, and the mark lies where the canvas shows it.
TEST(ImageExportTest, TheChosenFileHoldsTheMarkedPicture)
{
    for (const ScreenshotFormat format : {ScreenshotFormat::png, ScreenshotFormat::jpeg}) {
        Fixture f;
        auto box = test::mark(ScreenshotTool::rectangle, 0.25, 0.25, 0.75, 0.75);
        box.color = 0x20E040;
        box.weight = 12;
        f.model->setAnnotations({box});
        f.model->flushEdits();

        QString proposed;
        const QString target = f.dir.filePath(QStringLiteral("out.") + ImageExportPresenter::fileExtension(format));
        QSignalSpy finished(f.model.get(), &ScreenshotModel::exportFinished);
        exportImage(*f.model, format, 0.95, 2.0, [&](const QString& name, ScreenshotFormat) {
            proposed = name;
            return std::optional<QString>(target);
        });
        EXPECT_EQ(proposed, QStringLiteral("Shot 1-edited.") + ImageExportPresenter::fileExtension(format));
        ASSERT_TRUE(finished.wait(20000));
        EXPECT_EQ(f.model->notice(), QStringLiteral("Saved ") + QFileInfo(target).fileName());

        QImageReader reader(target);
        EXPECT_EQ(reader.format(), format == ScreenshotFormat::png ? QByteArray("png") : QByteArray("jpeg"));
        const QImage written = reader.read();
        ASSERT_FALSE(written.isNull());
        const QSize expected = ScreenshotRenderer::outputSize(f.model->sourceSize(), f.model->settings(), 2.0);
        ASSERT_EQ(written.size(), expected);
        const auto at = [&](double x, double y) {
            return ImageCanvasGeometry::previewRect({x, y, 0, 0}, f.model->sourceSize(), QSizeF(expected),
                                                    f.model->settings())
                .topLeft()
                .toPoint();
        };
        const QColor edge = written.pixelColor(at(0.25, 0.5));
        const QColor inside = written.pixelColor(at(0.5, 0.5));
        EXPECT_LT(test::colourDistance(edge, QColor(0x20, 0xE0, 0x40)), 40) << edge.name().toStdString();
        EXPECT_LT(test::colourDistance(inside, QColor(sourceColour)), 40) << inside.name().toStdString();
    }
}

TEST(ImageExportTest, NoFileIsWrittenWhenThePanelOrTheCardCancels)
{
    Fixture f;
    const QString target = f.dir.filePath(QStringLiteral("never.png"));
    exportImage(*f.model, ScreenshotFormat::png, 0.92, 1.0, [](const QString&, ScreenshotFormat) {
        return std::optional<QString>();
    });
    EXPECT_FALSE(f.model->isExporting());
    EXPECT_EQ(f.model->notice(), std::nullopt);

    ImageExportProgress card(*f.model);
    card.show();
    test::click(card.cancelButton());  // no export running: harmless
    QSignalSpy finished(f.model.get(), &ScreenshotModel::exportFinished);
    exportImage(*f.model, ScreenshotFormat::png, 0.92, 2.0,
                [&](const QString&, ScreenshotFormat) { return std::optional<QString>(target); });
    ASSERT_TRUE(f.model->isExporting());
    test::click(card.cancelButton());
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_FALSE(f.model->isExporting());
    EXPECT_EQ(f.model->notice(), QStringLiteral("Image export cancelled"));
    EXPECT_FALSE(QFile::exists(target));
}

TEST(ImageCanvasPanelTest, TheCanvasPageWritesTheScreenshotsSettingsAndFollowsUndo)
{
    Fixture f;
    MemoryPreferencesStore store;
    CanvasPresets presets(store);
    std::unique_ptr<QWidget> page(makeImageCanvasPanel(*f.model, presets));
    page->show();
    StudioMenuPicker* aspect = nullptr;
    for (StudioMenuPicker* picker : page->findChildren<StudioMenuPicker*>())
        if (picker->accessibleName() == QStringLiteral("Aspect ratio"))
            aspect = picker;
    ASSERT_NE(aspect, nullptr);
    const AspectRatio before = f.model->settings().aspect;
    const int square = static_cast<int>(AspectRatio::square);  // the picker lists every ratio in order
    ASSERT_GE(square, 0);
    aspect->showMenu();
    ASSERT_NE(aspect->openMenu(), nullptr);
    aspect->openMenu()->actions().at(square)->trigger();
    EXPECT_EQ(f.model->settings().aspect, AspectRatio::square);
    EXPECT_EQ(f.undoSteps(), 1);
    EXPECT_EQ(f.model->settings().aspect, before);
    EXPECT_NE(aspect->selectedIndex(), square);
}

// The pages drawn in both schemes: labels readable on their own background, swatch ring visible.
TEST(ImagePanelsTest, PagesAreDrawnReadablyInLightAndDark)
{
    for (const StudioColorScheme scheme : {StudioColorScheme::light, StudioColorScheme::dark}) {
        Fixture f;
        f.model->setAnnotations({test::mark(ScreenshotTool::arrow, 0.1, 0.1, 0.5, 0.5)});
        f.selected = f.model->annotations()[0].id;
        test::Host host(test::environment(scheme, QColor(0x00, 0x7A, 0xFF)), {318, 900});
        auto* markup = host.add(new MarkupPanel(*f.model, f.host()));
        auto* crop = host.add(new CropPanel(*f.model, [] {}));
        host.show();
        const QImage image = test::grabImage(host.window.get());
        const QColor background = test::pixel(image, 2, 2);
        EXPECT_EQ(background.lightness() < 128, scheme == StudioColorScheme::dark) << background.name().toStdString();
        for (QWidget* label : markup->findChildren<StudioLabel*>()) {
            if (!label->isVisible() || label->width() < 4)
                continue;
            const QRect area(label->mapTo(host.window.get(), QPoint()), label->size());
            EXPECT_GT(test::strongestContrast(image, area, test::pixel(image, area.left() - 1, area.center().y())),
                      2.0)
                << qPrintable(static_cast<StudioLabel*>(label)->text());
        }
        const auto* ring = markup->swatches()[0];
        const QRect swatch(ring->mapTo(host.window.get(), QPoint()), ring->size());
        EXPECT_LT(test::colourDistance(image.pixelColor(swatch.center()), QColor(0xF0, 0x5A, 0x67)), 30);
        EXPECT_TRUE(crop->isVisible());
    }
}

}  // namespace
}  // namespace sablewick

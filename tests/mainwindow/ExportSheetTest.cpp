#include "mainwindow/ExportSheet.h"
#include "mainwindow/ExportSheetText.h"

#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "components/StudioPaint.h"
#include "components/StudioSegments.h"
#include "components/StudioSlider.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace sablewick {
namespace {

TEST(ExportSheetTextTest, LabelsFollowTheExportRules)
{
    struct Duration {
        double seconds;
        const char* text;
    };
    for (const Duration d : {Duration{61.2, "1:02"}, Duration{59.01, "1:00"}, Duration{0.2, "0:01"},
                             Duration{0, "0:00"}, Duration{-4, "0:00"}, Duration{3600, "60:00"}})
        EXPECT_EQ(ExportSheetText::durationLabel(d.seconds), d.text) << d.seconds;

    EXPECT_EQ(ExportSheetText::qualityName(5), "Higher quality");
    EXPECT_EQ(ExportSheetText::qualityName(1), "Balanced");
    EXPECT_EQ(ExportSheetText::qualityName(-1), "Smaller file");

    EXPECT_EQ(ExportSheetText::frameRate({ExportFormat::gif, ExportResolution::p1080, 0}), "8 fps");
    EXPECT_EQ(ExportSheetText::frameRate({ExportFormat::gif, ExportResolution::p1080, 1}), "12 fps");
    EXPECT_EQ(ExportSheetText::frameRate({ExportFormat::mov, ExportResolution::p1080, 0}), "60 fps");

    EXPECT_EQ(ExportSheetText::exportButtonTitle(ExportFormat::mov), QString::fromUtf8("Export MOV…"));
    EXPECT_EQ(ExportSheetText::sizeLine({1920, 1080}, "16:9"), QString::fromUtf8("1920 × 1080 pixels · 16:9"));

    // 10 s of 1080p MP4 at quality 1: 240 000 bytes plus 12 441 600 bits a second.
    const ExportOptions mp4;
    EXPECT_EQ(ExportSheetText::estimatedBytes(mp4, {1920, 1080}, 10), 15792000);
    EXPECT_EQ(ExportSheetText::estimatedSize(mp4, {1920, 1080}, 10), QString::fromUtf8("≈ 15.8 MB"));
}

class ExportSheetTest : public ::testing::Test {
protected:
    ExportSheet* makeSheet(double duration)
    {
        sheet = std::make_unique<ExportSheet>(StudioBinding<ExportOptions>::to(options), EditSettings{}, duration);
        sheet->show();
        return sheet.get();
    }

    QWidget* metric(const QString& caption) const
    {
        for (QWidget* w : sheet->findChildren<QWidget*>())
            if (w->accessibleName() == caption)
                return w;
        return nullptr;
    }

    ExportOptions options;
    std::unique_ptr<ExportSheet> sheet;
};

TEST_F(ExportSheetTest, ShowsTheMovieSummaryAndFollowsAFormatChange)
{
    makeSheet(10);
    EXPECT_EQ(sheet->width(), ExportSheet::sheetWidth);
    ASSERT_NE(metric("Duration"), nullptr);
    EXPECT_TRUE(metric("Duration")->isVisible());
    EXPECT_TRUE(metric("Estimated size")->isVisible());
    EXPECT_TRUE(metric("Frame rate")->isVisible());
    // Each figure is one element for assistive tools: its caption as the name, its value with it.
    EXPECT_EQ(metric("Duration")->accessibleDescription(), "0:10");
    EXPECT_EQ(metric("Frame rate")->accessibleDescription(), "60 fps");
    EXPECT_EQ(metric("Estimated size")->accessibleDescription(), QString::fromUtf8("≈ 15.8 MB"));
    QAccessibleInterface* duration = QAccessible::queryAccessibleInterface(metric("Duration"));
    ASSERT_NE(duration, nullptr);
    EXPECT_EQ(duration->childCount(), 0);

    auto* export_ = sheet->findChildren<StudioButton*>().last();
    EXPECT_EQ(export_->text(), QString::fromUtf8("Export MP4…"));

    // Developers can look at the sheet: SABLEWICK_GRAB_DIR=/tmp/grabs ctest -R ExportSheet
    if (const QString folder = qEnvironmentVariable("SABLEWICK_GRAB_DIR"); !folder.isEmpty())
        sheet->grab().save(folder + "/export-sheet.png");

    auto* format = sheet->findChild<StudioSegments*>();
    ASSERT_NE(format, nullptr);
    QTest::mouseClick(format, Qt::LeftButton, {}, format->segmentRect(2).center());
    EXPECT_EQ(options.format, ExportFormat::gif);
    EXPECT_EQ(export_->text(), QString::fromUtf8("Export GIF…"));
    EXPECT_EQ(metric("Frame rate")->accessibleDescription(), "12 fps");
    EXPECT_FALSE(metric("Estimated size")->isVisible());
    EXPECT_TRUE(metric("Duration")->isVisible());
    bool noteShown = false;
    for (QLabel* l : sheet->findChildren<QLabel*>())
        noteShown |= l->text() == "GIF is an animated image and has no audio." && l->isVisible();
    EXPECT_TRUE(noteShown);
    if (const QString folder = qEnvironmentVariable("SABLEWICK_GRAB_DIR"); !folder.isEmpty())
        sheet->grab().save(folder + "/export-sheet-gif.png");
}

TEST_F(ExportSheetTest, TheNoAudioSymbolFollowsTheTheme)
{
    options.format = ExportFormat::gif;
    makeSheet(3);
    StudioSymbolView* symbol = nullptr;
    for (StudioSymbolView* s : sheet->findChildren<StudioSymbolView*>())
        if (s->symbol() == "speaker.slash")
            symbol = s;
    ASSERT_NE(symbol, nullptr);
    ASSERT_TRUE(symbol->isVisible());

    const auto distance = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
    };
    // The symbol's ink is the pixel that stands out most from the background around it.
    const auto ink = [&] {
        const QImage image = symbol->grab().toImage();
        const QColor background = image.pixelColor(0, 0);
        QColor strongest = background;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (distance(image.pixelColor(x, y), background) > distance(strongest, background))
                    strongest = image.pixelColor(x, y);
        return strongest;
    };
    for (const StudioColorScheme scheme : {StudioColorScheme::light, StudioColorScheme::dark}) {
        StudioEnvironment environment;
        environment.scheme = scheme;
        StudioTheme::setEnvironment(sheet.get(), environment);
        EXPECT_LE(distance(ink(), StudioColors::from(environment).secondaryLabel), 30)
            << (scheme == StudioColorScheme::dark ? "dark" : "light");
    }
}

TEST_F(ExportSheetTest, TheQualitySliderReadsItsLevelNameToAssistiveTools)
{
    makeSheet(3);
    auto* slider = sheet->findChild<StudioSlider*>();
    ASSERT_NE(slider, nullptr);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(slider);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Export quality");
    EXPECT_EQ(accessible->text(QAccessible::Value), "Balanced");
    slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(options.quality, 2);
    EXPECT_EQ(accessible->text(QAccessible::Value), "Higher quality");
    accessible->valueInterface()->setCurrentValue(0.2);
    EXPECT_EQ(options.quality, 0);
    EXPECT_EQ(accessible->text(QAccessible::Value), "Smaller file");
}

TEST_F(ExportSheetTest, NoDurationHidesDurationAndEstimate)
{
    makeSheet(0);
    EXPECT_FALSE(metric("Duration")->isVisible());
    EXPECT_FALSE(metric("Estimated size")->isVisible());
    EXPECT_TRUE(metric("Frame rate")->isVisible());
}

TEST_F(ExportSheetTest, ButtonsAndKeysActUnlessExporting)
{
    makeSheet(5);
    QSignalSpy exportSpy(sheet.get(), &ExportSheet::exportRequested);
    QSignalSpy dismissSpy(sheet.get(), &ExportSheet::dismissRequested);
    sheet->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet.get()));
    QTest::keyClick(sheet.get(), Qt::Key_Return);
    QTest::keyClick(sheet.get(), Qt::Key_Escape);
    EXPECT_EQ(exportSpy.count(), 1);
    EXPECT_EQ(dismissSpy.count(), 1);

    sheet->setExporting(true);
    QTest::keyClick(sheet.get(), Qt::Key_Return);
    QTest::keyClick(sheet.get(), Qt::Key_Escape);
    EXPECT_EQ(exportSpy.count(), 1);
    EXPECT_EQ(dismissSpy.count(), 1);
    for (StudioButton* b : sheet->findChildren<StudioButton*>())
        EXPECT_FALSE(b->isEnabled());
}

}  // namespace
}  // namespace sablewick

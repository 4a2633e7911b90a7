#include "screenshoteditor/ScreenshotSetupSheet.h"

#include "components/StudioButton.h"
#include "components/StudioMenuPicker.h"
#include "components/StudioSegments.h"
#include "components/StudioSwitch.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace sablewick {
namespace {

DisplayLayout twoDisplays()
{
    DisplayLayout layout;
    layout.root = QSize(3840, 1080);
    layout.displays = {DisplayInfo{11, QStringLiteral("DP-1"), QRect(0, 0, 1920, 1080), false},
                       DisplayInfo{12, QStringLiteral("HDMI-1"), QRect(1920, 0, 1920, 1080), true}};
    return layout;
}

template <class T>
T* only(QWidget& parent)
{
    const auto found = parent.findChildren<T*>();
    EXPECT_EQ(found.size(), 1);
    return found.isEmpty() ? nullptr : found.front();
}

StudioMenuPicker* delayPicker(ScreenshotSetupSheet& sheet)
{
    for (auto* picker : sheet.findChildren<StudioMenuPicker*>()) {
        if (picker != sheet.displayPicker())
            return picker;
    }
    return nullptr;
}

TEST(ScreenshotSetupSheetTest, StartsFromTheDefaultsAndHandsOverTheChoice)
{
    ScreenshotSetupSheet sheet(&twoDisplays);
    sheet.show();
    EXPECT_EQ(sheet.options(), ScreenshotCaptureOptions{});
    EXPECT_EQ(sheet.width(), ScreenshotSetupSheet::sheetWidth);
    auto* capture = [&]() -> StudioButton* {
        for (auto* button : sheet.findChildren<StudioButton*>()) {
            if (button->text().startsWith(QStringLiteral("Capture")))
                return button;
        }
        return nullptr;
    }();
    ASSERT_NE(capture, nullptr);
    EXPECT_EQ(capture->text(), QStringLiteral("Capture area"));
    EXPECT_EQ(sheet.displayPicker(), nullptr);
    // The kit's switch, not a check box.
    StudioSwitch* pointer = only<StudioSwitch>(sheet);
    ASSERT_NE(pointer, nullptr);
    EXPECT_EQ(pointer->text(), QStringLiteral("Include pointer"));
    EXPECT_FALSE(pointer->isVisible());

    StudioMenuPicker* delay = delayPicker(sheet);
    ASSERT_NE(delay, nullptr);
    EXPECT_EQ(delay->labels(), (QStringList{QStringLiteral("None"), QStringLiteral("3 seconds"), QStringLiteral("5 seconds")}));
    EXPECT_EQ(delay->width(), 160);

    // Display mode offers the displays by name, the main one chosen, and the pointer switch.
    StudioSegments* mode = only<StudioSegments>(sheet);
    QTest::mouseClick(mode, Qt::LeftButton, {}, mode->segmentRect(2).center());
    ASSERT_NE(sheet.displayPicker(), nullptr);
    EXPECT_EQ(sheet.displayPicker()->labels(), (QStringList{QStringLiteral("DP-1"), QStringLiteral("HDMI-1")}));
    EXPECT_EQ(sheet.options().displayID, 12u);
    EXPECT_EQ(sheet.displayPicker()->selectedIndex(), 1);
    EXPECT_EQ(capture->text(), QStringLiteral("Capture display"));
    EXPECT_TRUE(pointer->isVisible());
    QTest::mouseClick(pointer, Qt::LeftButton);
    EXPECT_TRUE(sheet.options().includeCursor);
    QTest::mouseClick(sheet.displayPicker(), Qt::LeftButton);
    ASSERT_NE(sheet.displayPicker()->openMenu(), nullptr);
    sheet.displayPicker()->openMenu()->actions()[0]->trigger();
    sheet.displayPicker()->openMenu()->close();
    EXPECT_EQ(sheet.options().displayID, 11u);

    // Back and forth re-selects the main display.
    QTest::mouseClick(mode, Qt::LeftButton, {}, mode->segmentRect(1).center());
    EXPECT_FALSE(pointer->isVisible());
    QTest::mouseClick(mode, Qt::LeftButton, {}, mode->segmentRect(2).center());
    EXPECT_EQ(sheet.options().displayID, 12u);
    QTest::mouseClick(mode, Qt::LeftButton, {}, mode->segmentRect(1).center());

    QTest::mouseClick(delay, Qt::LeftButton);
    ASSERT_NE(delay->openMenu(), nullptr);
    delay->openMenu()->actions()[2]->trigger();
    delay->openMenu()->close();

    QSignalSpy requested(&sheet, &ScreenshotSetupSheet::captureRequested);
    QSignalSpy dismissed(&sheet, &ScreenshotSetupSheet::dismissRequested);
    QTest::mouseClick(capture, Qt::LeftButton);
    ASSERT_EQ(requested.size(), 1);
    const auto options = requested.front().front().value<ScreenshotCaptureOptions>();
    EXPECT_EQ(options.mode, ScreenshotCaptureMode::window);
    EXPECT_EQ(options.delay, 5);
    EXPECT_TRUE(options.includeCursor);  // kept from display mode; only a display capture reads it
    EXPECT_EQ(dismissed.size(), 1);
}

TEST(ScreenshotSetupSheetTest, WithoutDisplaysThereIsNothingToChoose)
{
    ScreenshotSetupSheet sheet([]() -> DisplayLayout { throw X11Error("No X display is set."); });
    sheet.show();
    StudioSegments* mode = only<StudioSegments>(sheet);
    QTest::mouseClick(mode, Qt::LeftButton, {}, mode->segmentRect(2).center());
    ASSERT_NE(sheet.displayPicker(), nullptr);
    EXPECT_TRUE(sheet.displayPicker()->labels().isEmpty());
    EXPECT_FALSE(sheet.options().displayID);

    QSignalSpy requested(&sheet, &ScreenshotSetupSheet::captureRequested);
    QSignalSpy dismissed(&sheet, &ScreenshotSetupSheet::dismissRequested);
    for (auto* button : sheet.findChildren<StudioIconButton*>())
        QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(requested.size(), 0);
    EXPECT_EQ(dismissed.size(), 1);
}

}  // namespace
}  // namespace sablewick

#include "app/MenuBarItem.h"

#include <gtest/gtest.h>

#include <string>

namespace sablewick {
namespace {

// The menu written as one line per item: "-" a divider, "~text" a line that cannot be chosen,
// "text" a button, "(text)" a disabled button.
std::vector<std::string> outline(const MenuBarState& state)
{
    std::vector<std::string> lines;
    for (const MenuBarItem& item : menuBarItems(state)) {
        switch (item.kind) {
        case MenuBarItem::Kind::divider:
            lines.push_back("-");
            break;
        case MenuBarItem::Kind::text:
        case MenuBarItem::Kind::label:
            lines.push_back("~" + item.text.toStdString());
            break;
        case MenuBarItem::Kind::button:
            lines.push_back(item.enabled ? item.text.toStdString() : "(" + item.text.toStdString() + ")");
            break;
        }
    }
    return lines;
}

TEST(MenuBarItemTest, MenuForEachSituation)
{
    struct Case {
        const char* name;
        MenuBarState state;
        std::vector<std::string> menu;
    };
    MenuBarState recording;
    recording.isRecording = true;
    MenuBarState recordingAndStarting = recording;
    recordingAndStarting.isStartingRecording = true;
    MenuBarState startingAndFinalizing;
    startingAndFinalizing.isStartingRecording = true;
    startingAndFinalizing.isFinalizingRecording = true;
    MenuBarState finalizing;
    finalizing.isFinalizingRecording = true;
    MenuBarState exporting;
    exporting.isExporting = true;
    exporting.exportProgress = 0.426;
    MenuBarState capturing;
    capturing.isCapturing = true;
    capturing.captureStatus = QStringLiteral("Select an area…");
    MenuBarState finished;
    finished.hasFinishedRecording = true;

    const Case cases[] = {
        {"idle", {},
         {"~Sablewick", "New recording…", "-", "Take screenshot…", "Open image…", "Image editor", "-", "Open editor",
          "Settings…", "-", "Quit Sablewick"}},
        {"recording", recording,
         {"~Sablewick", "~Recording", "Stop recording", "-", "(Take screenshot…)", "Open image…", "Image editor", "-",
          "Open editor", "Settings…", "-", "(Quit Sablewick)"}},
        {"recording wins over starting", recordingAndStarting,
         {"~Sablewick", "~Recording", "Stop recording", "-", "(Take screenshot…)", "Open image…", "Image editor", "-",
          "Open editor", "Settings…", "-", "(Quit Sablewick)"}},
        {"starting wins over finalizing", startingAndFinalizing,
         {"~Sablewick", "~Starting recording…", "-", "(Take screenshot…)", "Open image…", "Image editor", "-",
          "Open editor", "Settings…", "-", "(Quit Sablewick)"}},
        {"finalizing", finalizing,
         {"~Sablewick", "~Finishing recording…", "-", "(Take screenshot…)", "Open image…", "Image editor", "-",
          "Open editor", "Settings…", "-", "(Quit Sablewick)"}},
        {"exporting", exporting,
         {"~Sablewick", "(New recording…)", "~Exporting · 42%", "-", "Take screenshot…", "Open image…", "Image editor",
          "-", "Open editor", "Settings…", "-", "(Quit Sablewick)"}},
        {"capturing", capturing,
         {"~Sablewick", "New recording…", "-", "(Take screenshot…)", "Open image…", "Image editor", "~Select an area…",
          "Cancel screenshot", "-", "Open editor", "Settings…", "-", "(Quit Sablewick)"}},
        {"a recording has finished", finished,
         {"~Sablewick", "New recording…", "-", "Take screenshot…", "Open image…", "Image editor", "-", "Open editor",
          "Show latest recording in Files", "Settings…", "-", "Quit Sablewick"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(outline(c.state), c.menu) << c.name;
}

TEST(MenuBarItemTest, CommandsAndSymbolsOfTheIdleMenu)
{
    MenuBarState finished;
    finished.hasFinishedRecording = true;
    std::vector<std::pair<MenuBarCommand, std::string>> buttons;
    for (const MenuBarItem& item : menuBarItems(finished)) {
        if (item.kind == MenuBarItem::Kind::button)
            buttons.emplace_back(item.command, item.symbol.toStdString());
    }
    const std::vector<std::pair<MenuBarCommand, std::string>> expected{
        {MenuBarCommand::newRecording, "record.circle"},  {MenuBarCommand::takeScreenshot, "camera"},
        {MenuBarCommand::openImage, "photo"},             {MenuBarCommand::imageEditor, "photo.on.rectangle"},
        {MenuBarCommand::openEditor, "macwindow"},        {MenuBarCommand::showLatestRecording, "folder"},
        {MenuBarCommand::settings, "gearshape"},          {MenuBarCommand::quit, ""},
    };
    EXPECT_EQ(buttons, expected);
}

TEST(MenuBarItemTest, ExportPercentageIsTruncated)
{
    const std::pair<double, const char*> cases[] = {
        {0.0, "Exporting · 0%"},   {0.426, "Exporting · 42%"}, {0.999, "Exporting · 99%"},
        {1.0, "Exporting · 100%"}, {0.0049, "Exporting · 0%"},
    };
    for (const auto& [progress, line] : cases)
        EXPECT_EQ(exportingLine(progress).toStdString(), line) << progress;
}

}  // namespace
}  // namespace sablewick

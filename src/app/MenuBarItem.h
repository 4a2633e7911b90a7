#pragma once

#include <QString>

#include <vector>

namespace sablewick {

// What the tray menu is built from: the state of the session's models at one moment.
struct MenuBarState {
    bool isRecording = false;
    bool isStartingRecording = false;
    bool isFinalizingRecording = false;
    bool isExporting = false;
    double exportProgress = 0;  // 0...1
    bool isCapturing = false;
    QString captureStatus;
    bool hasFinishedRecording = false;
};

enum class MenuBarCommand {
    none,
    stopRecording,
    newRecording,
    takeScreenshot,
    openImage,
    imageEditor,
    cancelScreenshot,
    openEditor,
    showLatestRecording,
    settings,
    quit,
};

// One line of the tray menu. Text lines and labelled lines cannot be chosen; a divider has no text.
struct MenuBarItem {
    enum class Kind { text, label, button, divider };
    Kind kind = Kind::text;
    QString text;
    QString symbol;  // the symbol name of its icon; empty for none
    MenuBarCommand command = MenuBarCommand::none;
    bool enabled = true;

    bool operator==(const MenuBarItem&) const = default;
};

// The tray menu for a state, top to bottom.
std::vector<MenuBarItem> menuBarItems(const MenuBarState& state);

// "Exporting · 42%": the progress truncated to a whole percent.
QString exportingLine(double progress);

// The tray icon's symbol and the name assistive tools read for it.
QString menuBarSymbol(bool isRecording);
QString menuBarAccessibleName(bool isRecording);

}  // namespace sablewick

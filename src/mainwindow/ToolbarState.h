#pragma once

#include "components/CommandShortcut.h"
#include "mainwindow/MainWindowSession.h"
#include "preferences/StudioShortcutAction.h"

#include <QString>

#include <array>
#include <optional>

namespace sablewick {

// What the main window's toolbar shows and allows, from the models' state.
struct ToolbarState {
    struct Inputs {
        bool movieOpen = false;
        bool canUndo = false;
        bool canRedo = false;
        bool isExporting = false;
        bool hasRecentProjects = false;
        RecorderState recorder;
        bool isCapturing = false;
    };

    // The recording control: the "Open" menu while idle, "Stop recording" while recording, a
    // spinner while the recording is being finished.
    enum class RecordingControl { openMenu, stopRecording, finishing };

    bool showsUndoRedo = false;
    bool undoEnabled = false;
    bool redoEnabled = false;
    RecordingControl recordingControl = RecordingControl::openMenu;
    bool showsCaptureGroup = false;
    bool screenshotEnabled = false;
    // Save, project options, export and the inspector switch.
    bool showsDocumentGroups = false;
    bool exportEnabled = false;
    bool showsRecentProjects = false;

    static ToolbarState make(const Inputs& inputs);
    bool operator==(const ToolbarState&) const = default;
};

// The five editor commands carried by hidden buttons, so that their keys work wherever the focus is.
enum class HiddenCommand { undo, redo, backward, forward, deleteZoom };
inline constexpr std::array allHiddenCommands{HiddenCommand::undo, HiddenCommand::redo, HiddenCommand::backward,
                                              HiddenCommand::forward, HiddenCommand::deleteZoom};

struct HiddenCommandInputs {
    bool movieOpen = false;
    bool recorderBusy = false;
    bool isExporting = false;
    bool canUndo = false;
    bool canRedo = false;
    bool hasSelection = false;
};

QString title(HiddenCommand command);
StudioShortcutAction shortcutAction(HiddenCommand command);
bool isEnabled(HiddenCommand command, const HiddenCommandInputs& inputs);

}  // namespace sablewick

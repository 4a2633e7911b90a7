#include "mainwindow/ToolbarState.h"

namespace sablewick {

ToolbarState ToolbarState::make(const Inputs& in)
{
    ToolbarState s;
    s.showsUndoRedo = in.movieOpen;
    s.undoEnabled = in.canUndo;
    s.redoEnabled = in.canRedo;
    if (in.recorder.isFinalizing)
        s.recordingControl = RecordingControl::finishing;
    else if (in.recorder.isRecording)
        s.recordingControl = RecordingControl::stopRecording;
    s.showsCaptureGroup = !in.recorder.isRecording && !in.recorder.isFinalizing;
    s.screenshotEnabled = !in.isCapturing;
    s.showsDocumentGroups = in.movieOpen;
    s.exportEnabled = !in.isExporting && !in.recorder.isRecording && !in.recorder.isFinalizing;
    s.showsRecentProjects = in.hasRecentProjects;
    return s;
}

QString title(HiddenCommand command)
{
    switch (command) {
    case HiddenCommand::undo:
        return QStringLiteral("Undo edit");
    case HiddenCommand::redo:
        return QStringLiteral("Redo edit");
    case HiddenCommand::backward:
        return QStringLiteral("Back five seconds");
    case HiddenCommand::forward:
        return QStringLiteral("Forward five seconds");
    case HiddenCommand::deleteZoom:
        return QStringLiteral("Delete selected zoom");
    }
    return {};
}

StudioShortcutAction shortcutAction(HiddenCommand command)
{
    switch (command) {
    case HiddenCommand::undo:
        return StudioShortcutAction::undo;
    case HiddenCommand::redo:
        return StudioShortcutAction::redo;
    case HiddenCommand::backward:
        return StudioShortcutAction::backward;
    case HiddenCommand::forward:
        return StudioShortcutAction::forward;
    case HiddenCommand::deleteZoom:
        return StudioShortcutAction::deleteZoom;
    }
    return StudioShortcutAction::undo;
}

bool isEnabled(HiddenCommand command, const HiddenCommandInputs& in)
{
    if (!in.movieOpen || in.recorderBusy || in.isExporting)
        return false;
    switch (command) {
    case HiddenCommand::undo:
        return in.canUndo;
    case HiddenCommand::redo:
        return in.canRedo;
    case HiddenCommand::backward:
    case HiddenCommand::forward:
        return true;
    case HiddenCommand::deleteZoom:
        return in.hasSelection;
    }
    return false;
}

}  // namespace sablewick

#pragma once

#include "preferences/StudioKeyBinding.h"

#include <QString>

#include <array>
#include <optional>

namespace sablewick {

// The eighteen commands that take a user-chosen shortcut, in their fixed order. The first three are
// system-wide hot keys; the others are shortcuts of the application's own windows.
enum class StudioShortcutAction {
    recording,
    markZoom,
    captureScreenshot,
    openImage,
    copyImage,
    openVideo,
    openProject,
    save,
    export_,
    playback,
    addZoom,
    deleteZoom,
    inspector,
    undo,
    redo,
    backward,
    forward,
    loop,
};

inline constexpr std::array<StudioShortcutAction, 18> allStudioShortcutActions{
    StudioShortcutAction::recording,   StudioShortcutAction::markZoom,  StudioShortcutAction::captureScreenshot,
    StudioShortcutAction::openImage,   StudioShortcutAction::copyImage, StudioShortcutAction::openVideo,
    StudioShortcutAction::openProject, StudioShortcutAction::save,      StudioShortcutAction::export_,
    StudioShortcutAction::playback,    StudioShortcutAction::addZoom,   StudioShortcutAction::deleteZoom,
    StudioShortcutAction::inspector,   StudioShortcutAction::undo,      StudioShortcutAction::redo,
    StudioShortcutAction::backward,    StudioShortcutAction::forward,   StudioShortcutAction::loop};

// The case name ("recording", ..., "export", ...); also the action's id and its stored name.
QString rawValue(StudioShortcutAction action);
std::optional<StudioShortcutAction> studioShortcutActionFromRawValue(const QString& raw);
// "Start / stop recording", ...
QString title(StudioShortcutAction action);
StudioKeyBinding defaultBinding(StudioShortcutAction action);
// True for the three actions registered as system-wide hot keys.
bool isSystemWide(StudioShortcutAction action);

}  // namespace sablewick

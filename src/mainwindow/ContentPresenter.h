#pragma once

#include "mainwindow/MainWindowSession.h"
#include "workspace/InspectorTab.h"

#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

namespace sablewick {

// What the main window shows around its content, decided from the models' state alone so that
// every rule is tested without a window.
namespace ContentPresenter {

// The file name of `url` with its last `count` extensions removed. A leading dot does not start
// an extension, so ".mov" stays ".mov" and a name without extensions is kept whole.
QString removingExtensions(const QString& fileName, int count);

// The window title: the movie's file name without its extension, else the product name.
QString windowTitle(const std::optional<QUrl>& movie);
QString windowSubtitle(bool movieOpen, bool hasUnsavedEdits);

// The one notice the banner shows: the recorder's, else the editor's.
std::optional<QString> currentNotice(const RecorderState& recorder, const std::optional<QString>& editorNotice);

// A recording starts, runs or finishes, or a screenshot is being captured.
bool isCaptureBusy(const RecorderState& recorder, const CaptureState& capture);

// The buttons of the status banner, each present under its own flag, in this order. The two that
// open privacy settings show only where the desktop has them (`privacySettings`).
enum class StatusButton { openSettings, microphoneSettings, quit, showExport };
struct StatusButtonInfo {
    StatusButton button;
    QString title;
};
std::vector<StatusButtonInfo> statusButtons(const RecorderState& recorder, bool hasExportFile, bool privacySettings);

// The inspector column is shown only with a movie open, and then as the user last left it.
bool inspectorPresented(bool movieOpen, bool inspectorVisible);

struct InspectorHeader {
    QString title;
    QString symbol;
    QString subtitle;
};
InspectorHeader inspectorHeader(InspectorTab tab);

// The caption over the preview: "16:9  ·  1920 × 1080 source"; fractions of the size are dropped.
QString previewCaption(const QString& aspectLabel, double sourceWidth, double sourceHeight);

// The project name a recent-project row shows: Demo for Demo.sablewick.json.
QString recentProjectTitle(const QUrl& project);
// The folder that holds it.
QString recentProjectFolder(const QUrl& project);

}  // namespace ContentPresenter
}  // namespace sablewick

#pragma once

#include <QString>

// The fixed texts of the main window. The few that name a thing of another desktop say it the
// Linux way here and nowhere else: the file manager is "Files", the machine is "this computer",
// and shortcuts read "Ctrl+V".
namespace sablewick::MainWindowText {

inline const QString productName = QStringLiteral("Sablewick");
inline const QString welcomeSubtitle = QStringLiteral("Your local video studio");

// Status banner.
inline const QString openSettings = QStringLiteral("Open settings");
inline const QString microphoneSettings = QStringLiteral("Microphone settings");
inline const QString quitApplication = QStringLiteral("Quit Sablewick");
inline const QString showExport = QStringLiteral("Show in Files");

// Update banner.
inline const QString updateReady = QStringLiteral("An update is ready. Your edit can come with you.");
inline const QString saveAndReopen = QStringLiteral("Save & reopen");

// Capture strip.
inline const QString cancelCapture = QStringLiteral("Cancel capture");

// Save-before-replace prompt.
inline const QString savePromptMessage = QStringLiteral("Save this edit before moving on?");
inline const QString savePromptDetail =
    QStringLiteral("Save the project to keep its zooms, canvas and audio settings.");
inline const QString saveProjectButton = QStringLiteral("Save project");
inline const QString cancelButton = QStringLiteral("Cancel");
inline const QString discardChangesButton = QStringLiteral("Discard changes");

// An export whose name was given the format's extension would replace another file.
inline const QString replaceExportMessage = QString::fromUtf8("“%1” already exists. Do you want to replace it?");
inline const QString replaceExportDetail =
    QStringLiteral("The export is written under this name, with the extension of the chosen format.");
inline const QString replaceButton = QStringLiteral("Replace");

// The notice after the last edit was continued from its recovery copy: "Opened " and the movie.
inline const QString openedPrefix = QStringLiteral("Opened ");

// Default file names.
inline const QString defaultProjectName = QStringLiteral("Sablewick Project.sablewick.json");
inline const QString defaultExportBaseName = QStringLiteral("Sablewick Video.");

// Placement bar.
inline const QString placementHint = QStringLiteral("Click the subject to place this zoom");

// Recording permissions alert.
inline const QString permissionsTitle = QStringLiteral("Recording permissions");
inline const QString permissionsMessage = QStringLiteral(
    "Sablewick needs Screen Recording access. Input Monitoring lets it detect typing in other apps. "
    "Accessibility helps it follow the text caret when available. It records event locations and times, "
    "never the text you type.");
inline const QString openScreenRecordingSettings = QStringLiteral("Open Screen Recording Settings");
inline const QString openInputMonitoringSettings = QStringLiteral("Open Input Monitoring Settings");
inline const QString doneButton = QStringLiteral("Done");

// Welcome screen.
inline const QString dropHint =
    QString::fromUtf8("Drop a video, image or project anywhere — or paste an image with Ctrl+V.");
inline const QString emptyProjects =
    QStringLiteral("Saved projects will appear here. Your recordings and edits stay on this computer.");

}  // namespace sablewick::MainWindowText

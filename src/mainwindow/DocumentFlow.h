#pragma once

#include "components/StudioDialogs.h"
#include "document/EditSettings.h"
#include "document/FocusPoint.h"
#include "rendering/ExportOptions.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

namespace sablewick {

class EditorModel;
class MainWindowSession;

// How the main window brings documents in and out: the open panels, drops, recent projects, the
// prompt that protects unsaved work before anything replaces the open edit, saving, and choosing
// where an export goes. The long work (loading, writing, exporting) is the editor model's and runs
// off the main thread; only replacing the open edit waits for the saves asked for, since whether
// they landed decides whether the edit may go.
//
// Main thread only. The model, session and dialogs must outlive it.
class DocumentFlow {
public:
    DocumentFlow(EditorModel& editor, MainWindowSession& session, StudioDialogs& dialogs);

    // True when the open edit may be replaced: nothing is open, nothing is unsaved, the user saved
    // it, or the user chose to discard it.
    bool confirmReplacingEdit();
    void openMovie();
    void openProject();
    void openRecent(const QUrl& project);
    // Saves to the known project file, else asks for one as saveProjectAs() does. The file is
    // written on the editor's workers and the outcome reaches the notice when it lands. False
    // when no save was asked for (a cancelled panel).
    bool saveProject();
    bool saveProjectAs();
    // Asks where to write the export and starts it; a cancelled panel starts nothing.
    void exportMovie(const ExportOptions& options);
    // True when the drop was taken.
    bool drop(const QList<QUrl>& urls);

    // A recording is about to replace the open edit without asking. Unsaved changes are saved as
    // a project beside the recovery copy first, so that they stay among the recent projects,
    // unless the user chose to discard exactly this edit. Returns the kept file, none when nothing
    // needed keeping or it could not be written.
    std::optional<QUrl> keepEditBeforeRecording();
    // The same for a recording that finishes while no window is open: whatever is unsaved is kept.
    static std::optional<QUrl> keepUnsavedEdit(EditorModel& editor);

    // The types the panels offer.
    static std::vector<FileTypeFilter> movieTypes();
    static std::vector<FileTypeFilter> projectOpenTypes();
    static std::vector<FileTypeFilter> projectSaveTypes();
    static std::vector<FileTypeFilter> exportTypes(ExportFormat format);
    // "Sablewick Video.mp4".
    static QString exportFileName(ExportFormat format);
    // Where an export of `format` goes when the user chose `chosen`: the name always ends in the
    // format's extension, so "demo.mp4" chosen for a GIF becomes "demo.gif" and "demo" becomes
    // "demo.gif". Only a known video or GIF extension is replaced; any other ending is kept and
    // the extension added ("take.v2" becomes "take.v2.gif").
    static QUrl exportDestination(const QUrl& chosen, ExportFormat format);

private:
    // What the user saw when answering the prompt.
    struct EditSnapshot {
        std::optional<QUrl> movie;
        EditSettings settings;
        std::vector<FocusPoint> events;
        bool operator==(const EditSnapshot&) const = default;
    };
    EditSnapshot snapshot() const;
    // Waits for the saves asked for; true when nothing is left unsaved.
    bool savedNow();
    void startMovieOpen(const QUrl& movie);

    EditorModel& m_editor;
    MainWindowSession& m_session;
    StudioDialogs& m_dialogs;
    std::optional<EditSnapshot> m_discarded;
};

}  // namespace sablewick

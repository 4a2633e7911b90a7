#pragma once

#include "editor/EditorDocument.h"
#include "editor/EditorExport.h"
#include "editor/EditorNotice.h"
#include "editor/EditorPlayback.h"
#include "editor/EditorServices.h"
#include "editor/FocusEditor.h"

#include <QObject>
#include <QString>

#include <optional>

namespace sablewick {

// The video editor: its document (the open movie and the edit of it, with its history and its
// files), playback with the sound preview, focus editing and the export, wired together. Each
// part publishes its own state; a view takes the part it shows. The banner's notice is shared.
//
// Threading: lives on the main thread, as do its parts; the work they run on workers hands its
// results back to the main thread.
class EditorModel : public QObject {
    Q_OBJECT
public:
    // The services must outlive the model and the work it has started.
    explicit EditorModel(EditorServices services, QObject* parent = nullptr);
    ~EditorModel() override;

    EditorDocument& document() { return m_document; }
    const EditorDocument& document() const { return m_document; }
    EditorPlayback& playback() { return m_playback; }
    const EditorPlayback& playback() const { return m_playback; }
    FocusEditor& focus() { return m_focus; }
    const FocusEditor& focus() const { return m_focus; }
    EditorExport& exporter() { return m_exporter; }
    const EditorExport& exporter() const { return m_exporter; }

    // The one message of the main window's banner; the shell also reports its own outcomes here.
    const std::optional<QString>& notice() const { return m_notice.text(); }
    void setNotice(std::optional<QString> notice) { m_notice.set(std::move(notice)); }

signals:
    void noticeChanged();

private:
    EditorServices m_services;
    EditorNotice m_notice;
    // The document reaches playback only once both are built.
    EditorDocument m_document;
    EditorPlayback m_playback;
    FocusEditor m_focus;
    EditorExport m_exporter;
};

}  // namespace sablewick

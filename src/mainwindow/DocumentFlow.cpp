#include "mainwindow/DocumentFlow.h"

#include "editor/EditorModel.h"
#include "mainwindow/DropRoute.h"
#include "mainwindow/MainWindowSession.h"
#include "mainwindow/MainWindowText.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace sablewick {

DocumentFlow::DocumentFlow(EditorModel& editor, MainWindowSession& session, StudioDialogs& dialogs)
    : m_editor(editor), m_session(session), m_dialogs(dialogs)
{
}

bool DocumentFlow::confirmReplacingEdit()
{
    // A save asked for a moment ago decides whether anything is left unsaved.
    m_editor.document().finishSaving();
    if (!m_editor.document().movieURL() || !m_editor.document().hasUnsavedEdits())
        return true;
    m_editor.playback().pausePlayback();
    const std::optional<int> answer = m_dialogs.runAlert(
        {MainWindowText::savePromptMessage,
         MainWindowText::savePromptDetail,
         {MainWindowText::saveProjectButton, MainWindowText::cancelButton, MainWindowText::discardChangesButton},
         1});
    if (answer == 0)
        return saveProject() && savedNow();
    if (answer != 2)
        return false;
    m_discarded = snapshot();
    return true;
}

DocumentFlow::EditSnapshot DocumentFlow::snapshot() const
{
    return {m_editor.document().movieURL(), m_editor.document().settings(), m_editor.document().events()};
}

void DocumentFlow::startMovieOpen(const QUrl& movie)
{
    // Each open replaces the model's generation itself, so a slower earlier load is dropped.
    m_editor.document().open(movie, std::nullopt);
}

void DocumentFlow::openMovie()
{
    if (!confirmReplacingEdit())
        return;
    const std::optional<QUrl> url = m_dialogs.runOpenPanel({QStringLiteral("Open video"), movieTypes()});
    if (!url)
        return;
    // A picture named in the panel goes to the image editor, as a dropped one does, so a file
    // that only bears an image's name is reported as an unreadable image, not as a video.
    if (isImageFile(*url)) {
        m_discarded.reset();  // the open edit stays: the answer to the prompt no longer applies
        m_session.openImage(*url);
        return;
    }
    startMovieOpen(*url);
}

void DocumentFlow::openProject()
{
    if (!confirmReplacingEdit())
        return;
    if (const std::optional<QUrl> url = m_dialogs.runOpenPanel({QStringLiteral("Open project"), projectOpenTypes()}))
        m_editor.document().openProject(*url);
}

void DocumentFlow::openRecent(const QUrl& project)
{
    if (confirmReplacingEdit())
        m_editor.document().openProject(project);
}

bool DocumentFlow::saveProject()
{
    if (!m_editor.document().projectURL())
        return saveProjectAs();
    m_editor.document().saveProject(*m_editor.document().projectURL());
    return true;
}

bool DocumentFlow::savedNow()
{
    m_editor.document().finishSaving();
    return !m_editor.document().hasUnsavedEdits();
}

bool DocumentFlow::saveProjectAs()
{
    const QString proposed = m_editor.document().projectURL() ? m_editor.document().projectURL()->fileName()
                                                              : MainWindowText::defaultProjectName;
    const std::optional<QUrl> url =
        m_dialogs.runSavePanel({QStringLiteral("Save project"), projectSaveTypes(), proposed, QStringLiteral("json")});
    if (!url)
        return false;
    m_editor.document().saveProject(*url);
    return true;
}

void DocumentFlow::exportMovie(const ExportOptions& options)
{
    const std::optional<QUrl> url = m_dialogs.runSavePanel(
        {QStringLiteral("Export video"), exportTypes(options.format), exportFileName(options.format),
         fileExtension(options.format)});
    if (!url)
        return;
    const QUrl destination = exportDestination(*url, options.format);
    // The panel asked before replacing the name that was typed, not the one corrected here.
    if (destination != *url && QFileInfo::exists(destination.toLocalFile())
        && m_dialogs.runAlert({MainWindowText::replaceExportMessage.arg(destination.fileName()),
                               MainWindowText::replaceExportDetail,
                               {MainWindowText::replaceButton, MainWindowText::cancelButton},
                               1})
            != 0)
        return;
    m_editor.exporter().export_(destination, options);
}

bool DocumentFlow::drop(const QList<QUrl>& urls)
{
    switch (classifyDrop(urls, m_editor.exporter().isExporting(), m_session.recorderState(), isImageFile)) {
    case DropRoute::refused:
        return false;
    case DropRoute::image:
        m_session.openImage(urls.first());
        return true;
    case DropRoute::project:
        if (!confirmReplacingEdit())
            return false;
        m_editor.document().openProject(urls.first());
        return true;
    case DropRoute::movie:
        if (!confirmReplacingEdit())
            return false;
        startMovieOpen(urls.first());
        return true;
    }
    return false;
}

std::optional<QUrl> DocumentFlow::keepEditBeforeRecording()
{
    if (!m_editor.document().movieURL())
        return std::nullopt;
    m_editor.document().flushPendingEdits();
    if (m_discarded == snapshot())
        return std::nullopt;
    return keepUnsavedEdit(m_editor);
}

std::optional<QUrl> DocumentFlow::keepUnsavedEdit(EditorModel& editor)
{
    if (!editor.document().movieURL())
        return std::nullopt;
    editor.document().flushPendingEdits();
    if (!editor.document().hasUnsavedEdits())
        return std::nullopt;
    const QDir folder = QFileInfo(EditorDocument::recoveryPath()).dir();
    if (!folder.exists() && !QDir().mkpath(folder.path()))
        return std::nullopt;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    QString path = folder.filePath(QStringLiteral("Edit before recording %1.sablewick.json").arg(stamp));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder.filePath(QStringLiteral("Edit before recording %1 (%2).sablewick.json").arg(stamp).arg(n));
    const QUrl url = QUrl::fromLocalFile(path);
    editor.document().saveProject(url);
    editor.document().finishSaving();
    if (editor.document().hasUnsavedEdits())
        return std::nullopt;
    return url;
}

std::vector<FileTypeFilter> DocumentFlow::movieTypes()
{
    return {
        {QStringLiteral("Movies and videos"),
         {"*.mp4", "*.m4v", "*.mov", "*.qt", "*.mkv", "*.webm", "*.avi", "*.mpg", "*.mpeg", "*.ts", "*.m2ts", "*.mts",
          "*.wmv", "*.flv", "*.ogv", "*.3gp"}},
        {QStringLiteral("MPEG-4 movie"), {"*.mp4", "*.m4v"}},
        {QStringLiteral("QuickTime movie"), {"*.mov", "*.qt"}},
    };
}

std::vector<FileTypeFilter> DocumentFlow::projectOpenTypes()
{
    return {{QStringLiteral("All files"), {"*"}}};
}

std::vector<FileTypeFilter> DocumentFlow::projectSaveTypes()
{
    return {{QStringLiteral("JSON document"), {"*.json"}}};
}

std::vector<FileTypeFilter> DocumentFlow::exportTypes(ExportFormat format)
{
    return {{fileTypeName(format), {QStringLiteral("*.") + fileExtension(format)}}};
}

QString DocumentFlow::exportFileName(ExportFormat format)
{
    const std::string_view stored = storedValue(format);
    return MainWindowText::defaultExportBaseName +
           QString::fromLatin1(stored.data(), static_cast<qsizetype>(stored.size())).toLower();
}

QUrl DocumentFlow::exportDestination(const QUrl& chosen, ExportFormat format)
{
    const QString wanted = fileExtension(format);
    const QString name = chosen.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    // A name that is only an extension (".mp4") is a hidden file's name, not a type.
    const QString suffix = dot > 0 ? name.mid(dot + 1) : QString();
    if (suffix.compare(wanted, Qt::CaseInsensitive) == 0)
        return chosen;
    QStringList known = movieTypes().front().patterns;
    known.append(QStringLiteral("*.gif"));
    const bool replace = !suffix.isEmpty() && known.contains(QStringLiteral("*.") + suffix.toLower());
    QUrl destination = chosen.adjusted(QUrl::RemoveFilename);
    destination.setPath(destination.path() + (replace ? name.left(dot) : name) + QLatin1Char('.') + wanted);
    return destination;
}

}  // namespace sablewick

#pragma once

#include "document/EditHistory.h"
#include "document/EditSettings.h"
#include "screenshots/ScreenshotAnnotation.h"
#include "screenshots/ScreenshotModelServices.h"
#include "screenshots/ScreenshotProject.h"
#include "screenshots/ScreenshotRenderer.h"
#include "screenshots/ScreenshotTool.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QThreadPool>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace sablewick {

class ExportJob;
class ScheduledTask;
class TaskScheduler;

// The document of the image editor: one screenshot with its canvas settings and marks, the undo
// history (changes within 0.18 s make one step), the project file, the recovery copy that survives
// a quit, the preview that follows every change and the export to a file or the clipboard.
//
// The original image is never written: every edit lives in the project and the recovery file, and
// an export onto the original (by any name, link or hard link) is refused.
//
// Main thread only. Previews and exports render on the model's own worker threads from copies of
// the edit; the model waits for them (after cancelling an export) when it is destroyed.
class ScreenshotModel : public QObject {
    Q_OBJECT

public:
    static constexpr double coalesceDelay = 0.18;
    static constexpr int undoDepthLimit = 100;
    static constexpr int previewLongSide = 1600;
    static constexpr double previewPause = 0.016;

    explicit ScreenshotModel(ScreenshotModelServices services, QObject* parent = nullptr);
    ~ScreenshotModel() override;

    // Where the recovery copy lies: beside the video editor's, in the recovery folder.
    static QString recoveryPath();

    // --- published state
    const std::optional<QUrl>& sourceURL() const { return m_sourceURL; }
    const QImage& source() const { return m_source; }
    QSize sourceSize() const;  // 1 x 1 without a source
    const EditSettings& settings() const { return m_settings; }
    const std::vector<ScreenshotAnnotation>& annotations() const { return m_annotations; }
    const std::optional<ScreenshotAnnotation>& draft() const { return m_draft; }
    const QImage& preview() const { return m_preview; }
    const std::optional<QUrl>& projectURL() const { return m_projectURL; }
    bool hasUnsavedEdits() const { return m_hasUnsavedEdits; }
    bool canUndo() const { return m_canUndo; }
    bool canRedo() const { return m_canRedo; }
    bool isExporting() const { return m_isExporting; }
    const std::optional<QString>& notice() const { return m_notice; }

    // Every assignment is recorded as a change (coalesced into undo steps) and re-renders the preview.
    void setSettings(const EditSettings& settings);
    void setAnnotations(std::vector<ScreenshotAnnotation> annotations);
    // The mark being drawn: shown in the preview, never part of an edit, a project or an undo step.
    void setDraft(std::optional<ScreenshotAnnotation> draft);
    void setNotice(std::optional<QString> notice);

    // --- opening, history and files
    // Reads the image on a worker thread; the edit is replaced only once it has been read, and a
    // file that is no readable image (or too large a one) leaves it as it was with a notice. `done`
    // runs on the main thread with whether the image opened (false also when a newer open of an
    // image or a project superseded it: a newer open is then already under way, isOpening()); it
    // is dropped when the model goes first. Returns false at once, with the notice, for a URL that
    // is no local file.
    using OpenCompletion = std::function<void(bool opened)>;
    bool open(const QUrl& imageURL, OpenCompletion done = {});
    bool isOpening() const { return m_opening != nullptr; }
    // The same for a project: the project and its image are read on a worker thread, the image
    // within the same bounds, and either open supersedes the other.
    bool openProject(const QUrl& projectURL, OpenCompletion done = {});
    void flushEdits();
    void undo();
    void redo();
    void saveRecovery();
    bool saveProject(const QUrl& url);
    bool saveProjectWithPanel(bool forceNewName);
    // True when the edit may be replaced: nothing unsaved, the user saved it, or chose to discard it.
    bool confirmReplacing();

    // --- preview, crop and export
    // The normalised source point (x from the left, y from the top of the whole source) under a
    // point of the displayed canvas (y down); outside the picture none, or with `clamp` the
    // nearest point on its edge.
    std::optional<QPointF> sourcePoint(QPointF viewPoint, QSizeF canvasSize, bool clamp) const;
    // Crops to the box between two normalised source points, as an undo step of its own; a box
    // narrower than two source pixels either way is ignored.
    void crop(QPointF from, QPointF to);
    // Renders the committed edit at `scale` and writes it to `target`, or with `copy` puts it on
    // the clipboard as PNG. Asynchronous; the outcome is told in notice(). Ignored while one runs.
    void exportImage(std::optional<QUrl> target, ScreenshotFormat format, double quality, double scale, bool copy);
    void cancelExport();

    // The preview's size for a source and settings: the full output size, its long side at most
    // 1600 pixels and, with `bounds`, no larger than them either way.
    static QSize previewSize(QSize source, const EditSettings& settings, QSize bounds = {});
    // The largest picture, in pixels, that the preview is shown as. Previews are rendered no larger,
    // so that a canvas smaller than 1600 pixels shows each new one pixel for pixel instead of
    // resampling it, and spends no time on pixels it would throw away. Empty: no bound.
    void setPreviewBounds(QSize pixels);
    QSize previewBounds() const { return m_previewBounds; }

signals:
    void sourceChanged();
    void settingsChanged();
    void annotationsChanged();
    void draftChanged();
    void previewChanged();
    void projectURLChanged();
    void canUndoChanged();
    void canRedoChanged();
    void hasUnsavedEditsChanged();
    void isExportingChanged();
    void noticeChanged();
    // A preview render has finished and no newer one is pending (for tests and benchmarks).
    void previewSettled();
    // An export or copy has ended, whatever its outcome.
    void exportFinished();

private:
    struct Edit {
        EditSettings settings;
        std::vector<ScreenshotAnnotation> annotations;
        bool operator==(const Edit&) const = default;
    };

    Edit currentEdit() const { return {m_settings, m_annotations}; }
    void changed();
    void publishHistory();
    void resetHistory(bool saved);
    // What an open read on its worker: the image, and the project when one was opened.
    struct Opened {
        QUrl url;  // the file asked for
        bool isProject = false;
        QUrl sourceURL;
        QImage image;
        std::optional<ScreenshotProject> project;
    };
    // Cancels the read under way; its completion, for the caller to tell.
    OpenCompletion cancelOpening();
    bool startOpening(const QUrl& url, bool isProject, OpenCompletion done);
    void finishOpening(quint64 generation, const Opened& opened, const std::optional<QString>& failure);
    static QString openFailure(bool isProject, const QString& reason);
    // Replaces the whole edit by one just read, its history starting afresh.
    void replaceEdit(const Opened& opened);
    void assignProjectURL(std::optional<QUrl> url);
    void setExporting(bool exporting);
    ScreenshotProject projectOf(std::optional<QUrl> savedProjectURL) const;
    // Whether writing to `target` would replace the original image, by its own name, through a
    // symbolic link or as another name of the same file.
    bool refersToSource(const QUrl& target) const;

    void schedulePreview();
    void runPreview();
    void previewRendered(quint64 generation, std::optional<QUrl> url, QImage image);
    void finishExport(std::shared_ptr<ExportJob> job, std::optional<QUrl> target, bool copy, QByteArray data,
                      std::optional<QString> error);

    // The coalescing timer's scheduler: the given one, else Qt timers owned here.
    std::unique_ptr<TaskScheduler> m_ownScheduler;
    ScreenshotModelServices m_services;
    std::optional<QUrl> m_sourceURL;
    QImage m_source;
    EditSettings m_settings;
    std::vector<ScreenshotAnnotation> m_annotations;
    std::optional<ScreenshotAnnotation> m_draft;
    QImage m_preview;
    std::optional<QUrl> m_projectURL;
    bool m_isExporting = false;
    std::optional<QString> m_notice;
    bool m_canUndo = false;
    bool m_canRedo = false;
    bool m_hasUnsavedEdits = false;

    EditHistory<Edit> m_history;
    bool m_previewRunning = false;
    QElapsedTimer m_previewStarted;
    quint64 m_previewRevision = 0;
    std::shared_ptr<ExportJob> m_job;
    // The image or project being read, its completion and a count of opens: a result of an older
    // one is dropped.
    std::shared_ptr<ExportJob> m_opening;
    OpenCompletion m_openDone;
    quint64 m_openGeneration = 0;
    QSize m_previewBounds;
    std::shared_ptr<ScreenshotRenderer::CanvasCache> m_previewCanvas;
    // Last, so that it is destroyed first: its destructor waits for the renders still running.
    QThreadPool m_workers;
};

}  // namespace sablewick

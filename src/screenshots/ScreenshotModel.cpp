#include "screenshots/ScreenshotModel.h"

#include "document/DocumentError.h"
#include "platform/AtomicFile.h"
#include "platform/MainThread.h"
#include "platform/StandardFolders.h"
#include "platform/TaskScheduler.h"
#include "platform/ThreadName.h"
#include "rendering/Compositor.h"
#include "rendering/ExportJob.h"
#include "rendering/ExporterError.h"
#include "screenshots/ScreenshotError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace sablewick {

namespace {

const QString kSourceProtected = QStringLiteral("Choose a different filename to keep the original image editable.");
const QString kBackupFailed =
    QStringLiteral("Could not back up the screenshot edit. Save the project to keep your changes.");

QString localPath(const QUrl& url) { return url.isLocalFile() ? url.toLocalFile() : QString(); }

// A path with "." and ".." folded and made absolute, for comparing names without touching the disk.
QString cleanAbsolute(const QString& path)
{
    return path.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool sameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (cleanAbsolute(a) == cleanAbsolute(b))
        return true;
    struct stat first {}, second {};
    // stat follows links, so a symbolic link and another hard link of the same file both match.
    return ::stat(QFile::encodeName(a).constData(), &first) == 0
           && ::stat(QFile::encodeName(b).constData(), &second) == 0 && first.st_dev == second.st_dev
           && first.st_ino == second.st_ino;
}

}  // namespace

ScreenshotModel::ScreenshotModel(ScreenshotModelServices services, QObject* parent)
    : QObject(parent)
    , m_ownScheduler(services.scheduler ? nullptr : std::make_unique<QtTaskScheduler>())
    , m_services(services)
    , m_history(services.scheduler ? *services.scheduler : *m_ownScheduler, coalesceDelay, undoDepthLimit,
                {
                    [this] { return currentEdit(); },
                    [this](const Edit& edit) {
                        publish(m_settings, edit.settings, std::bind_front(&ScreenshotModel::settingsChanged, this));
                        publish(m_annotations, edit.annotations,
                                std::bind_front(&ScreenshotModel::annotationsChanged, this));
                        publish(m_draft, std::optional<ScreenshotAnnotation>(),
                                std::bind_front(&ScreenshotModel::draftChanged, this));
                    },
                    [this] { publishHistory(); },
                    [this] { saveRecovery(); },
                })
    , m_previewCanvas(std::make_shared<ScreenshotRenderer::CanvasCache>())
{
    if (!m_services.clipboard)
        m_services.clipboard = &systemImageClipboard();
    m_workers.setMaxThreadCount(2);
}

ScreenshotModel::~ScreenshotModel()
{
    if (m_job)
        m_job->cancel();
    // A read still running ends at its next read of the file; its result is never delivered.
    if (m_opening)
        m_opening->cancel();
    m_workers.waitForDone();
}

QString ScreenshotModel::recoveryPath()
{
    return QDir(StandardFolders::recovery()).filePath(QString::fromLatin1(ScreenshotProjectFile::recoveryName));
}

QSize ScreenshotModel::sourceSize() const
{
    return m_source.isNull() ? QSize(1, 1) : m_source.size();
}

// ---- published state ------------------------------------------------------------------------------

// An assignment of what is already there is no change: nothing is announced, recorded or rendered.
void ScreenshotModel::setSettings(const EditSettings& settings)
{
    if (publish(m_settings, settings, std::bind_front(&ScreenshotModel::settingsChanged, this)))
        changed();
}

void ScreenshotModel::setAnnotations(std::vector<ScreenshotAnnotation> annotations)
{
    if (publish(m_annotations, std::move(annotations), std::bind_front(&ScreenshotModel::annotationsChanged, this)))
        changed();
}

void ScreenshotModel::setDraft(std::optional<ScreenshotAnnotation> draft)
{
    if (publish(m_draft, std::move(draft), std::bind_front(&ScreenshotModel::draftChanged, this)))
        schedulePreview();
}

void ScreenshotModel::setNotice(std::optional<QString> notice)
{
    publish(m_notice, std::move(notice), std::bind_front(&ScreenshotModel::noticeChanged, this));
}

void ScreenshotModel::assignProjectURL(std::optional<QUrl> url)
{
    publish(m_projectURL, std::move(url), std::bind_front(&ScreenshotModel::projectURLChanged, this));
}

void ScreenshotModel::setExporting(bool exporting)
{
    publish(m_isExporting, exporting, std::bind_front(&ScreenshotModel::isExportingChanged, this));
}

void ScreenshotModel::publishHistory()
{
    publish(m_canUndo, m_history.canUndo(), std::bind_front(&ScreenshotModel::canUndoChanged, this));
    publish(m_canRedo, m_history.canRedo(), std::bind_front(&ScreenshotModel::canRedoChanged, this));
    publish(m_hasUnsavedEdits, m_history.hasUnsavedChanges(),
            std::bind_front(&ScreenshotModel::hasUnsavedEditsChanged, this));
}

// ---- history --------------------------------------------------------------------------------------

void ScreenshotModel::changed()
{
    if (!m_history.isTracking())
        return;
    m_history.note();
    schedulePreview();
}

void ScreenshotModel::flushEdits()
{
    const bool pending = m_history.hasPendingChange();
    const bool couldUndo = m_history.canUndo();
    m_history.commit();
    if (pending || couldUndo != m_history.canUndo())
        saveRecovery();
}

void ScreenshotModel::undo()
{
    flushEdits();
    if (m_history.undo()) {
        schedulePreview();
        saveRecovery();
    }
}

void ScreenshotModel::redo()
{
    flushEdits();
    if (m_history.redo()) {
        schedulePreview();
        saveRecovery();
    }
}

void ScreenshotModel::resetHistory(bool saved) { m_history.reset(saved); }

// ---- opening --------------------------------------------------------------------------------------

ScreenshotModel::OpenCompletion ScreenshotModel::cancelOpening()
{
    if (!m_opening)
        return {};
    m_opening->cancel();
    m_opening.reset();
    ++m_openGeneration;
    return std::exchange(m_openDone, nullptr);
}

bool ScreenshotModel::open(const QUrl& imageURL, OpenCompletion done)
{
    return startOpening(imageURL, false, std::move(done));
}

bool ScreenshotModel::openProject(const QUrl& projectURL, OpenCompletion done)
{
    return startOpening(projectURL, true, std::move(done));
}

QString ScreenshotModel::openFailure(bool isProject, const QString& reason)
{
    return (isProject ? QStringLiteral("Could not open screenshot project: ")
                      : QStringLiteral("Could not open image: "))
        + reason;
}

bool ScreenshotModel::startOpening(const QUrl& url, bool isProject, OpenCompletion done)
{
    // Told after this open is under way, so that it can see it was superseded (isOpening()).
    const OpenCompletion superseded = cancelOpening();
    if (!url.isLocalFile()) {
        const auto kind = isProject ? ScreenshotError::Kind::invalidProject : ScreenshotError::Kind::invalidImage;
        setNotice(openFailure(isProject, ScreenshotError(kind).description()));
        if (superseded)
            superseded(false);
        if (done)
            done(false);
        return false;
    }
    auto job = std::make_shared<ExportJob>();
    m_opening = job;
    m_openDone = std::move(done);
    const quint64 generation = ++m_openGeneration;
    // Reading and decoding a large or hostile file takes long: never on the thread of the windows.
    m_workers.start([this, job, generation, url, isProject] {
        nameCurrentThread("image worker");
        Opened opened{.url = url, .isProject = isProject};
        std::optional<QString> failure;
        try {
            if (isProject) {
                opened.project = ScreenshotProjectFile::read(url.toLocalFile());
                opened.sourceURL = opened.project->sourceURL;
            } else {
                opened.sourceURL = url;
            }
            opened.image = ScreenshotRenderer::load(localPath(opened.sourceURL), job.get());
        } catch (const DocumentError& error) {
            failure = QString::fromUtf8(error.what());
        } catch (const ScreenshotError& error) {
            failure = error.description();
        } catch (const ExporterFailure&) {
            return;  // cancelled: a newer open or the model's end has taken over
        } catch (...) {
            failure = ScreenshotError(ScreenshotError::Kind::invalidImage).description();
        }
        postToMain(this, [this, generation, opened = std::move(opened), failure = std::move(failure)] {
            finishOpening(generation, opened, failure);
        });
    });
    if (superseded)
        superseded(false);
    return true;
}

void ScreenshotModel::finishOpening(quint64 generation, const Opened& opened, const std::optional<QString>& failure)
{
    if (generation != m_openGeneration || !m_opening)
        return;
    m_opening.reset();
    const OpenCompletion done = std::exchange(m_openDone, nullptr);
    if (failure) {
        setNotice(openFailure(opened.isProject, *failure));
    } else {
        replaceEdit(opened);
    }
    if (done)
        done(!failure);
}

void ScreenshotModel::replaceEdit(const Opened& opened)
{
    m_history.suspend();
    m_preview = QImage();
    emit previewChanged();
    m_sourceURL = opened.sourceURL;
    m_source = opened.image;
    emit sourceChanged();
    // A project's stored aspect, crop and style stay; only the source's own size is refreshed.
    EditSettings settings;
    if (opened.project)
        settings = opened.project->settings;
    else
        settings.aspect = AspectRatio::auto_;
    settings.sourceAspectWidth = m_source.width();
    settings.sourceAspectHeight = m_source.height();
    publish(m_settings, std::move(settings), std::bind_front(&ScreenshotModel::settingsChanged, this));
    publish(m_annotations, opened.project ? opened.project->annotations : std::vector<ScreenshotAnnotation>(),
            std::bind_front(&ScreenshotModel::annotationsChanged, this));
    publish(m_draft, std::optional<ScreenshotAnnotation>(), std::bind_front(&ScreenshotModel::draftChanged, this));

    if (!opened.project) {
        assignProjectURL(std::nullopt);
        resetHistory(false);
    } else if (sameFile(localPath(opened.url), recoveryPath())) {
        // The restored edit belongs to its project, if it had one, but is not saved there yet.
        assignProjectURL(opened.project->savedProjectURL);
        resetHistory(false);
    } else {
        assignProjectURL(opened.url);
        resetHistory(true);
    }
    schedulePreview();
    // Cleared before the backup, so that a backup that fails stays on screen.
    setNotice(std::nullopt);
    saveRecovery();
}

// ---- files ----------------------------------------------------------------------------------------

ScreenshotProject ScreenshotModel::projectOf(std::optional<QUrl> savedProjectURL) const
{
    ScreenshotProject project;
    project.sourceURL = m_sourceURL.value_or(QUrl());
    project.settings = m_settings;
    project.annotations = m_annotations;
    project.savedProjectURL = std::move(savedProjectURL);
    return project;
}

void ScreenshotModel::saveRecovery()
{
    if (!m_sourceURL)
        return;
    try {
        const QString path = recoveryPath();
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            throw DocumentError(DocumentError::Kind::io, "The recovery folder cannot be made.");
        ScreenshotProjectFile::writeRecovery(path, projectOf(m_projectURL));
    } catch (const DocumentError&) {
        setNotice(kBackupFailed);
    }
}

bool ScreenshotModel::saveProject(const QUrl& url)
{
    if (!m_sourceURL)
        return false;
    flushEdits();
    if (refersToSource(url)) {
        setNotice(kSourceProtected);
        return false;
    }
    try {
        const QString path = localPath(url);
        if (path.isEmpty())
            throw DocumentError(DocumentError::Kind::io, "Projects can only be saved to local files.");
        ScreenshotProjectFile::writeProject(path, projectOf(std::nullopt));
    } catch (const DocumentError& error) {
        setNotice(QString::fromUtf8(error.what()));
        return false;
    }
    assignProjectURL(url);
    m_history.markSaved();
    saveRecovery();
    setNotice(QStringLiteral("Screenshot project saved"));
    return true;
}

bool ScreenshotModel::saveProjectWithPanel(bool forceNewName)
{
    if (m_projectURL && !forceNewName)
        return saveProject(*m_projectURL);
    if (!m_services.dialogs)
        return false;
    const QFileInfo known(m_projectURL ? localPath(*m_projectURL) : QString());
    const QString name = m_projectURL ? known.fileName() : QString::fromLatin1(ScreenshotProjectFile::proposedName);
    const QString folder = m_projectURL ? known.absolutePath() : QString();
    const std::optional<QString> chosen = m_services.dialogs->chooseProjectPath(name, folder);
    if (!chosen || chosen->isEmpty())
        return false;
    return saveProject(QUrl::fromLocalFile(*chosen));
}

bool ScreenshotModel::confirmReplacing()
{
    if (!hasUnsavedEdits())
        return true;
    if (!m_services.dialogs)
        return false;
    switch (m_services.dialogs->confirmReplacing()) {
    case ScreenshotDialogs::ReplaceChoice::save: return saveProjectWithPanel(false);
    case ScreenshotDialogs::ReplaceChoice::discard: return true;
    case ScreenshotDialogs::ReplaceChoice::cancel: return false;
    }
    return false;
}

bool ScreenshotModel::refersToSource(const QUrl& target) const
{
    return m_sourceURL && sameFile(localPath(target), localPath(*m_sourceURL));
}

// ---- preview --------------------------------------------------------------------------------------

QSize ScreenshotModel::previewSize(QSize source, const EditSettings& settings, QSize bounds)
{
    const QSize full = ScreenshotRenderer::outputSize(source, settings, 1);
    double f = std::min(double(previewLongSide) / std::max(full.width(), full.height()), 1.0);
    if (!bounds.isEmpty())
        f = std::min({f, double(bounds.width()) / full.width(), double(bounds.height()) / full.height()});
    return {std::max(int(std::lround(full.width() * f)), 1), std::max(int(std::lround(full.height() * f)), 1)};
}

void ScreenshotModel::setPreviewBounds(QSize pixels)
{
    if (pixels.isEmpty())
        pixels = QSize();
    if (pixels == m_previewBounds)
        return;
    const QSize before = previewSize(sourceSize(), m_settings, m_previewBounds);
    m_previewBounds = pixels;
    // Bounds beyond what the preview reaches anyway leave it as it is.
    if (previewSize(sourceSize(), m_settings, m_previewBounds) != before)
        schedulePreview();
}

void ScreenshotModel::schedulePreview()
{
    ++m_previewRevision;
    if (m_previewRunning || m_source.isNull())
        return;
    m_previewRunning = true;
    runPreview();
}

void ScreenshotModel::runPreview()
{
    if (m_source.isNull()) {
        // Every way out of the loop clears it, or later requests would wait for it forever.
        m_previewRunning = false;
        emit previewSettled();
        return;
    }
    const quint64 revision = m_previewRevision;
    m_previewStarted.start();
    std::vector<ScreenshotAnnotation> marks = m_annotations;
    if (m_draft)
        marks.push_back(*m_draft);  // drawn last, on top
    const QSize size = previewSize(sourceSize(), m_settings, m_previewBounds);
    m_workers.start([this, revision, url = m_sourceURL, source = m_source, settings = m_settings,
                     marks = std::move(marks), size, canvas = m_previewCanvas] {
        nameCurrentThread("image worker");
        QImage image;
        try {
            image = ScreenshotRenderer::render(source, settings, marks, size, nullptr, canvas.get());
        } catch (...) {
            // A failed preview leaves the previous one in place.
        }
        postToMain(this, [this, revision, url, image] { previewRendered(revision, url, image); });
    });
}

void ScreenshotModel::previewRendered(quint64 revision, std::optional<QUrl> url, QImage image)
{
    // A render of an image that has since been replaced is dropped.
    if (url == m_sourceURL && !image.isNull()) {
        m_preview = std::move(image);
        emit previewChanged();
    }
    if (revision != m_previewRevision) {
        // The pause runs from the start of the render that just ended, so that renders following
        // a drag come one a frame rather than one a frame plus a render.
        const qint64 waited = m_previewStarted.elapsed();
        const auto pause = std::chrono::milliseconds(std::max<qint64>(qint64(previewPause * 1000) - waited, 0));
        QTimer::singleShot(pause, this, [this] { runPreview(); });
        return;
    }
    m_previewRunning = false;
    emit previewSettled();
}

std::optional<QPointF> ScreenshotModel::sourcePoint(QPointF viewPoint, QSizeF canvasSize, bool clamp) const
{
    const QSize size = sourceSize();
    const Compositor::Layout L = Compositor::layout(LayoutRect{0, 0, double(size.width()), double(size.height())},
                                                    canvasSize, m_settings, {}, 0, {});
    const LayoutRect& content = L.contentRect;
    if (!(content.width > 0) || !(content.height > 0))
        return std::nullopt;
    double qx = viewPoint.x(), qy = canvasSize.height() - viewPoint.y();
    if (clamp) {
        qx = std::clamp(qx, content.minX(), content.maxX());
        qy = std::clamp(qy, content.minY(), content.maxY());
    } else if (!(qx >= content.minX() && qx < content.maxX() && qy >= content.minY() && qy < content.maxY())) {
        return std::nullopt;
    }
    const double u = (L.crop.minX() + (qx - content.minX()) / content.width * L.crop.width) / size.width();
    const double v = 1 - (L.crop.minY() + (qy - content.minY()) / content.height * L.crop.height) / size.height();
    if (!std::isfinite(u) || !std::isfinite(v))
        return std::nullopt;
    return QPointF(u, v);
}

void ScreenshotModel::crop(QPointF from, QPointF to)
{
    const QSize size = sourceSize();
    if (!(std::abs(to.x() - from.x()) >= 2.0 / size.width()) || !(std::abs(to.y() - from.y()) >= 2.0 / size.height()))
        return;
    flushEdits();
    EditSettings cropped = m_settings;
    cropped.cropLeft = std::min(from.x(), to.x());
    cropped.cropRight = 1 - std::max(from.x(), to.x());
    cropped.cropTop = std::min(from.y(), to.y());
    cropped.cropBottom = 1 - std::max(from.y(), to.y());
    setSettings(cropped);
    flushEdits();
}

// ---- export ---------------------------------------------------------------------------------------

void ScreenshotModel::exportImage(std::optional<QUrl> target, ScreenshotFormat format, double quality, double scale,
                                  bool copy)
{
    if (m_source.isNull() || m_isExporting)
        return;
    if (target && refersToSource(*target)) {
        setNotice(kSourceProtected);
        return;
    }
    const QSize size = ScreenshotRenderer::outputSize(sourceSize(), m_settings, scale);
    auto job = std::make_shared<ExportJob>();
    m_job = job;
    setExporting(true);
    setNotice(std::nullopt);
    m_workers.start([this, job, target, copy, format, quality, size, source = m_source, settings = m_settings,
                     marks = m_annotations] {
        nameCurrentThread("image worker");
        QByteArray bytes;
        std::optional<QString> error;
        try {
            const QImage picture = ScreenshotRenderer::render(source, settings, marks, size, job.get());
            bytes = ScreenshotRenderer::data(picture, format, quality);
        } catch (const ExporterFailure& failure) {
            error = failure.description();  // a cancel: told from the job's flag
        } catch (const ScreenshotError& failure) {
            error = failure.description();
        } catch (...) {
            error = QString::fromUtf8(ScreenshotError::descriptionOf(ScreenshotError::Kind::encodeFailed));
        }
        postToMain(this, [this, job, target, copy, bytes, error] { finishExport(job, target, copy, bytes, error); });
    });
}

void ScreenshotModel::finishExport(std::shared_ptr<ExportJob> job, std::optional<QUrl> target, bool copy,
                                   QByteArray data, std::optional<QString> error)
{
    if (job->isCancelled()) {
        setNotice(QStringLiteral("Image export cancelled"));
    } else if (error) {
        setNotice(*error);
    } else if (copy) {
        m_services.clipboard->putPng(data);
        setNotice(QStringLiteral("Image copied"));
    } else if (target) {
        const QString path = localPath(*target);
        // Checked again: the original may have been linked to the target while the render ran.
        if (refersToSource(*target)) {
            setNotice(kSourceProtected);
        } else if (path.isEmpty()) {
            setNotice(QString::fromUtf8(ScreenshotError::descriptionOf(ScreenshotError::Kind::encodeFailed)));
        } else if (const AtomicWriteResult written = writeFileAtomically(path.toStdString(),
                                                                          std::span<const char>(data.constData(), size_t(data.size())));
                   !written) {
            setNotice(QString::fromStdString(written.error));
        } else {
            setNotice(QStringLiteral("Saved ") + QFileInfo(path).fileName());
        }
    }
    setExporting(false);
    if (m_job == job)
        m_job.reset();
    emit exportFinished();
}

void ScreenshotModel::cancelExport()
{
    if (m_job)
        m_job->cancel();
}

}  // namespace sablewick

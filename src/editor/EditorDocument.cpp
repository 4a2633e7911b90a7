#include "editor/EditorDocument.h"

#include "document/DocumentError.h"
#include "editor/EditorError.h"
#include "editor/EditorNotice.h"
#include "editor/EditorPlayback.h"
#include "editor/EditorWorkers.h"
#include "media/PlaybackInterfaces.h"
#include "platform/PreferencesStore.h"
#include "document/DocumentFile.h"
#include "platform/StandardFolders.h"
#include "rendering/Compositor.h"
#include "platform/MainThread.h"

#include <filesystem>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>
#include <cmath>

namespace sablewick {

namespace {

const QString recentProjectsKey = QStringLiteral("recentProjects");
const QString recoveryFileName = QStringLiteral("Session.sablewick.json");
const QString backupFailedNotice =
    QStringLiteral("Could not back up this edit. Save the project to keep your changes.");

std::vector<FocusPoint> recordedPoints(const std::vector<FocusPoint>& points, double duration)
{
    std::vector<FocusPoint> kept;
    for (const FocusPoint& p : points) {
        if (p.kind != FocusKind::manual && std::isfinite(p.time) && p.time >= 0 && p.time <= duration)
            kept.push_back(p);
    }
    return kept;
}

// Whether a project file that was refused for its version carries a version older than the
// first one. Only asked after the reader has refused the version, so the file is valid JSON.
bool hasVersionBelowCurrent(const QString& path)
{
    std::string text;
    try {
        text = DocumentFile::readBounded(path, ProjectFile::largestFileSize);
    } catch (const DocumentError&) {
        return false;
    }
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (!json.is_object() || !json.contains("version"))
        return false;
    const nlohmann::json& version = json["version"];
    // The parser reads non-negative integers as unsigned.
    if (version.is_number_unsigned())
        return version.get<std::uint64_t>() < static_cast<std::uint64_t>(FocusProject::currentVersion);
    if (version.is_number_integer())
        return version.get<std::int64_t>() < FocusProject::currentVersion;
    return false;
}

bool isRecoveryFile(const QUrl& file)
{
    return QDir::cleanPath(QFileInfo(file.toLocalFile()).absoluteFilePath())
        == QDir::cleanPath(QFileInfo(EditorDocument::recoveryPath()).absoluteFilePath());
}

}  // namespace

// What a worker learns of a movie before the model replaces its document.
struct EditorDocument::MovieLoad {
    bool readable = false;
    QString error;
    MovieMetadata metadata;
    std::optional<FocusSidecar> sidecar;
    // The player's half of the open, done here too; null when the player cannot play the movie.
    std::unique_ptr<PreparedMovie> movie;
    QString playerError;
};

// --- construction and teardown

EditorDocument::EditorDocument(const EditorServices& services, EditorNotice& notice, EditorPlayback& playback,
                               QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_notice(notice)
    , m_playback(playback)
    , m_history(*m_services.scheduler, editCoalesceDelay, undoDepthLimit,
                {.current = [this] { return currentEdit(); },
                 .restore = [this](const Edit& edit) { restoreEdit(edit); },
                 .changed = [this] { publishHistory(); },
                 .settled = [this] { backUp(); }})
{
    Q_ASSERT(m_services.defaults && m_services.playback && m_services.scheduler && m_services.movies);
    cancelWorkersAtExit(this, [this] {
        if (m_thumbnailCancel)
            m_thumbnailCancel->store(true);
    });
    m_recoveryAvailable = QFileInfo::exists(recoveryPath());

    // A stored value that is not a list of strings counts as no list; entries whose files have
    // gone are left out of the published list (the stored list is not rewritten here).
    const QVariant stored = m_services.defaults->value(recentProjectsKey);
    if (stored.typeId() == QMetaType::QVariantList) {
        const QVariantList list = stored.toList();
        const bool allStrings =
            std::all_of(list.begin(), list.end(), [](const QVariant& v) { return v.typeId() == QMetaType::QString; });
        if (allStrings) {
            for (const QVariant& v : list) {
                const QString path = v.toString();
                if (QFileInfo::exists(path))
                    m_recentProjects.append(QUrl::fromLocalFile(path));
            }
        }
    }
}

EditorDocument::~EditorDocument()
{
    forgetWorkers(this);
    if (m_thumbnailCancel)
        m_thumbnailCancel->store(true);
    m_workers.waitForDone();
}

QString EditorDocument::recoveryPath()
{
    return QDir(StandardFolders::recovery()).filePath(recoveryFileName);
}

// --- published setters

void EditorDocument::setSettings(const EditSettings& settings)
{
    assignSettings(settings);
    m_history.note();
}

void EditorDocument::setEvents(const std::vector<FocusPoint>& events)
{
    assignEvents(events);
    m_history.note();
}

template <typename T>
void EditorDocument::publishComposed(T& member, T value, void (EditorDocument::*changed)())
{
    if (member == value)
        return;
    ++m_compositionRevision;
    publish(member, std::move(value), std::bind_front(changed, this));
}

void EditorDocument::assignSettings(const EditSettings& settings)
{
    if (m_settings == settings)
        return;
    EditSettings untrimmed = settings;
    untrimmed.trimStart = m_settings.trimStart;
    untrimmed.trimEnd = m_settings.trimEnd;
    if (!(untrimmed == m_settings))
        ++m_compositionRevision;
    m_settings = settings;
    emit settingsChanged();
}

void EditorDocument::assignEvents(const std::vector<FocusPoint>& events)
{
    publishComposed(m_events, events, &EditorDocument::eventsChanged);
}

void EditorDocument::setCanUndo(bool value)
{
    publish(m_canUndo, value, std::bind_front(&EditorDocument::canUndoChanged, this));
}
void EditorDocument::setCanRedo(bool value)
{
    publish(m_canRedo, value, std::bind_front(&EditorDocument::canRedoChanged, this));
}
void EditorDocument::setHasUnsavedEdits(bool value)
{
    publish(m_hasUnsavedEdits, value, std::bind_front(&EditorDocument::hasUnsavedEditsChanged, this));
}
void EditorDocument::setRecoveryAvailable(bool value)
{
    publish(m_recoveryAvailable, value, std::bind_front(&EditorDocument::recoveryAvailableChanged, this));
}
void EditorDocument::setProjectURL(std::optional<QUrl> url)
{
    publish(m_projectURL, std::move(url), std::bind_front(&EditorDocument::projectURLChanged, this));
}
void EditorDocument::setEditablePointer(bool value)
{
    publishComposed(m_editablePointer, value, &EditorDocument::editablePointerChanged);
}
void EditorDocument::setPointerSamples(std::vector<PointerSample> samples)
{
    if (*m_pointerSamples == samples)
        return;
    ++m_compositionRevision;
    m_pointerSamples = std::make_shared<const std::vector<PointerSample>>(std::move(samples));
    emit pointerSamplesChanged();
}
void EditorDocument::setInteractionEvents(std::vector<FocusPoint> events)
{
    publishComposed(m_interactionEvents, std::move(events), &EditorDocument::interactionEventsChanged);
}
void EditorDocument::setRecentProjects(QList<QUrl> projects)
{
    publish(m_recentProjects, std::move(projects), std::bind_front(&EditorDocument::recentProjectsChanged, this));
}

void EditorDocument::setThumbnails(QList<QImage> thumbnails)
{
    m_thumbnails = std::move(thumbnails);
    emit thumbnailsChanged();
}

void EditorDocument::setMovie(std::optional<QUrl> url, double duration, QSizeF sourceSize)
{
    publishComposed(m_movieURL, std::move(url), &EditorDocument::movieURLChanged);
    publish(m_duration, duration, std::bind_front(&EditorDocument::durationChanged, this));
    publishComposed(m_sourceSize, sourceSize, &EditorDocument::sourceSizeChanged);
}

// --- edit history

void EditorDocument::flushPendingEdits()
{
    m_history.commit();
}

void EditorDocument::undo()
{
    if (m_history.undo())
        settleRestoredEdit();
}

void EditorDocument::redo()
{
    if (m_history.redo())
        settleRestoredEdit();
}

void EditorDocument::restoreEdit(const Edit& edit)
{
    assignSettings(edit.settings);
    assignEvents(edit.events);
}

void EditorDocument::settleRestoredEdit()
{
    m_playback.configureMusicPreview();
    m_playback.seek(std::max(m_settings.trimStart, std::min(m_settings.trimEnd, m_playback.currentTime())));
    backUp();
}

void EditorDocument::publishHistory()
{
    setCanUndo(m_history.canUndo());
    setCanRedo(m_history.canRedo());
    setHasUnsavedEdits(m_history.hasUnsavedChanges());
}

void EditorDocument::resetComposition()
{
    QMetaObject::invokeMethod(this, &EditorDocument::compositionReset, Qt::QueuedConnection);
}

Scene EditorDocument::scene() const
{
    // What Scene::ofProject makes of currentProject(), without copying the pointer track.
    Scene scene;
    scene.moviePath = m_movieURL && m_movieURL->isLocalFile() ? m_movieURL->toLocalFile() : QString();
    scene.sourceSize = m_sourceSize;
    scene.settings = m_settings;
    scene.focusPoints = m_events;
    scene.interactionEvents = m_interactionEvents;
    scene.pointerSamples = m_pointerSamples;
    scene.editablePointer = m_editablePointer;
    return scene;
}

// --- recovery

FocusProject EditorDocument::currentProject() const
{
    FocusProject project;
    project.version = FocusProject::currentVersion;
    project.movieURL = m_movieURL.value_or(QUrl());
    project.settings = m_settings;
    project.events = m_events;
    project.interactionEvents = m_interactionEvents;
    project.pointerSamples = *m_pointerSamples;
    project.editablePointer = m_editablePointer;
    return project;
}

FocusProject EditorDocument::recoveryProject() const
{
    FocusProject project = currentProject();
    project.savedProjectURL = m_projectURL;
    return project;
}

void EditorDocument::saveRecovery()
{
    finishSaving();
    if (m_movieURL)
        backupEnded(m_recovery.writeNow(recoveryPath(), recoveryProject()));
}

void EditorDocument::backUp()
{
    if (!m_movieURL)
        return;
    QPointer<EditorDocument> self(this);
    m_recovery.write(recoveryPath(), recoveryProject(), [self](bool written) {
        if (self)
            self->backupEnded(written);
    });
}

void EditorDocument::finishBackups()
{
    m_recovery.finish();
}

void EditorDocument::backupEnded(bool written)
{
    if (written)
        setRecoveryAvailable(true);
    else
        m_notice.set(backupFailedNotice);
}

// --- opening

std::vector<PointerSample> EditorDocument::validPointerSamples(const std::vector<PointerSample>& samples,
                                                               double duration)
{
    std::vector<PointerSample> kept;
    kept.reserve(samples.size());
    for (const PointerSample& s : samples) {
        const bool timeOk = std::isfinite(s.time) && s.time >= 0 && s.time <= duration + 0.25;
        const bool xOk = std::isfinite(s.x) && s.x >= 0 && s.x <= 1;
        const bool yOk = std::isfinite(s.y) && s.y >= 0 && s.y <= 1;
        if (timeOk && xOk && yOk)
            kept.push_back(s);
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const PointerSample& a, const PointerSample& b) { return a.time < b.time; });
    return kept;
}

void EditorDocument::open(const QUrl& movie, std::optional<std::vector<FocusPoint>> recordedEvents, OpenCompletion done)
{
    m_openGeneration = QUuid::createUuid();
    openMovie(movie, std::move(recordedEvents), m_openGeneration, std::move(done));
}

void EditorDocument::openMovie(const QUrl& movie, std::optional<std::vector<FocusPoint>> recordedEvents,
                               const QUuid& generation, OpenCompletion done)
{
    if (generation != m_openGeneration) {
        if (done)
            done(false);
        return;
    }

    // The document being replaced is committed and backed up, and falls silent.
    flushPendingEdits();
    backUp();
    m_playback.silence();

    const QString path = movie.isLocalFile() ? movie.toLocalFile() : QString();
    MovieInspector* movies = m_services.movies;
    const MoviePreparer prepare = m_playback.player().preparer();
    QPointer<EditorDocument> self(this);
    m_workers.start([=] {
        auto load = std::make_shared<MovieLoad>();
        if (path.isEmpty()) {
            load->error = description(EditorError::notLocalFile);
        } else if (movies->inspect(path, &load->metadata, &load->error)) {
            load->readable = true;
            load->sidecar = ProjectFile::sidecarForMovie(path);
            load->movie = prepare(path, &load->playerError);
        }
        toMain(self, [=](EditorDocument* model) {
            if (model)
                model->finishOpeningMovie(movie, recordedEvents, generation, *load, done);
            else if (done)
                done(false);  // a caller waiting for the open must still hear that it ended
        });
    });
}

void EditorDocument::failOpen(const QString& prefix, const QString& description, const QUuid& generation)
{
    if (generation == m_openGeneration)
        m_notice.set(prefix + description);
}

void EditorDocument::finishOpeningMovie(const QUrl& movie, std::optional<std::vector<FocusPoint>> recordedEvents,
                                        const QUuid& generation, MovieLoad& load, OpenCompletion done)
{
    const auto fail = [&](const QString& description) {
        failOpen(QStringLiteral("Could not open video: "), description, generation);
        if (done)
            done(false);
    };
    if (generation != m_openGeneration) {
        if (done)
            done(false);
        return;
    }
    if (!load.readable)
        return fail(load.error);
    const double d = load.metadata.duration;
    if (!(std::isfinite(d) && d > 0) || load.metadata.videoTracks <= 0)
        return fail(description(EditorError::invalidMovie));

    // The player takes the new movie first: when it cannot, the previous document stays open.
    QString playerError = load.playerError;
    if (!load.movie)
        return fail(playerError);
    if (!m_playback.takeMovie(std::move(load.movie), &playerError, m_movieURL))
        return fail(playerError);

    // A save of the edit being replaced still publishes its outcome on that edit.
    finishSaving();
    m_playback.clearInteractionPreview();
    m_history.suspend();
    const QSizeF size(std::abs(load.metadata.displaySize.width()), std::abs(load.metadata.displaySize.height()));
    setMovie(movie, d, size);

    const std::optional<FocusSidecar>& sidecar = load.sidecar;
    EditSettings settings;
    settings.trimEnd = d;
    settings.sourceAspectWidth = size.width();
    settings.sourceAspectHeight = size.height();
    if (sidecar) {
        settings.pointerVisible = sidecar->recordedPointerVisible;
        settings.pointerRipple = sidecar->recordedClickHighlights;
    }
    assignSettings(settings);
    setPointerSamples(sidecar && sidecar->pointerSamples ? validPointerSamples(*sidecar->pointerSamples, d)
                                                         : std::vector<PointerSample>{});
    setEditablePointer(sidecar && sidecar->editablePointer.value_or(false));
    setProjectURL(std::nullopt);

    std::vector<FocusPoint> events = recordedEvents ? std::move(*recordedEvents)
        : sidecar                                   ? sidecar->events
                                                    : std::vector<FocusPoint>{};
    std::vector<FocusPoint> interaction;
    std::copy_if(events.begin(), events.end(), std::back_inserter(interaction),
                 [](const FocusPoint& p) { return p.kind != FocusKind::manual; });
    assignEvents(events);
    setInteractionEvents(std::move(interaction));

    m_playback.rewind();
    m_playback.configureMusicPreview();
    m_history.reset(false);
    loadThumbnails();
    // Cleared before the backup, so that a failed backup stays on the banner.
    m_notice.set(std::nullopt);
    backUp();
    if (done)
        done(true);
}

void EditorDocument::openProject(const QUrl& file, OpenCompletion done)
{
    const QUuid generation = QUuid::createUuid();
    m_openGeneration = generation;
    const auto fail = [&](const QString& description) {
        failOpen(QStringLiteral("Could not open project: "), description, generation);
        if (done)
            done(false);
    };

    FocusProject project;
    try {
        if (!file.isLocalFile())
            return fail(description(EditorError::notLocalFile));
        // The newest backup, or a save of this very file, may still be on its way to the disk.
        if (isRecoveryFile(file))
            m_recovery.finish();
        finishSaving();
        project = ProjectFile::readProject(file.toLocalFile());
    } catch (const DocumentError& e) {
        if (e.kind() == DocumentError::Kind::unsupportedVersion)
            return fail(description(hasVersionBelowCurrent(file.toLocalFile()) ? EditorError::outdatedProject
                                                                               : EditorError::unsupportedProject));
        return fail(QString::fromStdString(e.what()));
    }
    // Only a movie on this computer can be played and exported; a project naming anything else
    // is refused before the open document is touched.
    if (!project.movieURL.isLocalFile())
        return fail(description(EditorError::missingProjectMovie));

    QPointer<EditorDocument> self(this);
    openMovie(project.movieURL, std::nullopt, generation, [self, file, project, generation, done](bool opened) {
        if (!self || generation != self->m_openGeneration) {
            if (done)
                done(false);
            return;
        }
        if (!opened) {
            self->failOpen(QStringLiteral("Could not open project: "), description(EditorError::missingProjectMovie),
                           generation);
            if (done)
                done(false);
            return;
        }
        self->restoreProject(file, project, generation);
        if (done)
            done(true);
    });
}

void EditorDocument::restoreProject(const QUrl& file, const FocusProject& project, const QUuid& generation)
{
    m_history.suspend();
    const double d = m_duration;

    EditSettings settings = project.settings;
    settings.sourceAspectWidth = m_sourceSize.width();
    settings.sourceAspectHeight = m_sourceSize.height();
    // At least 0.1 s of range where the movie allows it, and never past the movie's end, even
    // for a movie shorter than 0.1 s.
    settings.trimStart = std::max(0.0, std::min(settings.trimStart, d - 0.1));
    settings.trimEnd = std::min(std::max(settings.trimStart + 0.1, std::min(settings.trimEnd, d)), d);
    assignSettings(settings);

    if (project.pointerSamples)
        setPointerSamples(validPointerSamples(*project.pointerSamples, d));
    if (project.editablePointer)
        setEditablePointer(*project.editablePointer);

    std::vector<FocusPoint> events;
    std::copy_if(project.events.begin(), project.events.end(), std::back_inserter(events),
                 [d](const FocusPoint& p) { return p.time >= 0 && p.time <= d; });
    assignEvents(events);
    setInteractionEvents(recordedPoints(project.interactionEvents.value_or(project.events), d));

    const bool isRecovery = isRecoveryFile(file);
    setProjectURL(isRecovery ? project.savedProjectURL : std::optional<QUrl>(file));
    m_history.reset(!isRecovery);
    if (m_projectURL)
        rememberProject(*m_projectURL);
    backUp();
    m_playback.configureMusicPreview();
    resetComposition();
    if (generation == m_openGeneration)
        m_notice.set(QStringLiteral("Opened ") + file.fileName());
}

// --- saving

namespace {

// On a worker: everything that can take a while (the encoding, the checks on the file system and
// the write with its fsync). Returns why the project could not be written.
std::optional<QString> writeProjectFile(const QUrl& destination, const QUrl& movie, const FocusProject& project)
{
    try {
        if (!destination.isLocalFile())
            throw DocumentError(DocumentError::Kind::io, "Only files on this computer can be written.");
        // A project saved onto its own movie (by any name) would destroy the recording.
        std::error_code sameFileError;
        if (movie.isLocalFile()
            && std::filesystem::equivalent(movie.toLocalFile().toStdString(), destination.toLocalFile().toStdString(),
                                           sameFileError))
            throw DocumentError(DocumentError::Kind::io,
                                "Choose a different filename. A project cannot replace its movie.");
        ProjectFile::writeProject(destination.toLocalFile(), project);
    } catch (const DocumentError& e) {
        return QString::fromStdString(e.what());
    }
    return std::nullopt;
}

}  // namespace

void EditorDocument::saveProject(const QUrl& destination, SaveCompletion done)
{
    if (!m_movieURL) {
        if (done)
            done(false);
        return;
    }
    // What is written is the edit as it stands now; it counts as saved once it is on disk, also
    // when the edit has moved on by then.
    flushPendingEdits();
    const Edit saved = currentEdit();
    QPointer<EditorDocument> self(this);
    m_saves.write(
        destination.toLocalFile(),
        [destination, movie = *m_movieURL, project = currentProject()] {
            return writeProjectFile(destination, movie, project);
        },
        [self, destination, saved, done](const std::optional<QString>& failure) {
            if (self)
                self->saveEnded(destination, saved, failure);
            if (done)
                done(!failure);
        });
}

void EditorDocument::finishSaving()
{
    m_saves.finish();
}

void EditorDocument::saveEnded(const QUrl& destination, const Edit& saved, const std::optional<QString>& failure)
{
    if (failure) {
        m_notice.set(QStringLiteral("Could not save project: ") + *failure);
        return;
    }
    setProjectURL(destination);
    m_history.markSaved(saved);
    rememberProject(destination);
    backUp();
    m_notice.set(QStringLiteral("Saved ") + destination.fileName());
}

void EditorDocument::rememberProject(const QUrl& project)
{
    QList<QUrl> list = m_recentProjects;
    list.removeAll(project);
    list.prepend(project);
    if (list.size() > recentProjectLimit)
        list.resize(recentProjectLimit);
    QVariantList paths;
    for (const QUrl& url : list)
        paths.append(url.toLocalFile());
    setRecentProjects(std::move(list));
    m_services.defaults->setValue(recentProjectsKey, paths);
}

// --- thumbnails

void EditorDocument::loadThumbnails()
{
    if (m_thumbnailCancel)
        m_thumbnailCancel->store(true);
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    m_thumbnailCancel = cancelled;
    setThumbnails({});
    if (!m_movieURL)
        return;

    const double duration = m_duration;
    const QString path = m_movieURL->toLocalFile();
    MovieInspector* movies = m_services.movies;
    QPointer<EditorDocument> self(this);
    m_workers.start([=] {
        std::unique_ptr<ThumbnailReader> reader = movies->openThumbnails(path);
        for (int i = 0; i < thumbnailCount; ++i) {
            if (cancelled->load())
                return;
            if (!reader)
                continue;
            const double t = std::round(duration * i / thumbnailCount * 600.0) / 600.0;
            const QImage image = reader->frameAt(t, thumbnailMaxSize);
            if (image.isNull())
                continue;
            if (cancelled->load())
                return;
            toMain(self, [cancelled, image](EditorDocument* model) {
                if (model && !cancelled->load())
                    model->appendThumbnail(image);
            });
        }
    });
}

void EditorDocument::appendThumbnail(const QImage& image)
{
    m_thumbnails.append(image);
    emit thumbnailsChanged();
}

}  // namespace sablewick

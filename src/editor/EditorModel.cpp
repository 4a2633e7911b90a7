#include "editor/EditorModel.h"

#include "document/DocumentError.h"
#include "document/DocumentFile.h"
#include "editor/EditorWorkers.h"
#include "media/PlaybackInterfaces.h"
#include "platform/PreferencesStore.h"
#include "platform/StandardFolders.h"
#include "rendering/Compositor.h"
#include "rendering/ExportJob.h"

#include <filesystem>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>
#include <limits>
#include <cmath>

namespace sablewick {

namespace {

const QString recentProjectsKey = QStringLiteral("recentProjects");
const QString recoveryFileName = QStringLiteral("Session.sablewick.json");
const QString backupFailedNotice =
    QStringLiteral("Could not back up this edit. Save the project to keep your changes.");
const QString notLocalFileText = QStringLiteral("Only files on this computer can be opened.");

// A player volume from a setting: 1 or more, or not a number, plays at full volume.
float playerVolume(std::optional<double> setting, double whenAbsent)
{
    const double v = setting.value_or(whenAbsent);
    if (std::isnan(v) || v >= 1)
        return 1.0f;
    if (v < 0)
        return 0.0f;
    return static_cast<float>(v);
}

std::vector<FocusPoint> recordedPoints(const std::vector<FocusPoint>& points, double duration)
{
    std::vector<FocusPoint> kept;
    for (const FocusPoint& p : points) {
        if (p.kind != FocusKind::manual && std::isfinite(p.time) && p.time >= 0 && p.time <= duration)
            kept.push_back(p);
    }
    return kept;
}

void stableSortByTime(std::vector<FocusPoint>& points)
{
    std::stable_sort(points.begin(), points.end(),
                     [](const FocusPoint& a, const FocusPoint& b) { return a.time < b.time; });
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
           == QDir::cleanPath(QFileInfo(EditorModel::recoveryPath()).absoluteFilePath());
}

}  // namespace

// What a worker learns of a movie before the model replaces its document.
struct EditorModel::MovieLoad {
    bool readable = false;
    QString error;
    MovieMetadata metadata;
    std::optional<FocusSidecar> sidecar;
    // The player's half of the open, done here too; null when the player cannot play the movie.
    std::unique_ptr<PreparedMovie> movie;
    QString playerError;
};

// --- construction and teardown

EditorModel::EditorModel(EditorServices services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_history(*m_services.scheduler, editCoalesceDelay, undoDepthLimit,
                {.current = [this] { return currentEdit(); },
                 .restore = [this](const Edit& edit) { restoreEdit(edit); },
                 .changed = [this] { publishHistory(); },
                 .settled = [this] { backUp(); }})
    , m_export(m_services.exportRunner)
    , m_audition(*m_services.scheduler, auditionLength)
{
    Q_ASSERT(m_services.defaults && m_services.playback && m_services.scheduler && m_services.movies);
    cancelWorkersAtExit(this, [this] {
        if (m_thumbnailCancel)
            m_thumbnailCancel->store(true);
        if (m_interactionRenderJob)
            m_interactionRenderJob->cancel();
        cancelLoad(m_musicLoad);
        cancelLoad(m_auditionLoad);
    });
    m_player = m_services.playback->makeVideoPlayer();
    m_recoveryAvailable = QFileInfo::exists(recoveryPath());

    // A stored value that is not a list of strings counts as no list; entries whose files have
    // gone are left out of the published list (the stored list is not rewritten here).
    const QVariant stored = m_services.defaults->value(recentProjectsKey);
    if (stored.typeId() == QMetaType::QVariantList) {
        const QVariantList list = stored.toList();
        const bool allStrings = std::all_of(list.begin(), list.end(), [](const QVariant& v) {
            return v.typeId() == QMetaType::QString;
        });
        if (allStrings) {
            for (const QVariant& v : list) {
                const QString path = v.toString();
                if (QFileInfo::exists(path))
                    m_recentProjects.append(QUrl::fromLocalFile(path));
            }
        }
    }

    connect(&m_export, &ExportRun::runningChanged, this, &EditorModel::isExportingChanged);
    connect(&m_export, &ExportRun::progressChanged, this, &EditorModel::exportProgressChanged);
    connect(&m_export, &ExportRun::cancellingChanged, this, &EditorModel::isCancellingExportChanged);
    connect(&m_export, &ExportRun::ended, this, &EditorModel::finishExport);
    connect(&m_audition, &MusicAudition::choiceChanged, this, &EditorModel::auditioningMusicChanged);

    // Queued, so that a tick never runs inside a call into the player.
    connect(m_player.get(), &VideoPlayer::timeChanged, this, &EditorModel::updateTime, Qt::QueuedConnection);
    // The end report reaches the trim end by itself; the end notice only matters when the
    // player's movie ended short of it. It is queued behind that report, so a loop that report
    // restarted is playing again by now and must not be restarted a second time.
    connect(
        m_player.get(), &VideoPlayer::reachedEnd, this,
        [this] {
            if (m_isPlaying && !m_player->isPlaying())
                updateTime(std::max(m_player->currentTime(), m_duration));
        },
        Qt::QueuedConnection);
}

EditorModel::~EditorModel()
{
    forgetWorkers(this);
    disconnect(m_player.get(), nullptr, this, nullptr);
    if (m_interactionRenderJob)
        m_interactionRenderJob->cancel();
    if (m_interactionPath)
        QFile::remove(*m_interactionPath);
    if (m_thumbnailCancel)
        m_thumbnailCancel->store(true);
    cancelLoad(m_musicLoad);
    cancelLoad(m_auditionLoad);
    m_workers.waitForDone();
}

QString EditorModel::recoveryPath()
{
    return QDir(StandardFolders::recovery()).filePath(recoveryFileName);
}

// --- published setters

void EditorModel::setSettings(const EditSettings& settings)
{
    assignSettings(settings);
    m_history.note();
}

void EditorModel::setEvents(const std::vector<FocusPoint>& events)
{
    assignEvents(events);
    m_history.note();
}

void EditorModel::assignSettings(const EditSettings& settings)
{
    const bool changed = !(m_settings == settings);
    m_settings = settings;
    if (changed)
        emit settingsChanged();
}

void EditorModel::assignEvents(const std::vector<FocusPoint>& events)
{
    const bool changed = m_events != events;
    m_events = events;
    if (changed)
        emit eventsChanged();
}

void EditorModel::setLoopPlayback(bool loop)
{
    publish(m_loopPlayback, loop, &EditorModel::loopPlaybackChanged);
}

void EditorModel::setNotice(std::optional<QString> notice)
{
    publish(m_notice, std::move(notice), &EditorModel::noticeChanged);
}
void EditorModel::setCurrentTime(double seconds)
{
    publish(m_currentTime, seconds, &EditorModel::currentTimeChanged);
}
void EditorModel::setIsPlaying(bool playing)
{
    publish(m_isPlaying, playing, &EditorModel::isPlayingChanged);
}
void EditorModel::setCanUndo(bool value) { publish(m_canUndo, value, &EditorModel::canUndoChanged); }
void EditorModel::setCanRedo(bool value) { publish(m_canRedo, value, &EditorModel::canRedoChanged); }
void EditorModel::setHasUnsavedEdits(bool value)
{
    publish(m_hasUnsavedEdits, value, &EditorModel::hasUnsavedEditsChanged);
}
void EditorModel::setRecoveryAvailable(bool value)
{
    publish(m_recoveryAvailable, value, &EditorModel::recoveryAvailableChanged);
}
void EditorModel::setPreparingInteractionSounds(bool value)
{
    publish(m_isPreparingInteractionSounds, value, &EditorModel::isPreparingInteractionSoundsChanged);
}
void EditorModel::setInteractionSoundError(std::optional<QString> error)
{
    publish(m_interactionSoundError, std::move(error), &EditorModel::interactionSoundErrorChanged);
}
void EditorModel::setExportURL(std::optional<QUrl> url)
{
    publish(m_exportURL, std::move(url), &EditorModel::exportURLChanged);
}
void EditorModel::setProjectURL(std::optional<QUrl> url)
{
    publish(m_projectURL, std::move(url), &EditorModel::projectURLChanged);
}
void EditorModel::setEditablePointer(bool value)
{
    publish(m_editablePointer, value, &EditorModel::editablePointerChanged);
}
void EditorModel::setPointerSamples(std::vector<PointerSample> samples)
{
    publish(m_pointerSamples, std::move(samples), &EditorModel::pointerSamplesChanged);
}
void EditorModel::setInteractionEvents(std::vector<FocusPoint> events)
{
    publish(m_interactionEvents, std::move(events), &EditorModel::interactionEventsChanged);
}
void EditorModel::setRecentProjects(QList<QUrl> projects)
{
    publish(m_recentProjects, std::move(projects), &EditorModel::recentProjectsChanged);
}

void EditorModel::setThumbnails(QList<QImage> thumbnails)
{
    m_thumbnails = std::move(thumbnails);
    emit thumbnailsChanged();
}

void EditorModel::setMovie(std::optional<QUrl> url, double duration, QSizeF sourceSize)
{
    publish(m_movieURL, std::move(url), &EditorModel::movieURLChanged);
    publish(m_duration, duration, &EditorModel::durationChanged);
    publish(m_sourceSize, sourceSize, &EditorModel::sourceSizeChanged);
}

// --- edit history

void EditorModel::flushPendingEdits()
{
    m_history.commit();
}

void EditorModel::undo()
{
    if (m_history.undo())
        settleRestoredEdit();
}

void EditorModel::redo()
{
    if (m_history.redo())
        settleRestoredEdit();
}

void EditorModel::restoreEdit(const Edit& edit)
{
    assignSettings(edit.settings);
    assignEvents(edit.events);
}

void EditorModel::settleRestoredEdit()
{
    configureMusicPreview();
    seek(std::max(m_settings.trimStart, std::min(m_settings.trimEnd, m_currentTime)));
    backUp();
}

void EditorModel::publishHistory()
{
    setCanUndo(m_history.canUndo());
    setCanRedo(m_history.canRedo());
    setHasUnsavedEdits(m_history.hasUnsavedChanges());
}

Scene EditorModel::scene() const
{
    return Scene::ofProject(currentProject(), m_sourceSize);
}

// --- recovery

FocusProject EditorModel::currentProject() const
{
    FocusProject project;
    project.version = FocusProject::currentVersion;
    project.movieURL = m_movieURL.value_or(QUrl());
    project.settings = m_settings;
    project.events = m_events;
    project.interactionEvents = m_interactionEvents;
    project.pointerSamples = m_pointerSamples;
    project.editablePointer = m_editablePointer;
    return project;
}

FocusProject EditorModel::recoveryProject() const
{
    FocusProject project = currentProject();
    project.savedProjectURL = m_projectURL;
    return project;
}

void EditorModel::saveRecovery()
{
    finishSaving();
    if (m_movieURL)
        backupEnded(m_recovery.writeNow(recoveryPath(), recoveryProject()));
}

void EditorModel::backUp()
{
    if (!m_movieURL)
        return;
    QPointer<EditorModel> self(this);
    m_recovery.write(recoveryPath(), recoveryProject(), [self](bool written) {
        if (self)
            self->backupEnded(written);
    });
}

void EditorModel::finishBackups()
{
    m_recovery.finish();
}

void EditorModel::backupEnded(bool written)
{
    if (written)
        setRecoveryAvailable(true);
    else
        setNotice(backupFailedNotice);
}

// --- opening

std::vector<PointerSample> EditorModel::validPointerSamples(const std::vector<PointerSample>& samples,
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

void EditorModel::open(const QUrl& movie, std::optional<std::vector<FocusPoint>> recordedEvents, OpenCompletion done)
{
    m_openGeneration = QUuid::createUuid();
    openMovie(movie, std::move(recordedEvents), m_openGeneration, std::move(done));
}

void EditorModel::openMovie(const QUrl& movie, std::optional<std::vector<FocusPoint>> recordedEvents,
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
    stopMusicAudition();
    m_player->pause();
    if (m_musicPlayer)
        m_musicPlayer->stop();
    if (m_interactionPlayer)
        m_interactionPlayer->pause();
    setIsPlaying(false);

    const QString path = movie.isLocalFile() ? movie.toLocalFile() : QString();
    MovieInspector* movies = m_services.movies;
    const MoviePreparer prepare = m_player->preparer();
    QPointer<EditorModel> self(this);
    m_workers.start([=] {
        auto load = std::make_shared<MovieLoad>();
        if (path.isEmpty()) {
            load->error = notLocalFileText;
        } else if (movies->inspect(path, &load->metadata, &load->error)) {
            load->readable = true;
            load->sidecar = ProjectFile::sidecarForMovie(path);
            load->movie = prepare(path, &load->playerError);
        }
        postToMain(self, [=](EditorModel* model) {
            if (model)
                model->finishOpeningMovie(movie, recordedEvents, generation, *load, done);
            else if (done)
                done(false);  // a caller waiting for the open must still hear that it ended
        });
    });
}

void EditorModel::failOpen(const QString& prefix, const QString& description, const QUuid& generation)
{
    if (generation == m_openGeneration)
        setNotice(prefix + description);
}

void EditorModel::finishOpeningMovie(const QUrl& movie, std::optional<std::vector<FocusPoint>> recordedEvents,
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
    if (!m_player->openPrepared(std::move(load.movie), &playerError)) {
        if (m_movieURL) {
            QString ignored;
            if (m_player->open(m_movieURL->toLocalFile(), &ignored))
                m_player->seek(m_currentTime);
        }
        return fail(playerError);
    }

    // A save of the edit being replaced still publishes its outcome on that edit.
    finishSaving();
    clearInteractionPreview();
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
                                     : sidecar      ? sidecar->events
                                                    : std::vector<FocusPoint>{};
    std::vector<FocusPoint> interaction;
    std::copy_if(events.begin(), events.end(), std::back_inserter(interaction),
                 [](const FocusPoint& p) { return p.kind != FocusKind::manual; });
    assignEvents(events);
    setInteractionEvents(std::move(interaction));

    m_player->seek(0);
    setCurrentTime(0);
    configureMusicPreview();
    m_history.reset(false);
    loadThumbnails();
    // Cleared before the backup, so that a failed backup stays on the banner.
    setNotice(std::nullopt);
    backUp();
    if (done)
        done(true);
}

void EditorModel::openProject(const QUrl& file, OpenCompletion done)
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
            return fail(notLocalFileText);
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

    QPointer<EditorModel> self(this);
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

void EditorModel::restoreProject(const QUrl& file, const FocusProject& project, const QUuid& generation)
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
    configureMusicPreview();
    resetPlayerComposition();
    if (generation == m_openGeneration)
        setNotice(QStringLiteral("Opened ") + file.fileName());
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
            throw DocumentError(DocumentError::Kind::io, "Choose a different filename. A project cannot replace its movie.");
        ProjectFile::writeProject(destination.toLocalFile(), project);
    } catch (const DocumentError& e) {
        return QString::fromStdString(e.what());
    }
    return std::nullopt;
}

}  // namespace

void EditorModel::saveProject(const QUrl& destination, SaveCompletion done)
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
    QPointer<EditorModel> self(this);
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

void EditorModel::finishSaving()
{
    m_saves.finish();
}

void EditorModel::saveEnded(const QUrl& destination, const Edit& saved, const std::optional<QString>& failure)
{
    if (failure) {
        setNotice(QStringLiteral("Could not save project: ") + *failure);
        return;
    }
    setProjectURL(destination);
    m_history.markSaved(saved);
    rememberProject(destination);
    backUp();
    setNotice(QStringLiteral("Saved ") + destination.fileName());
}

void EditorModel::rememberProject(const QUrl& project)
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

void EditorModel::loadThumbnails()
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
    QPointer<EditorModel> self(this);
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
            postToMain(self, [cancelled, image](EditorModel* model) {
                if (model && !cancelled->load())
                    model->appendThumbnail(image);
            });
        }
    });
}

void EditorModel::appendThumbnail(const QImage& image)
{
    m_thumbnails.append(image);
    emit thumbnailsChanged();
}

// --- playback

void EditorModel::seek(double seconds)
{
    if (std::isnan(seconds))
        return;
    const double t = std::max(std::min(seconds, m_duration), 0.0);
    m_player->seek(t);
    setCurrentTime(t);
    syncMusicPreviewTime(t);
}

void EditorModel::pausePlayback()
{
    stopMusicAudition();
    m_player->pause();
    if (const double t = m_player->currentTime(); std::isfinite(t))
        setCurrentTime(t);
    if (m_musicPlayer)
        m_musicPlayer->pause();
    if (m_interactionPlayer)
        m_interactionPlayer->pause();
    setIsPlaying(false);
}

void EditorModel::togglePlayback()
{
    if (m_isPlaying) {
        pausePlayback();
        return;
    }
    if (!m_movieURL)
        return;
    stopMusicAudition();
    if (m_currentTime < m_settings.trimStart || m_currentTime >= m_settings.trimEnd - 0.05)
        seek(m_settings.trimStart);
    m_player->play();
    syncMusicPreviewTime(std::nullopt);
    if (m_musicPlayer)
        m_musicPlayer->play();
    if (m_interactionPlayer)
        m_interactionPlayer->play();
    setIsPlaying(true);
}

void EditorModel::updateTime(double seconds)
{
    if (!m_isPlaying)
        return;
    setCurrentTime(std::isfinite(seconds) ? seconds : 0.0);
    if (m_settings.trimEnd > 0 && m_currentTime >= m_settings.trimEnd) {
        if (m_loopPlayback) {
            seek(m_settings.trimStart);
            m_player->play();
            if (m_musicPlayer)
                m_musicPlayer->play();
            if (m_interactionPlayer)
                m_interactionPlayer->play();
        } else {
            pausePlayback();
        }
    }
}

void EditorModel::syncMusicPreviewTime(std::optional<double> time)
{
    double t = m_currentTime;
    if (time) {
        t = *time;
    } else if (m_isPlaying) {
        if (const double playerTime = m_player->currentTime(); std::isfinite(playerTime))
            t = playerTime;
    }
    const double fromTrimStart = t - m_settings.trimStart;
    if (m_musicPlayer) {
        if (const double length = m_musicPlayer->length(); length > 0)
            m_musicPlayer->setPosition(std::fmod(std::max(fromTrimStart, 0.0), length));
    }
    if (m_interactionPlayer)
        m_interactionPlayer->setPosition(std::max(std::min(fromTrimStart, m_interactionPlayer->length()), 0.0));
}

std::optional<QUrl> EditorModel::editMusicFile() const
{
    const MusicChoice choice = m_settings.effectiveMusicChoice();
    if (choice == MusicChoice::none)
        return std::nullopt;
    if (choice == MusicChoice::custom)
        return m_settings.musicFileURL;
    return Music::bundledURL(choice);
}

EditorModel::AudioLoad EditorModel::loadAudio(const QUrl& file, double reach, AudioLoaded done)
{
    auto load = std::make_shared<std::atomic<bool>>(false);
    PlaybackFactory* playback = m_services.playback;
    const QString path = file.isLocalFile() ? file.toLocalFile() : QString();
    QPointer<EditorModel> self(this);
    m_workers.start([=] {
        QString error = notLocalFileText;
        std::shared_ptr<DecodedAudio> audio;
        if (!path.isEmpty()) {
            error.clear();
            audio = playback->decodeAudio(path, reach, [load] { return load->load(); }, &error);
            if (!audio && error.isEmpty())
                error = QStringLiteral("The file couldn't be opened.");
        }
        postToMain(self, [=](EditorModel* model) {
            if (!model || load->load())
                return;
            std::unique_ptr<AudioPlayer> player =
                audio ? model->m_services.playback->makeAudioPlayer(std::move(*audio)) : nullptr;
            done(*model, std::move(player), error);
        });
    });
    return load;
}

void EditorModel::cancelLoad(AudioLoad& load)
{
    if (load)
        load->store(true);
    load.reset();
}

void EditorModel::applyVolumes()
{
    m_player->setVolume(playerVolume(m_settings.sourceVolume, EditDefaults::sourceVolume));
    const float music = playerVolume(m_settings.musicVolume, EditDefaults::musicVolume);
    if (m_musicPlayer)
        m_musicPlayer->setVolume(music);
    m_audition.setVolume(music);
}

double EditorModel::musicPreviewReach() const
{
    // The music is placed at the movie's time less the trim start, looped at the track's end, so
    // nothing past the movie's length is ever heard: a long track is read only that far. The
    // slack covers the report after which playback stops at the movie's end.
    constexpr double slack = 2.0;
    return m_duration + slack;
}

void EditorModel::configureMusicPreview()
{
    const std::optional<QUrl> file = editMusicFile();
    // Another movie needs another stretch of the same file.
    const bool musicChanged = file != m_previewMusicURL || (file && musicPreviewReach() != m_previewMusicReach);
    if (musicChanged) {
        stopMusicAudition();
        if (m_musicPlayer)
            m_musicPlayer->stop();
        m_musicPlayer.reset();
        cancelLoad(m_musicLoad);
        // Kept even when the file fails, so that the same file is not retried at every change.
        m_previewMusicURL = file;
        m_previewMusicReach = musicPreviewReach();
        if (file) {
            m_musicLoad = loadAudio(*file, m_previewMusicReach, [](EditorModel& model, std::unique_ptr<AudioPlayer> player, const QString& error) {
                model.m_musicLoad.reset();
                if (!player) {
                    model.setNotice(QStringLiteral("Could not play music: ") + error);
                    return;
                }
                player->setLooping(true);
                model.m_musicPlayer = std::move(player);
                model.applyVolumes();
                model.syncMusicPreviewTime(std::nullopt);
                if (model.m_isPlaying)
                    model.m_musicPlayer->play();
            });
        }
    }
    applyVolumes();
    if (musicChanged || m_previewTrimStart != m_settings.trimStart || !m_isPlaying) {
        m_previewTrimStart = m_settings.trimStart;
        syncMusicPreviewTime(std::nullopt);
    }
    configureInteractionPreview();
    if (m_isPlaying && m_musicPlayer)
        m_musicPlayer->play();
}

void EditorModel::configureInteractionPreview()
{
    const float volume = playerVolume(m_settings.interactionVolume, EditDefaults::interactionVolume);
    if (m_interactionPlayer)
        m_interactionPlayer->setVolume(volume);
    InteractionSoundtrack::Key key(m_settings, m_interactionEvents);
    if (!m_settings.effectiveInteractionSounds() || key.events.empty()) {
        clearInteractionPreview();
        setInteractionSoundError(std::nullopt);
        return;
    }
    if (m_interactionKey && *m_interactionKey == key)
        return;

    clearInteractionPreview();
    m_interactionKey = key;
    setInteractionSoundError(std::nullopt);
    setPreparingInteractionSounds(true);
    auto job = std::make_shared<ExportJob>();
    m_interactionRenderJob = job;

    const SoundtrackRenderer render = m_services.soundtrackRenderer;
    PlaybackFactory* playback = m_services.playback;
    QPointer<EditorModel> self(this);
    m_workers.start([=] {
        SoundtrackOutcome outcome = render ? render(key, *job)
                                           : SoundtrackOutcome{{}, description(EditorError::exportUnavailable)};
        // The rendered file is read here too: a long recording's soundtrack takes a while.
        std::shared_ptr<DecodedAudio> audio;
        if (!outcome.path.isEmpty() && !job->isCancelled()) {
            audio = playback->decodeAudio(outcome.path, std::numeric_limits<double>::infinity(),
                                          [job] { return job->isCancelled(); }, &outcome.error);
            if (!audio && outcome.error.isEmpty() && !job->isCancelled())
                outcome.error = QStringLiteral("The file couldn't be opened.");
        }
        postToMain(self, [=](EditorModel* model) {
            const bool current = model && model->m_interactionRenderJob == job;
            const auto fail = [&](const QString& error) {
                if (!current || job->isCancelled())
                    return;
                model->setPreparingInteractionSounds(false);
                model->m_interactionKey.reset();
                model->setInteractionSoundError(QStringLiteral("Could not prepare interaction sounds: ") + error);
            };
            if (outcome.path.isEmpty())
                return fail(outcome.error);
            if (!current || job->isCancelled()) {
                QFile::remove(outcome.path);
                return;
            }
            if (!audio) {
                QFile::remove(outcome.path);
                return fail(outcome.error);
            }
            std::unique_ptr<AudioPlayer> player = model->m_services.playback->makeAudioPlayer(std::move(*audio));
            player->setVolume(playerVolume(model->m_settings.interactionVolume, EditDefaults::interactionVolume));
            model->m_interactionPlayer = std::move(player);
            model->m_interactionPath = outcome.path;
            model->syncMusicPreviewTime(std::nullopt);
            if (model->m_isPlaying)
                model->m_interactionPlayer->play();
            model->setPreparingInteractionSounds(false);
        });
    });
}

void EditorModel::clearInteractionPreview()
{
    if (m_interactionRenderJob)
        m_interactionRenderJob->cancel();
    m_interactionRenderJob.reset();
    if (m_interactionPlayer)
        m_interactionPlayer->stop();
    m_interactionPlayer.reset();
    m_interactionKey.reset();
    setPreparingInteractionSounds(false);
    if (m_interactionPath) {
        QFile::remove(*m_interactionPath);
        m_interactionPath.reset();
    }
}

void EditorModel::auditionMusic(MusicChoice choice)
{
    if (auditioningMusic() == choice) {
        stopMusicAudition();
        return;
    }
    pausePlayback();
    const std::optional<QUrl> file =
        choice == MusicChoice::custom ? m_settings.musicFileURL : Music::bundledURL(choice);
    if (!file)
        return;
    m_pendingAudition = choice;
    emit auditioningMusicChanged();
    // An audition stops by itself, so only its first seconds of a long track are read.
    m_auditionLoad = loadAudio(*file, auditionLength + 1.0, [choice](EditorModel& model, std::unique_ptr<AudioPlayer> player, const QString& error) {
        model.m_auditionLoad.reset();
        model.m_pendingAudition.reset();
        if (!player) {
            emit model.auditioningMusicChanged();
            model.setNotice(QStringLiteral("Could not preview track: ") + error);
            return;
        }
        model.m_audition.start(choice, std::move(player),
                               playerVolume(model.m_settings.musicVolume, EditDefaults::musicVolume));
    });
}

void EditorModel::useMusicFile(const QUrl& file)
{
    MovieInspector* movies = m_services.movies;
    QPointer<EditorModel> self(this);
    m_workers.start([=] {
        MovieMetadata metadata;
        QString error;
        const bool readable =
            file.isLocalFile() && movies->inspect(file.toLocalFile(), &metadata, &error) && metadata.audioTracks > 0;
        postToMain(self, [=](EditorModel* model) {
            if (!model)
                return;
            if (!readable) {
                model->setNotice(QStringLiteral("Could not read audio from ") + file.fileName() + QLatin1Char('.'));
                return;
            }
            EditSettings settings = model->m_settings;
            settings.musicFileURL = file;
            settings.musicChoice = MusicChoice::custom;
            model->setSettings(settings);
        });
    });
}

void EditorModel::stopMusicAudition()
{
    if (m_auditionLoad) {
        cancelLoad(m_auditionLoad);
        m_pendingAudition.reset();
        emit auditioningMusicChanged();
    }
    m_audition.stop();
}

// --- focus points

const FocusPoint* EditorModel::findPoint(const QUuid& id) const
{
    const auto it = std::find_if(m_events.begin(), m_events.end(), [&](const FocusPoint& p) { return p.id == id; });
    return it == m_events.end() ? nullptr : &*it;
}

double EditorModel::playableEnd() const
{
    return std::min(m_settings.trimEnd, m_duration);
}

void EditorModel::resetPlayerComposition()
{
    QMetaObject::invokeMethod(this, &EditorModel::compositionReset, Qt::QueuedConnection);
}

double EditorModel::newZoomStart(std::optional<double> time) const
{
    double t = time.value_or(m_currentTime);
    if (!std::isfinite(t))
        t = m_settings.trimStart;
    const double upper = std::max(m_settings.trimStart, playableEnd() - 0.1);
    return std::max(m_settings.trimStart, std::min(upper, t));
}

QUuid EditorModel::insertFocusPoint(std::optional<double> time, QPointF focus)
{
    const double start = newZoomStart(time);
    FocusPoint point;
    point.id = QUuid::createUuid();
    point.time = start;
    point.x = focus.x();
    point.y = focus.y();
    point.kind = FocusKind::manual;
    const double room = playableEnd() - start;
    const double candidate = std::max(std::min(room, m_settings.zoomDuration), 0.1);
    if (candidate < m_settings.zoomDuration)
        point.zoomDuration = candidate;

    std::vector<FocusPoint> events = m_events;
    events.push_back(point);
    setEvents(events);
    stableSortByTime(events);
    setEvents(events);
    resetPlayerComposition();
    return point.id;
}

std::optional<QUuid> EditorModel::addFocusPoint(double time, QPointF canvasPoint)
{
    const std::optional<QPointF> focus = sourceFocus(canvasPoint);
    if (!focus)
        return std::nullopt;
    flushPendingEdits();
    const QUuid id = insertFocusPoint(time, *focus);
    flushPendingEdits();
    previewFocusPoint(id);
    return id;
}

std::optional<QPointF> EditorModel::sourceFocus(QPointF p) const
{
    const double w = m_sourceSize.width();
    const double h = m_sourceSize.height();
    // The layout the preview shows, so that a click lands where the user sees it.
    const Compositor::Layout layout = scene().layout(m_settings.canvasSize(), m_currentTime);
    const double s = layout.punchScale;
    const LayoutRect& c = layout.contentRect;
    const LayoutRect shown{c.minX() * s + layout.punchOffset.x(), c.minY() * s + layout.punchOffset.y(),
                           c.width * s, c.height * s};
    if (!(p.x() >= shown.minX() && p.x() < shown.maxX() && p.y() >= shown.minY() && p.y() < shown.maxY()))
        return std::nullopt;
    const double u = (p.x() - shown.minX()) / shown.width;
    const double v = (p.y() - shown.minY()) / shown.height;
    const LayoutRect& visible = layout.visibleRect;
    const double sx = visible.minX() + u * visible.width;
    const double sy = visible.minY() + v * visible.height;
    const auto unit = [](double q) { return std::isnan(q) ? 0.0 : std::max(std::min(q, 1.0), 0.0); };
    return QPointF(unit(sx / w), unit(sy / h));
}

bool EditorModel::placeFocusPoint(const QUuid& id, QPointF canvasPoint)
{
    if (!findPoint(id))
        return false;
    const std::optional<QPointF> focus = sourceFocus(canvasPoint);
    if (!focus)
        return false;
    std::vector<FocusPoint> events = m_events;
    const auto it = std::find_if(events.begin(), events.end(), [&](const FocusPoint& p) { return p.id == id; });
    it->x = focus->x();
    setEvents(events);
    it->y = focus->y();
    setEvents(events);
    previewFocusPoint(id);
    resetPlayerComposition();
    return true;
}

void EditorModel::previewFocusPoint(const QUuid& id)
{
    const FocusPoint* point = findPoint(id);
    if (!point)
        return;
    seek(std::min(point->time + std::min(0.35 * zoomLength(id), 0.35), m_duration));
}

double EditorModel::latestZoomStart(const QUuid& id) const
{
    const FocusPoint* point = findPoint(id);
    if (!point)
        return m_settings.trimStart;
    const double length = point->zoomDuration.value_or(m_settings.zoomDuration);
    const double span = m_settings.trimEnd - m_settings.trimStart;
    const double len = span >= 0.1 ? std::min(span, length) : std::min(length, 0.1);
    return std::max(m_settings.trimStart, m_settings.trimEnd - len);
}

void EditorModel::moveFocusPoint(const QUuid& id, double time)
{
    if (!std::isfinite(time))
        return;
    const FocusPoint* point = findPoint(id);
    if (!point)
        return;
    const double t = std::max(m_settings.trimStart, std::min(time, latestZoomStart(id)));
    if (std::abs(t - point->time) <= 0.0001)
        return;
    std::vector<FocusPoint> events = m_events;
    for (FocusPoint& p : events) {
        if (p.id == id)
            p.time = t;
    }
    setEvents(events);
}

void EditorModel::finishMovingFocusPoint(const QUuid& id)
{
    if (!findPoint(id))
        return;
    std::vector<FocusPoint> events = m_events;
    stableSortByTime(events);
    setEvents(events);
    resetPlayerComposition();
}

void EditorModel::removeFocusPoint(const FocusPoint& point)
{
    std::vector<FocusPoint> events = m_events;
    std::erase_if(events, [&](const FocusPoint& p) { return p.id == point.id; });
    setEvents(events);
    resetPlayerComposition();
}

double EditorModel::maxZoomLength(const QUuid& id) const
{
    const FocusPoint* point = findPoint(id);
    const double start = point ? point->time : m_settings.trimStart;
    return std::max(playableEnd() - start, 0.1);
}

double EditorModel::zoomLength(const QUuid& id) const
{
    const FocusPoint* point = findPoint(id);
    if (!point)
        return m_settings.zoomDuration;
    return std::min(maxZoomLength(id), point->zoomDuration.value_or(m_settings.zoomDuration));
}

void EditorModel::setZoomLength(double length, const QUuid& id)
{
    if (!std::isfinite(length) || !findPoint(id))
        return;
    const double room = maxZoomLength(id);
    std::vector<FocusPoint> events = m_events;
    for (FocusPoint& p : events) {
        if (p.id == id)
            p.zoomDuration = std::max(std::min(room, 0.3), std::min(length, room));
    }
    setEvents(events);
    resetPlayerComposition();
}

void EditorModel::resetZoomLength(const QUuid& id)
{
    if (!findPoint(id))
        return;
    std::vector<FocusPoint> events = m_events;
    for (FocusPoint& p : events) {
        if (p.id == id)
            p.zoomDuration.reset();
    }
    setEvents(events);
    resetPlayerComposition();
}

void EditorModel::applyZoomAmountToAll(double amount)
{
    if (std::isnan(amount))
        return;
    flushPendingEdits();
    EditSettings settings = m_settings;
    settings.zoomStrength = std::max(std::min(amount, 4.0), 1.05);
    setSettings(settings);
    std::vector<FocusPoint> events = m_events;
    for (FocusPoint& p : events) {
        p.zoomStrength.reset();
        setEvents(events);
    }
    flushPendingEdits();
}

// --- trim

void EditorModel::setTrimStart(double seconds)
{
    if (std::isnan(seconds))
        return;
    EditSettings settings = m_settings;
    settings.trimStart = std::max(0.0, std::min(seconds, settings.trimEnd - 0.1));
    setSettings(settings);
    if (m_currentTime < m_settings.trimStart)
        seek(m_settings.trimStart);
}

void EditorModel::setTrimEnd(double seconds)
{
    if (std::isnan(seconds))
        return;
    EditSettings settings = m_settings;
    settings.trimEnd = std::min(std::max(seconds, settings.trimStart + 0.1), m_duration);
    setSettings(settings);
    if (m_currentTime > m_settings.trimEnd)
        seek(m_settings.trimEnd);
}

// --- export

void EditorModel::export_(const QUrl& destination, const ExportOptions& options, std::function<void()> done)
{
    if (!m_movieURL || m_export.isRunning())
        return;
    pausePlayback();
    ExportRequest request;
    request.scene = scene();
    request.options = options;
    m_export.start(std::move(request), destination, std::move(done));
    setExportURL(std::nullopt);
    setNotice(std::nullopt);
}

void EditorModel::finishExport(const QUrl& destination, const ExportOutcome& outcome)
{
    switch (outcome.status) {
    case ExportOutcome::Status::finished:
        setExportURL(destination);
        setNotice(QStringLiteral("Exported ") + destination.fileName());
        break;
    case ExportOutcome::Status::cancelled:
        setNotice(QStringLiteral("Export cancelled."));
        break;
    case ExportOutcome::Status::failed:
        setNotice(QStringLiteral("Export failed: ") + outcome.error);
        break;
    }
}

void EditorModel::cancelExport()
{
    m_export.cancel();
}

}  // namespace sablewick

#pragma once

#include "editor/MovieInspector.h"
#include "platform/TaskScheduler.h"
#include "rendering/ExportOptions.h"
#include "rendering/InteractionSoundtrack.h"
#include "rendering/Scene.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace sablewick {

class ExportJob;
class PlaybackFactory;
class PreferencesStore;

// One export as the editor hands it to the export pipeline: a copy of the edit, so that the
// user can go on editing while it runs.
struct ExportRequest {
    Scene scene;
    ExportOptions options;
    QString destination;
    std::shared_ptr<ExportJob> job;
};

struct ExportOutcome {
    enum class Status { finished, cancelled, failed };
    Status status = Status::failed;
    QString error;  // the user-facing description of a failure
};

// Runs one export to its end on the calling (worker) thread. `progress` takes fractions 0...1
// and may be called from any thread.
using ExportRunner =
    std::function<ExportOutcome(const ExportRequest& request, const std::function<void(double)>& progress)>;

struct SoundtrackOutcome {
    QString path;   // the rendered file, owned by the caller; empty on failure
    QString error;  // the user-facing description of a failure
};

// Renders the interaction sounds of a key on the calling (worker) thread, polling the job.
using SoundtrackRenderer =
    std::function<SoundtrackOutcome(const InteractionSoundtrack::Key& key, const ExportJob& job)>;

// What the editor model is built with. The pointers are not owned and must outlive the model.
struct EditorServices {
    PreferencesStore* defaults = nullptr;  // holds "recentProjects"
    PlaybackFactory* playback = nullptr;
    TaskScheduler* scheduler = nullptr;
    MovieInspector* movies = nullptr;
    ExportRunner exportRunner;
    SoundtrackRenderer soundtrackRenderer;
};

// The application's services: the stored preferences, the given player engine, Qt timers, the
// media layer, the export pipeline and the soundtrack synthesiser.
EditorServices standardEditorServices(PlaybackFactory& playback);

// The real implementations.
MovieInspector& standardMovieInspector();  // the media layer's probe and frame decoder
TaskScheduler& standardScheduler();        // Qt timers on the main thread
SoundtrackRenderer standardSoundtrackRenderer();
ExportRunner standardExportRunner();     // the export pipeline

}  // namespace sablewick

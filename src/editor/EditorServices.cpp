#include "editor/EditorServices.h"

#include "media/DisplayRotation.h"
#include "media/MediaProbe.h"
#include "media/PlaybackError.h"
#include "media/VideoFrameSource.h"
#include "platform/PreferencesStore.h"
#include "rendering/ExportJob.h"
#include "rendering/ExporterError.h"
#include "rendering/ImageResampler.h"

#include <system_error>

namespace sablewick {

namespace {

class MediaThumbnailReader final : public ThumbnailReader {
public:
    explicit MediaThumbnailReader(const std::string& path)
        : m_source(path, VideoFrameSourceOptions{.streamIndex = -1, .decoderThreads = 1, .conversionThreads = 1})
    {
    }

    QImage frameAt(double seconds, QSize maxSize) override
    {
        try {
            QImage image = m_source.frameAt(seconds).image;
            if (image.width() > maxSize.width() || image.height() > maxSize.height()) {
                const QSize fitted = image.size().scaled(maxSize, Qt::KeepAspectRatio);
                image = resampledImage(image, fitted.expandedTo(QSize(1, 1)));
            }
            return image;
        } catch (const std::exception&) {
            return {};  // a failed thumbnail is left out; it must not end the worker thread
        }
    }

private:
    VideoFrameSource m_source;
};

class MediaMovieInspector final : public MovieInspector {
public:
    bool inspect(const QString& path, MovieMetadata* metadata, QString* error) override
    {
        try {
            const MediaInfo info = probeMedia(path.toStdString());
            metadata->duration = info.duration;
            metadata->videoTracks = static_cast<int>(info.videoTracks.size());
            metadata->audioTracks = static_cast<int>(info.audioTracks.size());
            metadata->displaySize = {};
            if (info.hasVideo()) {
                const VideoTrackInfo& track = info.video();
                metadata->displaySize = DisplayRotation::upright(QSize(track.width, track.height), track.rotation);
            }
            return true;
        } catch (const std::exception& e) {
            *error = describePlaybackError(e);
            return false;
        }
    }

    std::unique_ptr<ThumbnailReader> openThumbnails(const QString& path) override
    {
        try {
            return std::make_unique<MediaThumbnailReader>(path.toStdString());
        } catch (const std::exception&) {
            return nullptr;
        }
    }
};

}  // namespace

MovieInspector& standardMovieInspector()
{
    static MediaMovieInspector inspector;
    return inspector;
}

TaskScheduler& standardScheduler()
{
    static QtTaskScheduler scheduler;
    return scheduler;
}

EditorServices standardEditorServices(PlaybackFactory& playback)
{
    EditorServices services;
    services.defaults = &standardPreferences();
    services.playback = &playback;
    services.scheduler = &standardScheduler();
    services.movies = &standardMovieInspector();
    services.exportRunner = standardExportRunner();
    services.soundtrackRenderer = standardSoundtrackRenderer();
    return services;
}

SoundtrackRenderer standardSoundtrackRenderer()
{
    return [](const InteractionSoundtrack::Key& key, const ExportJob& job) -> SoundtrackOutcome {
        try {
            return {InteractionSoundtrack::render(key, job), {}};
        } catch (const SoundtrackFailure& e) {
            return {{}, errorDescription(e.error())};
        } catch (const ExporterFailure& e) {
            return {{}, e.description()};
        } catch (const std::system_error& e) {
            return {{}, QString::fromStdString(e.code().message())};
        } catch (const std::exception& e) {
            return {{}, QString::fromUtf8(e.what())};
        }
    };
}

}  // namespace sablewick

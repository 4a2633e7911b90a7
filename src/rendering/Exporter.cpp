#include "rendering/Exporter.h"

#include "document/MusicChoice.h"
#include "media/AudioDecoder.h"
#include "media/AudioMix.h"
#include "media/GifWriter.h"
#include "media/MediaError.h"
#include "media/MediaProbe.h"
#include "media/MovieWriter.h"
#include "media/VideoFrameSource.h"
#include "rendering/ExportJob.h"
#include "rendering/ExporterError.h"
#include "rendering/FrameComposer.h"
#include "rendering/FramePipeline.h"
#include "rendering/InteractionSoundtrack.h"

#include <QFileInfo>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace sablewick::Exporter {
namespace {

// Export times live on a 1/600 s grid, as the recording's edit times do.
constexpr std::int64_t kTimeScale = 600;
constexpr AudioFormat kAudioFormat{44100, 2};

struct TrimRange {
    MediaTime start;
    MediaTime length;  // at least 0.01 s
};

TrimRange trimRange(const EditSettings& settings)
{
    const MediaTime start = MediaTime::fromSeconds(settings.trimStart, kTimeScale);
    const double seconds = std::isnan(settings.trimEnd - settings.trimStart)
        ? 0.01
        : std::max(settings.trimEnd - settings.trimStart, 0.01);
    MediaTime length = MediaTime::fromSeconds(seconds, kTimeScale);
    if (length.value < 6)
        length = MediaTime(6, kTimeScale);
    return {start, length};
}

// Removes the files it holds when the export ends, however it ends.
class TemporaryFiles {
public:
    ~TemporaryFiles()
    {
        for (const std::string& path : m_paths)
            std::remove(path.c_str());
    }
    void add(const QString& path) { m_paths.push_back(path.toStdString()); }

private:
    std::vector<std::string> m_paths;
};

// Errors of the recording itself become the export's own messages; the media layer's texts are
// for developers.
[[noreturn]] void rethrowAsExportError(const MediaError& error, ExporterError otherwise)
{
    switch (error.kind()) {
    case MediaErrorKind::cancelled:
        throw ExporterFailure(ExporterError::cancelled);
    case MediaErrorKind::noVideoTrack:
        throw ExporterFailure(ExporterError::noVideo);
    case MediaErrorKind::encoderUnavailable:
        throw ExporterFailure(ExporterError::encoderUnavailable);
    case MediaErrorKind::notFound:
    case MediaErrorKind::notLocalFile:
    case MediaErrorKind::unreadable:
    case MediaErrorKind::noAudioTrack:
    case MediaErrorKind::decodeFailed:
        throw ExporterFailure(ExporterError::readerUnavailable);
    case MediaErrorKind::cannotCreateFile:
    case MediaErrorKind::writeFailed:
    case MediaErrorKind::diskFull:
    case MediaErrorKind::invalidArgument:
        throw ExporterFailure(otherwise);
    }
    throw ExporterFailure(otherwise);
}

struct MusicFile {
    std::string path;
    double duration = 0;
};

// The music file of an edit, checked before any frame is made. Only local files are ever opened.
std::optional<MusicFile> findMusic(const EditSettings& settings)
{
    const MusicChoice choice = settings.effectiveMusicChoice();
    if (choice == MusicChoice::none)
        return std::nullopt;
    const std::optional<QUrl> url = choice == MusicChoice::custom ? settings.musicFileURL : sablewick::Music::bundledURL(choice);
    if (!url || !url->isLocalFile())
        throw ExporterFailure(ExporterError::musicUnavailable);
    MusicFile music{url->toLocalFile().toStdString(), 0};
    try {
        const MediaInfo info = probeMedia(music.path);
        if (!info.hasAudio())
            throw ExporterFailure(ExporterError::musicUnavailable);
        const AudioTrackInfo& track = info.audioTracks.front();
        music.duration = track.duration > 0 ? track.duration : info.duration;
    } catch (const MediaError&) {
        throw ExporterFailure(ExporterError::musicUnavailable);
    }
    if (!std::isfinite(music.duration) || music.duration <= 0)
        throw ExporterFailure(ExporterError::musicUnavailable);
    return music;
}

// The sound of the export: the recording's own tracks over the trim range, the music repeated to
// fill it and the click and typing soundtrack, each at its volume. None when nothing sounds.
std::unique_ptr<AudioStream> assembleAudio(const MediaInfo& source, const EditSettings& settings,
                                           const TrimRange& range, const std::optional<MusicFile>& music,
                                           const QString& soundtrack, const ExportJob& job)
{
    const double start = range.start.seconds();
    const double length = range.length.seconds();
    const MediaCancelCheck cancel = [&job] { return job.isCancelled(); };
    std::vector<AudioMix::Input> inputs;

    for (const AudioTrackInfo& track : source.audioTracks) {
        const double trackEnd = track.start + (track.duration > 0 ? track.duration : source.duration);
        const double from = std::max(track.start, start);
        const double to = std::min(trackEnd, start + length);
        if (!(to - from > 0.001))
            continue;
        AudioDecoderOptions options;
        options.streamIndex = track.streamIndex;
        options.start = from;
        options.duration = to - from;
        options.cancel = cancel;
        inputs.push_back({std::make_unique<AudioDecoder>(source.path, kAudioFormat, options),
                          AudioMix::clampVolume(settings.effectiveSourceVolume()), from - start});
    }
    if (music) {
        job.throwIfCancelled();
        try {
            inputs.push_back({std::make_unique<LoopedAudio>(music->path, kAudioFormat, music->duration, length, cancel),
                              AudioMix::clampVolume(settings.effectiveMusicVolume()), 0});
        } catch (const MediaError& error) {
            if (error.kind() == MediaErrorKind::cancelled)
                throw ExporterFailure(ExporterError::cancelled);
            throw ExporterFailure(ExporterError::musicUnavailable);
        }
    }
    if (!soundtrack.isEmpty()) {
        AudioDecoderOptions options;
        options.start = 0;
        options.duration = length;
        options.cancel = cancel;
        try {
            inputs.push_back({std::make_unique<AudioDecoder>(soundtrack.toStdString(), kAudioFormat, options),
                              AudioMix::clampVolume(settings.effectiveInteractionVolume()), 0});
        } catch (const MediaError&) {
            // A soundtrack that cannot be read back is left out, as a file without sound would be.
        }
    }
    if (inputs.empty())
        return nullptr;
    return std::make_unique<AudioMix>(kAudioFormat, length, std::move(inputs));
}

void writeMovie(const QString& source, const FrameComposer& composer, std::unique_ptr<AudioStream> audio,
                const TrimRange& range, const ExportOptions& options, QSize size, const QString& path,
                const ExportJob& job, const Progress& progress)
{
    MovieWriterSettings settings;
    settings.format = options.format == ExportFormat::mov ? MovieFormat::movHevc : MovieFormat::mp4H264;
    settings.width = size.width();
    settings.height = size.height();
    settings.frameRate = MediaTime(exportFrameRate, 1);
    settings.videoBitRate = options.bitrate(size);
    settings.keyframeInterval = 120;
    settings.cancel = [&job] { return job.isCancelled(); };

    const std::int64_t count = movieFrameCount(range.length.seconds());
    const double start = range.start.seconds();
    try {
        MovieWriter writer(path.toStdString(), settings, std::move(audio));
        FramePipeline pipeline{source, composer, job, 0, true,
                               [start](std::int64_t i) { return start + static_cast<double>(i) / exportFrameRate; }};
        pipeline.run(count, [&](std::int64_t index, const ComposedFrame& frame) {
            writer.writeFrame(frame.yuv);
            if (const auto value = movieFrameProgress(index, count))
                progress(*value);
        });
        job.throwIfCancelled();
        writer.finish();
    } catch (const MediaError& error) {
        rethrowAsExportError(error, ExporterError::writeFailed);
    }
    progress(0.99);
}

void writeGif(const QString& source, const FrameComposer& composer, const TrimRange& range,
              const ExportOptions& options, QSize size, const QString& path, const ExportJob& job,
              const Progress& progress)
{
    // Frames are taken at the rate the quality names, at the speed of the recording, so the GIF
    // lasts exactly as long as the selection.
    const std::int64_t fps = options.gifFrameRate();
    const std::int64_t lengthTicks = range.length.rescaled(kTimeScale);
    const std::int64_t count = std::max<std::int64_t>(1, (lengthTicks * fps + kTimeScale - 1) / kTimeScale);
    const double start = range.start.seconds();
    const auto timeOf = [start, fps](std::int64_t i) { return start + static_cast<double>(i) / static_cast<double>(fps); };

    try {
        // One palette for the whole GIF, from a few frames across it: no colour flicker between
        // frames, and unchanged pixels stay unchanged.
        GifWriterSettings settings;
        settings.width = size.width();
        settings.height = size.height();
        settings.loopCount = 0;
        {
            std::vector<QImage> samples;
            VideoFrameSource frames(source.toStdString());
            const std::int64_t sampleCount = std::min<std::int64_t>(count, 6);
            for (std::int64_t s = 0; s < sampleCount; ++s) {
                job.throwIfCancelled();
                const std::int64_t index = sampleCount > 1 ? s * (count - 1) / (sampleCount - 1) : 0;
                samples.push_back(composer.compose(frames.frameAt(timeOf(index)).image, timeOf(index)));
            }
            settings.globalPalette = GifPalette::fromImages(samples);
        }

        GifWriter writer(path.toStdString(), settings);
        FramePipeline pipeline{source, composer, job, 0, false, timeOf};
        const double length = range.length.seconds();
        pipeline.run(count, [&](std::int64_t index, const ComposedFrame& frame) {
            writer.writeFrame(frame.image, MediaTime(index, fps));
            const double played = std::min(static_cast<double>(index) / static_cast<double>(fps) / length, 1.0);
            progress(std::min(played * 0.93 + 0.02, 0.99));
        });
        job.throwIfCancelled();
        progress(0.95);
        writer.finish(MediaTime(lengthTicks, kTimeScale));
    } catch (const MediaError& error) {
        rethrowAsExportError(error, ExporterError::writeFailed);
    }
    job.throwIfCancelled();
    progress(0.99);
}

}  // namespace

QString temporaryPath(const QString& destination, ExportFormat format)
{
    const QString folder = QFileInfo(destination).absolutePath();
    return folder + QStringLiteral("/.sablewick-export-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()
        + QLatin1Char('.') + fileExtension(format);
}

std::int64_t movieFrameCount(double length)
{
    const double frames = std::ceil(length * exportFrameRate);
    if (!(frames >= 1))
        return 1;
    return static_cast<std::int64_t>(frames);
}

std::optional<double> movieFrameProgress(std::int64_t index, std::int64_t count)
{
    const std::int64_t step = count / 100;
    if (index == 0 || count < 100 || index == count - 1 || (step > 0 && index % step == 0))
        return std::min(0.02 + 0.93 * static_cast<double>(index + 1) / static_cast<double>(count), 0.99);
    return std::nullopt;
}

void protectSource(const QString& source, const QString& destination)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path sourcePath = fs::weakly_canonical(fs::path(source.toStdString()), error);
    if (error)
        return;
    const fs::path destinationPath = fs::weakly_canonical(fs::path(destination.toStdString()), error);
    if (error)
        return;
    if (sourcePath.lexically_normal() == destinationPath.lexically_normal())
        throw ExporterFailure(ExporterError::sourceOverwrite);
    struct stat a {};
    struct stat b {};
    if (::stat(sourcePath.c_str(), &a) != 0 || ::stat(destinationPath.c_str(), &b) != 0)
        return;
    if (a.st_dev == b.st_dev && a.st_ino == b.st_ino)
        throw ExporterFailure(ExporterError::sourceOverwrite);
}

void export_(const Scene& scene, const QString& destination, const ExportOptions& options, const ExportJob& job,
             const Progress& progress)
{
    const QString& source = scene.moviePath;
    const EditSettings& settings = scene.settings;
    job.throwIfCancelled();
    protectSource(source, destination);

    TemporaryFiles temporaries;
    const QString temporary = temporaryPath(destination, options.format);
    temporaries.add(temporary);

    const QSize size = sablewick::size(options.resolution, settings);
    const std::vector<FocusPoint>& soundEvents = scene.clickEvents();
    const auto composer = Compositor::make(scene, size);
    job.throwIfCancelled();

    MediaInfo info;
    try {
        info = probeMedia(source.toStdString());
    } catch (const MediaError& error) {
        rethrowAsExportError(error, ExporterError::readerUnavailable);
    }
    if (!info.hasVideo())
        throw ExporterFailure(ExporterError::noVideo);

    const TrimRange range = trimRange(settings);
    const bool gif = options.format == ExportFormat::gif;
    std::unique_ptr<AudioStream> audio;
    if (!gif) {
        const std::optional<MusicFile> music = findMusic(settings);
        QString soundtrack;
        const InteractionSoundtrack::Key key(settings, soundEvents);
        if (settings.interactionSounds == true && AudioMix::clampVolume(settings.effectiveInteractionVolume()) > 0
            && !key.events.empty()) {
            progress(0.005);
            soundtrack = InteractionSoundtrack::render(key, job);
            temporaries.add(soundtrack);
        }
        try {
            audio = assembleAudio(info, settings, range, music, soundtrack, job);
        } catch (const MediaError& error) {
            rethrowAsExportError(error, ExporterError::readerUnavailable);
        }
    }
    progress(0.01);

    job.throwIfCancelled();
    if (gif)
        writeGif(source, *composer, range, options, size, temporary, job, progress);
    else
        writeMovie(source, *composer, std::move(audio), range, options, size, temporary, job, progress);

    job.throwIfCancelled();
    protectSource(source, destination);
    if (std::rename(temporary.toStdString().c_str(), destination.toStdString().c_str()) != 0)
        throw ExporterFailure(ExporterError::writeFailed);
    progress(1.0);
}

}  // namespace sablewick::Exporter

#pragma once

#include "editor/EditorModel.h"
#include "editor/EditorServices.h"
#include "media/PlaybackInterfaces.h"
#include "platform/PreferencesStore.h"
#include "support/FakeScheduler.h"
#include "support/TemporaryEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QSemaphore>
#include <QSet>
#include <QThread>
#include <QSize>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <memory>
#include <mutex>
#include <vector>

namespace sablewick {
// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
}  // namespace sablewick
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE

namespace sablewick::test {

// What a fake player's preparer was asked, from whichever thread it ran on. A test may hold the
// preparation of one path until it lets it go.
struct PreparationLog {
    std::mutex mutex;
    std::vector<QString> paths;
    bool ranOnMainThread = false;
    QString heldPath;
    QSemaphore release;
};

// A movie player that plays nothing: the test moves its clock and reads what the model asked of it.
class FakeVideoPlayer final : public VideoPlayer {
public:
    MoviePreparer preparer() const override
    {
        return [log = preparations](const QString& path, QString*) {
            bool hold = false;
            {
                std::lock_guard lock(log->mutex);
                log->paths.push_back(path);
                log->ranOnMainThread |= QThread::currentThread() == QCoreApplication::instance()->thread();
                hold = path == log->heldPath;
            }
            if (hold)
                log->release.acquire();
            return std::make_unique<PreparedMovie>(path);
        };
    }
    bool openPrepared(std::unique_ptr<PreparedMovie> movie, QString* error) override
    {
        adopted.push_back(movie->path);
        return open(movie->path, error);
    }
    bool open(const QString& path, QString* error) override
    {
        if (!QFile::exists(path) || refused.contains(path)) {
            if (error)
                *error = QStringLiteral("refused by the test");
            return false;
        }
        openedPath = path;
        time = 0;
        return true;
    }
    void close() override { openedPath.clear(); }
    bool isOpen() const override { return !openedPath.isEmpty(); }
    double duration() const override { return 0; }
    QSize frameSize() const override { return {}; }
    void play() override { playing = true; }
    void pause() override { playing = false; }
    bool isPlaying() const override { return playing; }
    void seek(double seconds) override
    {
        time = seconds;
        seeks.push_back(seconds);
    }
    double currentTime() const override { return time; }
    void setVolume(float v) override { volume = v; }
    QImage currentFrame() const override { return {}; }

    // Plays on to `seconds` and reports the tick.
    void tick(double seconds)
    {
        time = seconds;
        emit timeChanged(seconds);
    }
    // Runs out at the movie's end `seconds` the way the real player does: it stops, reports the
    // end and then announces it unless a handler has started playing again.
    void runOut(double seconds)
    {
        playing = false;
        tick(seconds);
        if (!playing)
            emit reachedEnd();
    }

    QString openedPath;
    std::vector<QString> adopted;  // the prepared movies handed to the player, in order
    std::shared_ptr<PreparationLog> preparations = std::make_shared<PreparationLog>();
    QSet<QString> refused;
    bool playing = false;
    double time = 0;
    float volume = -1;
    std::vector<double> seeks;
};

class FakeAudioPlayer final : public AudioPlayer {
public:
    FakeAudioPlayer(QString path, double length) : path(std::move(path)), m_length(length) {}
    double length() const override { return m_length; }
    void setLooping(bool loop) override { looping = loop; }
    void setPosition(double seconds) override { m_position = seconds; }
    double position() const override { return m_position; }
    void play() override
    {
        playing = true;
        ++plays;
    }
    void pause() override { playing = false; }
    void stop() override
    {
        playing = false;
        m_position = 0;
    }
    bool isPlaying() const override { return playing; }
    void setVolume(float v) override { m_volume = v; }
    float volume() const override { return m_volume; }

    QString path;
    bool looping = false;
    bool playing = false;
    int plays = 0;

private:
    double m_length;
    double m_position = 0;
    float m_volume = 1;
};

class FakePlaybackFactory final : public PlaybackFactory {
public:
    std::unique_ptr<VideoPlayer> makeVideoPlayer() override
    {
        auto player = std::make_unique<FakeVideoPlayer>();
        video = player.get();
        return player;
    }
    // Runs on the model's workers. While the gate is held, decoding waits at it, as a long file
    // would keep a real decoder busy.
    std::shared_ptr<DecodedAudio> decodeAudio(const QString& path, double reach, const std::function<bool()>& cancelled,
                                              QString* error) override
    {
        ++audioRequests;
        ++decodesRunning;
        const std::unique_ptr<std::atomic<int>, void (*)(std::atomic<int>*)> running(
            &decodesRunning, [](std::atomic<int>* count) { --*count; });
        {
            std::unique_lock lock(gateMutex);
            reaches.emplace_back(path, reach);
            ++decodesWaiting;
            // Cancelling does not wake the gate, so it is looked at now and then.
            while (gateHeld && !(cancelled && cancelled()))
                gateChanged.wait_for(lock, std::chrono::milliseconds(5));
            --decodesWaiting;
        }
        if (cancelled && cancelled())
            return nullptr;
        if (!QFile::exists(path)) {
            *error = QStringLiteral("The file doesn't exist.");
            return nullptr;
        }
        return std::make_shared<DecodedAudio>(DecodedAudio{path, {}});
    }
    std::unique_ptr<AudioPlayer> makeAudioPlayer(DecodedAudio&& decoded) override
    {
        auto player = std::make_unique<FakeAudioPlayer>(decoded.path, audioLength);
        audio.push_back(player.get());
        return player;
    }
    void holdDecoding()
    {
        std::lock_guard lock(gateMutex);
        gateHeld = true;
    }
    void releaseDecoding()
    {
        {
            std::lock_guard lock(gateMutex);
            gateHeld = false;
        }
        gateChanged.notify_all();
    }
    int waitingDecodes()
    {
        std::lock_guard lock(gateMutex);
        return decodesWaiting;
    }
    // How far from its start each read of a file was asked to go, oldest first.
    std::vector<double> readReaches(const QString& path)
    {
        std::lock_guard lock(gateMutex);
        std::vector<double> found;
        for (const auto& [file, reach] : reaches)
            if (file == path)
                found.push_back(reach);
        return found;
    }
    // The newest living audio player made for a file.
    FakeAudioPlayer* audioFor(const QString& path) const
    {
        for (auto it = audio.rbegin(); it != audio.rend(); ++it) {
            auto* player = static_cast<FakeAudioPlayer*>(it->data());
            if (player && player->path == path)
                return player;
        }
        return nullptr;
    }

    FakeVideoPlayer* video = nullptr;
    std::vector<QPointer<AudioPlayer>> audio;
    // Calls of decodeAudio not yet returned, on any thread.
    std::atomic<int> decodesRunning = 0;
    std::atomic<int> audioRequests = 0;
    double audioLength = 30;

private:
    std::mutex gateMutex;
    std::condition_variable gateChanged;
    bool gateHeld = false;
    int decodesWaiting = 0;
    std::vector<std::pair<QString, double>> reaches;
};

// Processes events until `done` holds; false after `seconds` without it.
inline bool waitUntil(const std::function<bool()>& done, int milliseconds = 20000)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Makes small movies and sounds with the ffmpeg command-line tool.
inline void runFfmpeg(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"), QStringList{"-y", "-v", "error", "-nostdin"} + arguments);
    ASSERT_TRUE(process.waitForFinished(60000)) << "ffmpeg did not finish";
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
}

// A movie of `seconds` at 320 x 180 and 30 frames a second; `rotation` sets its display matrix.
inline QString makeClip(const QString& folder, const QString& name, double seconds, int rotation = 0)
{
    const QString path = QDir(folder).filePath(name);
    const QString encoded = rotation == 0 ? path : path + ".plain.mp4";
    runFfmpeg({"-f", "lavfi", "-i", QStringLiteral("testsrc2=size=320x180:rate=30:duration=%1").arg(seconds),
               "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-g", "30", encoded});
    // The muxer writes the display matrix only when it copies the stream.
    if (rotation != 0)
        runFfmpeg({"-i", encoded, "-c", "copy", "-metadata:s:v:0", QStringLiteral("rotate=%1").arg(rotation), path});
    return path;
}

inline QString makeTone(const QString& folder, const QString& name, double seconds)
{
    const QString path = QDir(folder).filePath(name);
    runFfmpeg({"-f", "lavfi", "-i", QStringLiteral("sine=frequency=440:duration=%1").arg(seconds), path});
    return path;
}

// One model with fake time and fake playback over real movie files, its recovery folder and
// preferences in a temporary place.
class EditorBench {
public:
    EditorBench()
    {
        m_env.set("SABLEWICK_STATE_DIRECTORY", QDir(dir.path()).filePath("state").toStdString());
        services.defaults = &preferences;
        services.playback = &playback;
        services.scheduler = &scheduler;
        services.movies = &standardMovieInspector();
        services.soundtrackRenderer = standardSoundtrackRenderer();
    }

    EditorModel& model()
    {
        if (!m_model)
            m_model = std::make_unique<EditorModel>(services);
        return *m_model;
    }
    void destroyModel() { m_model.reset(); }

    // Opens a movie and waits for the open to end; returns its result.
    bool open(const QString& path, std::optional<std::vector<FocusPoint>> events = std::nullopt)
    {
        return finish([&](EditorDocument::OpenCompletion done) {
            model().document().open(QUrl::fromLocalFile(path), std::move(events), std::move(done));
        });
    }
    bool openProject(const QUrl& url)
    {
        return finish(
            [&](EditorDocument::OpenCompletion done) { model().document().openProject(url, std::move(done)); });
    }

    // Waits for the backups written on workers and delivers their outcome.
    void settleBackups()
    {
        model().document().finishBackups();
        QCoreApplication::processEvents();
    }

    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    FakeVideoPlayer& player() { return *playback.video; }

    QTemporaryDir dir;
    MemoryPreferencesStore preferences;
    FakeScheduler scheduler;
    FakePlaybackFactory playback;
    EditorServices services;

private:
    bool finish(const std::function<void(EditorDocument::OpenCompletion)>& start)
    {
        std::optional<bool> result;
        start([&result](bool ok) { result = ok; });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); })) << "the open never finished";
        settleBackups();
        return result.value_or(false);
    }

    ScopedEnvironment m_env;
    std::unique_ptr<EditorModel> m_model;
};

}  // namespace sablewick::test

namespace sablewick::test {

// The movies the tests open, made once per test program.
struct Clips {
    QString twoSeconds;   // 2 s, 320 x 180
    QString threeSeconds; // 3 s
    QString rotated;      // 1 s, coded 320 x 180, shown upright as 180 x 320
    QString tiny;         // one frame: shorter than 0.1 s
    QString notAMovie;    // a text file

    static const Clips& get()
    {
        static QTemporaryDir folder;
        static const Clips clips = [] {
            Clips c;
            c.twoSeconds = makeClip(folder.path(), "two.mp4", 2);
            c.threeSeconds = makeClip(folder.path(), "three.mp4", 3);
            c.rotated = makeClip(folder.path(), "rotated.mp4", 1, 90);
            c.tiny = makeClip(folder.path(), "tiny.mp4", 1.0 / 30);
            c.notAMovie = QDir(folder.path()).filePath("notes.mp4");
            QFile file(c.notAMovie);
            if (file.open(QIODevice::WriteOnly))
                file.write("these are not frames\n");
            return c;
        }();
        return clips;
    }
};

}  // namespace sablewick::test

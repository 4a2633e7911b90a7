// The longest time the main thread is kept from its event loop while the user chooses a long
// music file on the Audio page, and then drops it again: the real editor model, player engine
// and page, a probe timer on the main thread that notes how late each of its 2 ms ticks comes
// and how much of each gap the thread spent working. It also says how much of the file the
// music preview holds in memory and the process's peak memory. With --whole-file the preview
// reads the whole file, as it did before it read only what the movie can play; without
// --no-direct, the same file is then decoded on the main thread, as the preview did before the
// decode moved to the editor's workers.
//
//   sablewick_music_load_stalls [--whole-file] [--no-direct] MOVIE MUSIC
#include "components/StudioButton.h"
#include "components/StudioKit.h"
#include "editor/EditorModel.h"
#include "editor/EditorServices.h"
#include "media/PlaybackAudioPlayer.h"
#include "media/PlaybackEngine.h"
#include "platform/NumericLocale.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "StallProbe.h"
#include "workspace/AudioTab.h"
#include "workspace/ContentState.h"

#include <QApplication>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstring>
#include <limits>
#include <optional>

namespace {

// The real players, noting when a decoded sound reaches the main thread as a player and how
// much of it is held.
class WatchedPlayback final : public sablewick::PlaybackFactory {
public:
    std::unique_ptr<sablewick::VideoPlayer> makeVideoPlayer() override { return engine.makeVideoPlayer(); }
    std::shared_ptr<sablewick::DecodedAudio> decodeAudio(const QString& path, double reach,
                                                         const std::function<bool()>& cancelled, QString* error) override
    {
        return engine.decodeAudio(path, wholeFile ? std::numeric_limits<double>::infinity() : reach, cancelled, error);
    }
    std::unique_ptr<sablewick::AudioPlayer> makeAudioPlayer(sablewick::DecodedAudio&& audio) override
    {
        ++players;
        heldBytes = audio.samples.size() * sizeof(float);
        length = audio.length;
        return engine.makeAudioPlayer(std::move(audio));
    }

    sablewick::PlaybackEngine engine;
    bool wholeFile = false;
    int players = 0;
    std::size_t heldBytes = 0;
    double length = 0;
};

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

}  // namespace

int main(int argc, char* argv[])
{
    bool wholeFile = false;
    bool direct = true;
    int first = 1;
    for (; first < argc && argv[first][0] == '-'; ++first) {
        if (std::strcmp(argv[first], "--whole-file") == 0)
            wholeFile = true;
        else if (std::strcmp(argv[first], "--no-direct") == 0)
            direct = false;
    }
    if (argc - first < 2) {
        std::fprintf(stderr, "usage: %s [--whole-file] [--no-direct] MOVIE MUSIC\n", argv[0]);
        return 2;
    }
    TracingApplication app(argc, argv);
    sablewick::useCNumericLocale();
    const QString movie = QString::fromLocal8Bit(argv[first]);
    const QUrl music = QUrl::fromLocalFile(QString::fromLocal8Bit(argv[first + 1]));

    QTemporaryDir work;
    qputenv("SABLEWICK_STATE_DIRECTORY", work.filePath("state").toLocal8Bit());
    sablewick::MemoryPreferencesStore defaults;
    sablewick::AppPreferences preferences(defaults);
    sablewick::installStudioKit(preferences);
    WatchedPlayback playback;
    playback.wholeFile = wholeFile;
    sablewick::EditorServices services = sablewick::standardEditorServices(playback);
    services.defaults = &defaults;
    sablewick::EditorModel editor(services);
    sablewick::ContentState state(editor);
    std::optional<bool> opened;
    editor.document().open(QUrl::fromLocalFile(movie), std::nullopt, [&](bool ok) { opened = ok; });
    if (!spinUntil([&] { return opened.has_value(); }, 60000) || !*opened) {
        std::fprintf(stderr, "the movie did not open\n");
        return 1;
    }
    sablewick::AudioTab page(editor.document(), editor.playback(), state,
                             [&](QWidget*) { return std::optional<QUrl>(music); });
    page.resize(332, 1200);
    page.show();
    spinUntil([] { return false; }, 500);

    // Choosing the file: from the click until the music preview is ready to play, plus a second.
    StallProbe probe;
    if (app.m_trace)
        std::printf("choosing the file:\n");
    const double cpuBefore = processCpuSeconds();
    probe.start();
    QElapsedTimer clock;
    clock.start();
    const int before = playback.players;
    page.importButton()->click();
    if (!spinUntil([&] { return playback.players > before; }, 600000)) {
        std::fprintf(stderr, "the music never loaded: %s\n", qPrintable(editor.notice().value_or(QString())));
        return 1;
    }
    const double ready = clock.elapsed() / 1000.0;
    spinUntil([] { return false; }, 1000);
    probe.stop();
    std::printf("movie    %.1f s, music %s (%.1f s), %s\n", editor.document().duration(), qPrintable(music.fileName()),
                playback.length, wholeFile ? "whole file read" : "read as far as the movie plays");
    std::printf("ready to play after %.2f s, %.2f s of processor time; the preview holds %.1f MB of sound, "
                "peak resident %ld MB\n",
                ready, processCpuSeconds() - cpuBefore, playback.heldBytes / 1e6, peakResidentMegabytes());
    probe.report("choose");

    // Dropping it again: the preview's player and its sound go.
    if (app.m_trace)
        std::printf("dropping the music:\n");
    probe.start();
    sablewick::EditSettings settings = editor.document().settings();
    settings.musicChoice = sablewick::MusicChoice::none;
    editor.document().setSettings(settings);
    spinUntil([] { return false; }, 1000);
    probe.stop();
    probe.report("drop");

    if (!direct)
        return 0;
    // The same decode on the main thread, as before: the whole of it is one stall.
    clock.restart();
    QString error;
    auto decoded = sablewick::PlaybackAudioPlayer::decode(music.toLocalFile(), std::numeric_limits<double>::infinity(),
                                                          {}, &error);
    std::printf("on the main thread the decode alone holds the loop for %.2f s%s\n", clock.elapsed() / 1000.0,
                decoded ? "" : " (failed)");
    return 0;
}

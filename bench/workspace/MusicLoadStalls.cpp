// The longest time the main thread is kept from its event loop while the user chooses a long
// music file on the Audio page: the real editor model, player engine and page, a probe timer on
// the main thread that notes how late each of its 2 ms ticks comes. The same file is then
// decoded on the main thread, as the music preview used to, for the figure it replaces.
//
//   sablewick_music_load_stalls MOVIE MUSIC
#include "components/StudioButton.h"
#include "components/StudioKit.h"
#include "editor/EditorModel.h"
#include "editor/EditorServices.h"
#include "mainwindow/ContentState.h"
#include "media/PlaybackAudioPlayer.h"
#include "media/PlaybackEngine.h"
#include "platform/NumericLocale.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "workspace/AudioTab.h"
#include "StallProbe.h"

#include <QApplication>
#include <QTemporaryDir>

#include <optional>

namespace {

// The real players, noting when a decoded sound reaches the main thread as a player.
class WatchedPlayback final : public sablewick::PlaybackFactory {
public:
    std::unique_ptr<sablewick::VideoPlayer> makeVideoPlayer() override { return engine.makeVideoPlayer(); }
    std::shared_ptr<sablewick::DecodedAudio> decodeAudio(const QString& path, const std::function<bool()>& cancelled,
                                                         QString* error) override
    {
        return engine.decodeAudio(path, cancelled, error);
    }
    std::unique_ptr<sablewick::AudioPlayer> makeAudioPlayer(sablewick::DecodedAudio&& audio) override
    {
        ++players;
        return engine.makeAudioPlayer(std::move(audio));
    }

    sablewick::PlaybackEngine engine;
    int players = 0;
};

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s MOVIE MUSIC\n", argv[0]);
        return 2;
    }
    TracingApplication app(argc, argv);
    sablewick::useCNumericLocale();
    const QString movie = QString::fromLocal8Bit(argv[1]);
    const QUrl music = QUrl::fromLocalFile(QString::fromLocal8Bit(argv[2]));

    QTemporaryDir work;
    qputenv("SABLEWICK_STATE_DIRECTORY", work.filePath("state").toLocal8Bit());
    sablewick::MemoryPreferencesStore defaults;
    sablewick::AppPreferences preferences(defaults);
    sablewick::installStudioKit(preferences);
    WatchedPlayback playback;
    sablewick::EditorServices services = sablewick::standardEditorServices(playback);
    services.defaults = &defaults;
    sablewick::EditorModel editor(services);
    sablewick::ContentState state(editor);
    std::optional<bool> opened;
    editor.open(QUrl::fromLocalFile(movie), std::nullopt, [&](bool ok) { opened = ok; });
    if (!spinUntil([&] { return opened.has_value(); }, 60000) || !*opened) {
        std::fprintf(stderr, "the movie did not open\n");
        return 1;
    }
    sablewick::AudioTab page(editor, state, [&](QWidget*) { return std::optional<QUrl>(music); });
    page.resize(332, 1200);
    page.show();
    spinUntil([] { return false; }, 500);

    // Choosing the file: from the click until the music preview is ready to play, plus a second.
    StallProbe probe;
    if (app.m_trace)
        std::printf("choosing the file:\n");
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
    std::printf("music    %s, ready to play after %.2f s\n", qPrintable(music.fileName()), ready);
    probe.report("choose");

    // The same decode on the main thread, as before: the whole of it is one stall.
    clock.restart();
    QString error;
    auto direct = sablewick::PlaybackAudioPlayer::decode(music.toLocalFile(), {}, &error);
    std::printf("on the main thread the decode alone holds the loop for %.2f s%s\n", clock.elapsed() / 1000.0,
                direct ? "" : " (failed)");
    return 0;
}

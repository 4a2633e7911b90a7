#include "media/PlaybackEngine.h"

#include "media/AudioOutput.h"
#include "media/PlaybackAudioPlayer.h"
#include "media/PlaybackClock.h"
#include "media/PlaybackVideoPlayer.h"

namespace sablewick {

PlaybackEngine::PlaybackEngine()
    : output_(AudioOutput::connect())
{
}

PlaybackEngine::PlaybackEngine(std::shared_ptr<AudioOutput> output)
    : output_(std::move(output))
{
}

PlaybackEngine::~PlaybackEngine() = default;

std::unique_ptr<VideoPlayer> PlaybackEngine::makeVideoPlayer()
{
    return std::make_unique<PlaybackVideoPlayer>(output_, output_, std::make_unique<QtPlaybackTimer>());
}

std::unique_ptr<AudioPlayer> PlaybackEngine::makeAudioPlayer(const QString& path, QString* error)
{
    return PlaybackAudioPlayer::open(path, output_, error);
}

}  // namespace sablewick

#include "media/PlaybackEngine.h"

#include "media/AudioOutput.h"
#include "media/PlaybackAudioPlayer.h"
#include "media/PlaybackClock.h"
#include "media/PlaybackVideoPlayer.h"

namespace sablewick {

PlaybackEngine::PlaybackEngine()
    : m_output(AudioOutput::connect())
{
}

PlaybackEngine::PlaybackEngine(std::shared_ptr<AudioOutput> output)
    : m_output(std::move(output))
{
}

PlaybackEngine::~PlaybackEngine() = default;

std::unique_ptr<VideoPlayer> PlaybackEngine::makeVideoPlayer()
{
    return std::make_unique<PlaybackVideoPlayer>(m_output, m_output, std::make_unique<QtPlaybackTimer>());
}

std::shared_ptr<DecodedAudio> PlaybackEngine::decodeAudio(const QString& path, double reach,
                                                          const std::function<bool()>& cancelled, QString* error)
{
    return PlaybackAudioPlayer::decode(path, reach, cancelled, error);
}

std::unique_ptr<AudioPlayer> PlaybackEngine::makeAudioPlayer(DecodedAudio&& audio)
{
    return std::make_unique<PlaybackAudioPlayer>(std::move(audio), m_output);
}

}  // namespace sablewick

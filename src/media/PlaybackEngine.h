#pragma once

#include "media/PlaybackInterfaces.h"

#include <memory>

namespace sablewick {

class AudioOutput;

// The real players: movies and sound files, all mixed into one audio output whose clock the
// movie follows. Main thread only.
class PlaybackEngine : public PlaybackFactory {
public:
    // Connects to the audio server now (falling back to the system clock when none answers).
    PlaybackEngine();
    // Uses the given output; tests pass a manual one.
    explicit PlaybackEngine(std::shared_ptr<AudioOutput> output);
    ~PlaybackEngine() override;

    std::unique_ptr<VideoPlayer> makeVideoPlayer() override;
    std::shared_ptr<DecodedAudio> decodeAudio(const QString& path, double reach, const std::function<bool()>& cancelled,
                                              QString* error) override;
    std::unique_ptr<AudioPlayer> makeAudioPlayer(DecodedAudio&& audio) override;

    const std::shared_ptr<AudioOutput>& output() const { return m_output; }

private:
    std::shared_ptr<AudioOutput> m_output;
};

}  // namespace sablewick

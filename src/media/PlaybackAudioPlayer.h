#pragma once

#include "media/PlaybackInterfaces.h"

#include <memory>
#include <vector>

namespace sablewick {

class AudioOutput;

// Plays a sound file (music, interaction sounds) through the shared audio output. The part of
// the file that will be heard is decoded once, at the output's rate, so positioning and looping
// are exact and cost nothing. Main thread only; the sound itself is mixed on the output's thread.
class PlaybackAudioPlayer : public AudioPlayer {
    Q_OBJECT
public:
    // Decodes the file at the output's rate as far as `reach` seconds from its start (infinity:
    // all of it); safe on any thread. Null with *error set to a readable reason when it cannot
    // be played, or with *error empty once `cancelled` said stop.
    static std::shared_ptr<DecodedAudio> decode(const QString& path, double reach,
                                                const std::function<bool()>& cancelled, QString* error);
    // Decodes the file and makes its player. Null with *error set to a readable reason when it cannot be played.
    static std::unique_ptr<PlaybackAudioPlayer> open(const QString& path, std::shared_ptr<AudioOutput> output,
                                                     QString* error, QObject* parent = nullptr);
    // Plays `samples` (interleaved stereo at the output's rate).
    PlaybackAudioPlayer(std::vector<float> samples, std::shared_ptr<AudioOutput> output, QObject* parent = nullptr);
    // Plays a decoded file over its whole length, silent past the part that was decoded.
    PlaybackAudioPlayer(DecodedAudio&& audio, std::shared_ptr<AudioOutput> output, QObject* parent = nullptr);
    ~PlaybackAudioPlayer() override;

    double length() const override;
    void setLooping(bool loopForever) override;
    void setPosition(double seconds) override;
    double position() const override;
    void play() override;
    void pause() override;
    void stop() override;
    bool isPlaying() const override;
    void setVolume(float volume) override;
    float volume() const override;

private:
    struct Source;
    std::shared_ptr<AudioOutput> m_output;
    std::shared_ptr<Source> m_source;
};

}  // namespace sablewick

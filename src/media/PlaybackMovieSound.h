#pragma once

#include "media/AudioOutput.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace sablewick {

// The movie's own sound on its way to the output. The decode thread appends decoded frames at
// their place on the movie's timeline; the output takes the frames that belong to the moment
// they will be heard, so the sound follows the picture's clock: frames that come too late are
// skipped and missing ones are silence. Thread-safe.
class PlaybackMovieSound : public AudioSource {
public:
    static constexpr int sampleRate = AudioOutput::sampleRate;
    static constexpr int channels = AudioOutput::channels;

    // Decode thread: the buffered sound is dropped and continues at this frame of the movie.
    void reset(std::int64_t movieFrame);
    // Decode thread: appends frames that follow the last ones without a gap.
    void append(const float* samples, std::int64_t frames);
    // Frames buffered beyond what has been played.
    std::int64_t framesAhead() const;

    // Main thread: movie time `movieTime` is heard at clock time `clockTime`.
    void start(double movieTime, double clockTime);
    void stop();
    void setVolume(float volume);

    bool mixInto(float* mix, int frames, double heardAt) override;

private:
    mutable std::mutex m_mutex;
    std::vector<float> m_buffer;
    std::size_t m_consumed = 0;        // frames at the front of m_buffer already played or skipped
    std::int64_t m_bufferStart = 0;    // movie frame of m_buffer[0]
    bool m_playing = false;
    double m_movieTime = 0;
    double m_clockTime = 0;
    bool m_cursorValid = false;
    std::int64_t m_cursor = 0;         // next movie frame to play
    float m_volume = 1;
};

}  // namespace sablewick

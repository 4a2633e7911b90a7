#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <vector>

namespace sablewick {

// Mixes sound sources that deliver on their own schedules (the system's output and the
// microphone) into one track whose sample n plays at time zero + n / 48000. Each piece is
// placed by the time it was captured, so the track stays with the picture; a source that slips
// by more than a tenth of a second (a dropout, a clock that drifts) is placed anew.
//
// One thread at a time.
class LiveAudioMixer {
public:
    static constexpr int sampleRate = 48000;
    static constexpr int channels = 2;
    // A source silent for this long no longer holds the track back.
    static constexpr double stallSeconds = 0.5;
    static constexpr double resyncSeconds = 0.1;

    LiveAudioMixer(int sources, double timeZero);

    // A piece of interleaved stereo float from `source`, whose first sample was captured at
    // `capturedAt` (same clock as the time zero). Parts before the track's end are dropped.
    void add(int source, const float* samples, std::size_t frames, double capturedAt, double now);
    // The mixed samples up to where every live source has delivered, clipped to -1...1; while no
    // source delivers, silence up to `stallSeconds` before `now`. Nothing after `notAfter`: the
    // sources keep delivering while an encoder that fell behind catches up, and a track handed
    // out past the picture could not be cut back to it.
    std::vector<float> take(double now, double notAfter = std::numeric_limits<double>::infinity());
    // Everything up to `end` (silence where nothing arrived) and nothing after it: the end of a
    // track that must stop with the picture.
    std::vector<float> takeUntil(double end);

    std::int64_t framesTaken() const { return m_taken; }
    // Seconds after time zero up to which some source has delivered: where the track falls
    // silent when every source stops at `now`. While none has delivered, `now`'s own.
    double heardUntil(double now) const;

private:
    struct Source {
        bool started = false;
        std::int64_t next = 0;  // where its next sample goes
        double lastPiece = 0;   // when it last delivered
    };
    std::int64_t position(double time) const;
    std::vector<float> takeTo(std::int64_t ready);

    double m_zero;
    std::vector<Source> m_sources;
    std::deque<float> m_mix;  // interleaved, from sample m_taken on
    std::int64_t m_taken = 0;
};

}  // namespace sablewick

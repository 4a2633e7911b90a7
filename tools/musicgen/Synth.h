#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace sablewick::musicgen {

inline constexpr double twoPi = 2 * std::numbers::pi;

// A stereo loop of a fixed number of frames. Notes that run past the end wrap around to the
// start, so the decay of the last bar sounds under the first one when the track repeats.
class LoopBuffer {
public:
    LoopBuffer(std::int64_t frames, int rate);

    std::int64_t frames() const { return std::int64_t(m_left.size()); }
    int rate() const { return m_rate; }

    // Adds voice(tau) for tau in [0, length) at `start` seconds, panned -1 (left) ... 1 (right).
    // The voice is called with increasing tau, so it may keep filter state.
    template <class Voice>
    void add(double start, double length, double gain, double pan, Voice&& voice)
    {
        const double angle = (pan + 1) * std::numbers::pi / 4;
        const double gainLeft = gain * std::cos(angle);
        const double gainRight = gain * std::sin(angle);
        const auto first = std::int64_t(std::llround(start * m_rate));
        const auto count = std::int64_t(std::ceil(length * m_rate));
        const std::int64_t n = frames();
        std::int64_t index = ((first % n) + n) % n;
        for (std::int64_t i = 0; i < count; ++i) {
            const double v = voice(double(i) / m_rate);
            m_left[std::size_t(index)] += float(v * gainLeft);
            m_right[std::size_t(index)] += float(v * gainRight);
            if (++index == n)
                index = 0;
        }
    }

    // A stereo room: the loop runs through the reverberator twice and the second pass is kept,
    // so the tail at the end continues into the start without a seam.
    void addReverb(double wet, double roomSize, double damping);
    // Scales the loop so that its loudest sample is `peak`.
    void normalize(double peak);

    const std::vector<float>& left() const { return m_left; }
    const std::vector<float>& right() const { return m_right; }

private:
    int m_rate;
    std::vector<float> m_left;
    std::vector<float> m_right;
};

// A deterministic noise source (xorshift), uniform in -1 ... 1.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : m_state(seed ? seed : 1) {}
    double next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return double(m_state) / 2147483647.5 - 1.0;
    }
    // A uniform integer in 0 ... n - 1.
    int below(int n) { return int((next() + 1) / 2 * n) % n; }

private:
    std::uint32_t m_state;
};

// Attack, hold and release of a sustained note of `length` seconds.
double sustainEnvelope(double tau, double length, double attack, double release);

// A sine and cosine pair advanced by rotation: one multiply-add per sample instead of a sin call.
class Oscillator {
public:
    Oscillator(double frequency, int rate);
    double sine() const { return m_sine; }
    double cosine() const { return m_cosine; }
    void advance()
    {
        const double s = m_sine * m_stepCos + m_cosine * m_stepSin;
        m_cosine = m_cosine * m_stepCos - m_sine * m_stepSin;
        m_sine = s;
    }

private:
    double m_sine = 0;
    double m_cosine = 1;
    double m_stepSin;
    double m_stepCos;
};

// The instruments. Each is made for one note and called with tau (seconds since the note
// began) rising by one sample per call; each is silent outside 0 <= tau < length.

// A plucked sine with its octave: the interaction soundtrack's musical voice.
struct Chime {
    double length, frequency, decay;
    double operator()(double tau) const;
};

// A chime with an inharmonic partial 3.5 times the fundamental: a glassy ring.
struct Bell {
    Bell(double length, double midi);
    double operator()(double tau) const;
    Chime body;
    Chime partial;
};

// A soft FM tine.
class ElectricPiano {
public:
    ElectricPiano(double length, double midi, int rate);
    double operator()(double tau);

private:
    double m_length;
    Oscillator m_carrier;
};

// Three slightly detuned voices with two overtones each, swelling in and out slowly.
class Pad {
public:
    Pad(double length, double midi, int rate);
    double operator()(double tau);

private:
    double m_length;
    std::vector<Oscillator> m_voices;
    Oscillator m_swell;
};

// A round sine bass, or a saw-like one whose upper harmonics die away first (a closing filter).
class Bass {
public:
    Bass(double length, double midi, int rate, bool synth);
    double operator()(double tau);

private:
    double m_length;
    bool m_synth;
    Oscillator m_fundamental;
};

// A plucked string: harmonics that decay the faster the higher they are.
class Pluck {
public:
    Pluck(double length, double midi, int rate, double brightness);
    double operator()(double tau);

private:
    double m_length;
    double m_brightness;
    Oscillator m_fundamental;
};

double kick(double tau);
double tick(double tau, double length);  // a short bright tick

// Filtered-noise percussion with its own state: construct one per hit.
class NoiseHit {
public:
    NoiseHit(std::uint32_t seed, double decay, double tone) : m_noise(seed), m_decay(decay), m_tone(tone) {}
    double operator()(double tau);

private:
    Noise m_noise;
    double m_decay;
    double m_tone;  // 0 dark ... 1 bright
    double m_low = 0;
};

}  // namespace sablewick::musicgen

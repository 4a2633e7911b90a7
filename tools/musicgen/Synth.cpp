#include "Synth.h"

#include "rendering/InteractionSoundtrack.h"

#include <algorithm>
#include <array>

namespace sablewick::musicgen {

LoopBuffer::LoopBuffer(std::int64_t frames, int rate)
    : m_rate(rate), m_left(std::size_t(frames), 0.0f), m_right(std::size_t(frames), 0.0f)
{
}

namespace {

class Comb {
public:
    explicit Comb(int length) : m_buffer(std::size_t(length), 0.0f) {}
    float process(float input, float feedback, float damping)
    {
        const float output = m_buffer[m_index];
        m_filter = output * (1 - damping) + m_filter * damping;
        m_buffer[m_index] = input + m_filter * feedback;
        if (++m_index == m_buffer.size())
            m_index = 0;
        return output;
    }

private:
    std::vector<float> m_buffer;
    std::size_t m_index = 0;
    float m_filter = 0;
};

class Allpass {
public:
    explicit Allpass(int length) : m_buffer(std::size_t(length), 0.0f) {}
    float process(float input)
    {
        const float delayed = m_buffer[m_index];
        m_buffer[m_index] = input + delayed * 0.5f;
        if (++m_index == m_buffer.size())
            m_index = 0;
        return delayed - input;
    }

private:
    std::vector<float> m_buffer;
    std::size_t m_index = 0;
};

// One channel of a Schroeder-Moorer reverberator (eight damped combs into four allpasses).
class Room {
public:
    Room(int rate, int spread)
    {
        const double scale = rate / 44100.0;
        for (const int length : {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617})
            m_combs.emplace_back(int((length + spread) * scale));
        for (const int length : {556, 441, 341, 225})
            m_allpasses.emplace_back(int((length + spread) * scale));
    }
    float process(float input, float feedback, float damping)
    {
        float sum = 0;
        for (Comb& comb : m_combs)
            sum += comb.process(input, feedback, damping);
        for (Allpass& allpass : m_allpasses)
            sum = allpass.process(sum);
        return sum;
    }

private:
    std::vector<Comb> m_combs;
    std::vector<Allpass> m_allpasses;
};

}  // namespace

void LoopBuffer::addReverb(double wet, double roomSize, double damping)
{
    Room leftRoom(m_rate, 0);
    Room rightRoom(m_rate, 23);
    const auto feedback = float(0.7 + 0.28 * roomSize);
    const auto damp = float(damping);
    std::vector<float> wetLeft(m_left.size());
    std::vector<float> wetRight(m_right.size());
    // Only what lies above about 200 Hz goes into the room, so the bass stays clear and dry.
    const auto lowPass = float(1 - std::exp(-twoPi * 200 / m_rate));
    float low = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < m_left.size(); ++i) {
            const float mixed = m_left[i] + m_right[i];
            low += (mixed - low) * lowPass;
            const float input = (mixed - low) * 0.015f;
            wetLeft[i] = leftRoom.process(input, feedback, damp);
            wetRight[i] = rightRoom.process(input, feedback, damp);
        }
    }
    for (std::size_t i = 0; i < m_left.size(); ++i) {
        m_left[i] += float(wet) * wetLeft[i];
        m_right[i] += float(wet) * wetRight[i];
    }
}

void LoopBuffer::normalize(double peak)
{
    float loudest = 0;
    for (std::size_t i = 0; i < m_left.size(); ++i)
        loudest = std::max({loudest, std::abs(m_left[i]), std::abs(m_right[i])});
    if (loudest <= 0)
        return;
    const auto scale = float(peak / loudest);
    for (std::size_t i = 0; i < m_left.size(); ++i) {
        m_left[i] *= scale;
        m_right[i] *= scale;
    }
}

double sustainEnvelope(double tau, double length, double attack, double release)
{
    if (!(tau >= 0 && tau < length))
        return 0;
    const double in = std::min(tau / attack, 1.0);
    const double out = std::min((length - tau) / release, 1.0);
    return in * out;
}

Oscillator::Oscillator(double frequency, int rate)
    : m_stepSin(std::sin(twoPi * frequency / rate)), m_stepCos(std::cos(twoPi * frequency / rate))
{
}

namespace {

double frequencyOf(double midi)
{
    return InteractionSoundtrack::midiFrequency(midi);
}

// Sum over k = 1...count of amplitude(k) * sin(k x) * exp(-(base + step (k - 1)) tau), with the
// sines by the Chebyshev recurrence and the decays as powers of one exponential.
template <class Amplitude>
double decayingHarmonics(const Oscillator& fundamental, double tau, int count, double base,
                         double step, Amplitude&& amplitude)
{
    const double twoCos = 2 * fundamental.cosine();
    double previous = 0;
    double current = fundamental.sine();
    double decay = std::exp(-base * tau);
    const double ratio = std::exp(-step * tau);
    double sum = 0;
    for (int k = 1; k <= count; ++k) {
        sum += amplitude(k) * current * decay;
        const double next = twoCos * current - previous;
        previous = current;
        current = next;
        decay *= ratio;
    }
    return sum;
}

constexpr std::array<double, 9> pluckAmplitudes{0,      1,      0.4061, 0.2397, 0.1649,
                                                0.1234, 0.0974, 0.0797, 0.0670};  // k^-1.3

}  // namespace

double Chime::operator()(double tau) const
{
    return InteractionSoundtrack::musicalVoice(tau, length, frequency, decay);
}

Bell::Bell(double length, double midi)
    : body{length, frequencyOf(midi), 2.2},
      // The partial has died away long before the body: it needs half the length.
      partial{std::min(length, 0.8), frequencyOf(midi) * 3.5, 6.0}
{
}

double Bell::operator()(double tau) const
{
    return body(tau) + 0.22 * partial(tau);
}

ElectricPiano::ElectricPiano(double length, double midi, int rate)
    : m_length(length), m_carrier(frequencyOf(midi), rate)
{
}

double ElectricPiano::operator()(double tau)
{
    const double envelope = sustainEnvelope(tau, m_length, 0.003, 0.08);
    const double s = m_carrier.sine();
    const double c = m_carrier.cosine();
    m_carrier.advance();
    if (envelope <= 0)
        return 0;
    // sin(x + m sin x) with a modulation index that fades: the tine's bright attack.
    const double index = 1.1 * std::exp(-4.5 * tau);
    const double modulation = index * s;
    const double tine = s * std::cos(modulation) + c * std::sin(modulation);
    return envelope * std::exp(-1.6 * tau) * (tine + 0.15 * 2 * s * c);
}

Pad::Pad(double length, double midi, int rate) : m_length(length), m_swell(0.23, rate)
{
    for (const double semitones : {-0.08, 0.0, 0.07})
        m_voices.emplace_back(frequencyOf(midi + semitones), rate);
}

double Pad::operator()(double tau)
{
    const double envelope = sustainEnvelope(tau, m_length, 0.7, 0.9);
    double sum = 0;
    for (Oscillator& voice : m_voices) {
        const double s = voice.sine();
        const double c = voice.cosine();
        // sin 2x and sin 3x from sin x and cos x.
        sum += s + 0.3 * (2 * s * c) + 0.1 * s * (3 - 4 * s * s);
        voice.advance();
    }
    const double swell = 0.85 + 0.15 * m_swell.sine();
    m_swell.advance();
    return envelope * swell * sum / 3;
}

Bass::Bass(double length, double midi, int rate, bool synth)
    : m_length(length), m_synth(synth), m_fundamental(frequencyOf(midi), rate)
{
}

double Bass::operator()(double tau)
{
    const double envelope =
        sustainEnvelope(tau, m_length, m_synth ? 0.004 : 0.006, m_synth ? 0.03 : 0.04);
    double value;
    if (m_synth) {
        value = decayingHarmonics(m_fundamental, tau, 7, 2.0, 5.0, [](int k) { return 1.0 / k; });
    } else {
        const double s = m_fundamental.sine();
        const double c = m_fundamental.cosine();
        const double body = 0.7 + 0.3 * std::exp(-3 * tau);
        value = body * (s + 0.22 * (2 * s * c) + 0.06 * s * (3 - 4 * s * s));
    }
    m_fundamental.advance();
    return envelope * value;
}

Pluck::Pluck(double length, double midi, int rate, double brightness)
    : m_length(length), m_brightness(brightness), m_fundamental(frequencyOf(midi), rate)
{
}

double Pluck::operator()(double tau)
{
    const double envelope = sustainEnvelope(tau, m_length, 0.002, 0.03);
    const double value =
        decayingHarmonics(m_fundamental, tau, 8, 2.5, 9.0 - 6.0 * m_brightness,
                          [](int k) { return pluckAmplitudes[std::size_t(k)]; });
    m_fundamental.advance();
    return envelope * value;
}

double kick(double tau)
{
    if (!(tau >= 0 && tau < 0.45))
        return 0;
    // The pitch falls from 150 Hz to 50 Hz; the phase is the integral of that sweep. A short body
    // keeps the kick from droning under the bass line.
    const double phase = twoPi * (50 * tau + 100 * (1 - std::exp(-30 * tau)) / 30);
    const double envelope = std::min(tau / 0.002, 1.0) * std::exp(-11 * tau) *
                            std::min((0.45 - tau) / 0.05, 1.0);
    return envelope * std::sin(phase);
}

double tick(double tau, double length)
{
    return InteractionSoundtrack::tactileVoice(tau, length, 5200);
}

double NoiseHit::operator()(double tau)
{
    const double raw = m_noise.next();
    // One-pole low-pass; the bright part is what it leaves out.
    const double coefficient = 0.35 + 0.5 * (1 - m_tone);
    m_low += (raw - m_low) * (1 - coefficient);
    const double bright = raw - m_low;
    const double mixed = m_tone * bright + (1 - m_tone) * m_low;
    return mixed * std::min(tau / 0.003, 1.0) * std::exp(-m_decay * tau);
}

}  // namespace sablewick::musicgen

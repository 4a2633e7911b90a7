#include "Composer.h"

#include "rendering/InteractionSoundtrack.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace sablewick::musicgen {

namespace {

constexpr std::array<int, 7> majorScale{0, 2, 4, 5, 7, 9, 11};

// The key signature of each track (pitch class of its major scale's tonic); every bar root is a
// degree of it, so the chords built on the roots are diatonic.
int tonicOf(MusicChoice track)
{
    switch (track) {
    case MusicChoice::motion: return 7;  // G major: Em C G D
    case MusicChoice::drift: return 5;   // F major: Dm Bb F C
    default: return 0;                   // C major (A minor): the other four
    }
}

struct Slot {
    double beat;    // within the bar
    double length;  // beats
};

class Song {
public:
    Song(MusicChoice track, int rate)
        : m_key(musicKey(track)),
          m_cycles(cyclesOf(track)),
          m_tonic(tonicOf(track)),
          m_out(framesOf(track, rate), rate)
    {
    }

    LoopBuffer& out() { return m_out; }
    int bars() const { return m_cycles * 4; }
    int cycles() const { return m_cycles; }
    double beat() const { return 60.0 / m_key.tempo; }
    double time(int bar, double beats) const { return (bar * 4 + beats) * beat(); }
    int root(int bar) const { return m_key.roots[std::size_t(bar % 4)]; }

    bool inScale(int note) const
    {
        const int pc = ((note - m_tonic) % 12 + 12) % 12;
        return std::find(majorScale.begin(), majorScale.end(), pc) != majorScale.end();
    }

    // Root, third, fifth and seventh of the diatonic chord on the bar's root.
    std::array<int, 4> chord(int bar) const
    {
        const int r = root(bar);
        return {r, r + (inScale(r + 4) ? 4 : 3), r + (inScale(r + 7) ? 7 : 6),
                r + (inScale(r + 11) ? 11 : 10)};
    }

    // The chord tone nearest to `near` in any octave.
    int nearestChordTone(int bar, int near) const
    {
        int best = near;
        int bestDistance = 100;
        for (int octave = -3; octave <= 3; ++octave) {
            for (int i = 0; i < 3; ++i) {
                const int candidate = chord(bar)[std::size_t(i)] + 12 * octave;
                if (std::abs(candidate - near) < bestDistance) {
                    best = candidate;
                    bestDistance = std::abs(candidate - near);
                }
            }
        }
        return best;
    }

    // `steps` scale steps up (or down) from a note of the scale.
    int scaleStep(int note, int steps) const
    {
        int result = note;
        const int direction = steps > 0 ? 1 : -1;
        for (int moved = 0; moved != steps; moved += direction) {
            do
                result += direction;
            while (!inScale(result));
        }
        return result;
    }

    // A phrase of four bars: chord tones on the beats, scale steps between them, within a range.
    struct Note {
        int bar;
        double beat;
        double length;
        int midi;
    };
    std::vector<Note> phrase(const std::array<std::vector<Slot>, 4>& rhythm, int low, int high,
                             std::uint32_t seed) const
    {
        Noise noise(seed);
        std::vector<Note> notes;
        int previous = nearestChordTone(0, (low + high) / 2);
        for (int bar = 0; bar < 4; ++bar) {
            for (const Slot& slot : rhythm[std::size_t(bar)]) {
                int pitch;
                if (std::abs(slot.beat - std::round(slot.beat)) < 1e-9) {
                    pitch = nearestChordTone(bar, previous + noise.below(7) - 3);
                } else {
                    pitch = scaleStep(previous, noise.below(2) ? 1 : -1);
                }
                while (pitch > high)
                    pitch = nearestChordTone(bar, pitch - 5);
                while (pitch < low)
                    pitch = nearestChordTone(bar, pitch + 5);
                notes.push_back({bar, slot.beat, slot.length, pitch});
                previous = pitch;
            }
        }
        // End the phrase at rest on a chord tone of the last bar.
        if (!notes.empty())
            notes.back().midi = nearestChordTone(3, notes.back().midi);
        return notes;
    }

    // Plays a phrase in cycle `cycle` with the instrument that make(length, midi) gives.
    template <class Make>
    void play(const std::vector<Note>& notes, int cycle, double gain, double pan, Make&& make)
    {
        for (const Note& note : notes) {
            const double length = note.length * beat() + 0.6;
            auto voice = make(length, note.midi);
            m_out.add(time(cycle * 4 + note.bar, note.beat), length, gain, pan, voice);
        }
    }

    void bassNote(int bar, double beats, double lengthBeats, int midi, double gain,
                  bool synth = false)
    {
        const double length = lengthBeats * beat();
        m_out.add(time(bar, beats), length, gain, 0, Bass(length, midi, rate(), synth));
    }

    int rate() const { return m_out.rate(); }

    void padChord(int bar, int octaveShift, double gain, double beatsLong = 4.6)
    {
        const double length = beatsLong * beat();
        const auto tones = chord(bar);
        const std::array<double, 4> pans{-0.5, 0.3, -0.2, 0.5};
        for (std::size_t i = 0; i < tones.size(); ++i) {
            const int midi = tones[i] + 12 * octaveShift;
            m_out.add(time(bar, 0), length, gain, pans[i], Pad(length, midi, rate()));
        }
    }

    void kickAt(int bar, double beats, double gain)
    {
        m_out.add(time(bar, beats), 0.45, gain, 0, kick);
    }

    void noiseAt(int bar, double beats, double gain, double pan, double decay, double tone,
                 double seconds)
    {
        NoiseHit hit(std::uint32_t(bar * 131 + int(beats * 17) + 7), decay, tone);
        m_out.add(time(bar, beats), seconds, gain, pan, [&](double tau) { return hit(tau); });
    }

    void tickAt(int bar, double beats, double gain, double pan)
    {
        m_out.add(time(bar, beats), 0.05, gain, pan, [](double tau) { return tick(tau, 0.05); });
    }

private:
    MusicKey m_key;
    int m_cycles;
    int m_tonic;
    LoopBuffer m_out;
};

std::array<std::vector<Slot>, 4> sameRhythm(const std::vector<Slot>& a, const std::vector<Slot>& b)
{
    return {a, b, a, std::vector<Slot>{{0, 3}}};
}

// Glass: airy bell arpeggios over a soft pad, no drums.
void composeGlass(Song& song)
{
    const auto theme = song.phrase(sameRhythm({{0, 1.5}, {1.5, 0.5}, {2, 2}},
                                              {{0, 1}, {1, 1}, {2, 1.5}, {3.5, 0.5}}),
                                   69, 81, 11);
    const auto answer = song.phrase(sameRhythm({{0.5, 1}, {1.5, 0.5}, {2, 1}, {3, 1}},
                                               {{0, 2}, {2, 1}, {3, 1}}),
                                    69, 81, 12);
    for (int bar = 0; bar < song.bars(); ++bar) {
        const int cycle = bar / 4;
        const auto tones = song.chord(bar);
        song.padChord(bar, 0, 0.045);
        song.bassNote(bar, 0, 2.5, song.root(bar) - 12, 0.30);
        song.bassNote(bar, 2.5, 1.4, song.root(bar) - 12, 0.22);
        const std::array<int, 5> arp{tones[0] + 12, tones[1] + 12, tones[2] + 12, tones[0] + 24,
                                     tones[3] + 12};
        const std::array<int, 8> order{0, 2, 4, 3, 1, 2, 3, 2};
        for (int i = 0; i < 8; ++i) {
            const int midi = arp[std::size_t(order[std::size_t(i)])];
            song.out().add(song.time(bar, i * 0.5), 1.6, 0.075, i % 2 ? 0.45 : -0.45,
                           Bell(1.6, midi));
        }
        if (cycle > 0) {
            for (int sixteenth = 0; sixteenth < 16; ++sixteenth)
                song.noiseAt(bar, sixteenth * 0.25, sixteenth % 2 ? 0.035 : 0.018, 0.3, 45, 0.9,
                             0.12);
        }
    }
    for (int cycle = 1; cycle < song.cycles(); ++cycle)
        song.play(cycle % 2 ? theme : answer, cycle, 0.16, -0.1,
                  [](double length, int midi) { return Bell(length, midi); });
}

// Daylight: bright strummed plucks, claps on the backbeat, a bouncing bass.
void composeDaylight(Song& song)
{
    const auto theme = song.phrase(sameRhythm({{0, 0.5}, {0.5, 0.5}, {1, 1}, {2.5, 0.5}, {3, 1}},
                                              {{0, 1.5}, {1.5, 1}, {3, 0.5}, {3.5, 0.5}}),
                                   67, 79, 21);
    for (int bar = 0; bar < song.bars(); ++bar) {
        const int cycle = bar / 4;
        const auto tones = song.chord(bar);
        const int low = song.root(bar) - 12;
        for (const auto& [beat, length, octave] :
             std::vector<std::tuple<double, double, int>>{{0, 1.2, 0}, {1.5, 0.4, 0}, {2, 1.2, 0},
                                                         {3, 0.4, 12}, {3.5, 0.4, 0}})
            song.bassNote(bar, beat, length, low + octave, 0.28);
        const std::array<int, 4> strings{tones[0], tones[2], tones[0] + 12, tones[1] + 12};
        for (const double beat : {0.0, 0.75, 1.5, 2.5, 3.0, 3.5}) {
            for (std::size_t s = 0; s < strings.size(); ++s) {
                const int midi = strings[s];
                song.out().add(song.time(bar, beat) + 0.011 * double(s), 0.9, 0.055,
                               -0.3 + 0.2 * double(s), Pluck(0.9, midi, song.rate(), 0.75));
            }
        }
        if (cycle > 0 || bar % 4 >= 2) {
            song.kickAt(bar, 0, 0.45);
            song.kickAt(bar, 2, 0.45);
            song.noiseAt(bar, 1, 0.16, 0.1, 22, 0.6, 0.25);
            song.noiseAt(bar, 3, 0.16, 0.1, 22, 0.6, 0.25);
        }
        for (int eighth = 0; eighth < 8; ++eighth)
            song.tickAt(bar, eighth * 0.5, eighth % 2 ? 0.05 : 0.03, 0.35);
    }
    for (int cycle = 1; cycle < song.cycles(); ++cycle)
        song.play(theme, cycle, 0.17, 0.15, [&](double length, int midi) {
            return ElectricPiano(length, midi, song.rate());
        });
}

// Soft motion: a four-on-the-floor pulse with pumping pads and running plucks.
void composeMotion(Song& song)
{
    const auto theme = song.phrase(sameRhythm({{0, 1}, {1, 0.5}, {1.5, 1.5}, {3, 1}},
                                              {{0.5, 0.5}, {1, 1}, {2, 1}, {3, 1}}),
                                   71, 83, 31);
    const double beat = song.beat();
    for (int bar = 0; bar < song.bars(); ++bar) {
        const int cycle = bar / 4;
        const auto tones = song.chord(bar);
        // The pad ducks on every beat, as if pushed by the kick.
        const double length = 4.2 * beat;
        for (std::size_t i = 0; i < 3; ++i) {
            const int midi = tones[i] + 12;
            song.out().add(song.time(bar, 0), length, 0.05, i == 0 ? -0.4 : (i == 1 ? 0.4 : 0),
                           [voice = Pad(length, midi, song.rate()), beat](double tau) mutable {
                               const double phase = std::fmod(tau, beat) / beat;
                               return voice(tau) * (0.45 + 0.55 * std::min(phase / 0.45, 1.0));
                           });
        }
        for (int eighth = 0; eighth < 8; ++eighth)
            song.bassNote(bar, eighth * 0.5, 0.45, song.root(bar) - 12 + (eighth % 4 == 3 ? 12 : 0),
                          0.30, true);
        const std::array<int, 4> arp{tones[0] + 12, tones[1] + 12, tones[2] + 12, tones[0] + 24};
        if (cycle > 0) {
            for (int sixteenth = 0; sixteenth < 16; ++sixteenth) {
                const int midi = arp[std::size_t((sixteenth * 3) % 4)];
                song.out().add(song.time(bar, sixteenth * 0.25), 0.5, 0.045,
                               sixteenth % 2 ? 0.5 : -0.5, Pluck(0.5, midi, song.rate(), 0.45));
            }
        }
        for (int b = 0; b < 4; ++b) {
            song.kickAt(bar, b, 0.4);
            song.tickAt(bar, b + 0.5, 0.06, 0.3);
        }
        if (cycle > 0) {
            song.noiseAt(bar, 1, 0.11, -0.1, 20, 0.5, 0.3);
            song.noiseAt(bar, 3, 0.11, -0.1, 20, 0.5, 0.3);
        }
    }
    for (int cycle = 2; cycle < song.cycles(); ++cycle)
        song.play(theme, cycle, 0.14, 0.1,
                  [](double length, int midi) { return Bell(length, midi); });
}

// Slow drift: long pads, a deep bass and a few unhurried piano notes.
void composeDrift(Song& song)
{
    const auto theme = song.phrase(sameRhythm({{0, 1.5}, {1.5, 2.5}}, {{0.5, 1.5}, {2, 2}}),
                                   62, 74, 41);
    const auto answer = song.phrase(sameRhythm({{1, 1}, {2, 2}}, {{0, 3}, {3, 1}}), 62, 74, 42);
    Noise sparkle(43);
    for (int bar = 0; bar < song.bars(); ++bar) {
        const auto tones = song.chord(bar);
        song.padChord(bar, 0, 0.05, 5.0);
        song.padChord(bar, 1, 0.022, 5.0);
        song.bassNote(bar, 0, 4.0, song.root(bar) - 12, 0.32);
        for (int eighth = 0; eighth < 8; ++eighth) {
            if (sparkle.below(5) != 0)
                continue;
            const int midi = tones[std::size_t(sparkle.below(3))] + 24;
            song.out().add(song.time(bar, eighth * 0.5), 2.5, 0.05, sparkle.next() * 0.7,
                           Chime{2.5, InteractionSoundtrack::midiFrequency(midi), 1.8});
        }
    }
    for (int cycle = 0; cycle < song.cycles(); ++cycle)
        song.play(cycle % 2 ? answer : theme, cycle, 0.2, 0, [&](double length, int midi) {
            return ElectricPiano(length, midi, song.rate());
        });
}

// Bloom: warm electric-piano chords, brushed drums and a bell melody.
void composeBloom(Song& song)
{
    const auto theme = song.phrase(sameRhythm({{0, 1}, {1, 0.5}, {1.5, 1}, {2.5, 1.5}},
                                              {{0, 0.5}, {0.5, 1}, {2, 1}, {3, 1}}),
                                   72, 84, 51);
    for (int bar = 0; bar < song.bars(); ++bar) {
        const int cycle = bar / 4;
        const auto tones = song.chord(bar);
        for (const auto& [beat, length] :
             std::vector<std::pair<double, double>>{{0, 1.5}, {1.5, 1}, {2.5, 1.5}}) {
            for (std::size_t i = 0; i < tones.size(); ++i) {
                const int midi = tones[i] + (i == 0 ? 12 : 0);
                const double seconds = length * song.beat() + 0.3;
                song.out().add(song.time(bar, beat), seconds, 0.06, -0.3 + 0.2 * double(i),
                               ElectricPiano(seconds, midi, song.rate()));
            }
        }
        const int low = song.root(bar) - 12;
        song.bassNote(bar, 0, 1.8, low, 0.3);
        song.bassNote(bar, 2, 1.4, low, 0.26);
        song.bassNote(bar, 3.5, 0.5, song.scaleStep(low, song.root(bar + 1) > song.root(bar) ? 1 : -1),
                      0.22);
        song.kickAt(bar, 0, 0.32);
        song.kickAt(bar, 2.5, 0.25);
        song.noiseAt(bar, 1, 0.07, 0.2, 11, 0.35, 0.4);
        song.noiseAt(bar, 3, 0.07, 0.2, 11, 0.35, 0.4);
        for (int eighth = 0; eighth < 8; ++eighth)
            song.noiseAt(bar, eighth * 0.5, eighth % 2 ? 0.03 : 0.018, -0.35, 40, 0.85, 0.12);
        (void)cycle;
    }
    for (int cycle = 1; cycle < song.cycles(); ++cycle)
        song.play(theme, cycle, 0.12, 0.2,
                  [](double length, int midi) { return Bell(length, midi); });
}

// Night pulse: a driving eighth-note synth bass under a dark pad and glinting arpeggios.
void composePulse(Song& song)
{
    const auto theme = song.phrase(sameRhythm({{0, 0.75}, {0.75, 0.75}, {1.5, 1}, {3, 1}},
                                              {{0, 2}, {2, 0.5}, {2.5, 0.5}, {3, 1}}),
                                   69, 81, 61);
    for (int bar = 0; bar < song.bars(); ++bar) {
        const int cycle = bar / 4;
        const auto tones = song.chord(bar);
        song.padChord(bar, 1, 0.04);
        for (int eighth = 0; eighth < 8; ++eighth)
            song.bassNote(bar, eighth * 0.5, 0.42, song.root(bar) + (eighth == 7 ? 12 : 0),
                          eighth % 2 ? 0.26 : 0.34, true);
        song.kickAt(bar, 0, 0.4);
        song.kickAt(bar, 2.5, 0.34);
        if (bar % 2)
            song.kickAt(bar, 2.75, 0.24);
        song.noiseAt(bar, 1, 0.15, 0, 18, 0.55, 0.3);
        song.noiseAt(bar, 3, 0.15, 0, 18, 0.55, 0.3);
        for (int sixteenth = 0; sixteenth < 16; ++sixteenth)
            song.tickAt(bar, sixteenth * 0.25, sixteenth % 4 == 2 ? 0.05 : 0.025, 0.4);
        if (cycle > 0) {
            const std::array<int, 6> arp{tones[0] + 24, tones[2] + 12, tones[1] + 24,
                                         tones[2] + 24, tones[0] + 24, tones[1] + 12};
            for (int sixteenth = 0; sixteenth < 16; ++sixteenth) {
                const int midi = arp[std::size_t(sixteenth % 6)];
                song.out().add(song.time(bar, sixteenth * 0.25), 0.35, 0.035,
                               sixteenth % 2 ? 0.6 : -0.6, Pluck(0.35, midi, song.rate(), 0.9));
            }
        }
    }
    for (int cycle = 2; cycle < song.cycles(); ++cycle)
        song.play(theme, cycle, 0.12, -0.15,
                  [](double length, int midi) { return Bell(length, midi); });
}

}  // namespace

int cyclesOf(MusicChoice track)
{
    switch (track) {
    case MusicChoice::motion: return 5;  // 8 s cycles
    case MusicChoice::drift: return 3;   // 12.6 s cycles
    default: return 4;
    }
}

std::int64_t framesOf(MusicChoice track, int rate)
{
    const double seconds = cyclesOf(track) * 16 * 60.0 / musicKey(track).tempo;
    return std::llround(seconds * rate);
}

LoopBuffer compose(MusicChoice track, int rate)
{
    Song song(track, rate);
    double wet = 0.25;
    switch (track) {
    case MusicChoice::glass: composeGlass(song); wet = 0.4; break;
    case MusicChoice::daylight: composeDaylight(song); wet = 0.2; break;
    case MusicChoice::motion: composeMotion(song); wet = 0.22; break;
    case MusicChoice::drift: composeDrift(song); wet = 0.55; break;
    case MusicChoice::bloom: composeBloom(song); wet = 0.3; break;
    case MusicChoice::pulse: composePulse(song); wet = 0.25; break;
    case MusicChoice::none:
    case MusicChoice::custom: break;
    }
    song.out().addReverb(wet, 0.8, 0.3);
    song.out().normalize(0.89);
    return std::move(song.out());
}

}  // namespace sablewick::musicgen

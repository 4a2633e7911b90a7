#pragma once

#include "document/EditSettings.h"
#include "document/FocusPoint.h"
#include "document/MusicChoice.h"

#include <QString>

#include <array>
#include <span>
#include <stdexcept>
#include <vector>

namespace sablewick {

class ExportJob;

// The failures of a soundtrack render, with their user-facing messages. A cancel is reported as
// ExporterFailure(ExporterError::cancelled), like every render that polls an ExportJob.
enum class SoundtrackError { invalidDuration, cannotWrite };

QString errorDescription(SoundtrackError error);

class SoundtrackFailure : public std::runtime_error {
public:
    explicit SoundtrackFailure(SoundtrackError error);
    SoundtrackError error() const { return m_error; }

private:
    SoundtrackError m_error;
};

// The tempo and the four bar roots (MIDI note numbers) that a music choice's tracks are written
// over; none and custom share a default row. The library tracks are generated from these, so
// musical cues land on the root of the bar that is playing.
struct MusicKey {
    double tempo = 96;  // beats per minute, four beats to the bar
    std::array<int, 4> roots{48, 53, 57, 55};
};

MusicKey musicKey(MusicChoice music);
// The root note of the bar that contains `time` (seconds from the start of the music; negative
// times count as 0).
int accentNote(MusicChoice music, double time);

// Short synthesised sounds at the recorded clicks and typing bursts, rendered offline into a
// 16-bit stereo WAV file in the temporary folder.
namespace InteractionSoundtrack {

inline constexpr int sampleRate = 32000;

// What a render depends on: equal keys give equal files, so the editor renders again only when
// the key changes.
struct Key {
    double start = 0;  // trim start: time 0 of the soundtrack
    double end = 0;    // trim end
    InteractionSoundStyle style = InteractionSoundStyle::musical;
    bool clicks = true;
    bool typing = true;
    MusicChoice music = MusicChoice::none;
    std::vector<FocusPoint> events;  // the events that sound, in time order

    Key() = default;
    // Keeps the events with a finite time in start <= time < end that are clicks (while click
    // sounds are on) or typing (while typing sounds are on), stably sorted by time.
    Key(const EditSettings& settings, std::span<const FocusPoint> events);

    bool operator==(const Key&) const = default;
};

// Synthesises the key's cues into a new file "Sablewick-interactions-<uuid>.wav" in the temporary
// folder and returns its path; the caller owns the file. Polls the job before every 0.128 s of
// audio. Throws SoundtrackFailure, ExporterFailure(cancelled) or std::system_error for a failed
// write; once writing has begun, no partial file survives a failure.
// Runs on the caller's thread; call it off the main thread.
QString render(const Key& key, const ExportJob& job);

// The voices of the cues, also the instruments' core of the generated music tracks.
// tau: seconds since the note began; length: the note's length in seconds; frequencies in Hz.
// Each is shaped by a 2 ms attack and a 15 ms release and is silent outside 0 <= tau < length.
// A musical cue is a decaying sine with a touch of its octave; a tactile one a body tone with a
// noisy tick.
double midiFrequency(double midi);  // 440 Hz at MIDI note 69, equal temperament
double musicalVoice(double tau, double length, double frequency, double decay);
double tactileVoice(double tau, double length, double bodyFrequency);

}  // namespace InteractionSoundtrack
}  // namespace sablewick

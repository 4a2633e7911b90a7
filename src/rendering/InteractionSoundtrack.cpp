#include "rendering/InteractionSoundtrack.h"

#include "platform/StandardFolders.h"
#include "rendering/ExportJob.h"
#include "rendering/NumberRules.h"

#include <QDir>
#include <QFile>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace sablewick {

QString errorDescription(SoundtrackError error)
{
    switch (error) {
    case SoundtrackError::invalidDuration:
        return QStringLiteral(
            "This selection is too long for an interaction soundtrack. Shorten the trim range.");
    case SoundtrackError::cannotWrite:
        return QStringLiteral("Could not create the local interaction soundtrack.");
    }
    return {};
}

SoundtrackFailure::SoundtrackFailure(SoundtrackError error)
    : std::runtime_error(errorDescription(error).toStdString()), m_error(error)
{
}

MusicKey musicKey(MusicChoice music)
{
    switch (music) {
    case MusicChoice::glass: return {96, {57, 53, 48, 55}};
    case MusicChoice::daylight: return {110, {48, 57, 53, 55}};
    case MusicChoice::motion: return {120, {52, 48, 55, 50}};
    case MusicChoice::drift: return {76, {50, 46, 53, 48}};
    case MusicChoice::bloom: return {88, {48, 53, 57, 55}};
    case MusicChoice::pulse: return {104, {45, 41, 48, 43}};
    case MusicChoice::none:
    case MusicChoice::custom: break;
    }
    return {};
}

int accentNote(MusicChoice music, double time)
{
    const MusicKey key = musicKey(music);
    const double bars = std::trunc(NumberRules::maxIgnoringNaN(time, 0) * key.tempo / 60 * 0.25);
    // Far beyond any soundtrack's length the bar count no longer fits an integer; the pattern
    // repeats every four bars, so reduce it as a floating-point number first.
    const auto bar = static_cast<std::size_t>(std::fmod(std::isfinite(bars) ? bars : 0, 4.0));
    return key.roots[bar];
}

namespace InteractionSoundtrack {

namespace {

constexpr double attackLength = 0.002;
constexpr double releaseLength = 0.015;
constexpr double fadeOutLength = 0.02;
constexpr int chunkFrames = 4096;
constexpr double peakLevel = 30000;
// frames * 4 + 36 must fit the 32-bit RIFF size.
constexpr double longestDuration = 33554.4316484375;

// Closer clicks than this are dropped, and typing bursts closer than that.
constexpr double clickSpacing = 0.09;
constexpr double typingSpacing = 0.24;

struct Cue {
    double time;    // seconds from the key's start
    double length;  // seconds
    double midi;
    double gain;
    bool typing;
    double frequency = 0;  // of midi, worked out once per cue rather than per sample
};

double envelope(double tau, double length)
{
    const double attack = std::min(tau / attackLength, 1.0);
    const double release = std::min((length - tau) / releaseLength, 1.0);
    return release * attack;
}

std::vector<Cue> makeCues(const Key& key)
{
    std::vector<Cue> cues;
    double lastClick = -std::numeric_limits<double>::infinity();
    double lastTyping = -std::numeric_limits<double>::infinity();
    for (const FocusPoint& event : key.events) {
        const double d = event.time - key.start;
        const int root = accentNote(key.music, std::max(d, 0.0));
        if (event.kind == FocusKind::click) {
            if (d - lastClick >= clickSpacing) {
                cues.push_back({d, 0.22, double(root + 24), 0.32, false});
                lastClick = d;
            }
        } else if (event.kind == FocusKind::typing) {
            if (d - lastTyping >= typingSpacing) {
                // A quick major arpeggio on the bar's root.
                static constexpr std::array triad{0, 4, 7};
                for (std::size_t j = 0; j < triad.size(); ++j)
                    cues.push_back({d + 0.065 * double(j), 0.065, double(root + 24 + triad[j]),
                                    0.11, true});
                lastTyping = d;
            }
        }
    }
    std::stable_sort(cues.begin(), cues.end(),
                     [](const Cue& a, const Cue& b) { return a.time < b.time; });
    for (Cue& cue : cues)
        cue.frequency = midiFrequency(cue.midi);
    return cues;
}

double cueSample(const Cue& cue, InteractionSoundStyle style, double tau)
{
    if (style == InteractionSoundStyle::musical)
        return musicalVoice(tau, cue.length, cue.frequency, cue.typing ? 65 : 22);
    return tactileVoice(tau, cue.length, cue.typing ? 540 : 190);
}

void putLE16(char* out, std::int16_t value)
{
    const auto bits = static_cast<std::uint16_t>(value);
    out[0] = char(bits & 0xFF);
    out[1] = char(bits >> 8);
}

void putLE32(char* out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[i] = char((value >> (8 * i)) & 0xFF);
}

std::array<char, 44> waveHeader(std::uint32_t frames)
{
    std::array<char, 44> header{};
    const std::uint32_t dataSize = frames * 4;
    std::copy_n("RIFF", 4, header.data());
    putLE32(header.data() + 4, 36 + dataSize);
    std::copy_n("WAVE", 4, header.data() + 8);
    std::copy_n("fmt ", 4, header.data() + 12);
    putLE32(header.data() + 16, 16);
    putLE16(header.data() + 20, 1);  // integer PCM
    putLE16(header.data() + 22, 2);  // stereo
    putLE32(header.data() + 24, sampleRate);
    putLE32(header.data() + 28, sampleRate * 4);
    putLE16(header.data() + 32, 4);
    putLE16(header.data() + 34, 16);
    std::copy_n("data", 4, header.data() + 36);
    putLE32(header.data() + 40, dataSize);
    return header;
}

// Writes all bytes, resuming after interruptions and short writes.
void writeAll(int fd, const char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw std::system_error(errno, std::generic_category(),
                                    "Could not write the interaction soundtrack");
        }
        bytes += written;
        size -= std::size_t(written);
    }
}

std::int16_t toSample(double level)
{
    // tanh is the soft clipper: peaks never pass +-30000.
    return static_cast<std::int16_t>(std::round(level * peakLevel));
}

void renderInto(int fd, const Key& key, const ExportJob& job, double duration,
                std::int64_t frames)
{
    const std::vector<Cue> cues = makeCues(key);
    const auto header = waveHeader(static_cast<std::uint32_t>(frames));
    writeAll(fd, header.data(), header.size());

    std::vector<double> left(chunkFrames);
    std::vector<double> right(chunkFrames);
    std::vector<char> bytes(std::size_t(chunkFrames) * 4);
    std::size_t firstCue = 0;
    for (std::int64_t chunkStart = 0; chunkStart < frames; chunkStart += chunkFrames) {
        job.throwIfCancelled();
        const auto n = std::min<std::int64_t>(chunkFrames, frames - chunkStart);
        std::fill_n(left.begin(), n, 0.0);
        std::fill_n(right.begin(), n, 0.0);
        const double chunkTime = double(chunkStart) / sampleRate;
        const double chunkEnd = double(chunkStart + n) / sampleRate;

        while (firstCue < cues.size() &&
               chunkTime >= cues[firstCue].time + cues[firstCue].length)
            ++firstCue;
        for (std::size_t c = firstCue; c < cues.size() && cues[c].time < chunkEnd; ++c) {
            const Cue& cue = cues[c];
            const auto from = std::max<std::int64_t>(
                std::int64_t(std::ceil((cue.time - chunkTime) * sampleRate)), 0);
            const auto to = std::min<std::int64_t>(
                std::int64_t(std::ceil((cue.time + cue.length - chunkTime) * sampleRate)), n);
            for (std::int64_t k = from; k < to; ++k) {
                const double tau = double(chunkStart + k) / sampleRate - cue.time;
                if (!(tau >= 0 && tau < cue.length))
                    continue;
                const double h = cue.gain * cueSample(cue, key.style, tau);
                left[std::size_t(k)] += 0.96 * h;
                right[std::size_t(k)] += h;
            }
        }

        for (std::int64_t k = 0; k < n; ++k) {
            const double remaining = duration - double(chunkStart + k) / sampleRate;
            const double fade = std::clamp(remaining / fadeOutLength, 0.0, 1.0);
            putLE16(&bytes[std::size_t(k) * 4], toSample(fade * std::tanh(left[std::size_t(k)])));
            putLE16(&bytes[std::size_t(k) * 4 + 2],
                    toSample(fade * std::tanh(right[std::size_t(k)])));
        }
        writeAll(fd, bytes.data(), std::size_t(n) * 4);
    }
    job.throwIfCancelled();
}

}  // namespace

Key::Key(const EditSettings& settings, std::span<const FocusPoint> allEvents)
    : start(settings.trimStart),
      end(settings.trimEnd),
      style(settings.effectiveInteractionSoundStyle()),
      clicks(settings.effectiveClickSounds()),
      typing(settings.effectiveTypingSounds()),
      music(settings.effectiveMusicChoice())
{
    for (const FocusPoint& event : allEvents) {
        if (!std::isfinite(event.time) || !(start <= event.time && event.time < end))
            continue;
        const bool sounds = (event.kind == FocusKind::click && clicks) ||
                            (event.kind == FocusKind::typing && typing);
        if (sounds)
            events.push_back(event);
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const FocusPoint& a, const FocusPoint& b) { return a.time < b.time; });
}

double midiFrequency(double midi)
{
    return 440 * std::pow(2.0, (midi - 69) / 12);
}

double musicalVoice(double tau, double length, double frequency, double decay)
{
    if (!(tau >= 0 && tau < length))
        return 0;
    const double omega = 2 * std::numbers::pi * frequency;
    return std::exp(-decay * tau) * envelope(tau, length) *
           (std::sin(omega * tau) + 0.18 * std::sin(2 * omega * tau));
}

double tactileVoice(double tau, double length, double bodyFrequency)
{
    if (!(tau >= 0 && tau < length))
        return 0;
    // The last two factors are a cheap noise: two fast sines at unrelated rates.
    return std::exp(-85 * tau) * envelope(tau, length) *
           (0.7 * std::sin(2 * std::numbers::pi * bodyFrequency * tau) +
            0.3 * std::sin(91391 * tau) * std::sin(73331 * tau));
}

QString render(const Key& key, const ExportJob& job)
{
    const double duration = key.end - key.start;
    if (!(duration > 0 && duration < longestDuration))
        throw SoundtrackFailure(SoundtrackError::invalidDuration);
    const auto frames = static_cast<std::int64_t>(std::ceil(duration * sampleRate));

    const QString path = QDir(StandardFolders::temporary())
                             .filePath(QStringLiteral("Sablewick-interactions-") +
                                       QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() +
                                       QStringLiteral(".wav"));
    const QByteArray nativePath = QFile::encodeName(path);
    // A fresh name, created here and only here: never follows or reuses someone else's file.
    const int fd = ::open(nativePath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        throw SoundtrackFailure(SoundtrackError::cannotWrite);
    try {
        renderInto(fd, key, job, duration, frames);
    } catch (...) {
        ::close(fd);
        ::unlink(nativePath.constData());
        throw;
    }
    // A failed close can be the first report of a failed write (a full disk, a network folder):
    // a file that may be incomplete is not handed out.
    if (::close(fd) != 0 && errno != EINTR) {
        const int error = errno;
        ::unlink(nativePath.constData());
        throw std::system_error(error, std::generic_category(),
                                "Could not write the interaction soundtrack");
    }
    return path;
}

}  // namespace InteractionSoundtrack
}  // namespace sablewick

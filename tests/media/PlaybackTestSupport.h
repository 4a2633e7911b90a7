#pragma once
// Clips and fakes shared by the playback engine's tests.

#include "media/AudioStream.h"
#include "media/MovieWriter.h"
#include "media/PlaybackClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QString>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <vector>

namespace sablewick::test {

// Frame i of a test clip is a flat grey whose level tells i back after a lossy round trip.
inline int greyForFrame(int index) { return 20 + index * 5; }

inline int frameIndexOf(const QImage& image)
{
    const QRgb centre = image.pixel(image.width() / 2, image.height() / 2);
    return static_cast<int>(std::lround((qGreen(centre) - 20) / 5.0));
}

// Interleaved stereo sine at `rate`.
inline AudioBuffer tone(double seconds, double frequency = 440, float amplitude = 0.5f, int rate = 48000)
{
    AudioBuffer buffer;
    buffer.format = AudioFormat{rate, 2};
    const auto frames = static_cast<std::int64_t>(std::llround(seconds * rate));
    buffer.samples.resize(static_cast<std::size_t>(frames * 2));
    for (std::int64_t i = 0; i < frames; ++i) {
        const float v = amplitude * static_cast<float>(std::sin(2 * std::numbers::pi * frequency * static_cast<double>(i) / rate));
        buffer.samples[static_cast<std::size_t>(2 * i)] = v;
        buffer.samples[static_cast<std::size_t>(2 * i + 1)] = v;
    }
    return buffer;
}

// A small H.264 movie: `frames` frames at `fps`, keyframes every half second, and when
// `withTone`, a 440 Hz tone as long as the picture.
inline void writeTestClip(const QString& path, int frames = 45, int fps = 30, bool withTone = true, int width = 160,
                          int height = 90)
{
    MovieWriterSettings settings;
    settings.width = width;
    settings.height = height;
    settings.frameRate = MediaTime(fps, 1);
    settings.keyframeInterval = std::max(fps / 2, 1);
    settings.preset = "ultrafast";
    std::unique_ptr<AudioStream> audio;
    if (withTone)
        audio = std::make_unique<AudioBufferStream>(tone(static_cast<double>(frames) / fps));
    MovieWriter writer(path.toStdString(), settings, std::move(audio));
    QImage image(width, height, QImage::Format_RGB32);
    for (int i = 0; i < frames; ++i) {
        const int grey = greyForFrame(i);
        image.fill(qRgb(grey, grey, grey));
        writer.writeFrame(image);
    }
    writer.finish();
}

// A movie of fine detail sliding at an odd pace, with B-frames (x264's medium preset): every
// frame leaves a residue, so its deblocking and its references matter to the frames after it,
// and a picture decoded from a wrongly filtered or skipped reference differs from the straight
// decode. Keyframes every `keyframeInterval` frames.
inline void writeDetailedClip(const QString& path, int frames, int fps, int keyframeInterval, int width = 192,
                              int height = 108)
{
    MovieWriterSettings settings;
    settings.width = width;
    settings.height = height;
    settings.frameRate = MediaTime(fps, 1);
    settings.keyframeInterval = keyframeInterval;
    settings.preset = "medium";
    MovieWriter writer(path.toStdString(), settings);
    QImage image(width, height, QImage::Format_RGB32);
    for (int i = 0; i < frames; ++i) {
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const unsigned u = static_cast<unsigned>(x + 3 * i), v = static_cast<unsigned>(y + i);
                const int grain = static_cast<int>(((u * 73856093u) ^ (v * 19349663u)) >> 13) % 40;
                line[x] = qRgb(static_cast<int>(u * 5 + grain) & 255, static_cast<int>(v * 3 + grain) & 255,
                               static_cast<int>(u + v) * 2 & 255);
            }
        }
        writer.writeFrame(image);
    }
    writer.finish();
}

// Runs the event loop until `done` holds or ten seconds pass; returns `done()`.
inline bool processEventsUntil(const std::function<bool()>& done, int timeoutMs = 10000)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Records a player's signals (QtTest is not part of the build).
struct PlayerSignals {
    template <typename Player>
    explicit PlayerSignals(Player* player)
    {
        QObject::connect(player, &Player::frameChanged, &context, [this] { ++frames; });
        QObject::connect(player, &Player::timeChanged, &context, [this](double t) { times.push_back(t); });
        QObject::connect(player, &Player::reachedEnd, &context, [this] { ++ends; });
    }
    QObject context;  // ends the connections with this object
    int frames = 0;
    std::vector<double> times;
    int ends = 0;
};

class FakeClock : public PlaybackClock {
public:
    double now() const override { return m_now; }
    void advance(double seconds) { m_now += seconds; }

private:
    double m_now = 1000;
};

// Fires only when the test says so.
class FakeTimer : public PlaybackTimer {
public:
    void start(double seconds, std::function<void()> fire) override
    {
        m_delay = seconds;
        m_fire = std::move(fire);
    }
    void stop() override { m_fire = nullptr; }
    bool armed() const { return m_fire != nullptr; }
    double delay() const { return m_delay; }
    void fire()
    {
        auto fire = std::exchange(m_fire, nullptr);
        if (fire)
            fire();
    }

private:
    std::function<void()> m_fire;
    double m_delay = 0;
};

}  // namespace sablewick::test

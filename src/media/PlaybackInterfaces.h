#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace sablewick {

// A movie read and its decoders opened by a player's preparer, on its way to openPrepared().
class PreparedMovie {
public:
    explicit PreparedMovie(QString path) : path(std::move(path)) {}
    virtual ~PreparedMovie() = default;
    const QString path;
};

// The slow half of opening a movie (reading the file, opening its decoders); any thread may call
// it. Null with *error set to a readable reason when the movie cannot be played.
using MoviePreparer = std::function<std::unique_ptr<PreparedMovie>(const QString& path, QString* error)>;

// What the editor needs of a movie player. The real one decodes on its own thread and plays the
// movie's sound through the audio server; tests may substitute a fake. Main thread only.
class VideoPlayer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~VideoPlayer() override = default;

    // Opens a local movie file; on failure returns false and sets *error to a readable reason.
    virtual bool open(const QString& path, QString* error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Opening in two halves, so that the slow one stays off the main thread: the preparer may
    // run on a worker, even after the player has gone, and openPrepared() takes its result on
    // the main thread (false with *error set when it still cannot). By default nothing is done
    // ahead and openPrepared() opens the file itself.
    virtual MoviePreparer preparer() const
    {
        return [](const QString& path, QString*) { return std::make_unique<PreparedMovie>(path); };
    }
    virtual bool openPrepared(std::unique_ptr<PreparedMovie> movie, QString* error)
    {
        return open(movie->path, error);
    }

    virtual double duration() const = 0;     // seconds; 0 when nothing is open
    virtual QSize frameSize() const = 0;     // the movie's display size

    // Asks for pictures scaled to `size` (upright pixels) from now on, for this and later movies,
    // so that a view smaller than the movie does not pay for pixels it cannot show; frameSize()
    // stays the movie's own size. An empty size, or one larger than the movie, asks for the
    // movie's own size. A player may ignore it (then every picture has the movie's size).
    virtual void requestFrameSize(QSize size) { Q_UNUSED(size); }

    virtual void play() = 0;
    virtual void pause() = 0;
    virtual bool isPlaying() const = 0;
    // Frame-exact: afterwards currentFrame() is the frame shown at that time.
    virtual void seek(double seconds) = 0;
    virtual double currentTime() const = 0;  // seconds of the movie
    virtual void setVolume(float volume) = 0;  // 0...1

    // The latest decoded frame while playing; the exact frame at the playhead once a seek has
    // finished. Null before the first frame arrives.
    virtual QImage currentFrame() const = 0;

signals:
    void frameChanged();            // currentFrame() has a new frame
    void timeChanged(double seconds);  // every 0.1 s while playing
    // Playback ran to the end of the movie and paused there. The player has already reported
    // timeChanged(duration()) just before, while still counting as playing; reachedEnd is not
    // emitted when a handler of that report started playing again (a loop).
    void reachedEnd();
};

// A file-based audio player (music preview, audition, interaction sounds). Main thread only.
class AudioPlayer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~AudioPlayer() override = default;

    virtual double length() const = 0;     // seconds
    virtual void setLooping(bool loop) = 0;  // true: loops without end
    virtual void setPosition(double seconds) = 0;
    virtual double position() const = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;                // pauses and rewinds to the start
    virtual bool isPlaying() const = 0;
    virtual void setVolume(float volume) = 0;  // 0...1
    virtual float volume() const = 0;
};

// A sound file read into memory, ready to become a player. Decoding a long track takes seconds,
// so it is made on a worker and only the cheap last step happens on the main thread.
struct DecodedAudio {
    QString path;
    // Interleaved, in the format the factory's players play. Of a file longer than what was
    // asked for, only its start.
    std::vector<float> samples;
    // Seconds of the whole file, at least what `samples` hold: a player loops at its true end.
    double length = 0;
};

// Makes players; the editor holds one so that tests can hand it fakes.
class PlaybackFactory {
public:
    virtual ~PlaybackFactory() = default;
    virtual std::unique_ptr<VideoPlayer> makeVideoPlayer() = 0;
    // Decodes a sound file as far as `reach` seconds from its start (infinity: all of it); the
    // player made from it is silent beyond that. Safe on any thread, and slow for a long file,
    // so it belongs on a worker; `cancelled` (may be empty) is polled while it runs. Null with
    // *error set when the file cannot be played, or with *error empty when it was cancelled.
    virtual std::shared_ptr<DecodedAudio> decodeAudio(const QString& path, double reach,
                                                      const std::function<bool()>& cancelled, QString* error) = 0;
    // Main thread; cheap. Takes the decoded sound over.
    virtual std::unique_ptr<AudioPlayer> makeAudioPlayer(DecodedAudio&& audio) = 0;
};

}  // namespace sablewick

#pragma once

#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <memory>

namespace sablewick {

// What the editor learns of a movie before it opens it.
struct MovieMetadata {
    double duration = 0;      // seconds
    int videoTracks = 0;
    int audioTracks = 0;
    QSizeF displaySize;       // the first video track's size after its rotation
};

// Reads frames for the thumbnail strip; one reader serves one strip. Used on one worker thread.
class ThumbnailReader {
public:
    virtual ~ThumbnailReader() = default;
    // The frame shown at `seconds`, upright and scaled down to fit `maxSize` with its aspect
    // kept; a null image when it cannot be decoded.
    virtual QImage frameAt(double seconds, QSize maxSize) = 0;
};

// The editor's view of movie files. Its functions may be called from any thread.
class MovieInspector {
public:
    virtual ~MovieInspector() = default;
    // False with *error set to a readable reason when the file cannot be read as a movie.
    virtual bool inspect(const QString& path, MovieMetadata* metadata, QString* error) = 0;
    // Null when the movie cannot be opened for frames.
    virtual std::unique_ptr<ThumbnailReader> openThumbnails(const QString& path) = 0;
};

}  // namespace sablewick

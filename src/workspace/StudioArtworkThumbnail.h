#pragma once

#include "document/BackgroundArtwork.h"
#include "document/BackgroundPreset.h"

#include <QCache>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QUrl>
#include <QWidget>

namespace sablewick {

// The decoded previews of the background pictures, shared by every thumbnail of the process.
// Each file is decoded once, off the main thread, scaled down to what a tile can show, and kept
// while it stays among the 32 most recent entries. A file that does not decode is not remembered:
// the next request tries it again.
//
// Main thread only; decoding runs on the editor's workers and ends before the application does.
class ArtworkThumbnails final : public QObject {
    Q_OBJECT

public:
    static constexpr int capacity = 32;
    // Pictures are decoded to cover this many pixels (a wide tile at two pixels a point).
    static constexpr QSize decodedSize{240, 112};

    static ArtworkThumbnails& shared();

    // The picture when it is ready; otherwise a null image, and a decode starts unless one of
    // this file is already running.
    QImage image(const QUrl& file);
    // The picture when it is ready, else a null image; starts nothing.
    QImage cached(const QUrl& file) const;
    int decodesStarted() const { return m_started; }

    // One picture read and scaled to cover `decodedSize`; null when it cannot be. Any thread.
    static QImage decode(const QString& path);

signals:
    // A decode of this file ended (`image` then has it, unless it failed).
    void finished(const QUrl& file);

private:
    ArtworkThumbnails() = default;

    QCache<QUrl, QImage> m_images{capacity};
    QSet<QUrl> m_running;
    int m_started = 0;
};

// The preview of one background picture of the application's resources, scaled to fill the view
// with its proportions kept; the "photo" symbol while it has none (not decoded yet, or missing).
class StudioArtworkThumbnail final : public QWidget {
    Q_OBJECT

public:
    explicit StudioArtworkThumbnail(BackgroundArtwork artwork, QWidget* parent = nullptr);

    BackgroundArtwork artwork() const { return m_artwork; }
    // The picture shown now; null while the symbol is.
    QImage image() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    BackgroundArtwork m_artwork;
};

// The preview of a gradient preset for its tile: its pre-rendered picture from the shared cache,
// as the canvas would show it; where the resources lack the picture, the gradient the canvas
// paints without one (rendered off the main thread like any canvas background).
class GradientThumbnail final : public QWidget {
    Q_OBJECT

public:
    explicit GradientThumbnail(const BackgroundPreset& preset, QWidget* parent = nullptr);

    const BackgroundPreset& preset() const { return m_preset; }
    // The cached picture shown now; null while none is (not decoded yet, or painted instead).
    QImage image() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    BackgroundPreset m_preset;
    QWidget* m_painted = nullptr;  // made only when the picture is missing
};

}  // namespace sablewick

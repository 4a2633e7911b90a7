#pragma once

#include "document/EditSettings.h"

#include <QImage>
#include <QWidget>

#include <memory>

class QPainter;

namespace sablewick {

// What a rendered background depends on; any other field of the settings (card, corners, shadow,
// padding, crop) leaves the picture on screen as it is.
struct BackgroundPreviewKey {
    BackgroundPreset background;
    BackgroundKind kind = BackgroundKind::gradient;
    quint32 color = 0;
    std::optional<QUrl> image;
    std::optional<BackgroundArtwork> artwork;
    double blur = 0;
    int width = 1;
    int height = 1;
    bool transparent = false;

    static BackgroundPreviewKey of(const EditSettings& settings, QSize pixels, bool transparent);
    bool operator==(const BackgroundPreviewKey&) const = default;
};

// The light checkerboard of 10-point squares that stands for transparency, the top-left square lighter.
void paintTransparencyGrid(QPainter& painter, QSizeF size);

// The background an edit describes, drawn by the export's own background code off the main
// thread, at most 960 pixels on its longer side and 2 pixels a point. It renders again only when
// its key changes; a rendering whose key was superseded never reaches the screen, and until the
// new one is done the last one stays, stretched to the view.
//
// Main thread only.
class CanvasBackground final : public QWidget {
    Q_OBJECT
public:
    explicit CanvasBackground(const EditSettings& settings, bool transparent = false, QWidget* parent = nullptr);

    void setSettings(const EditSettings& settings);
    // The pixel size rendered for a view of this many points.
    static QSize renderSize(QSizeF points);

    const QImage& preview() const { return m_preview; }
    // How many renderings were started (each key renders once).
    int renderingsStarted() const { return m_started; }

signals:
    void previewChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void render();

    EditSettings m_settings;
    bool m_transparent;
    std::shared_ptr<const BackgroundPreviewKey> m_key;  // the newest key asked for
    QImage m_preview;
    int m_started = 0;
};

}  // namespace sablewick

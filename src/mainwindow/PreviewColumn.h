#pragma once

#include <QWidget>

namespace sablewick {

class ContentState;
class EditorDocument;
class StatusBanner;
class StudioLabel;

// The middle of the workspace: the caption with the movie's name and size, the canvas fitted to
// the room with the preview inside it, the zoom-placement overlay while a zoom waits for its
// subject, and the status banner.
class PreviewColumn final : public QWidget {
    Q_OBJECT
public:
    PreviewColumn(EditorDocument& document, ContentState& state, QWidget* previewCanvas, QWidget* parent = nullptr);

    StatusBanner* statusBanner() const { return m_banner; }
    // Where the preview sits, in this column's coordinates.
    QRect canvasGeometry() const;
    QWidget* placementOverlay() const;

    void refresh();

private:
    class CanvasArea;
    class PlacementOverlay;

    EditorDocument& m_document;
    ContentState& m_state;
    StudioLabel* m_movieName;
    StudioLabel* m_sizeCaption;
    CanvasArea* m_area;
    PlacementOverlay* m_overlay;
    StatusBanner* m_banner;
};

}  // namespace sablewick

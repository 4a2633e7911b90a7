#pragma once

#include "screenshoteditor/ImageCanvasGesture.h"

#include <QWidget>

namespace sablewick {

class ScreenshotModel;

// The image editor's canvas: the model's rendered preview fitted into the widget (over a
// checkerboard while the picture has no background), the outlines of the selection and of the
// crop being dragged, and the mouse turned into the canvas gesture.
//
// While the user drags, every move brings a new preview, so painting one must cost little: the
// model is asked for previews of the canvas's own pixel size, which are copied to the screen as
// they are. Only a preview of another size (the window has just been resized, or the canvas is
// larger than any preview) is resampled, once per preview and size, and the checkerboard is drawn
// once per size.
class ImageCanvasView : public QWidget {
    Q_OBJECT

public:
    // Kept free around the canvas on every side, in points.
    static constexpr double margin = 30;

    explicit ImageCanvasView(ScreenshotModel& model, QWidget* parent = nullptr);

    ImageCanvasGesture& gesture() { return m_gesture; }
    // Where the canvas lies in the widget: the preview's shape, as large as the margins allow.
    QRectF canvasRect() const;

signals:
    // A text drag ended; the anchor is in the gesture.
    void textRequested();
    // A press, a release or Escape may have changed the tool or the selection.
    void gestureChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointF local(QPointF widgetPoint) const { return widgetPoint - canvasRect().topLeft(); }
    // The canvas in whole device pixels: where and how large the pictures are drawn.
    QRect canvasPixels() const;
    void boundPreview();
    // The preview at `pixels`: the model's own when it is that size (to a pixel), else a kept
    // resampled copy.
    const QImage& pictureAt(QSize pixels);
    const QImage& gridAt(QSize pixels);

    ScreenshotModel& m_model;
    ImageCanvasGesture m_gesture;
    std::optional<QPointF> m_press;  // canvas point of the press while the button is down
    QImage m_scaled;
    qint64 m_scaledFrom = 0;  // cache key of the preview m_scaled was made from
    QImage m_grid;
};

}  // namespace sablewick

#pragma once

#include "screenshoteditor/ImageCanvasGesture.h"

#include <QWidget>

namespace sablewick {

class ScreenshotModel;

// The image editor's canvas: the model's rendered preview fitted into the widget, the outlines of
// the selection and of the crop being dragged, and the mouse turned into the canvas gesture.
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
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointF local(QPointF widgetPoint) const { return widgetPoint - canvasRect().topLeft(); }

    ScreenshotModel& m_model;
    ImageCanvasGesture m_gesture;
    std::optional<QPointF> m_press;  // canvas point of the press while the button is down
};

}  // namespace sablewick

#include "screenshoteditor/ImageCanvasView.h"

#include "screenshoteditor/ImageCanvasGeometry.h"
#include "screenshots/ScreenshotModel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace sablewick {

ImageCanvasView::ImageCanvasView(ScreenshotModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_gesture(model)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Screenshot preview. Choose an annotation tool, then drag on the image."));
    const auto repaint = [this] { update(); };
    connect(&m_model, &ScreenshotModel::previewChanged, this, repaint);
    connect(&m_model, &ScreenshotModel::annotationsChanged, this, repaint);
}

QRectF ImageCanvasView::canvasRect() const
{
    const QSizeF shape = QSizeF(ScreenshotModel::previewSize(m_model.sourceSize(), m_model.settings()));
    const QSizeF room(std::max(1.0, width() - 2 * margin), std::max(1.0, height() - 2 * margin));
    const QSizeF fitted = shape.isEmpty() ? room : shape.scaled(room, Qt::KeepAspectRatio);
    return {(width() - fitted.width()) / 2, (height() - fitted.height()) / 2, fitted.width(), fitted.height()};
}

void ImageCanvasView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF canvas = canvasRect();
    if (!m_model.preview().isNull())
        painter.drawImage(canvas, m_model.preview());
    painter.translate(canvas.topLeft());
    const auto toCanvas = [&](const QRectF& source) {
        return ImageCanvasGeometry::previewRect(source, m_model.sourceSize(), canvas.size(), m_model.settings());
    };
    if (const auto& id = m_gesture.selected()) {
        const auto& marks = m_model.annotations();
        const auto it = std::find_if(marks.begin(), marks.end(), [&](const auto& a) { return a.id == *id; });
        if (it != marks.end()) {
            QPen pen(palette().color(QPalette::Highlight), 1.5);
            pen.setDashPattern({4, 3});
            painter.setPen(pen);
            painter.drawRect(ImageCanvasGeometry::outlineRect(toCanvas(it->bounds())));
        }
    }
    if (const auto& crop = m_gesture.cropSelection()) {
        QPen pen(Qt::white, 2);
        pen.setDashPattern({5, 3});
        painter.setPen(pen);
        painter.drawRect(toCanvas(*crop));
    }
}

void ImageCanvasView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_press = local(event->position());
    m_gesture.draw(*m_press, *m_press, canvasRect().size());
    update();
    emit gestureChanged();
}

void ImageCanvasView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_press)
        return;
    m_gesture.draw(*m_press, local(event->position()), canvasRect().size());
    update();
}

void ImageCanvasView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_press)
        return;
    const QPointF press = *m_press;
    m_press.reset();
    const auto outcome = m_gesture.finish(press, local(event->position()), canvasRect().size());
    update();
    emit gestureChanged();
    if (outcome == ImageCanvasGesture::Outcome::textRequested)
        emit textRequested();
}

void ImageCanvasView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape)
        return QWidget::keyPressEvent(event);
    m_gesture.cancel();
    update();
    emit gestureChanged();
}

}  // namespace sablewick

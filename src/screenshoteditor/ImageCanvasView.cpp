#include "screenshoteditor/ImageCanvasView.h"

#include "components/StudioPaint.h"
#include "screenshoteditor/ImageCanvasGeometry.h"
#include "screenshots/ScreenshotModel.h"
#include "screenshots/ScreenshotRenderer.h"
#include "workspace/CanvasBackground.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

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
    const QSizeF shape = QSizeF(ScreenshotRenderer::outputSize(m_model.sourceSize(), m_model.settings(), 1));
    const QSizeF room(std::max(1.0, width() - 2 * margin), std::max(1.0, height() - 2 * margin));
    const QSizeF fitted = shape.isEmpty() ? room : shape.scaled(room, Qt::KeepAspectRatio);
    return {(width() - fitted.width()) / 2, (height() - fitted.height()) / 2, fitted.width(), fitted.height()};
}

QRect ImageCanvasView::canvasPixels() const
{
    const QRectF canvas = canvasRect();
    const double ratio = devicePixelRatioF();
    const auto pixels = [ratio](double points) { return int(std::lround(points * ratio)); };
    return {pixels(canvas.x()), pixels(canvas.y()), std::max(pixels(canvas.width()), 1),
            std::max(pixels(canvas.height()), 1)};
}

void ImageCanvasView::boundPreview()
{
    // A hidden widget's size is not yet the one it will be shown at.
    if (isVisible())
        m_model.setPreviewBounds(canvasPixels().size());
}

const QImage& ImageCanvasView::pictureAt(QSize pixels)
{
    const QImage& preview = m_model.preview();
    const QSize off = preview.size() - pixels;
    if (std::abs(off.width()) <= 1 && std::abs(off.height()) <= 1) {
        m_scaled = QImage();
        return preview;
    }
    if (m_scaledFrom != preview.cacheKey() || m_scaled.size() != pixels) {
        m_scaled = preview.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_scaledFrom = preview.cacheKey();
    }
    return m_scaled;
}

const QImage& ImageCanvasView::gridAt(QSize pixels)
{
    const double ratio = devicePixelRatioF();
    if (m_grid.size() != pixels || m_grid.devicePixelRatio() != ratio) {
        m_grid = QImage(pixels, QImage::Format_RGB32);
        m_grid.setDevicePixelRatio(ratio);
        QPainter painter(&m_grid);
        paintTransparencyGrid(painter, QSizeF(pixels) / ratio);
    }
    return m_grid;
}

void ImageCanvasView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    boundPreview();
}

void ImageCanvasView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    boundPreview();
}

void ImageCanvasView::paintEvent(QPaintEvent*)
{
    // Also here: the device pixel ratio changes with the screen the window is on.
    boundPreview();
    QPainter painter(this);
    const double ratio = devicePixelRatioF();
    const QRect pixels = canvasPixels();
    // A picture of the canvas's pixel size lands on whole pixels and is copied, not resampled.
    const QRectF target(QPointF(pixels.topLeft()) / ratio, QSizeF(pixels.size()) / ratio);
    if (m_model.settings().backgroundKind == BackgroundKind::hidden)
        painter.drawImage(target, gridAt(pixels.size()));
    else
        m_grid = QImage();
    if (!m_model.preview().isNull())
        painter.drawImage(target, pictureAt(pixels.size()));

    const QRectF canvas = canvasRect();
    painter.translate(canvas.topLeft());
    const auto toCanvas = [&](const QRectF& source) {
        return ImageCanvasGeometry::previewRect(source, m_model.sourceSize(), canvas.size(), m_model.settings());
    };
    if (const auto& id = m_gesture.selected()) {
        const auto& marks = m_model.annotations();
        const auto it = std::find_if(marks.begin(), marks.end(), [&](const auto& a) { return a.id == *id; });
        if (it != marks.end())
            paintDashedOutline(painter, ImageCanvasGeometry::outlineRect(toCanvas(it->bounds())),
                               {palette().color(QPalette::Highlight), 1.5, {4, 3}});
    }
    if (const auto& crop = m_gesture.cropSelection())
        paintDashedOutline(painter, toCanvas(*crop), {Qt::white, 2, {5, 3}, 2});
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

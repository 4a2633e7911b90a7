#include "workspace/CanvasBackground.h"

#include "rendering/Background.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <cmath>

namespace sablewick {

BackgroundPreviewKey BackgroundPreviewKey::of(const EditSettings& settings, QSize pixels, bool transparent)
{
    return {settings.background,         settings.backgroundKind, settings.solidColor,
            settings.backgroundImageURL, settings.backgroundArtwork, settings.backgroundBlur,
            pixels.width(),              pixels.height(),          transparent};
}

void paintTransparencyGrid(QPainter& painter, QSizeF size)
{
    painter.fillRect(QRectF(QPointF(0, 0), size), QColor::fromRgbF(0.83f, 0.83f, 0.83f));
    const int rows = int(size.height() / 10);
    const int columns = int(size.width() / 10);
    const QColor light = QColor::fromRgbF(0.95f, 0.95f, 0.95f);
    painter.save();
    painter.setClipRect(QRectF(QPointF(0, 0), size));
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= columns; ++c)
            if ((r + c) % 2 == 0)
                painter.fillRect(QRectF(c * 10, r * 10, 10, 10), light);
    painter.restore();
}

CanvasBackground::CanvasBackground(const EditSettings& settings, bool transparent, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_transparent(transparent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    render();
}

QSize CanvasBackground::renderSize(QSizeF points)
{
    const double w = std::isfinite(points.width()) ? points.width() : 0;
    const double h = std::isfinite(points.height()) ? points.height() : 0;
    const double longer = std::max(w, h);
    const double scale = longer >= 1 ? std::min(960 / longer, 2.0) : 2.0;
    return {std::max(int(scale * w), 1), std::max(int(scale * h), 1)};
}

void CanvasBackground::setSettings(const EditSettings& settings)
{
    m_settings = settings;
    render();
    update();
}

void CanvasBackground::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    render();
}

void CanvasBackground::render()
{
    auto key = std::make_shared<const BackgroundPreviewKey>(
        BackgroundPreviewKey::of(m_settings, renderSize(QSizeF(size())), m_transparent));
    if (m_key && *m_key == *key)
        return;
    m_key = key;
    ++m_started;
    const EditSettings settings = m_settings;
    QPointer<CanvasBackground> self(this);
    QThreadPool::globalInstance()->start([self, key, settings] {
        const QImage picture = Compositor::loadBackgroundPicture(settings);
        QImage image = Compositor::makeBackground(QSize(key->width, key->height), settings, picture, key->transparent);
        QCoreApplication* application = QCoreApplication::instance();
        if (!application)
            return;
        QMetaObject::invokeMethod(
            application,
            [self, key, image = std::move(image)]() mutable {
                // Superseded renderings are dropped whatever order they finish in; a failed one
                // leaves the last picture.
                if (!self || self->m_key != key || image.isNull())
                    return;
                self->m_preview = std::move(image);
                self->update();
                emit self->previewChanged();
            },
            Qt::QueuedConnection);
    });
}

void CanvasBackground::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_transparent && m_settings.backgroundKind == BackgroundKind::hidden)
        paintTransparencyGrid(p, size());
    if (!m_preview.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(rect(), m_preview);
    }
}

}  // namespace sablewick

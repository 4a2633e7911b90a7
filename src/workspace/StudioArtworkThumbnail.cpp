#include "workspace/StudioArtworkThumbnail.h"

#include "components/StudioIcons.h"
#include "components/StudioLabel.h"
#include "editor/EditorWorkers.h"
#include "platform/RegularFile.h"
#include "workspace/CanvasBackground.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QPointer>

namespace sablewick {

namespace {

// Reads and scales one picture; a null image when it cannot. The background pictures are ours,
// but the folder beside the program is the user's to change: read regular files only, bounded.
QImage decodeCovering(const QString& path, QSize cover)
{
    QByteArray data;
    try {
        data = readRegularFile(path, 64 * 1024 * 1024);
    } catch (const RegularFileError&) {
        return {};
    }
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.isValid() && full.width() > cover.width() && full.height() > cover.height())
        reader.setScaledSize(full.scaled(cover, Qt::KeepAspectRatioByExpanding));
    return reader.read();
}

// The picture filling the view with its proportions kept; the tile clips what overflows.
void paintCovering(QPainter& painter, const QImage& picture, QSize view)
{
    if (picture.isNull())
        return;
    const QSizeF fill = QSizeF(picture.size()).scaled(QSizeF(view), Qt::KeepAspectRatioByExpanding);
    const QRectF target(QPointF((view.width() - fill.width()) / 2, (view.height() - fill.height()) / 2), fill);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture);
}

}  // namespace

ArtworkThumbnails& ArtworkThumbnails::shared()
{
    static ArtworkThumbnails* instance = new ArtworkThumbnails;  // lives with the process
    return *instance;
}

QImage ArtworkThumbnails::image(const QUrl& file)
{
    if (const QImage* hit = m_images.object(file))
        return *hit;
    if (m_running.contains(file))
        return {};
    m_running.insert(file);
    ++m_started;
    const QPointer<ArtworkThumbnails> self(this);
    editorWorkers().start([self, file] {
        QImage decoded = decode(file.toLocalFile());
        postToMain(self, [file, decoded = std::move(decoded)](ArtworkThumbnails* cache) mutable {
            if (!cache)
                return;
            cache->m_running.remove(file);
            if (!decoded.isNull())
                cache->m_images.insert(file, new QImage(std::move(decoded)));
            emit cache->finished(file);
        });
    });
    return {};
}

QImage ArtworkThumbnails::decode(const QString& path)
{
    return decodeCovering(path, decodedSize);
}

QImage ArtworkThumbnails::cached(const QUrl& file) const
{
    const QImage* hit = m_images.object(file);
    return hit ? *hit : QImage();
}

StudioArtworkThumbnail::StudioArtworkThumbnail(BackgroundArtwork artwork, QWidget* parent)
    : QWidget(parent), m_artwork(artwork)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(&ArtworkThumbnails::shared(), &ArtworkThumbnails::finished, this, [this](const QUrl& file) {
        if (Artwork::fileURL(m_artwork) == file)
            update();
    });
}

QImage StudioArtworkThumbnail::image() const
{
    const std::optional<QUrl> file = Artwork::fileURL(m_artwork);
    return file ? ArtworkThumbnails::shared().image(*file) : QImage();
}

void StudioArtworkThumbnail::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QImage picture = image();
    if (picture.isNull()) {
        const int side = 18;
        const QPixmap symbol = studioSymbolPixmap(QStringLiteral("photo"), side,
                                                  studioLabelColor(this, StudioLabelRole::secondary),
                                                  devicePixelRatioF());
        painter.drawPixmap(QRect(width() / 2 - side / 2, height() / 2 - side / 2, side, side), symbol);
        return;
    }
    paintCovering(painter, picture, size());
}

GradientThumbnail::GradientThumbnail(const BackgroundPreset& preset, QWidget* parent)
    : QWidget(parent), m_preset(preset)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(&ArtworkThumbnails::shared(), &ArtworkThumbnails::finished, this, [this](const QUrl& file) {
        if (m_preset.fileURL() == file)
            update();
    });
}

QImage GradientThumbnail::image() const
{
    const std::optional<QUrl> file = m_preset.fileURL();
    return file ? ArtworkThumbnails::shared().image(*file) : QImage();
}

void GradientThumbnail::resizeEvent(QResizeEvent*)
{
    if (m_painted)
        m_painted->setGeometry(rect());
}

void GradientThumbnail::paintEvent(QPaintEvent*)
{
    const std::optional<QUrl> file = m_preset.fileURL();
    if (!file) {
        if (!m_painted) {
            EditSettings look;
            look.background = m_preset;
            m_painted = new CanvasBackground(look, false, this);
            m_painted->setGeometry(rect());
            m_painted->show();
        }
        return;
    }
    if (m_painted)
        m_painted->hide();
    QPainter painter(this);
    paintCovering(painter, ArtworkThumbnails::shared().image(*file), size());
}

}  // namespace sablewick

#include "components/StudioIcons.h"

#include "components/StudioSymbols.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>

namespace sablewick {

namespace {

constexpr char fallbackTheme[] = "Adwaita";

void prepareThemes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QIcon::setFallbackThemeName(QString::fromLatin1(fallbackTheme));
    // Without a desktop platform theme Qt knows no theme at all; the installed fallback then serves.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QString::fromLatin1(fallbackTheme));
}

// The icon file itself, when the theme machinery cannot find it (an unusual search path).
QIcon adwaitaFile(const QString& name)
{
    const QDir scalable(QStringLiteral("/usr/share/icons/Adwaita/scalable"));
    for (const QString& context : scalable.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString path = scalable.filePath(context + QLatin1Char('/') + name + QStringLiteral(".svg"));
        if (QFile::exists(path))
            return QIcon(path);
    }
    return {};
}

struct Resolved {
    QIcon icon;
    bool symbolic = false;
};

// The kit's own symbols, drawn on the 16-unit grid of the symbolic icons they sit among: a ring
// whose outer edge follows theirs, and inside it, clear of the ring, a dot or the figure 1.
QImage drawSymbol(StudioSymbolDrawing drawing, int device, const QColor& color)
{
    QImage image(device, device, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(device / 16.0, device / 16.0);
    painter.setPen(QPen(color, 1.75));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    switch (drawing) {
    case StudioSymbolDrawing::recordCircle:
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(QPointF(8, 8), 3.25, 3.25);
        break;
    case StudioSymbolDrawing::numberCircle: {
        QPen stroke(color, 1.5);
        stroke.setCapStyle(Qt::FlatCap);
        stroke.setJoinStyle(Qt::MiterJoin);
        painter.setPen(stroke);
        QPainterPath figure;
        figure.moveTo(6.4, 5.9);
        figure.lineTo(8.4, 4.6);
        figure.lineTo(8.4, 11.4);
        painter.drawPath(figure);
        painter.drawLine(QPointF(6.3, 11.4), QPointF(10.3, 11.4));
        break;
    }
    case StudioSymbolDrawing::none:
        break;
    }
    return image;
}

Resolved resolve(const QString& symbol)
{
    prepareThemes();
    const auto names = freedesktopIconNames(symbol.toStdString());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const QString qname = QString::fromLatin1(names[i].data(), static_cast<qsizetype>(names[i].size()));
        QIcon icon = QIcon::fromTheme(qname);
        if (icon.isNull() && i + 1 == names.size())
            icon = adwaitaFile(qname);
        if (!icon.isNull())
            return {icon, qname.endsWith(QLatin1String("-symbolic"))};
    }
    return {};
}

} // namespace

QPixmap studioSymbolPixmap(const QString& symbol, int pixelSize, const QColor& color,
                           qreal devicePixelRatio)
{
    static QHash<QString, QPixmap> cache;
    const QString key = symbol + QLatin1Char('|') + QString::number(pixelSize) + QLatin1Char('|')
                        + QString::number(color.rgba(), 16) + QLatin1Char('|')
                        + QString::number(devicePixelRatio);
    if (const auto found = cache.constFind(key); found != cache.constEnd())
        return *found;

    const StudioSymbolDrawing drawing = studioSymbolDrawing(symbol.toStdString());
    const Resolved resolved = drawing == StudioSymbolDrawing::none ? resolve(symbol) : Resolved{};
    QPixmap pixmap;
    if (drawing != StudioSymbolDrawing::none) {
        pixmap = QPixmap::fromImage(drawSymbol(drawing, qRound(pixelSize * devicePixelRatio), color));
        pixmap.setDevicePixelRatio(devicePixelRatio);
    } else if (!resolved.icon.isNull()) {
        const int device = qRound(pixelSize * devicePixelRatio);
        QImage image = resolved.icon.pixmap(QSize(device, device), 1.0).toImage().convertToFormat(
            QImage::Format_ARGB32_Premultiplied);
        if (image.size() != QSize(device, device))
            image = image.scaled(device, device, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (resolved.symbolic) {
            QPainter painter(&image);
            painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
            painter.fillRect(image.rect(), color);
        }
        pixmap = QPixmap::fromImage(image);
        pixmap.setDevicePixelRatio(devicePixelRatio);
    }
    cache.insert(key, pixmap);
    return pixmap;
}

} // namespace sablewick

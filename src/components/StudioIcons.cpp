#include "components/StudioIcons.h"

#include "components/StudioSymbols.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QIcon>
#include <QPainter>

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

    const Resolved resolved = resolve(symbol);
    QPixmap pixmap;
    if (!resolved.icon.isNull()) {
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

#include "mainwindow/DropRoute.h"

#include <QMimeDatabase>

namespace sablewick {

DropRoute classifyDrop(const QList<QUrl>& urls, bool isExporting, const RecorderState& recorder,
                       const std::function<bool(const QUrl&)>& isImage)
{
    if (urls.isEmpty() || isExporting || recorder.isBusy())
        return DropRoute::refused;
    const QUrl& url = urls.first();
    if (url.fileName().endsWith(QStringLiteral(".sableimage.json"), Qt::CaseSensitive))
        return DropRoute::image;
    if (isImage(url))
        return DropRoute::image;
    if (url.fileName().section(QLatin1Char('.'), -1).compare(QStringLiteral("json"), Qt::CaseInsensitive) == 0 &&
        url.fileName().contains(QLatin1Char('.')))
        return DropRoute::project;
    return DropRoute::movie;
}

bool isImageFile(const QUrl& url)
{
    if (!url.isLocalFile())
        return false;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(url.toLocalFile(), QMimeDatabase::MatchExtension);
    return type.isValid() && type.name().startsWith(QStringLiteral("image/"));
}

}  // namespace sablewick

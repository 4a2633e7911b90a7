#include "document/ResourceLookup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace sablewick::ResourceLookup {
namespace {

std::optional<QStringList>& overriddenRoots()
{
    static std::optional<QStringList> roots;
    return roots;
}

QString subfolder(Folder folder)
{
    return folder == Folder::music ? QStringLiteral("Music") : QStringLiteral("Backgrounds");
}

QString extension(Folder folder)
{
    return folder == Folder::music ? QStringLiteral("m4a") : QStringLiteral("jpg");
}

}  // namespace

QStringList applicationRoots()
{
    QStringList result;
    const auto add = [&result](const QString& path) {
        if (path.isEmpty())
            return;
        const QString clean = QDir::cleanPath(path);
        if (!result.contains(clean))
            result.append(clean);
    };
    if (QCoreApplication::instance())
        add(QCoreApplication::applicationDirPath() + QStringLiteral("/Assets"));
#ifdef SABLEWICK_BUILD_ASSETS_DIR
    add(QStringLiteral(SABLEWICK_BUILD_ASSETS_DIR));
#endif
#ifdef SABLEWICK_INSTALLED_ASSETS_DIR
    add(QStringLiteral(SABLEWICK_INSTALLED_ASSETS_DIR));
#endif
    return result;
}

QStringList roots()
{
    if (overriddenRoots())
        return *overriddenRoots();
    QStringList result = applicationRoots();
    result.append(QDir::currentPath() + QStringLiteral("/Assets"));
    return result;
}

std::optional<QUrl> find(Folder folder, const QString& name, const QStringList& roots)
{
    // A name is one file name: never let it climb out of the resource folders.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String("..")
        || name == QLatin1String("."))
        return std::nullopt;
    const QString relative = subfolder(folder) + QLatin1Char('/') + name + QLatin1Char('.') + extension(folder);
    for (const QString& root : roots) {
        const QFileInfo file(QDir(root).filePath(relative));
        if (file.isFile())
            return QUrl::fromLocalFile(file.absoluteFilePath());
    }
    return std::nullopt;
}

std::optional<QUrl> find(Folder folder, const QString& name)
{
    return find(folder, name, roots());
}

ScopedRoots::ScopedRoots(QStringList roots) : m_previous(overriddenRoots())
{
    overriddenRoots() = std::move(roots);
}

ScopedRoots::~ScopedRoots()
{
    overriddenRoots() = m_previous;
}

}  // namespace sablewick::ResourceLookup

#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace sablewick {

// Finds the background images ("Backgrounds/<name>.jpg") and music tracks ("Music/<name>.m4a")
// that ship beside the program. The application's own resources come first: the Assets folder
// beside the executable, the build tree's Assets folder and the installed share/sablewick/Assets;
// then "Assets/" under the working directory at the time of the call. Nothing is cached.
// find() may be called from any thread while no ScopedRoots is being made or destroyed.
namespace ResourceLookup {

enum class Folder { backgrounds, music };

// The application's own Assets folders, in lookup order, without duplicates.
QStringList applicationRoots();
// All roots in lookup order: the application's, then <working directory>/Assets.
QStringList roots();

// The first existing regular file `<root>/<folder>/<name>.<ext>` over `roots`, as a file URL.
std::optional<QUrl> find(Folder folder, const QString& name, const QStringList& roots);
// The same over roots(), or over the roots set by ScopedRoots.
std::optional<QUrl> find(Folder folder, const QString& name);

// Replaces roots() for the lifetime of the object (tests). Main thread only; not nested.
class ScopedRoots {
public:
    explicit ScopedRoots(QStringList roots);
    ~ScopedRoots();
    ScopedRoots(const ScopedRoots&) = delete;
    ScopedRoots& operator=(const ScopedRoots&) = delete;

private:
    std::optional<QStringList> m_previous;
};

}  // namespace ResourceLookup
}  // namespace sablewick

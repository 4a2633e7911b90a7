#include "platform/StandardFolders.h"

#include "platform/RegularFile.h"

#include <QDir>
#include <QRegularExpression>

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace sablewick::StandardFolders {
namespace {

QString environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? QString::fromLocal8Bit(value) : QString();
}

// An XDG base variable counts only when it holds an absolute path.
QString baseDirectory(const char* variable, const QString& fallbackUnderHome)
{
    const QString value = environment(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(home() + QLatin1Char('/') + fallbackUnderHome);
}

// Reads one entry of $XDG_CONFIG_HOME/user-dirs.dirs, e.g. XDG_VIDEOS_DIR="$HOME/Videos".
QString userDirectory(const QString& key, const QString& fallbackName)
{
    // A real user-dirs.dirs is a few hundred bytes.
    constexpr qint64 kLargestFile = 1024 * 1024;
    QByteArray text;
    try {
        text = readRegularFile(config() + QStringLiteral("/user-dirs.dirs"), kLargestFile);
    } catch (const RegularFileError&) {
        // No readable list: the usual names below apply.
    }
    static const QRegularExpression line(QStringLiteral("^\\s*([A-Z_]+)\\s*=\\s*\"(.*)\"\\s*$"));
    for (const QByteArray& bytes : text.split('\n')) {
        const auto match = line.match(QString::fromUtf8(bytes));
        if (!match.hasMatch() || match.captured(1) != key)
            continue;
        QString value = match.captured(2);
        if (value.startsWith(QLatin1String("$HOME")))
            value.replace(0, 5, home());
        else if (!value.startsWith(QLatin1Char('/')))
            continue;
        // "$HOME/" alone means the directory is disabled; use the fallback.
        if (QDir::cleanPath(value) != QDir::cleanPath(home()))
            return QDir::cleanPath(value);
    }
    return QDir::cleanPath(home() + QLatin1Char('/') + fallbackName);
}

}  // namespace

QString home()
{
    const QString value = environment("HOME");
    if (QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    // Without a usable HOME (unset in a service, or relative) the account's own home folder, not
    // the working directory or the root folder that Qt would fall back to.
    if (const passwd* account = ::getpwuid(::getuid()); account && account->pw_dir && account->pw_dir[0] == '/')
        return QDir::cleanPath(QString::fromLocal8Bit(account->pw_dir));
    return QDir::homePath();
}

QString videos() { return userDirectory(QStringLiteral("XDG_VIDEOS_DIR"), QStringLiteral("Videos")); }
QString pictures() { return userDirectory(QStringLiteral("XDG_PICTURES_DIR"), QStringLiteral("Pictures")); }
QString config() { return baseDirectory("XDG_CONFIG_HOME", QStringLiteral(".config")); }
QString state() { return baseDirectory("XDG_STATE_HOME", QStringLiteral(".local/state")); }

QString temporary()
{
    const QString value = environment("TMPDIR");
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QStringLiteral("/tmp");
}

QString recordings() { return videos() + QStringLiteral("/Sablewick Recordings"); }
QString screenshots() { return pictures() + QStringLiteral("/Sablewick Screenshots"); }
QString preferencesFile() { return config() + QStringLiteral("/Sablewick/preferences.json"); }

QString recovery()
{
    if (const char* value = std::getenv("SABLEWICK_STATE_DIRECTORY")) {
        const QString folder = QString::fromLocal8Bit(value);
        return folder.isEmpty() ? QDir::currentPath() : QDir(folder).absolutePath();
    }
    return state() + QStringLiteral("/Sablewick");
}

}  // namespace sablewick::StandardFolders

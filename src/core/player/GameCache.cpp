#include "core/player/GameCache.h"

#include "core/outside/Files.h"
#include "core/outside/LogCategories.h"
#include "core/outside/ProgramFiles.h"

#include <QDir>
#include <QFileInfo>

QString GameCache::folder()
{
    return ProgramFiles::path(ProgramFiles::GameCache);
}

QString GameCache::fileName(const QString& title)
{
    QString name = title;
    if (name == u"." || name == u"..") {
        name.fill(u'_');
    } else {
        // A NUL would cut the path short at the system call, giving a different file.
        for (QChar& c : name) {
            if (c == u'/' || c == u'\\' || c == QChar(0))
                c = u'_';
        }
    }
    return name + QStringLiteral(".swf");
}

QString GameCache::path(const QString& title)
{
    return folder() + u'/' + fileName(title);
}

bool GameCache::has(const QString& title)
{
    const QFileInfo file(path(title));
    return file.isFile() && file.size() > 0;
}

bool GameCache::store(const QString& from, const QString& title)
{
    // Made at start-up; a folder removed while the program runs would otherwise lose every game.
    QDir().mkpath(folder());
    if (Files::moveWithoutReplacing(from, path(title)))
        return true;
    qCDebug(lcPlayer) << "not stored in the game cache:" << title;
    return false;
}

bool GameCache::discard(const QString& path)
{
    const QFileInfo file(path);
    const QFileInfo cache(folder());
    if (!file.isFile() || file.isSymLink() || file.absolutePath() != cache.absoluteFilePath())
        return false;
    qCInfo(lcPlayer) << "removed a game file that could not be played:" << path;
    return QFile::remove(path);
}

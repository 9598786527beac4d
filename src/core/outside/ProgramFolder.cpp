#include "core/outside/ProgramFolder.h"

#include "core/outside/LogCategories.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString& overridden()
{
    static QString folder;
    return folder;
}

QString clean(const QString& folder)
{
    return QDir::cleanPath(QDir(folder).absolutePath());
}

QString userDataFolder(const ProgramFolder::Environment& environment)
{
    // A relative XDG_DATA_HOME is invalid and ignored, as every XDG reader does.
    QString data = environment.xdgDataHome;
    if (data.isEmpty() || !QDir::isAbsolutePath(data)) {
        const QString home = environment.userHome.isEmpty() ? QDir::homePath() : environment.userHome;
        data = home + QStringLiteral("/.local/share");
    }
    return clean(data + QStringLiteral("/Tabrazo"));
}

// Decided once per run: the folder must not change under the program when the executable's
// folder changes its permissions while it runs.
const QString& fallbackFolder()
{
    static const QString folder = [] {
        const QString chosen = ProgramFolder::choose(QCoreApplication::applicationDirPath(),
            { QString(), qEnvironmentVariable("XDG_DATA_HOME"), qEnvironmentVariable("HOME") });
        if (!QFileInfo(chosen).isDir() && !QDir().mkpath(chosen))
            qCWarning(lcOutside) << "cannot create the program folder" << chosen;
        qCInfo(lcOutside) << "program folder:" << chosen;
        return chosen;
    }();
    return folder;
}
} // namespace

QString ProgramFolder::choose(const QString& executableFolder, const Environment& environment)
{
    if (!environment.home.isEmpty())
        return clean(environment.home);
    const QFileInfo beside(executableFolder);
    if (beside.isDir() && beside.isWritable() && !isInstalledTree(executableFolder))
        return clean(executableFolder);
    return userDataFolder(environment);
}

bool ProgramFolder::isInstalledTree(const QString& executableFolder)
{
    const QDir folder(executableFolder);
    return folder.dirName() == QLatin1String("bin")
        && QFileInfo(folder.filePath(QStringLiteral("../share/tabrazo"))).isDir();
}

QString ProgramFolder::path()
{
    if (!overridden().isEmpty())
        return overridden();
    const QString home = qEnvironmentVariable("TABRAZO_HOME");
    if (!home.isEmpty())
        return clean(home);
    return fallbackFolder();
}

QString ProgramFolder::file(const QString& name)
{
    return findIgnoringCase(path(), name);
}

QString ProgramFolder::findIgnoringCase(const QString& folder, const QString& name)
{
    const QString exact = folder + u'/' + name;
    if (QFileInfo::exists(exact) || name.contains(u'/'))
        return exact;
    const QStringList entries
        = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return folder + u'/' + entry;
    }
    return exact;
}

void ProgramFolder::setOverride(const QString& folder)
{
    overridden() = folder;
}

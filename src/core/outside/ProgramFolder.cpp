#include "core/outside/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString& overridden()
{
    static QString folder;
    return folder;
}
} // namespace

QString ProgramFolder::path()
{
    if (!overridden().isEmpty())
        return overridden();
    const QString home = qEnvironmentVariable("TABRAZO_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(QDir(home).absolutePath());
    return QCoreApplication::applicationDirPath();
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

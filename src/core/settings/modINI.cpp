#include "core/settings/modINI.h"

#include "core/outside/ProgramFolder.h"
#include "core/settings/IniFile.h"

#include <QFileInfo>

namespace {

QString& fileName()
{
    static QString path;
    return path;
}

} // namespace

void modINI::SetFileName(const QString& name)
{
    QString folder = ProgramFolder::path();
    const bool hasSeparator = folder.endsWith(u'/');
    const QString joined = hasSeparator ? QString(folder + name) : QString(folder + u'/' + name);
    if (hasSeparator)
        folder.chop(1);
    // A file copied from Windows may differ in letter case.
    fileName() = QFileInfo::exists(joined) || folder.isEmpty() ? joined : ProgramFolder::findIgnoringCase(folder, name);
}

QString modINI::ReadValue(const QString& section, const QString& key, const QString& defaultValue)
{
    // The value ends at its first NUL.
    const QString value = IniFile::value(section, key, defaultValue, fileName());
    const qsizetype nul = value.indexOf(QChar(0));
    return nul < 0 ? value : value.left(nul);
}

void modINI::WriteValue(const QString& section, const QString& key, const QString& value)
{
    IniFile::writeString(section, key, value, fileName());
}

QString modINI::FileName()
{
    return fileName();
}

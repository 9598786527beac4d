#include "core/settings/modINI.h"

#include "core/outside/ProgramFolder.h"
#include "core/settings/IniFile.h"

#include <QFileInfo>

namespace {

constexpr int kBufferSize = 255;

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
    QString buffer(kBufferSize, QChar(0));
    const int length = IniFile::getString(section, key, defaultValue, buffer, kBufferSize, fileName());
    if (length == 0)
        return QString();
    const qsizetype nul = buffer.indexOf(QChar(0));
    return nul < 0 ? buffer : buffer.left(nul);
}

void modINI::WriteValue(const QString& section, const QString& key, const QString& value)
{
    IniFile::writeString(section, key, value, fileName());
}

QString modINI::FileName()
{
    return fileName();
}

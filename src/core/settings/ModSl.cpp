#include "core/settings/ModSl.h"

#include "core/settings/IniFile.h"

QString ModSl::ReadIniValue(const QString& path, const QString& section, const QString& key)
{
    return IniFile::value(section, key, QString(), path).remove(QChar(0));
}

int ModSl::ListSections(const QString& path, QStringList& list, const QString& section)
{
    constexpr int kBufferSize = 1024;
    QString buffer(kBufferSize, QChar(0));
    IniFile::getString(section.isEmpty() ? QString() : section, QString(), QString(), buffer, kBufferSize, path);
    list = buffer.split(QChar(0), Qt::SkipEmptyParts);
    return int(list.size()) - 1;
}

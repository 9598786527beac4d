#include "gui/settings/UpdateSL.h"

#include "core/settings/IniFile.h"

#include <QCheckBox>

QString UpdateSL::ReadKey(const QString& section, const QString& key, const QString& path)
{
    return IniFile::value(section, key, QString(), path).remove(QChar(0));
}

void UpdateSL::LoadCheckBox(const QString& section, const QString& path, QCheckBox* box)
{
    if (!box)
        return;
    const bool off = ReadKey(section, box->objectName(), path) == u"0";
    box->setCheckState(off ? Qt::Unchecked : Qt::Checked);
}

void UpdateSL::SaveCheckBox(const QString& section, const QString& path, QCheckBox* box)
{
    if (!box)
        return;
    int value = 1;
    switch (box->checkState()) {
    case Qt::Unchecked:
        value = 0;
        break;
    case Qt::PartiallyChecked:
        value = 2;
        break;
    case Qt::Checked:
        value = 1;
        break;
    }
    IniFile::writeString(section, box->objectName(), QString::number(value), path);
}

#pragma once

#include <QString>

// The settings file of the hotkey fields. One file for all of them: the last SetFileName wins.
namespace modINI {

// The program folder joined with name; the separator is added only when the folder lacks one.
void SetFileName(const QString& name);

// The value, cut to 254 characters at most. A key that is present with an empty value reads
// as the empty text, not as defaultValue.
QString ReadValue(const QString& section, const QString& key, const QString& defaultValue);

void WriteValue(const QString& section, const QString& key, const QString& value);

// The file that SetFileName chose; empty before the first call.
QString FileName();

} // namespace modINI

#pragma once

#include <QString>

class QCheckBox;

// INI routines of the settings and update windows.
namespace UpdateSL {

// The value (254 characters at most) with every NUL character removed; empty when absent.
QString ReadKey(const QString& section, const QString& key, const QString& path);

// Key = the box's object name. Only a stored "0" unchecks the box; anything else, an absent
// key included, checks it.
void LoadCheckBox(const QString& section, const QString& path, QCheckBox* box);

// Writes the box's value as a decimal text: "0" unchecked, "1" checked, "2" partly checked.
void SaveCheckBox(const QString& section, const QString& path, QCheckBox* box);

} // namespace UpdateSL

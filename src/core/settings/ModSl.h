#pragma once

#include <QString>
#include <QStringList>

// Shell routines of the main window.
namespace ModSl {

// The value (254 characters at most) without NUL characters; empty when absent.
QString ReadIniValue(const QString& path, const QString& section, const QString& key);

// Without a section: the section names of the file in file order (with one: the key names of
// that section), as far as they fit 1024 characters. Returns the number of names minus one.
int ListSections(const QString& path, QStringList& list, const QString& section = QString());

} // namespace ModSl

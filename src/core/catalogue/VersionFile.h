#pragma once

#include <QString>

// The small XML files that say which catalogue version is cached and which one the server has.
class VersionFile {
public:
    // The text of the first node matching xpath. A file that does not load gives the empty text
    // and sets error to the parser's own description, which the caller shows; a missing node
    // gives the empty text and no error.
    static QString ReadXmlNodeText(const QString& path, const QString& xpath, QString* error);

    // Plain ordinal comparison of the two version texts: "9" is newer than "10", and any text
    // is newer than the empty one.
    static bool IsNewer(const QString& serverVersion, const QString& localVersion);
};

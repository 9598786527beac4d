#pragma once

#include <QString>

// The small XML files that say which catalogue version is cached and which one the server has.
class VersionFile {
public:
    // The text of the first node matching xpath. A file that does not load shows the parser's
    // own description in a message box and gives the empty text; a missing node gives it silently.
    static QString ReadXmlNodeText(const QString& path, const QString& xpath);

    // Plain ordinal comparison of the two version texts: "9" is newer than "10", and any text
    // is newer than the empty one.
    static bool IsServerVersionNewer(const QString& serverFile, const QString& serverPath, const QString& localFile,
                                     const QString& localPath);
};

#pragma once

#include <QString>

// The folder the program keeps every file of its own in: the folder of the executable, or
// TABRAZO_HOME when set (tests, portable installs).
class ProgramFolder {
public:
    static QString path();

    // Program folder + "/" + name. When no file of exactly that name exists but one whose name
    // differs only in letter case does, that one is returned, so folders copied from Windows work.
    static QString file(const QString& name);

    // The same lookup inside any folder.
    static QString findIgnoringCase(const QString& folder, const QString& name);

    // Tests point the program folder elsewhere without touching the environment.
    static void setOverride(const QString& folder);
};

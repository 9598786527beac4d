#pragma once

#include <QString>

// The folder the program keeps every file of its own in: TABRAZO_HOME when set; else the folder
// of the executable when the user may write there (portable use); else the user's data folder,
// $XDG_DATA_HOME/Tabrazo (~/.local/share/Tabrazo), created on first use.
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

    // The rule behind path() for a given executable folder and environment (TABRAZO_HOME,
    // XDG_DATA_HOME and HOME as read from it). It creates nothing.
    struct Environment {
        QString home; // TABRAZO_HOME
        QString xdgDataHome; // XDG_DATA_HOME
        QString userHome; // HOME
    };
    static QString choose(const QString& executableFolder, const Environment& environment);

    // An executable under bin/ with share/tabrazo beside it was installed by a package or
    // `cmake --install`; such a copy never writes beside itself, not even for root.
    static bool isInstalledTree(const QString& executableFolder);
};

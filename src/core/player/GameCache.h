#pragma once

#include <QString>

// The write-once cache of game files: one ".swf" per title in GamePath of the program folder.
class GameCache {
public:
    // The folder, matched ignoring letter case as folders copied from Windows may spell it.
    static QString folder();

    // The file name of a title. Titles come from the server: "/", "\" and NUL, and the titles "."
    // and "..", which could name a file outside the folder, become "_". Other titles stay unchanged.
    static QString fileName(const QString& title);

    static QString path(const QString& title);

    // Whether title has a stored file to play; an empty file is no game.
    static bool has(const QString& title);

    // Moves a downloaded file into the cache under title, never replacing a stored file.
    // False when the title already has a file or the move fails; from is then untouched.
    static bool store(const QString& from, const QString& title);

    // Removes a cache file the player could not play, so the next start fetches it again instead
    // of replaying a broken copy for good. Only a file directly in the cache folder is removed;
    // false for anything else.
    static bool discard(const QString& path);
};

#pragma once

#include <QString>

// File moves the program relies on, with their guarantees spelled out.
class Files {
public:
    // Moves from to to unless to exists; never replaces and never leaves a half-moved file.
    // Returns false when to exists or the move fails; from is then untouched.
    static bool moveWithoutReplacing(const QString& from, const QString& to);

    // Puts from in the place of to in one step: to holds either its old or its new content,
    // whatever happens to the process in between.
    static bool replaceAtomically(const QString& from, const QString& to);
};

#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// File moves the program relies on, with their guarantees spelled out.
class Files {
public:
    // Moves from to to unless to exists; never replaces and never leaves a half-moved file.
    // Returns false when to exists or the move fails; from is then untouched.
    static bool moveWithoutReplacing(const QString& from, const QString& to);

    // Puts from in the place of to in one step: to holds either its old or its new content,
    // whatever happens to the process in between.
    static bool replaceAtomically(const QString& from, const QString& to);

    // Tells a file apart from any other and from its own rewritten versions without reading it:
    // replacing or rewriting a file changes its identity, renaming it does not (short of an
    // in-place rewrite to the same size within one tick of the file system's clock).
    struct Identity {
        quint64 device = 0, inode = 0;
        qint64 size = 0, modifiedNs = 0;
        bool operator==(const Identity& other) const
        {
            return device == other.device && inode == other.inode && size == other.size
                && modifiedNs == other.modifiedNs;
        }
        bool operator!=(const Identity& other) const { return !(*this == other); }
    };
    // Nothing when path names no file that can be examined.
    static std::optional<Identity> identity(const QString& path);
};

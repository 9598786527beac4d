#include "core/outside/Files.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

bool Files::moveWithoutReplacing(const QString& from, const QString& to)
{
    const QByteArray src = QFile::encodeName(from);
    const QByteArray dst = QFile::encodeName(to);
#ifdef SYS_renameat2
    if (syscall(SYS_renameat2, AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != ENOSYS && errno != EINVAL)
        return false;
#endif
    // File systems without renameat2: link() refuses an existing target just the same.
    if (::link(src.constData(), dst.constData()) != 0)
        return false;
    ::unlink(src.constData());
    return true;
}

bool Files::replaceAtomically(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

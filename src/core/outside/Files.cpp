#include "core/outside/Files.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
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

std::optional<Files::Identity> Files::identity(const QString& path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return Identity { quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
        qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec };
}

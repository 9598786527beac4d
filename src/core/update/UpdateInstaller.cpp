#include "core/update/UpdateInstaller.h"

#include "core/outside/Files.h"
#include "core/outside/LogCategories.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

QByteArray UpdateInstaller::fileDigest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return QByteArray();
    return hash.result();
}

UpdateInstaller::Result UpdateInstaller::install(
    const QString& received, const QString& target, const QByteArray& expectedDigest, QString* digestHex)
{
    const QByteArray digest = fileDigest(received);
    if (digestHex)
        *digestHex = QString::fromLatin1(digest.toHex());
    if (!expectedDigest.isEmpty() && digest != expectedDigest) {
        QFile::remove(received);
        return DigestMismatch;
    }

    // The new build runs as a program of its own: it needs to be executable before it takes the place.
    QFile::setPermissions(received,
        QFile::permissions(received) | QFileDevice::ExeOwner | QFileDevice::ExeUser | QFileDevice::ExeGroup
            | QFileDevice::ExeOther | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    if (!Files::replaceAtomically(received, target)) {
        qCWarning(lcUpdate) << "cannot put the new build in place" << target;
        QFile::remove(received);
        return NotPlaced;
    }

    if (!QProcess::startDetached(target, {}, QFileInfo(target).absolutePath())) {
        qCWarning(lcUpdate) << "cannot start the new build" << target;
        return NotStarted;
    }
    return Started;
}

#include "core/outside/SingleInstance.h"

#include "core/outside/ProgramFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
{
}

QString SingleInstance::name() const
{
    const QByteArray folder = ProgramFolder::path().toUtf8();
    const QByteArray hash = QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex().left(16);
    // The user id, not $USER: without it set, every user would share one name, and another user's
    // lock would keep this one from starting.
    return QStringLiteral("tabrazo-") + QString::number(::getuid()) + u'-' + QString::fromLatin1(hash);
}

QString SingleInstance::lockFolder()
{
    // The session's own runtime folder where there is one: no other user can place a file there.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QDir(runtime).exists() ? runtime : QDir::tempPath();
}

bool SingleInstance::otherIsRunning()
{
    // The lock decides between copies started at the same moment, and a lock whose owner died is
    // taken over; only then is the socket name, which may be a crashed copy's leftover, reused.
    lock = std::make_unique<QLockFile>(QDir(lockFolder()).filePath(name() + QStringLiteral(".lock")));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(200))
        return true;
    QLocalServer::removeServer(name());
    return !listen();
}

bool SingleInstance::listen()
{
    if (!server) {
        server = new QLocalServer(this);
        server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(server, &QLocalServer::newConnection, this, &SingleInstance::acceptActivations);
    }
    return server->listen(name());
}

void SingleInstance::acceptActivations()
{
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().contains("activate"))
                emit activationRequested();
        });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void SingleInstance::activateOther()
{
    QLocalSocket socket;
    socket.connectToServer(name());
    if (!socket.waitForConnected(1000))
        return;
    socket.write("activate\n");
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(1000);
}

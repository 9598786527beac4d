#pragma once

#include <QByteArray>
#include <QString>

// Puts a received build in place and starts it. What starts is always the file just received:
// it is checked against the digest the server announced, replaces any older file of the same
// name in one step, and is started only once that step succeeded.
class UpdateInstaller {
public:
    enum Result {
        Started,
        // The file does not match the announced digest; it has been deleted.
        DigestMismatch,
        // The file could not be put in place; it has been deleted and nothing was started.
        NotPlaced,
        // The file is in place but could not be started.
        NotStarted,
    };

    // expectedDigest: empty when the server announced none (UpdateRules::expectedDigest).
    // digestHex receives the received file's SHA-256 in hex, empty when it could not be read.
    static Result install(
        const QString& received, const QString& target, const QByteArray& expectedDigest, QString* digestHex = nullptr);

    // SHA-256 of a file's content; empty when it cannot be read.
    static QByteArray fileDigest(const QString& path);
};

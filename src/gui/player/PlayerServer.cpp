#include "gui/player/PlayerServer.h"

#include "core/net/Network.h"
#include "core/outside/LogCategories.h"
#include "core/outside/ProgramFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {
constexpr int kMaxRequestHead = 16 * 1024;
constexpr qint64 kChunk = 256 * 1024;
constexpr qint64 kHighWater = 1024 * 1024;
constexpr int kPortsTried = 16;
constexpr int kIdleTimeoutMs = 30000;

// Offered names are compared decoded, so that the engine's and Qt's percent-encoding may differ.
QString routeKey(const QByteArray& target)
{
    return QUrl::fromPercentEncoding(target);
}

QString encodePath(const QString& path)
{
    QStringList parts = path.split(QLatin1Char('/'));
    for (QString& part : parts)
        part = QString::fromLatin1(QUrl::toPercentEncoding(part));
    return parts.join(QLatin1Char('/'));
}

QByteArray reasonOf(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 304:
        return "Not Modified";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 502:
        return "Bad Gateway";
    default:
        return "Status";
    }
}
} // namespace

PlayerServer::PlayerServer(QObject* parent)
    : QObject(parent)
    , server(new QTcpServer(this))
{
    connect(server, &QTcpServer::newConnection, this, &PlayerServer::accept);
}

PlayerServer::~PlayerServer() = default;

quint16 PlayerServer::preferredPortFor(const QString& folder)
{
    // Stable across runs and processes (qHash is seeded per process).
    const QByteArray bytes = QDir::cleanPath(QDir(folder).absolutePath()).toUtf8();
    const quint16 sum = qChecksum(QByteArrayView(bytes));
    return quint16(30000 + sum % 20000);
}

bool PlayerServer::listen(quint16 preferredPort)
{
    for (int i = 0; i < kPortsTried; ++i) {
        if (server->listen(QHostAddress::LocalHost, quint16(preferredPort + i)))
            return true;
    }
    qCDebug(lcPlayer) << "ports from" << preferredPort << "taken, saved games of this run use another origin";
    return server->listen(QHostAddress::LocalHost, 0);
}

quint16 PlayerServer::port() const
{
    return server->serverPort();
}

QString PlayerServer::origin() const
{
    return QStringLiteral("http://127.0.0.1:") + QString::number(port());
}

void PlayerServer::setPage(const QByteArray& html)
{
    page = html;
}

void PlayerServer::setRuffleFolder(const QString& folder)
{
    ruffle = folder;
}

void PlayerServer::setMovieFolders(const QStringList& folders)
{
    movieFolders = folders;
}

bool PlayerServer::isOwnHost(const QByteArray& host) const
{
    const QByteArray port = ':' + QByteArray::number(this->port());
    return host == "127.0.0.1" + port || host.toLower() == "localhost" + port;
}

bool PlayerServer::liesInside(const QString& file, const QString& folder)
{
    // Both resolved now, not when the movie was offered: a link planted later counts.
    const QString real = QFileInfo(file).canonicalFilePath();
    const QString root = QFileInfo(folder).canonicalFilePath();
    return !real.isEmpty() && !root.isEmpty() && real.startsWith(root + QLatin1Char('/'));
}

bool PlayerServer::isMovieFile(const QString& file) const
{
    for (const QString& folder : movieFolders) {
        if (liesInside(file, folder))
            return true;
    }
    return false;
}

QString PlayerServer::offerFile(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString home = QDir(ProgramFolder::path()).absolutePath() + QLatin1Char('/');
    // Movies of the program folder keep the same address when the folder moves.
    const QString route = absolute.startsWith(home) ? QStringLiteral("/movie/") + absolute.mid(home.size())
                                                    : QStringLiteral("/file") + absolute;
    files.insert(route, absolute);
    return origin() + encodePath(route);
}

QString PlayerServer::offerRemote(const QUrl& address)
{
    QString route = QStringLiteral("/remote/") + address.scheme() + QLatin1Char('/') + address.authority()
        + (address.path().isEmpty() ? QStringLiteral("/") : address.path());
    QString target = encodePath(route);
    if (address.hasQuery()) {
        route += QLatin1Char('?') + address.query(QUrl::FullyDecoded);
        target += QLatin1Char('?') + address.query(QUrl::FullyEncoded);
    }
    remotes.insert(route, address);
    return origin() + target;
}

QByteArray PlayerServer::mimeType(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("wasm"))
        return "application/wasm";
    if (suffix == QLatin1String("js"))
        return "text/javascript";
    if (suffix == QLatin1String("html"))
        return "text/html; charset=utf-8";
    if (suffix == QLatin1String("swf"))
        return "application/x-shockwave-flash";
    if (suffix == QLatin1String("map") || suffix == QLatin1String("json"))
        return "application/json";
    return "application/octet-stream";
}

void PlayerServer::accept()
{
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        // A client that never finishes its request does not keep a socket forever.
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, socket, [socket] {
            if (socket->property("answered").toBool())
                return;
            socket->abort();
            socket->deleteLater();
        });
        idle->start(kIdleTimeoutMs);
    }
}

void PlayerServer::readRequest(QTcpSocket* socket)
{
    if (socket->property("answered").toBool()) {
        socket->readAll();
        return;
    }
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    const int end = head.indexOf("\r\n\r\n");
    if (end < 0) {
        if (head.size() > kMaxRequestHead) {
            socket->setProperty("answered", true);
            sendStatus(socket, 400, reasonOf(400));
        } else {
            socket->setProperty("head", head);
        }
        return;
    }
    socket->setProperty("answered", true);
    socket->setProperty("head", QVariant());

    const QList<QByteArray> lines = head.left(end).split('\n');
    const QList<QByteArray> request = lines.value(0).trimmed().split(' ');
    if (request.size() != 3 || !request[1].startsWith('/')) {
        sendStatus(socket, 400, reasonOf(400));
        return;
    }
    QHash<QByteArray, QByteArray> headers;
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines[i].indexOf(':');
        if (colon > 0)
            headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    answer(socket, request[0], routeKey(request[1]), headers);
}

void PlayerServer::answer(
    QTcpSocket* socket, const QByteArray& method, const QString& route, const QHash<QByteArray, QByteArray>& headers)
{
    if (!isOwnHost(headers.value("host"))) {
        qCDebug(lcPlayer) << "refused a request for host" << headers.value("host");
        sendStatus(socket, 403, reasonOf(403));
        return;
    }
    const bool headOnly = method == "HEAD";
    if (method != "GET" && !headOnly) {
        sendStatus(socket, 405, reasonOf(405));
        return;
    }
    const QString path = route.section(QLatin1Char('?'), 0, 0);
    if (path == QLatin1String("/player.html")) {
        QByteArray reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n"
                           "Content-Length: "
            + QByteArray::number(page.size()) + "\r\nConnection: close\r\n\r\n";
        if (!headOnly)
            reply += page;
        socket->write(reply);
        socket->disconnectFromHost();
        return;
    }
    if (path.startsWith(QLatin1String("/ruffle/"))) {
        const QString name = path.mid(8);
        if (ruffle.isEmpty() || name.isEmpty() || name.contains(QLatin1Char('/'))
            || name.startsWith(QLatin1Char('.'))) {
            sendStatus(socket, 404, reasonOf(404));
            return;
        }
        // Ruffle's chunks carry their hash in the name; its loader does not.
        const bool hashed = name.endsWith(QLatin1String(".wasm")) || name.startsWith(QLatin1String("core.ruffle."));
        sendFile(socket, ruffle + QLatin1Char('/') + name, headOnly,
            hashed ? QByteArrayLiteral("max-age=31536000, immutable") : QByteArrayLiteral("no-cache"),
            headers.value("if-none-match"));
        return;
    }
    if (files.contains(path)) {
        if (!isMovieFile(files.value(path))) {
            qCDebug(lcPlayer) << "refused a movie outside the game folders:" << files.value(path);
            sendStatus(socket, 403, reasonOf(403));
            return;
        }
        sendFile(socket, files.value(path), headOnly, QByteArrayLiteral("no-store"), QByteArray());
        return;
    }
    if (remotes.contains(route)) {
        sendProxy(socket, remotes.value(route), headOnly);
        return;
    }
    sendStatus(socket, 404, reasonOf(404));
}

void PlayerServer::sendStatus(QTcpSocket* socket, int status, const QByteArray& reason)
{
    socket->write(
        "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    socket->disconnectFromHost();
}

void PlayerServer::sendFile(QTcpSocket* socket, const QString& path, bool headOnly, const QByteArray& cacheControl,
    const QByteArray& ifNoneMatch)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        sendStatus(socket, 404, reasonOf(404));
        return;
    }
    const QByteArray etag = '"' + QByteArray::number(info.size(), 16) + '-'
        + QByteArray::number(info.lastModified().toMSecsSinceEpoch(), 16) + '"';
    if (!ifNoneMatch.isEmpty() && ifNoneMatch == etag) {
        socket->write("HTTP/1.1 304 Not Modified\r\nETag: " + etag + "\r\nCache-Control: " + cacheControl
            + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    auto* file = new QFile(path, socket);
    if (!file->open(QIODevice::ReadOnly)) {
        sendStatus(socket, 403, reasonOf(403));
        return;
    }
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: " + mimeType(path)
        + "\r\nContent-Length: " + QByteArray::number(file->size()) + "\r\nETag: " + etag
        + "\r\nCache-Control: " + cacheControl + "\r\nConnection: close\r\n\r\n");
    if (headOnly) {
        socket->disconnectFromHost();
        return;
    }
    // Streamed in bounded pieces: Ruffle's WebAssembly alone is 14 MB.
    auto pump = [socket, file] {
        while (socket->bytesToWrite() < kHighWater && !file->atEnd()) {
            const QByteArray piece = file->read(kChunk);
            if (piece.isEmpty())
                break;
            socket->write(piece);
        }
        if (file->atEnd() || file->error() != QFileDevice::NoError) {
            file->close();
            socket->disconnectFromHost();
        }
    };
    connect(socket, &QTcpSocket::bytesWritten, file, pump);
    pump();
}

void PlayerServer::sendProxy(QTcpSocket* socket, const QUrl& address, bool headOnly)
{
    const QNetworkRequest request = Network::request(address);
    QNetworkReply* reply = headOnly ? Network::manager()->head(request) : Network::manager()->get(request);
    reply->setParent(socket);
    auto sendHead = [socket, reply] {
        if (socket->property("headSent").toBool())
            return;
        socket->setProperty("headSent", true);
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status == 0) {
            sendStatus(socket, 502, reasonOf(502));
            return;
        }
        QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' '
            + reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray()
            + "\r\nContent-Type: " + PlayerServer::mimeType(reply->url().path()) + "\r\nCache-Control: no-store\r\n";
        if (reply->hasRawHeader("Content-Length"))
            head += "Content-Length: " + reply->rawHeader("Content-Length") + "\r\n";
        socket->write(head + "Connection: close\r\n\r\n");
    };
    connect(reply, &QNetworkReply::metaDataChanged, socket, sendHead);
    connect(reply, &QNetworkReply::readyRead, socket, [socket, reply, sendHead] {
        sendHead();
        socket->write(reply->readAll());
    });
    connect(reply, &QNetworkReply::finished, socket, [socket, reply, sendHead] {
        sendHead();
        socket->write(reply->readAll());
        socket->disconnectFromHost();
    });
}

#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QUrl>

class QTcpServer;
class QTcpSocket;

// The loopback web server behind the movie player. The web engine cannot fetch Ruffle's
// WebAssembly from a custom scheme, so the player page, Ruffle and the movies come from here.
// It serves nothing but those: a movie file or a remote movie address is reachable only after
// the player has offered it, and only to requests addressed to the loopback host by name or
// number with this port, so a page elsewhere rebound by DNS to 127.0.0.1 gets nothing.
class PlayerServer : public QObject {
    Q_OBJECT
public:
    explicit PlayerServer(QObject* parent = nullptr);
    ~PlayerServer() override;

    // The page keeps one origin from run to run (saved games live in its local storage), so the
    // port is derived from the program folder; when it is taken the next few are tried, and
    // only then any free port.
    bool listen(quint16 preferredPort);
    quint16 port() const;
    QString origin() const;
    static quint16 preferredPortFor(const QString& folder);

    void setPage(const QByteArray& html);
    void setRuffleFolder(const QString& folder);
    QString ruffleFolder() const { return ruffle; }

    // Folders whose files may be served as movies. A file is served only when its real path,
    // links resolved at the time of the request, lies inside one of them.
    void setMovieFolders(const QStringList& folders);

    // Address under which the page may fetch this local file or remote movie.
    QString offerFile(const QString& path);
    QString offerRemote(const QUrl& address);

    static QByteArray mimeType(const QString& fileName);

private:
    void accept();
    void readRequest(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QByteArray& method, const QString& path,
        const QHash<QByteArray, QByteArray>& headers);
    void sendFile(QTcpSocket* socket, const QString& file, bool headOnly, const QByteArray& cacheControl,
        const QByteArray& ifNoneMatch);
    void sendProxy(QTcpSocket* socket, const QUrl& address, bool headOnly);
    static void sendStatus(QTcpSocket* socket, int status, const QByteArray& reason);
    bool isOwnHost(const QByteArray& host) const;
    static bool liesInside(const QString& file, const QString& folder);
    bool isMovieFile(const QString& file) const;

    QTcpServer* server;
    QByteArray page;
    QString ruffle;
    QStringList movieFolders;
    QHash<QString, QString> files;
    QHash<QString, QUrl> remotes;
};

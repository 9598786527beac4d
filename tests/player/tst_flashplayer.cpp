#include "core/outside/ProgramFolder.h"
#include "gui/player/FlashPlayer.h"
#include "gui/player/PlayerServer.h"
#include "support/ContentServer.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

#include <memory>

namespace {
// The background colour a movie declares (SetBackgroundColor), read from the file itself.
QColor movieBackground(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray data = file.readAll();
    if (data.size() < 8)
        return {};
    if (data.startsWith("CWS")) {
        const quint32 length = quint32(quint8(data[4])) | quint32(quint8(data[5])) << 8 | quint32(quint8(data[6])) << 16
            | quint32(quint8(data[7])) << 24;
        QByteArray packed = data.mid(8);
        const quint32 body = length - 8;
        packed.prepend(char(body & 0xff))
            .prepend(char(body >> 8 & 0xff))
            .prepend(char(body >> 16 & 0xff))
            .prepend(char(body >> 24));
        data = data.left(8) + qUncompress(packed);
    }
    int at = 8;
    const int bits = quint8(data[at]) >> 3;
    at += (5 + 4 * bits + 7) / 8 + 4;
    while (at + 2 <= data.size()) {
        const quint16 head = quint16(quint8(data[at]) | quint8(data[at + 1]) << 8);
        at += 2;
        int length = head & 0x3f;
        if (length == 0x3f) {
            length = int(
                quint8(data[at]) | quint8(data[at + 1]) << 8 | quint8(data[at + 2]) << 16 | quint8(data[at + 3]) << 24);
            at += 4;
        }
        if ((head >> 6) == 9)
            return QColor(quint8(data[at]), quint8(data[at + 1]), quint8(data[at + 2]));
        at += length;
    }
    return {};
}

// Share of the pixels in the widget's rectangle on screen that are close to the colour.
double shareOf(QWidget* widget, const QColor& colour)
{
    const QPoint origin = widget->mapToGlobal(QPoint(0, 0));
    const QImage shot = QGuiApplication::primaryScreen()
                            ->grabWindow(0, origin.x(), origin.y(), widget->width(), widget->height())
                            .toImage();
    int near = 0;
    int all = 0;
    for (int y = 0; y < shot.height(); y += 4) {
        for (int x = 0; x < shot.width(); x += 4) {
            const QColor c = shot.pixelColor(x, y);
            ++all;
            if (qAbs(c.red() - colour.red()) + qAbs(c.green() - colour.green()) + qAbs(c.blue() - colour.blue()) < 30)
                ++near;
        }
    }
    return all ? double(near) / all : 0;
}

struct Reply {
    QByteArray status;
    QByteArray headers;
    QByteArray body;
};

Reply fetch(quint16 port, const QByteArray& target, const QByteArray& extra = {}, QByteArray host = {})
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(3000))
        return {};
    if (host.isNull())
        host = "127.0.0.1:" + QByteArray::number(port);
    socket.write("GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n" + extra + "\r\n");
    QByteArray all;
    // The server answers from this thread's event loop, so wait through it.
    QElapsedTimer clock;
    clock.start();
    while (socket.state() == QAbstractSocket::ConnectedState && clock.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        socket.waitForReadyRead(10);
        all += socket.readAll();
    }
    all += socket.readAll();
    const int split = all.indexOf("\r\n\r\n");
    return { all.left(all.indexOf("\r\n")), all.left(split), all.mid(split + 4) };
}
} // namespace

class TestFlashPlayer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void serverServesOnlyWhatWasOffered();
    void proxiesAnOfferedRemoteMovie();
    void playsAMovieAndUnloadsIt();
    void keepsTheMovieText();
    void unplayableMovieLeavesThePlayerEmpty();
    void remoteAddressPlaysThroughTheServer();
    void pageStorageOutlivesThePlayer();
    void soundNeedsNoClick();
    void hiddenWindowPausesTheGame();

public:
    // The folders outlive the application object: the web engine writes its profile as it ends.
    TestFlashPlayer(QTemporaryDir& home, QTemporaryDir& site)
        : home(home)
        , site(site)
    {
    }

private:
    static FlashPlayer* shownPlayer(QWidget& window, int width, int height);
    bool waitStarted(FlashPlayer& player, const QString& movie);
    QString cached(int game) const;

    QTemporaryDir& home;
    QTemporaryDir& site;
    ContentServer content;
};

void TestFlashPlayer::initTestCase()
{
    QVERIFY(home.isValid() && site.isValid());
    ProgramFolder::setOverride(home.path());
    QCOMPARE(QProcess::execute(QStringLiteral("/usr/bin/python3"),
                 { QStringLiteral(DEMO_GENERATOR), QStringLiteral("--site"), site.path(), QStringLiteral("--program"),
                     home.path() + QStringLiteral("/seed") }),
        0);
    QVERIFY(content.start(site.path()));
    QVERIFY2(!FlashPlayer::ruffleFolder().isEmpty(), "Ruffle is not installed (npm ci)");
}

void TestFlashPlayer::serverServesOnlyWhatWasOffered()
{
    PlayerServer server;
    server.setPage("<html>page</html>");
    server.setRuffleFolder(FlashPlayer::ruffleFolder());
    server.setMovieFolders({ home.path() + QStringLiteral("/GamePath") });
    QVERIFY(server.listen(PlayerServer::preferredPortFor(home.path())));
    // A second server for the same folder cannot have the port, so it takes a neighbour.
    PlayerServer second;
    QVERIFY(second.listen(PlayerServer::preferredPortFor(home.path())));
    QVERIFY(second.port() != server.port());
    QCOMPARE(
        PlayerServer::preferredPortFor(home.path()), PlayerServer::preferredPortFor(home.path() + QStringLiteral("/")));

    QCOMPARE(fetch(server.port(), "/player.html").body, QByteArray("<html>page</html>"));

    const QStringList wasm = QDir(FlashPlayer::ruffleFolder()).entryList({ QStringLiteral("*.wasm") });
    QVERIFY(!wasm.isEmpty());
    const Reply engine = fetch(server.port(), "/ruffle/" + wasm.first().toLatin1());
    QVERIFY2(engine.headers.contains("Content-Type: application/wasm"), engine.headers.constData());
    QCOMPARE(engine.body.size(), QFileInfo(FlashPlayer::ruffleFolder() + QLatin1Char('/') + wasm.first()).size());
    const QByteArray etag = engine.headers.mid(engine.headers.indexOf("ETag: ") + 6).split('\r').first();
    QVERIFY(fetch(server.port(), "/ruffle/ruffle.js", "If-None-Match: " + etag + "\r\n").status.contains("200"));
    QVERIFY(fetch(server.port(), "/ruffle/" + wasm.first().toLatin1(), "If-None-Match: " + etag + "\r\n")
                .status.contains("304"));

    QDir().mkpath(home.path() + QStringLiteral("/GamePath"));
    const QString movie = home.path() + QStringLiteral("/GamePath/小 游戏#1.swf");
    QVERIFY(QFile::copy(site.path() + QStringLiteral("/flash/1.swf"), movie));
    const QString secret = home.path() + QStringLiteral("/GamePath/other.swf");
    QVERIFY(QFile::copy(site.path() + QStringLiteral("/flash/2.swf"), secret));

    QVERIFY(fetch(server.port(), "/movie/GamePath/%E5%B0%8F%20%E6%B8%B8%E6%88%8F%231.swf").status.contains("404"));
    const QUrl offered(server.offerFile(movie));
    QCOMPARE(offered.host(), QStringLiteral("127.0.0.1"));
    const Reply game = fetch(server.port(), offered.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority));
    QVERIFY2(game.status.contains("200"), game.status.constData());
    QVERIFY(game.headers.contains("Content-Type: application/x-shockwave-flash"));
    QFile original(movie);
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(game.body, original.readAll());

    for (const QByteArray& refused : { QByteArray("/movie/GamePath/other.swf"),
             QByteArray("/ruffle/../GamePath/other.swf"), QByteArray("/ruffle/%2E%2E/GamePath/other.swf"),
             QByteArray(QByteArray("/file") + secret.toUtf8()), QByteArray("/remote/http/127.0.0.1/") })
        QVERIFY2(fetch(server.port(), refused).status.contains("404"), refused.constData());
    QVERIFY(fetch(server.port(), "garbage").status.contains("400"));

    // A page elsewhere that a DNS answer rebinds to 127.0.0.1 names its own host: it gets nothing.
    const QByteArray port = QByteArray::number(server.port());
    const QList<QByteArray> strangers { "evil.example:" + port, "127.0.0.1", "localhost", "127.0.0.1:1",
        "127.0.0.1:" + port + ".evil.example", "" };
    for (const QByteArray& host : strangers) {
        const QByteArray target = offered.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
        for (const QByteArray& path : { QByteArray("/player.html"), target }) {
            const Reply refused = fetch(server.port(), path, {}, host);
            QVERIFY2(refused.status.contains("403") && refused.body.isEmpty(), host.constData());
        }
    }
    QVERIFY(fetch(server.port(), "/player.html", {}, "LocalHost:" + port).status.contains("200"));

    // Only files that really lie in a movie folder: a link planted there, or a movie offered from
    // elsewhere, is refused even after the player offered it.
    const QString planted = home.path() + QStringLiteral("/GamePath/planted.swf");
    QFile private_(home.path() + QStringLiteral("/private.txt"));
    QVERIFY(private_.open(QIODevice::WriteOnly) && private_.write("not for pages") > 0);
    private_.close();
    QVERIFY(QFile::link(private_.fileName(), planted));
    const QString loose = site.path() + QStringLiteral("/flash/3.swf");
    for (const QString& path : { planted, loose }) {
        const QUrl address(server.offerFile(path));
        QVERIFY2(
            fetch(server.port(), address.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority)).status.contains("403"),
            qPrintable(path));
    }
    // A link that stays inside the folder is still a movie.
    const QString alias = home.path() + QStringLiteral("/GamePath/alias.swf");
    QVERIFY(QFile::link(secret, alias));
    QVERIFY(fetch(server.port(), QUrl(server.offerFile(alias)).toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority))
                .status.contains("200"));
}

void TestFlashPlayer::proxiesAnOfferedRemoteMovie()
{
    PlayerServer server;
    QVERIFY(server.listen(0));
    const QUrl local(server.offerRemote(QUrl(content.url(QStringLiteral("/flash/3.swf")))));
    const Reply game = fetch(server.port(), local.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority));
    QVERIFY2(game.status.contains("200"), game.status.constData());
    QFile original(site.path() + QStringLiteral("/flash/3.swf"));
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(game.body, original.readAll());

    const QUrl missing(server.offerRemote(QUrl(content.url(QStringLiteral("/flash/none.swf")))));
    QVERIFY(fetch(server.port(), missing.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority)).status.contains("404"));
    const QUrl closed(server.offerRemote(QUrl(QStringLiteral("http://127.0.0.1:1/x.swf"))));
    QVERIFY(fetch(server.port(), closed.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority)).status.contains("502"));
}

// The player serves local movies from the game cache only, so the site's movies are copied there.
QString TestFlashPlayer::cached(int game) const
{
    const QString name = QString::number(game) + QStringLiteral(".swf");
    const QString path = home.path() + QStringLiteral("/GamePath/") + name;
    QDir().mkpath(home.path() + QStringLiteral("/GamePath"));
    if (!QFile::exists(path))
        QFile::copy(site.path() + QStringLiteral("/flash/") + name, path);
    return path;
}

FlashPlayer* TestFlashPlayer::shownPlayer(QWidget& window, int width, int height)
{
    window.resize(width, height);
    auto* player = new FlashPlayer(&window);
    player->setGeometry(0, 0, width, height);
    window.show();
    player->start();
    return QTest::qWaitForWindowExposed(&window) ? player : nullptr;
}

bool TestFlashPlayer::waitStarted(FlashPlayer& player, const QString& movie)
{
    QSignalSpy started(&player, &FlashPlayer::movieStarted);
    player.setPlaying(false);
    player.setMovie(movie);
    player.setPlaying(true);
    return started.wait(60000) && started.first().first().toString() == movie;
}

void TestFlashPlayer::playsAMovieAndUnloadsIt()
{
    QWidget window;
    FlashPlayer* player = shownPlayer(window, 600, 450);
    QVERIFY(player);

    const QString movie = cached(4);
    const QColor background = movieBackground(movie);
    QVERIFY(background.isValid());
    QVERIFY(waitStarted(*player, movie));
    QTRY_VERIFY_WITH_TIMEOUT(shareOf(player, background) > 0.3, 10000);
    QVERIFY(player->Playing());

    player->setPlaying(false);
    player->setMovie(QStringLiteral("http://"));
    QCOMPARE(player->Movie(), QStringLiteral("http://"));
    QTRY_VERIFY_WITH_TIMEOUT(shareOf(player, Qt::black) > 0.95, 10000);

    // The empty text unloads too, and a second movie plays in the same page.
    const QString next = cached(7);
    QVERIFY(waitStarted(*player, next));
    QTRY_VERIFY_WITH_TIMEOUT(shareOf(player, movieBackground(next)) > 0.3, 10000);
    player->setMovie(QString());
    QCOMPARE(player->Movie(), QString());
    QTRY_VERIFY_WITH_TIMEOUT(shareOf(player, Qt::black) > 0.95, 10000);
}

void TestFlashPlayer::keepsTheMovieText()
{
    // Text that names nothing playable is kept as given, and starts no engine.
    FlashPlayer player;
    for (const QString& text : { QStringLiteral("http://"), QStringLiteral(""), QStringLiteral("relative/game.swf") }) {
        player.setMovie(text);
        QCOMPARE(player.Movie(), text);
    }
    QVERIFY(player.pageAddress().isEmpty());
}

void TestFlashPlayer::unplayableMovieLeavesThePlayerEmpty()
{
    QWidget window;
    FlashPlayer* player = shownPlayer(window, 400, 300);
    QVERIFY(player);

    const QString broken = home.path() + QStringLiteral("/GamePath/broken.swf");
    QDir().mkpath(home.path() + QStringLiteral("/GamePath"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    const QStringList movies { broken, home.path() + QStringLiteral("/GamePath/missing.swf"),
        content.url(QStringLiteral("/flash/missing.swf")) };
    for (const QString& movie : movies) {
        QSignalSpy failed(player, &FlashPlayer::movieFailed);
        player->setMovie(movie);
        player->setPlaying(true);
        QVERIFY2(failed.count() || failed.wait(30000), qPrintable(movie));
        QCOMPARE(player->Movie(), movie);
        QTRY_VERIFY_WITH_TIMEOUT(shareOf(player, Qt::black) > 0.95, 10000);
    }
    // The player still plays the next good movie.
    QVERIFY(waitStarted(*player, cached(2)));
}

void TestFlashPlayer::remoteAddressPlaysThroughTheServer()
{
    QWidget window;
    FlashPlayer* player = shownPlayer(window, 400, 300);
    QVERIFY(player);
    content.takeRequests();
    const QString address = content.url(QStringLiteral("/flash/5.swf"));
    QVERIFY(waitStarted(*player, address));
    QCOMPARE(player->Movie(), address);
    QVERIFY(content.takeRequests().contains(QStringLiteral("GET /flash/5.swf")));
    QTRY_VERIFY_WITH_TIMEOUT(
        shareOf(player, movieBackground(site.path() + QStringLiteral("/flash/5.swf"))) > 0.3, 10000);
}

void TestFlashPlayer::pageStorageOutlivesThePlayer()
{
    // Movies keep their saved games in the page's local storage; it must survive the player.
    const auto roundTrip = [](const QString& script) {
        QWidget window;
        auto* player = new FlashPlayer(&window);
        player->setGeometry(0, 0, 200, 150);
        window.show();
        player->start();
        QWebEngineView* view = player->findChild<QWebEngineView*>();
        if (!view)
            return QString();
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);
        if (!loaded.wait(30000))
            return QString();
        QString result;
        bool done = false;
        view->page()->runJavaScript(script, [&](const QVariant& value) {
            result = value.toString();
            done = true;
        });
        QElapsedTimer clock;
        clock.start();
        while (!done && clock.elapsed() < 10000)
            QTest::qWait(20);
        return result;
    };
    QCOMPARE(roundTrip(QStringLiteral("localStorage.setItem('save', 'level 3'); localStorage.getItem('save')")),
        QStringLiteral("level 3"));
    QCOMPARE(roundTrip(QStringLiteral("localStorage.getItem('save')")), QStringLiteral("level 3"));

    QVERIFY(QFileInfo(home.path() + QStringLiteral("/WebProfile")).isDir());
}

void TestFlashPlayer::soundNeedsNoClick()
{
    QWidget window;
    FlashPlayer* player = shownPlayer(window, 200, 150);
    QVERIFY(player);
    auto* view = player->findChild<QWebEngineView*>();
    QVERIFY(view);
    QSignalSpy loaded(view, &QWebEngineView::loadFinished);
    QVERIFY(loaded.count() || loaded.wait(30000));
    // A short silent sound, played with no user input at all.
    view->page()->runJavaScript(QStringLiteral(
        "(function () {"
        "  const n = 800, b = new ArrayBuffer(44 + n), v = new DataView(b);"
        "  const w = (o, s) => { for (let i = 0; i < s.length; i++) v.setUint8(o + i, s.charCodeAt(i)); };"
        "  w(0, 'RIFF'); v.setUint32(4, 36 + n, true); w(8, 'WAVEfmt '); v.setUint32(16, 16, true);"
        "  v.setUint16(20, 1, true); v.setUint16(22, 1, true); v.setUint32(24, 8000, true);"
        "  v.setUint32(28, 8000, true); v.setUint16(32, 1, true); v.setUint16(34, 8, true);"
        "  w(36, 'data'); v.setUint32(40, n, true); for (let i = 0; i < n; i++) v.setUint8(44 + i, 128);"
        "  window.played = 'pending';"
        "  new Audio(URL.createObjectURL(new Blob([b], { type: 'audio/wav' }))).play()"
        "    .then(() => { window.played = 'yes'; }, (e) => { window.played = e.name; });"
        "})()"));
    // Answers may arrive after this function has returned.
    auto played = std::make_shared<QString>();
    QElapsedTimer clock;
    clock.start();
    while ((played->isEmpty() || *played == QLatin1String("pending")) && clock.elapsed() < 10000) {
        QTest::qWait(100);
        view->page()->runJavaScript(
            QStringLiteral("window.played"), [played](const QVariant& value) { *played = value.toString(); });
    }
    QCOMPARE(*played, QStringLiteral("yes"));
}

// A hidden or minimised player window pauses its game, which then costs nothing, and the game
// plays on when the window shows again.
void TestFlashPlayer::hiddenWindowPausesTheGame()
{
    QWidget window;
    FlashPlayer* player = shownPlayer(window, 300, 200);
    QVERIFY(player);
    auto* view = player->findChild<QWebEngineView*>();
    QVERIFY(view);
    const auto ask = [view](const QString& script) {
        auto answer = std::make_shared<QVariant>();
        auto done = std::make_shared<bool>(false);
        view->page()->runJavaScript(script, [answer, done](const QVariant& value) {
            *answer = value;
            *done = true;
        });
        QTest::qWaitFor([done] { return *done; }, 10000);
        return answer->toString();
    };
    const QString state = QStringLiteral(
        "Array.from(document.querySelectorAll('ruffle-player')).map(p => p.isPlaying ? 'playing' : 'paused')"
        ".join(' ') + (document.hidden ? ' hidden' : '')");

    // Two movies started back to back: the first, replaced while it loads, leaves the page.
    player->setMovie(cached(3));
    player->setPlaying(true);
    QVERIFY(waitStarted(*player, cached(6)));
    QTRY_COMPARE_WITH_TIMEOUT(ask(state), QStringLiteral("playing"), 10000);

    window.hide();
    QTRY_COMPARE_WITH_TIMEOUT(ask(state), QStringLiteral("paused hidden"), 10000);
    window.show();
    QTRY_COMPARE_WITH_TIMEOUT(ask(state), QStringLiteral("playing"), 10000);
    QVERIFY(player->Playing());
}

int main(int argc, char** argv)
{
    QTemporaryDir home;
    QTemporaryDir site;
    FlashPlayer::prepareProcess();
    QApplication app(argc, argv);
    TestFlashPlayer test(home, site);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_flashplayer.moc"

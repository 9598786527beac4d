#include "gui/player/FlashPlayer.h"

#include "core/outside/LogCategories.h"
#include "core/outside/Process.h"
#include "core/outside/ProgramFolder.h"
#include "core/outside/Twips.h"
#include "core/player/GameCache.h"
#include "gui/outside/UrlOpener.h"
#include "gui/player/EngineLibrary.h"
#include "gui/player/PlayerServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <QVBoxLayout>

#include <unistd.h>

namespace {
QString jsString(const QString& text)
{
    // A JSON string is a valid JavaScript string literal.
    const QByteArray array = QJsonDocument(QJsonArray { text }).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

bool hasRuffle(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo::exists(folder + QStringLiteral("/ruffle.js"));
}
} // namespace

FlashPlayer::FlashPlayer(QWidget* parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // Long enough for the old game's player to have gone and the new one to run.
    settle = new QTimer(this);
    settle->setSingleShot(true);
    settle->setInterval(15000);
    connect(settle, &QTimer::timeout, this, [] { Process::releaseFreedMemory(); });
}

FlashPlayer::~FlashPlayer() = default;

void FlashPlayer::prepareProcess()
{
    // Chromium refuses to start its sandbox as root.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

QString FlashPlayer::ruffleFolder()
{
    const QString fromEnvironment = qEnvironmentVariable("TABRAZO_RUFFLE");
    if (hasRuffle(fromEnvironment))
        return fromEnvironment;
    // A portable folder carries its own copy; an installed program has the one it was built with
    // in its share folder; a build run from its build folder uses the source tree's.
    const QString executable = QCoreApplication::applicationDirPath();
    for (const QString& folder : { QString(executable + QStringLiteral("/ruffle")),
             QDir::cleanPath(executable + QStringLiteral("/../share/tabrazo/ruffle")) }) {
        if (hasRuffle(folder))
            return folder;
    }
#ifdef TABRAZO_RUFFLE_DIR
    if (hasRuffle(QStringLiteral(TABRAZO_RUFFLE_DIR)))
        return QStringLiteral(TABRAZO_RUFFLE_DIR);
#endif
    return QString();
}

bool FlashPlayer::Playing() const
{
    return playing;
}

void FlashPlayer::setPlaying(bool on)
{
    // Download progress stops the player on every notification; with no movie there is nothing
    // to tell the page twice.
    if (on == playing && !holdsMovie)
        return;
    playing = on;
    runOnPage(QStringLiteral("tabrazo.setPlaying(%1)").arg(on ? QStringLiteral("true") : QStringLiteral("false")));
}

QString FlashPlayer::Movie() const
{
    return movie;
}

void FlashPlayer::setMovie(const QString& text)
{
    movie = text;
    settle->start();
    const QUrl address(text, QUrl::StrictMode);
    const bool remote = (address.scheme() == QLatin1String("http") || address.scheme() == QLatin1String("https"))
        && !address.host().isEmpty();
    const bool local = !remote && !text.isEmpty() && QFileInfo(text).isAbsolute();
    if (!remote && !local) {
        // "http://" and the empty text: nothing to play.
        unload();
        return;
    }
    start();
    if (local && !QFileInfo(text).isFile()) {
        unload();
        emit movieFailed(text);
        return;
    }
    if (!engine) {
        // Without its engine the player can play nothing: say so rather than wait for a page.
        emit movieFailed(text);
        return;
    }
    const QString url = local ? server->offerFile(text) : server->offerRemote(address);
    holdsMovie = true;
    pageMovie = url;
    runOnPage(QStringLiteral("tabrazo.load(%1)").arg(jsString(url)));
}

void FlashPlayer::unload()
{
    if (!holdsMovie)
        return;
    holdsMovie = false;
    runOnPage(QStringLiteral("tabrazo.unload()"));
}

int FlashPlayer::Left() const
{
    return Twips::fromPixels(x());
}

void FlashPlayer::setLeft(int twips)
{
    move(Twips::toPixels(twips), y());
}

int FlashPlayer::Width() const
{
    return Twips::fromPixels(width());
}

void FlashPlayer::setWidth(int twips)
{
    resize(qMax(0, Twips::toPixels(twips)), height());
}

int FlashPlayer::Height() const
{
    return Twips::fromPixels(height());
}

void FlashPlayer::setHeight(int twips)
{
    resize(width(), qMax(0, Twips::toPixels(twips)));
}

QString FlashPlayer::pageAddress() const
{
    return server ? server->origin() + QStringLiteral("/player.html") : QString();
}

void FlashPlayer::start()
{
    if (server)
        return;
    server = new PlayerServer(this);
    QFile html(QStringLiteral(":/player/FlashPlayer.html"));
    html.open(QIODevice::ReadOnly);
    server->setPage(html.readAll());
    server->setRuffleFolder(ruffleFolder());
    server->setMovieFolders({ GameCache::folder() });
    if (server->ruffleFolder().isEmpty())
        qCWarning(lcPlayer) << "Ruffle not found: set TABRAZO_RUFFLE or put it in"
                            << QCoreApplication::applicationDirPath() + QStringLiteral("/ruffle");
    else
        qCInfo(lcPlayer) << "Ruffle from" << server->ruffleFolder();
    server->listen(PlayerServer::preferredPortFor(ProgramFolder::path()));

    PlayerEngine::Setup setup;
    setup.storagePath = ProgramFolder::path() + QStringLiteral("/WebProfile");
    setup.home = QUrl(pageAddress());
    setup.events.message = [this](const QString& event, const QString& url) { pageMessage(event, url); };
    setup.events.consoleLine = [](const QString& text) { qCDebug(lcPlayer) << "page:" << text; };
    setup.events.loadFinished = [this](bool ok) {
        if (!ok)
            qCWarning(lcPlayer) << "player page failed to load from" << pageAddress();
    };
    // A crashed page process would leave a dead, black player: start a fresh page.
    setup.events.crashed = [this] {
        qCWarning(lcPlayer) << "player page ended, reloading";
        pageReady = false;
        engine->loadHome();
    };
    setup.events.openLink = [](const QUrl& address) { UrlOpener::open(address.toString()); };
    engine = EngineLibrary::create(this, setup);
    if (!engine)
        return;
    layout()->addWidget(engine->view());
    engine->loadHome();
}

void FlashPlayer::runOnPage(const QString& script)
{
    if (!pageReady) {
        // Calls made before the page is up run in their order once it is.
        pending.append(script);
        return;
    }
    engine->runJavaScript(script);
}

void FlashPlayer::pageMessage(const QString& event, const QString& url)
{
    if (event == QLatin1String("ready")) {
        pageReady = true;
        const QStringList scripts = std::exchange(pending, {});
        for (const QString& script : scripts)
            engine->runJavaScript(script);
        return;
    }
    if (event == QLatin1String("started")) {
        // Keys go to the game without a click.
        if (isVisible()) {
            window()->raise();
            window()->activateWindow();
            engine->view()->setFocus(Qt::OtherFocusReason);
        }
        emit movieStarted(movie);
        return;
    }
    if (event == QLatin1String("failed")) {
        // A report about an earlier movie says nothing about the one the page holds now.
        if (url == pageMovie)
            holdsMovie = false;
        qCDebug(lcPlayer) << "movie could not be played:" << url;
        emit movieFailed(movie);
    }
}

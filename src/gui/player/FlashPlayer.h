#pragma once

#include <QWidget>

#include <memory>

class PlayerEngine;
class PlayerServer;
class QTimer;

// The player of .swf movies on the player window: Ruffle in a web view. The web engine starts
// when asked to or when the player is first given a movie, never before.
class FlashPlayer : public QWidget {
    Q_OBJECT
public:
    explicit FlashPlayer(QWidget* parent = nullptr);
    ~FlashPlayer() override;

    // False stops the running movie; True starts the loaded one.
    bool Playing() const;
    void setPlaying(bool playing);

    // "http://" and the empty text unload; a local path or a remote address loads that movie.
    // Reading gives back exactly the text last set.
    QString Movie() const;
    void setMovie(const QString& movie);

    // Placement on the parent window, in twips.
    int Left() const;
    void setLeft(int twips);
    int Width() const;
    void setWidth(int twips);
    int Height() const;
    void setHeight(int twips);

    // Starts the web engine and loads the player page; the first movie does it too.
    void start();

    // Loopback address of the page that plays the movies (empty until the engine has started).
    QString pageAddress() const;

    // Where Ruffle's files are: TABRAZO_RUFFLE, the folder "ruffle" beside the executable, or the
    // build tree's npm install.
    static QString ruffleFolder();

    // Settings the web engine reads at start, before the application object exists. None of them
    // loads the engine.
    static void prepareProcess();

signals:
    // The movie's first frame has been drawn.
    void movieStarted(const QString& movie);
    // The movie could not be loaded; the player stays empty.
    void movieFailed(const QString& movie);

private:
    void unload();
    void runOnPage(const QString& script);
    void pageMessage(const QString& event, const QString& url);

    QString movie;
    bool playing = true;
    // Whether the page has been told to play a movie and not to drop it since.
    bool holdsMovie = false;
    QString pageMovie;
    PlayerServer* server = nullptr;
    std::unique_ptr<PlayerEngine> engine;
    bool pageReady = false;
    QStringList pending;
    // Gives the memory of replaced games back once the player has settled on one.
    QTimer* settle = nullptr;
};

#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

// The web view Ruffle runs in, as the player sees it. It lives in a library of its own, opened
// only once the main window is on screen, so that Chromium's libraries and start-up never hold
// the first window back. The library sees nothing of the program but this header: it reports
// through the callbacks and is driven through the virtual calls.
class PlayerEngine {
public:
    struct Events {
        // A report of the page's script: "ready", "started" or "failed", and the movie's address.
        std::function<void(const QString& event, const QString& url)> message;
        // Any other line the page wrote to its console at warning level or above.
        std::function<void(const QString& text)> consoleLine;
        std::function<void(bool ok)> loadFinished;
        // The page's process ended abnormally; the page is blank until it is loaded again.
        std::function<void()> crashed;
        // An address a movie opened, for the desktop's browser.
        std::function<void(const QUrl& address)> openLink;
    };

    struct Setup {
        // Where the page's local storage and disk cache live.
        QString storagePath;
        // The player page; every other address the page is sent to goes to openLink.
        QUrl home;
        Events events;
    };

    virtual ~PlayerEngine() = default;

    // The view, a child of the parent given at creation.
    virtual QWidget* view() const = 0;
    // Loads the player page afresh.
    virtual void loadHome() = 0;
    virtual void runJavaScript(const QString& script) = 0;

    // Version of this header the library was built with; a library of another version is not used.
    static constexpr int kInterfaceVersion = 1;
};

// What the library exports, under the name "tabrazo_createPlayerEngine"; it takes kInterfaceVersion.
using CreatePlayerEngine = PlayerEngine* (*)(int interfaceVersion, QWidget* parent, const PlayerEngine::Setup& setup);

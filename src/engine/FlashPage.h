#pragma once

#include "gui/player/PlayerEngine.h"

#include <QWebEnginePage>

// The page Ruffle runs in. It reports to the player through console lines, and hands links that
// a movie opens to the desktop's browser instead of opening windows of its own.
class FlashPage : public QWebEnginePage {
public:
    FlashPage(QWebEngineProfile* profile, const PlayerEngine::Setup& setup, QObject* parent = nullptr);

protected:
    void javaScriptConsoleMessage(
        JavaScriptConsoleMessageLevel level, const QString& text, int line, const QString& source) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    QUrl home;
    PlayerEngine::Events events;
};

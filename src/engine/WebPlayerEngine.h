#pragma once

#include "gui/player/PlayerEngine.h"

class FlashPage;
class QWebEngineProfile;
class QWebEngineView;

// The player's web view: a persistent profile in the program folder, the player page, and a view
// that shows it.
class WebPlayerEngine : public PlayerEngine {
public:
    WebPlayerEngine(QWidget* parent, const Setup& setup);
    ~WebPlayerEngine() override;

    QWidget* view() const override;
    void loadHome() override;
    void runJavaScript(const QString& script) override;

private:
    QUrl home;
    QWebEngineProfile* profile = nullptr;
    FlashPage* page = nullptr;
    QWebEngineView* webView = nullptr;
};

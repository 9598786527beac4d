#pragma once

#include <QWebEnginePage>

// The page Ruffle runs in. It reports to the player through console lines, and hands links that
// a movie opens to the desktop's browser instead of opening windows of its own.
class FlashPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit FlashPage(QWebEngineProfile* profile, QObject* parent = nullptr);

    // The player page; every other address the main frame is sent to goes to the browser.
    void setHome(const QUrl& address) { home = address; }

signals:
    void message(const QString& event, const QString& url);

protected:
    void javaScriptConsoleMessage(
        JavaScriptConsoleMessageLevel level, const QString& text, int line, const QString& source) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    QUrl home;
};

#include "engine/FlashPage.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {
const QString kPrefix = QStringLiteral("tabrazo:");

bool isWebAddress(const QUrl& url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

// Receives the first navigation of a window a movie asked for and passes it on to the browser.
class OutgoingPage : public QWebEnginePage {
public:
    OutgoingPage(QWebEngineProfile* profile, std::function<void(const QUrl&)> open, QObject* parent)
        : QWebEnginePage(profile, parent)
        , open(std::move(open))
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        if (isWebAddress(url) && open)
            open(url);
        deleteLater();
        return false;
    }

private:
    std::function<void(const QUrl&)> open;
};
} // namespace

FlashPage::FlashPage(QWebEngineProfile* profile, const PlayerEngine::Setup& setup, QObject* parent)
    : QWebEnginePage(profile, parent)
    , home(setup.home)
    , events(setup.events)
{
}

void FlashPage::javaScriptConsoleMessage(
    JavaScriptConsoleMessageLevel level, const QString& text, int line, const QString& source)
{
    if (!text.startsWith(kPrefix)) {
        if (level != InfoMessageLevel && events.consoleLine)
            events.consoleLine(text);
        return;
    }
    const QJsonObject report = QJsonDocument::fromJson(text.mid(kPrefix.size()).toUtf8()).object();
    if (events.message)
        events.message(report.value(QLatin1String("event")).toString(), report.value(QLatin1String("url")).toString());
}

QWebEnginePage* FlashPage::createWindow(WebWindowType)
{
    return new OutgoingPage(profile(), events.openLink, this);
}

bool FlashPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    // The player page itself never goes anywhere else; a movie's links open in the browser.
    if (!isMainFrame || url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment) == home)
        return true;
    if (isWebAddress(url) && events.openLink)
        events.openLink(url);
    return false;
}

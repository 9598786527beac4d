#include "gui/player/FlashPage.h"

#include "core/outside/LogCategories.h"
#include "gui/outside/UrlOpener.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {
const QString kPrefix = QStringLiteral("tabrazo:");

// Receives the first navigation of a window a movie asked for and passes it on to the browser.
class OutgoingPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
            UrlOpener::open(url.toString());
        deleteLater();
        return false;
    }
};
} // namespace

FlashPage::FlashPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent)
{
}

void FlashPage::javaScriptConsoleMessage(
    JavaScriptConsoleMessageLevel level, const QString& text, int line, const QString& source)
{
    if (!text.startsWith(kPrefix)) {
        if (level != InfoMessageLevel)
            qCDebug(lcPlayer) << "page:" << text;
        return;
    }
    const QJsonObject report = QJsonDocument::fromJson(text.mid(kPrefix.size()).toUtf8()).object();
    emit message(report.value(QLatin1String("event")).toString(), report.value(QLatin1String("url")).toString());
}

QWebEnginePage* FlashPage::createWindow(WebWindowType)
{
    return new OutgoingPage(profile(), this);
}

bool FlashPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    // The player page itself never goes anywhere else; a movie's links open in the browser.
    if (!isMainFrame || url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment) == home)
        return true;
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        UrlOpener::open(url.toString());
    return false;
}

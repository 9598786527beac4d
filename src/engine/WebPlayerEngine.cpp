#include "engine/WebPlayerEngine.h"

#include "engine/FlashPage.h"

#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

WebPlayerEngine::WebPlayerEngine(QWidget* parent, const Setup& setup)
    : home(setup.home)
{
    // Saved games are the page's local storage: the profile lives in the program folder.
    profile = new QWebEngineProfile(QStringLiteral("WebProfile"));
    profile->setPersistentStoragePath(setup.storagePath);
    profile->setCachePath(setup.storagePath + QStringLiteral("/Cache"));
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);

    page = new FlashPage(profile, setup);
    QWebEngineSettings* settings = page->settings();
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    settings->setAttribute(QWebEngineSettings::LocalStorageEnabled, true);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, true);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    page->setBackgroundColor(Qt::black);
    if (setup.events.loadFinished)
        QObject::connect(page, &QWebEnginePage::loadFinished, page, setup.events.loadFinished);
    if (setup.events.crashed) {
        QObject::connect(page, &QWebEnginePage::renderProcessTerminated, page,
            [crashed = setup.events.crashed](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status != QWebEnginePage::NormalTerminationStatus)
                    crashed();
            });
    }

    webView = new QWebEngineView(parent);
    webView->setPage(page);
    webView->setContextMenuPolicy(Qt::NoContextMenu);
}

WebPlayerEngine::~WebPlayerEngine()
{
    // The page must go before its profile, and the view before its page.
    delete webView;
    delete page;
    delete profile;
}

QWidget* WebPlayerEngine::view() const
{
    return webView;
}

void WebPlayerEngine::loadHome()
{
    page->load(home);
}

void WebPlayerEngine::runJavaScript(const QString& script)
{
    page->runJavaScript(script);
}

extern "C" Q_DECL_EXPORT PlayerEngine* tabrazo_createPlayerEngine(
    int interfaceVersion, QWidget* parent, const PlayerEngine::Setup& setup)
{
    if (interfaceVersion != PlayerEngine::kInterfaceVersion)
        return nullptr;
    return new WebPlayerEngine(parent, setup);
}

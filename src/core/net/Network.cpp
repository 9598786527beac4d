#include "core/net/Network.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QPointer>

QNetworkAccessManager* Network::manager()
{
    // Parented to the application so that it goes before the application does; a test that builds
    // a second application object gets a fresh one.
    static QPointer<QNetworkAccessManager> shared;
    if (!shared)
        shared = new QNetworkAccessManager(QCoreApplication::instance());
    return shared;
}

QNetworkRequest Network::request(const QUrl& url, int timeoutMs)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(timeoutMs);
    return request;
}

bool Network::isFetchable(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

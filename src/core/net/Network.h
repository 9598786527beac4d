#pragma once

#include <QNetworkRequest>
#include <QUrl>

class QNetworkAccessManager;

// What every transfer of the program shares: one access manager, so connections to the content
// server are kept and reused across transfers, and one way of setting up a request.
class Network {
public:
    // The program's access manager, owned by the application object.
    static QNetworkAccessManager* manager();

    // Redirects are followed unless they lead from https to http, and the body comes unencoded:
    // Content-Length then counts the bytes delivered, which is how a cut-off answer is recognised,
    // and a file holds the resource byte for byte. timeoutMs 0: no transfer timeout.
    static QNetworkRequest request(const QUrl& url, int timeoutMs = 0);

    // An absolute http or https address with a host: the only kind the transfers fetch.
    static bool isFetchable(const QUrl& url);
};

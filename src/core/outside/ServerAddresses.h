#pragma once

#include <QString>

// Every host the program talks to. TABRAZO_SERVER (a base such as http://127.0.0.1:8790)
// stands in for the main site, product site, notice server and forum for the demo and tests.
class ServerAddresses {
public:
    static QString mainSite();
    static QString productSite();
    static QString noticeServer();
    static QString forum();
    static QString developerSite();

    // The social services' share pages (scheme and host); the tests never open them.
    static QString qzoneShare();
    static QString kaixinShare();
    static QString renrenShare();
    static QString site51Share();
    static QString weiboShare();
    static QString doubanShare();

    // "/flashxmlfile/version.xml" on the main site, and so on: base without trailing "/" + path.
    static QString onMainSite(const QString& path) { return mainSite() + path; }
    static QString onProductSite(const QString& path) { return productSite() + path; }
    static QString onNoticeServer(const QString& path) { return noticeServer() + path; }
    static QString onForum(const QString& path) { return forum() + path; }

    // True when every replaceable host is on this machine (the demo and the tests).
    static bool isLoopback();
};

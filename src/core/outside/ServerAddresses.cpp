#include "core/outside/ServerAddresses.h"

#include <QHostAddress>
#include <QUrl>

namespace {
QString overrideBase()
{
    QString base = qEnvironmentVariable("TABRAZO_SERVER");
    while (base.endsWith(u'/'))
        base.chop(1);
    return base;
}

QString host(const char* fallback)
{
    const QString base = overrideBase();
    return base.isEmpty() ? QString::fromLatin1(fallback) : base;
}
} // namespace

QString ServerAddresses::mainSite()
{
    return host("http://www.tabrazo.net");
}
QString ServerAddresses::productSite()
{
    return host("http://soft.tabrazo.net");
}
QString ServerAddresses::noticeServer()
{
    return host("http://ad.tabrazo.net");
}
QString ServerAddresses::forum()
{
    return host("http://bbs.tabrazo.net");
}
QString ServerAddresses::developerSite()
{
    return QStringLiteral("http://dev.tabrazo.net");
}
QString ServerAddresses::qzoneShare()
{
    return QStringLiteral("https://sns.qzone.qq.com");
}
QString ServerAddresses::kaixinShare()
{
    return QStringLiteral("http://www.kaixin001.com");
}
QString ServerAddresses::renrenShare()
{
    return QStringLiteral("http://share.renren.com");
}
QString ServerAddresses::site51Share()
{
    return QStringLiteral("http://share.51.com");
}
QString ServerAddresses::weiboShare()
{
    return QStringLiteral("https://service.weibo.com");
}
QString ServerAddresses::doubanShare()
{
    return QStringLiteral("https://www.douban.com");
}

bool ServerAddresses::isLoopback()
{
    const QString base = overrideBase();
    if (base.isEmpty())
        return false;
    const QString h = QUrl(base).host();
    return h.compare(u"localhost", Qt::CaseInsensitive) == 0 || QHostAddress(h).isLoopback();
}

#include "core/player/Sharing.h"

#include "core/outside/Blanks.h"
#include "core/outside/ServerAddresses.h"

#include <QUrl>

const QString Sharing::copiedMessage = QStringLiteral("复制游戏信息成功，请通过Ctrl + V键复制给您的好友！");
const QString Sharing::noGameMessage
    = QStringLiteral("您当前还未开始游戏，不能进行此操作，您可以选择一个游戏之后再点击分享！");

namespace {
QString encoded(const QString& value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString praise(const QString& name, const char* site)
{
    return name + QStringLiteral("是很赞的一款小游戏，不敢独乐。分享给") + QString::fromUtf8(site);
}
} // namespace

std::optional<Sharing::Subject> Sharing::trimmedSubject(
    const QString& name, const QString& description, const QString& address)
{
    Subject game { Blanks::trimmed(name), Blanks::trimmed(description), Blanks::trimmed(address) };
    if (game.address.isEmpty())
        return std::nullopt;
    return game;
}

QString Sharing::recommendation(const Subject& game)
{
    return QStringLiteral("我在Tabrazo上面发现了一款很好玩的游戏，名字叫") + game.name + u'-' + game.description
        + QStringLiteral("游戏地址是：") + game.address;
}

QString Sharing::shareAddress(Target target, const QString& n, const QString& u)
{
    switch (target) {
    case Qzone:
        return ServerAddresses::qzoneShare() + QStringLiteral("/cgi-bin/qzshare/cgi_qzshare_onekey?url=") + encoded(u)
            + QStringLiteral("&title=") + encoded(praise(n, "QQ空间的友友!"));
    case Kaixin: {
        const QString text = encoded(praise(n, "开心网的友友!!"));
        const QString movie = u.contains(QLatin1String(".swf")) ? u : u + QLatin1String(".swf");
        // The "+" stays a query separator (a space once decoded) between the text and the address.
        return ServerAddresses::kaixinShare() + QStringLiteral("/repaste/share.php?rtitle=") + text
            + QStringLiteral("&rurl=&rcontent=") + text + u'+' + encoded(movie);
    }
    case Renren:
        return ServerAddresses::renrenShare() + QStringLiteral("/share/sharer?url=") + encoded(u)
            + QStringLiteral("&title=") + encoded(praise(n, "人人网的友友!"));
    case Site51:
        return ServerAddresses::site51Share() + QStringLiteral("/share/share.php?type=8&title=")
            + encoded(praise(n, "51网的友友!")) + QStringLiteral("&vaddr=") + encoded(u);
    case Weibo:
        return ServerAddresses::weiboShare() + QStringLiteral("/share/share.php?title=")
            + encoded(praise(n, "新浪微博的友友!!")) + QStringLiteral("&url=") + encoded(u);
    case Douban:
        return ServerAddresses::doubanShare() + QStringLiteral("/recommend/?url=") + encoded(u);
    }
    return {};
}

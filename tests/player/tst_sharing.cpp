#include "core/outside/ServerAddresses.h"
#include "core/player/Sharing.h"

#include <QTest>
#include <QUrl>

namespace {
// The query of address as the service reads it back, value by value.
QList<QPair<QString, QString>> decodedQuery(const QString& address)
{
    QList<QPair<QString, QString>> items;
    for (const QString& item : QUrl(address).query(QUrl::FullyEncoded).split(u'&')) {
        const qsizetype equals = item.indexOf(u'=');
        QString value = item.mid(equals + 1);
        value.replace(u'+', u' ');
        items.append({ item.left(equals), QUrl::fromPercentEncoding(value.toUtf8()) });
    }
    return items;
}
} // namespace

class TestSharing : public QObject {
    Q_OBJECT

private slots:
    void recommendationText();
    void subjectOfBlankFilledFields();
    void shareAddresses_data();
    void shareAddresses();
    void kaixinAddsSwfOnlyWhenMissing();
    void untrimmedAddressKeepsItsBlanks();
};

void TestSharing::recommendationText()
{
    // A "-" of the game's own texts stays; the text is never read back.
    QCOMPARE(Sharing::recommendation(
                 { QStringLiteral("坦克-大战"), QStringLiteral("经典-射击"), QStringLiteral("http://x/flash/1.swf") }),
        QStringLiteral(
            "我在Tabrazo上面发现了一款很好玩的游戏，名字叫坦克-大战-经典-射击游戏地址是：http://x/flash/1.swf"));
}

void TestSharing::subjectOfBlankFilledFields()
{
    QVERIFY(!Sharing::trimmedSubject(QStringLiteral("名字"), QStringLiteral("说明"), QStringLiteral("    ")));
    QVERIFY(!Sharing::trimmedSubject(QStringLiteral("名字"), QStringLiteral("说明"), QString()));
    const auto game = Sharing::trimmedSubject(
        QStringLiteral(" 名字  "), QStringLiteral("说明   "), QStringLiteral("  http://x/a.swf  "));
    QVERIFY(game);
    QCOMPARE(game->name, QStringLiteral("名字"));
    QCOMPARE(game->description, QStringLiteral("说明"));
    QCOMPARE(game->address, QStringLiteral("http://x/a.swf"));
    // Only blanks are padding; a tab belongs to the text.
    QCOMPARE(
        Sharing::trimmedSubject(QStringLiteral("\tA "), QString(), QStringLiteral("u"))->name, QStringLiteral("\tA"));
}

void TestSharing::shareAddresses_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("endpoint");
    QTest::addColumn<QStringList>("query");
    const QString n = QStringLiteral("小鸟&飞 #1");
    const QString u = QStringLiteral("http://x/flash/a b.swf?x=1&y=2");
    const QString praise = n + QStringLiteral("是很赞的一款小游戏，不敢独乐。分享给");
    QTest::newRow("qzone") << int(Sharing::Qzone)
                           << ServerAddresses::qzoneShare() + QStringLiteral("/cgi-bin/qzshare/cgi_qzshare_onekey")
                           << QStringList { QStringLiteral("url"), u, QStringLiteral("title"),
                                  praise + QStringLiteral("QQ空间的友友!") };
    QTest::newRow("renren") << int(Sharing::Renren) << ServerAddresses::renrenShare() + QStringLiteral("/share/sharer")
                            << QStringList { QStringLiteral("url"), u, QStringLiteral("title"),
                                   praise + QStringLiteral("人人网的友友!") };
    QTest::newRow("51") << int(Sharing::Site51) << ServerAddresses::site51Share() + QStringLiteral("/share/share.php")
                        << QStringList { QStringLiteral("type"), QStringLiteral("8"), QStringLiteral("title"),
                               praise + QStringLiteral("51网的友友!"), QStringLiteral("vaddr"), u };
    QTest::newRow("weibo") << int(Sharing::Weibo) << ServerAddresses::weiboShare() + QStringLiteral("/share/share.php")
                           << QStringList { QStringLiteral("title"), praise + QStringLiteral("新浪微博的友友!!"),
                                  QStringLiteral("url"), u };
    QTest::newRow("douban") << int(Sharing::Douban) << ServerAddresses::doubanShare() + QStringLiteral("/recommend/")
                            << QStringList { QStringLiteral("url"), u };
    QTest::newRow("kaixin") << int(Sharing::Kaixin)
                            << ServerAddresses::kaixinShare() + QStringLiteral("/repaste/share.php")
                            << QStringList { QStringLiteral("rtitle"), praise + QStringLiteral("开心网的友友!!"),
                                   QStringLiteral("rurl"), QString(), QStringLiteral("rcontent"),
                                   praise + QStringLiteral("开心网的友友!! ") + u };
}

void TestSharing::shareAddresses()
{
    QFETCH(int, target);
    QFETCH(QString, endpoint);
    QFETCH(QStringList, query);
    const QString address = Sharing::shareAddress(
        Sharing::Target(target), QStringLiteral("小鸟&飞 #1"), QStringLiteral("http://x/flash/a b.swf?x=1&y=2"));
    // Handed to the browser as one valid address: nothing raw that it would re-read.
    QVERIFY(QUrl(address, QUrl::StrictMode).isValid());
    QVERIFY(!address.contains(u' ') && !address.contains(u'#'));
    QCOMPARE(address.left(address.indexOf(u'?')), endpoint);
    QStringList decoded;
    for (const auto& [key, value] : decodedQuery(address))
        decoded << key << value;
    QCOMPARE(decoded, query);
}

void TestSharing::kaixinAddsSwfOnlyWhenMissing()
{
    const auto content = [](const QString& address) {
        return decodedQuery(Sharing::shareAddress(Sharing::Kaixin, QStringLiteral("N"), address)).last().second;
    };
    const QString text = QStringLiteral("N是很赞的一款小游戏，不敢独乐。分享给开心网的友友!! ");
    QCOMPARE(content(QStringLiteral("http://x/a.swf")), text + QStringLiteral("http://x/a.swf"));
    QCOMPARE(content(QStringLiteral("http://x/a")), text + QStringLiteral("http://x/a.swf"));
    // The search is case-sensitive.
    QCOMPARE(content(QStringLiteral("http://x/A.SWF")), text + QStringLiteral("http://x/A.SWF.swf"));
}

void TestSharing::untrimmedAddressKeepsItsBlanks()
{
    // Weibo gets the player's address as it stands; its blanks travel encoded, never raw.
    const QString address
        = Sharing::shareAddress(Sharing::Weibo, QStringLiteral("a"), QStringLiteral(" http://x/a.swf "));
    QVERIFY(address.endsWith(QStringLiteral("&url=%20http%3A%2F%2Fx%2Fa.swf%20")));
}

QTEST_GUILESS_MAIN(TestSharing)
#include "tst_sharing.moc"

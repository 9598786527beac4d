#include "core/outside/MessageBox.h"
#include "core/outside/ProgramFolder.h"
#include "core/outside/ServerAddresses.h"
#include "core/update/UpdateRules.h"
#include "gui/outside/UrlOpener.h"
#include "gui/update/GyTabrazo.h"
#include "gui/update/TabrazoUpdateFm.h"
#include "gui/widgets/LinkLabel.h"

#include "support/ContentServer.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The updater window against the project's content server: the check with its retries, the
// stored description, and the download's digest check.
class UpdateWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir site;
    QTemporaryDir home;
    ContentServer server;

    static QByteArray description(const QString& version, const QString& url, const QByteArray& extra = {})
    {
        return "[Main]\r\nVersion=" + version.toLatin1() + "\r\nUrl= " + url.toLatin1()
            + " \r\nQzUpdate=1\r\nBeeName=Tabrazo\r\n" + extra;
    }

    // Log lines without their time of day.
    static QStringList lines(const TabrazoUpdateFm& window)
    {
        QStringList result;
        for (QString line : window.Text1->toPlainText().split(u'\n')) {
            const qsizetype cut = line.indexOf(QStringLiteral("    "));
            result.append(cut >= 0 ? line.mid(cut + 4) : line);
        }
        return result;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(server.start(site.path()));
        qputenv("TABRAZO_SERVER", server.url(QString()).toLatin1());
        ProgramFolder::setOverride(home.path());
        MessageBox::setPresenter([](const MessageBox::Shown&) { return MessageBox::AnswerYes; });
    }

    void retriesUntilTheServerAnswers()
    {
        // A longer description from an earlier check must leave no trace in the shorter new one.
        QVERIFY(put(home.filePath(QStringLiteral("Update.dll")), QByteArray(4096, 'x')));
        const QByteArray served = description(QStringLiteral("3.0.01"), QStringLiteral("http://127.0.0.1:1/x"));
        QVERIFY(put(site.filePath(QStringLiteral("Update3.html")), served));
        QVERIFY(server.setFault(QStringLiteral("/Update3.html"), QStringLiteral("reset")));

        TabrazoUpdateFm window;
        // The countdown waits inside the window's handlers, so the server is switched from a timer:
        // once the second countdown has begun, the third request finds it answering.
        QTimer heal;
        connect(&heal, &QTimer::timeout, this, [&] {
            if (lines(window).count(QStringLiteral("读取出错，可能是因为网络原因！程序将在5秒后重试！")) == 2) {
                heal.stop();
                QCOMPARE(window.Label1->text(), QStringLiteral("读取出错。"));
                QVERIFY(!window.BeginUpdate->isEnabled());
                QVERIFY(server.setFault(QStringLiteral("/Update3.html"), QStringLiteral("none")));
            }
        });
        heal.start(50);
        window.Form_Load();
        QTRY_VERIFY_WITH_TIMEOUT(window.BeginUpdate->isEnabled(), 30000);

        QStringList countdown;
        for (int s = 5; s >= 1; --s)
            countdown << UpdateRules::countdownLine(s);
        const QStringList failure = QStringList { QStringLiteral("读取出错，可能是因为网络原因！程序将在5秒后重试！") }
            + countdown + QStringList { QStringLiteral("程序开始重新读取网络列表！") };
        const QStringList expected = QStringList { QStringLiteral("开始读取网络版本！") } + failure + failure
            + QStringList { QStringLiteral("开始写入数据，正在进行写入初始化！"),
                  QStringLiteral("初始化完毕，开始写入！"), QStringLiteral("写入网络版本数据完毕，开始读取对比！"),
                  QStringLiteral("当前程序版本号：") + UpdateRules::runningVersion(),
                  QStringLiteral("网络最新版本号：3.0.01"), QStringLiteral("查询该版本是否重要更新中......"),
                  QStringLiteral("该版本有重要更新内容，建议您立即更新到该版本！") };
        QCOMPARE(lines(window), expected);
        // The version lines carry no time, the others do.
        QVERIFY(window.Text1->toPlainText().split(u'\n').at(0).contains(QStringLiteral("    ")));
        QVERIFY(window.Text1->toPlainText().split(u'\n').at(18).startsWith(QStringLiteral("当前程序版本号：")));
        QCOMPARE(get(home.filePath(QStringLiteral("Update.dll"))), served);
        QCOMPARE(window.AppUrl, QStringLiteral("http://127.0.0.1:1/x"));
    }

    void sameVersionWithoutLengthOffersNothing()
    {
        QVERIFY(put(site.filePath(QStringLiteral("Update3.html")), description(UpdateRules::runningVersion(), {})));
        QVERIFY(server.setFault(QStringLiteral("/Update3.html"), QStringLiteral("nolength")));
        TabrazoUpdateFm window;
        window.Form_Load();
        QTRY_VERIFY_WITH_TIMEOUT(lines(window).last().startsWith(QStringLiteral("网络最新版本号：")), 10000);
        QVERIFY(lines(window).contains(QStringLiteral("收到版本数据，开始加载！")));
        QTest::qWait(3500);
        QVERIFY(lines(window).last().startsWith(QStringLiteral("网络最新版本号：")));
        QVERIFY(!window.BeginUpdate->isEnabled());
        QVERIFY(server.setFault(QStringLiteral("/Update3.html"), QStringLiteral("none")));
    }

    void aBuildThatFailsItsDigestIsNotInstalled()
    {
        const QByteArray build("#!/bin/sh\nexit 0\n");
        QVERIFY(put(site.filePath(QStringLiteral("build.bin")), build + "tampered"));
        const QByteArray digest = QCryptographicHash::hash(build, QCryptographicHash::Sha256).toHex();
        QVERIFY(put(site.filePath(QStringLiteral("Update3.html")),
            description(
                QStringLiteral("9.9.9"), server.url(QStringLiteral("/build.bin")), "Sha256=" + digest + "\r\n")));
        TabrazoUpdateFm window;
        window.Form_Load();
        QTRY_VERIFY_WITH_TIMEOUT(window.BeginUpdate->isEnabled(), 10000);
        MessageBox::clearShown();
        QTest::mouseClick(window.BeginUpdate, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(MessageBox::shown().size(), 1, 10000);
        QCOMPARE(MessageBox::shown().at(0).text, QStringLiteral("升级文件校验失败，请重试！"));
        QCOMPARE(MessageBox::shown().at(0).icon, MessageBox::NoIcon);
        QVERIFY(!QFile::exists(home.filePath(QStringLiteral("Tabrazo.exe"))));
        QVERIFY(lines(window).last().startsWith(QStringLiteral("升级文件SHA-256：")));
        QVERIFY(window.PBar1->value() <= 100);
    }

    void aboutBoxLinksOpenTheirSites()
    {
        QStringList opened;
        UrlOpener::setRecorder([&](const QString& address) { opened << address; });
        GyTabrazo about;
        about.show();
        QCOMPARE(about.windowTitle(), QStringLiteral("关于Tabrazo"));
        QCOMPARE(about.NameLabel->text(), QStringLiteral("Tabrazo ") + UpdateRules::runningVersion());
        for (LinkLabel* link : about.Label1)
            QTest::mouseClick(link, Qt::LeftButton);
        const QString base = server.url(QString());
        QCOMPARE(opened,
            QStringList({ ServerAddresses::developerSite() + u'/', base + u'/', base + u'/',
                ServerAddresses::developerSite() + u'/', base + u'/' }));
        QCOMPARE(about.Label1.at(1)->text(), base);
        UrlOpener::setRecorder(nullptr);
    }
};

QTEST_MAIN(UpdateWindowTest)
#include "tst_updatewindow.moc"

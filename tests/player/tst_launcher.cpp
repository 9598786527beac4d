#include "core/net/DownLoad.h"
#include "core/net/PercentRule.h"
#include "core/player/GameCache.h"
#include "gui/menus/MuenFrm.h"
#include "gui/player/FlashFrm.h"
#include "gui/player/FlashPlayer.h"
#include "gui/player/GameJsFrm.h"
#include "gui/settings/TabrazoSz.h"
#include "gui/shell/FormMain.h"
#include "gui/shell/Forms.h"
#include "gui/shell/SjCL.h"
#include "gui/widgets/ButtonEx.h"
#include "gui/widgets/ListBoxEx.h"
#include "support/ContentServer.h"
#include "support/TestCatalogue.h"
#include "support/Windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <memory>

using TestCatalogue::game;

class TestLauncher : public QObject {
    Q_OBJECT

public:
    explicit TestLauncher(QTemporaryDir& home)
        : dir(home)
    {
    }

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void cacheFileNames_data();
    void cacheFileNames();
    void doubleClickFetchesAndPlaysTheCacheFile();
    void loadedAddressStartsNoTransfer();
    void storedFileIsNeverReplaced();
    void fileIsNamedAfterTheGameFetched();
    void unknownLengthKeepsThePercent();
    void fullScreenWhenLoaded();
    void nothingToStart();
    void failedTransferSaysSo();

private:
    enum Row { Cat, Cannon, Spaces, NoLength, Missing };

    // A click on a row of the game list, then its launch routine; optionally waits for the end.
    void start(Row row)
    {
        main->List2->setListIndex(row);
        SjCL::ShowGameInfo(*main, main->List2);
        main->List2_DbClick();
    }
    bool finished() { return !completed->isEmpty() || completed->wait(20000); }
    QString url(int id) const { return server.url(QStringLiteral("/%1.swf").arg(id)); }
    QString program() const { return dir.filePath(QStringLiteral("program")); }
    QString cached(const QString& title) const { return program() + QStringLiteral("/GamePath/") + title + u".swf"; }
    QByteArray served(int id) const { return read(dir.filePath(QStringLiteral("site/%1.swf").arg(id))); }
    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
    bool noLeftovers() const
    {
        return QDir(program()).entryList({ QStringLiteral(".dl-*") }, QDir::Hidden | QDir::Files).isEmpty();
    }

    QTemporaryDir& dir;
    ContentServer server;
    std::unique_ptr<FormMain> main;
    std::unique_ptr<QSignalSpy> completed;
    FlashFrm* player = nullptr;
};

void TestLauncher::initTestCase()
{
    QVERIFY(QDir().mkpath(program()) && QDir().mkpath(dir.filePath(QStringLiteral("site"))));
    qputenv("TABRAZO_HOME", QFile::encodeName(program()));
    QVERIFY(server.start(dir.filePath(QStringLiteral("site"))));
    for (int id : { 1, 2, 4 }) {
        QFile file(dir.filePath(QStringLiteral("site/%1.swf").arg(id)));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(ContentServer::randomBytes(60000 + id)) == 60000 + id);
    }
    QVERIFY(server.setFault(QStringLiteral("/4.swf"), QStringLiteral("nolength")));
    QVERIFY(TestCatalogue::write(program() + QStringLiteral("/LDsend.Dll"),
        { { u"动作"_qs,
            { game(1, u"小猫快跑"_qs, url(1)), game(2, u"大炮"_qs, url(2)), game(3, u"空地址"_qs, u"   "_qs),
                game(4, u"无长度"_qs, url(4)), game(5, u"不存在"_qs, url(5)) } } }));

    main = std::make_unique<FormMain>();
    forms().setFormMain(main.get());
    SjCL::LoadCatalogue(*main, program() + QStringLiteral("/LDsend.Dll"));
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    player = forms().flashFrm();
}

void TestLauncher::init()
{
    main->DownLoad1->Cancel();
    QDir(program() + QStringLiteral("/GamePath")).removeRecursively();
    QVERIFY(QDir().mkpath(program() + QStringLiteral("/GamePath")));
    forms().tabrazoSz()->自动全屏化->setChecked(false);
    player->setWindowState(Qt::WindowNoState);
    player->Flash1->setMovie(QString());
    completed = std::make_unique<QSignalSpy>(main->DownLoad1, &DownLoad::DownloadComplete);
}

void TestLauncher::cleanupTestCase()
{
    completed.reset();
    main.reset();
    unloadWindows();
}

void TestLauncher::cacheFileNames_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("file");
    QTest::newRow("kept as it is") << u" 小猫.快跑 "_qs << u" 小猫.快跑 .swf"_qs;
    QTest::newRow("slashes") << u"../..\\x"_qs << u".._.._x.swf"_qs;
    QTest::newRow("dot") << u"."_qs << u"_.swf"_qs;
    QTest::newRow("dot dot") << u".."_qs << u"__.swf"_qs;
    QTest::newRow("three dots") << u"..."_qs << u"....swf"_qs;
    QTest::newRow("nul") << (u"a"_qs + QChar(0) + u"b"_qs) << u"a_b.swf"_qs;
}

void TestLauncher::cacheFileNames()
{
    QFETCH(QString, title);
    QFETCH(QString, file);
    QCOMPARE(GameCache::path(title), program() + QStringLiteral("/GamePath/") + file);
    // The folder is found whatever its letter case.
    QVERIFY(QDir(program()).rename(QStringLiteral("GamePath"), QStringLiteral("gamePATH")));
    QCOMPARE(GameCache::path(title), program() + QStringLiteral("/gamePATH/") + file);
    QVERIFY(QDir(program()).rename(QStringLiteral("gamePATH"), QStringLiteral("GamePath")));
}

void TestLauncher::doubleClickFetchesAndPlaysTheCacheFile()
{
    player->hide();
    QVERIFY(server.setFault(QStringLiteral("/1.swf"), QStringLiteral("slow:150000")));
    QStringList wrong;
    // Connected after the window's own handler: checks the state each notification leaves.
    QObject scope;
    connect(main->DownLoad1, &DownLoad::DownloadProgress, &scope, [&](qint32 read, qint32 max) {
        const double percent = *PercentRule::percent(read, max);
        if (player->Flash1->Movie() != u"http://" || player->Flash1->Playing() || player->Picture1->isHidden()
            || player->QpGame->isEnabled() || player->Label3->text() != PercentRule::format0(percent) + u'%'
            || player->ProgressBar1->value() != PercentRule::barValue(percent))
            wrong << QStringLiteral("%1/%2").arg(read).arg(max);
    });
    const QPoint row = main->List2->hWnd()->mapTo(main.get(), QPoint(40, 1 + main->List2->ItemHeight() / 2));
    QTest::mouseDClick(main->windowHandle(), Qt::LeftButton, {}, row);

    QVERIFY(player->isVisible());
    const QRect beside = main->frameGeometry();
    QCOMPARE(player->pos(), QPoint(beside.x() + beside.width(), beside.y()));
    QCOMPARE(player->windowTitle(), u"您当前正在玩的游戏是：《小猫快跑》"_qs);
    QCOMPARE(QStringList({ player->GbName, player->GbStyle, player->GbFlashUrl }),
        QStringList({ u"小猫快跑"_qs, u"动作"_qs, url(1) }));
    QVERIFY(!player->ProgressBar1->isHidden() && !player->Label2->isHidden() && !player->Label3->isHidden());

    QVERIFY(finished());
    QVERIFY(server.setFault(QStringLiteral("/1.swf"), QStringLiteral("none")));
    QCOMPARE(wrong, QStringList());
    QCOMPARE(read(cached(u"小猫快跑"_qs)), served(1));
    QCOMPARE(player->Flash1->Movie(), cached(u"小猫快跑"_qs));
    QVERIFY(player->Flash1->Playing() && player->Picture1->isHidden() && player->QpGame->isEnabled());
    QCOMPARE(player->ProgressBar1->value(), 0);
    QVERIFY(noLeftovers());
}

void TestLauncher::loadedAddressStartsNoTransfer()
{
    // As after the player's restart: the remote address itself is loaded.
    player->Flash1->setMovie(url(2));
    player->setWindowTitle(QString());
    start(Cannon);
    QCOMPARE(player->windowTitle(), u"您当前正在玩的游戏是：《大炮》"_qs);
    QVERIFY(!completed->wait(500));
    QCOMPARE(player->Flash1->Movie(), url(2));
}

void TestLauncher::storedFileIsNeverReplaced()
{
    QFile old(cached(u"大炮"_qs));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("stored first") == 12);
    old.close();
    start(Cannon);
    QVERIFY(finished());
    QCOMPARE(read(cached(u"大炮"_qs)), QByteArray("stored first"));
    QCOMPARE(player->Flash1->Movie(), cached(u"大炮"_qs));
    QVERIFY(player->Flash1->Playing());
    // The fresh copy is of no use and must not pile up in the program folder.
    QVERIFY(noLeftovers());
}

void TestLauncher::fileIsNamedAfterTheGameFetched()
{
    QVERIFY(server.setFault(QStringLiteral("/1.swf"), QStringLiteral("slow:150000")));
    QSignalSpy progress(main->DownLoad1, &DownLoad::DownloadProgress);
    start(Cat);
    QVERIFY(progress.wait(10000));
    // A click on another game changes the selection, not the name of the file being fetched.
    main->List2->setListIndex(Cannon);
    SjCL::ShowGameInfo(*main, main->List2);
    QVERIFY(finished());
    QCOMPARE(read(cached(u"小猫快跑"_qs)), served(1));
    QVERIFY(!QFile::exists(cached(u"大炮"_qs)));

    // A launch during a transfer replaces it: the newest game is the one stored.
    QVERIFY(QFile::remove(cached(u"小猫快跑"_qs)));
    completed->clear();
    start(Cat);
    QVERIFY(progress.wait(10000));
    start(Cannon);
    QVERIFY(finished());
    QVERIFY(server.setFault(QStringLiteral("/1.swf"), QStringLiteral("none")));
    QCOMPARE(read(cached(u"大炮"_qs)), served(2));
    QVERIFY(!QFile::exists(cached(u"小猫快跑"_qs)));
}

void TestLauncher::unknownLengthKeepsThePercent()
{
    player->Label3->setText(u"42%"_qs);
    player->ProgressBar1->setValue(42);
    QSignalSpy progress(main->DownLoad1, &DownLoad::DownloadProgress);
    start(NoLength);
    QVERIFY(finished());
    QVERIFY(!progress.isEmpty() && progress.last().at(1).toInt() == 0);
    QCOMPARE(player->Label3->text(), u"42%"_qs);
    QCOMPARE(read(cached(u"无长度"_qs)), served(4));
    QCOMPARE(player->Flash1->Movie(), cached(u"无长度"_qs));
}

void TestLauncher::fullScreenWhenLoaded()
{
    forms().tabrazoSz()->自动全屏化->setChecked(true);
    start(Cat);
    QVERIFY(finished());
    QVERIFY(player->windowState() & Qt::WindowMaximized);
    // Already full screen: the next load must not toggle it back off.
    completed->clear();
    start(Cannon);
    QVERIFY(finished());
    QVERIFY(player->windowState() & Qt::WindowMaximized);
    QVERIFY(player->QpGame->Value());
}

void TestLauncher::nothingToStart()
{
    start(Cat);
    QVERIFY(finished());
    completed->clear();
    player->setWindowTitle(u"before"_qs);
    // An address of spaces only.
    start(Spaces);
    // A double-click below the last row has cleared the selection: no game to hand over.
    main->List2->setListIndex(Cannon);
    SjCL::ShowGameInfo(*main, main->List2);
    main->List2->setListIndex(-1);
    main->List2_DbClick();
    QVERIFY(!completed->wait(500));
    QCOMPARE(player->windowTitle(), u"before"_qs);
    QCOMPARE(player->GbName, u"小猫快跑"_qs);
}

// A game file the server does not have: the panel says so instead of waiting at 0% for good, and
// the next double-click starts afresh, with the game's own text even after a catalogue download
// that never finished. A game stored before still plays when the server fails.
void TestLauncher::failedTransferSaysSo()
{
    start(Missing);
    QVERIFY(finished());
    QVERIFY(completed->first().at(0).toBool());
    QCOMPARE(player->Label2->text(), u"游戏下载失败，请稍后重试！"_qs);
    QVERIFY(!player->Label2->isHidden());
    completed->clear();
    player->showCatalogueProgress(40.0);
    start(Cat);
    QCOMPARE(player->Label2->text(), u"请稍候！Tabrazo已经给您准备了该游戏的："_qs);
    QVERIFY(finished());
    QVERIFY(!completed->first().at(0).toBool());
    QTRY_COMPARE(player->Flash1->Movie(), cached(u"小猫快跑"_qs));

    QVERIFY(server.setFault(QStringLiteral("/1.swf"), QStringLiteral("500")));
    player->Flash1->setMovie(QString());
    completed->clear();
    start(Cat);
    QVERIFY(finished());
    QVERIFY(completed->first().at(0).toBool());
    QVERIFY(server.setFault(QStringLiteral("/1.swf"), QStringLiteral("none")));
    QCOMPARE(player->Flash1->Movie(), cached(u"小猫快跑"_qs));
    QVERIFY(player->Picture1->isHidden());
    QCOMPARE(read(cached(u"小猫快跑"_qs)), served(1));
}

int main(int argc, char** argv)
{
    FlashPlayer::prepareProcess();
    // Outlives the application: the web engine writes its profile while the application ends.
    QTemporaryDir home;
    QApplication app(argc, argv);
    TestLauncher test(home);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_launcher.moc"

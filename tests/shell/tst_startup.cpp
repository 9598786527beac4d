#include "core/outside/MessageBox.h"
#include "gui/player/FlashFrm.h"
#include "gui/player/FlashPlayer.h"
#include "gui/shell/FormMain.h"
#include "gui/shell/Forms.h"
#include "gui/widgets/Skin.h"
#include "support/ContentServer.h"
#include "support/Windows.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The program's start: the main window reaches the screen before Chromium is even in the
// process; the player window and its web engine follow once the main window has been drawn.
class TestStartup : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    ContentServer server;

    static bool inProcess(const QByteArray& library)
    {
        QFile maps(QStringLiteral("/proc/self/maps"));
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        qputenv("TABRAZO_HOME", QFile::encodeName(dir.path()));
        // The player waits for the answer to the version request, so that the lists are filled
        // before its engine holds the program up; a server that never answers must not keep it
        // from starting.
        QVERIFY(server.start(dir.path()));
        QVERIFY(server.setFault(QStringLiteral("/flashxmlfile/version.xml"), QStringLiteral("silent")));
        qputenv("TABRAZO_SERVER", server.url(QString()).toUtf8());
    }

    void engineComesAfterTheMainWindow()
    {
        QVERIFY2(!inProcess("libQt6WebEngineCore"), "the program links the web engine");
        Skin::prefetch(FormMain::startPictures());
        auto* main = new FormMain;
        main->Form_Load();
        QVERIFY(main->isVisible());
        // Every picture decoded ahead was one the window needed.
        QCOMPARE(Skin::prefetchedUnused(), QStringList());
        QVERIFY(!inProcess("libQt6WebEngineCore"));
        QVERIFY(!forms().loadedFlashFrm());

        QVERIFY(QTest::qWaitForWindowExposed(main));
        // Well before the version request gives up, after 30 s.
        QTRY_VERIFY_WITH_TIMEOUT(inProcess("libtabrazo_engine.so") && inProcess("libQt6WebEngineCore"), 15000);
        // A new folder opens the player at start; its player holds the engine's view.
        FlashFrm* player = forms().loadedFlashFrm();
        QVERIFY(player && player->isVisible());
        QVERIFY(player->Flash1->pageAddress().startsWith(u"http://127.0.0.1:"));
        QVERIFY(!player->Flash1->findChildren<QWidget*>().isEmpty());
        QVERIFY(MessageBox::shown().isEmpty() || MessageBox::shown().first().text == u"未设置热键");

        delete main;
        unloadWindows();
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"

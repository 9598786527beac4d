#include "core/net/DownLoad.h"
#include "core/outside/AnsiCodec.h"
#include "core/outside/MessageBox.h"
#include "gui/menus/MuenFrm.h"
#include "gui/menus/Tray.h"
#include "gui/outside/Clipboard.h"
#include "gui/outside/UrlOpener.h"
#include "gui/player/FlashFrm.h"
#include "gui/player/GameJsFrm.h"
#include "gui/settings/TabrazoSz.h"
#include "gui/shell/FormMain.h"
#include "gui/shell/Forms.h"
#include "gui/shell/MenuCommands.h"
#include "gui/shell/SjCL.h"
#include "gui/widgets/ButtonEx.h"
#include "gui/widgets/ListBoxEx.h"
#include "support/TestCatalogue.h"
#include "support/Windows.h"
#include "support/TestFiles.h"

#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using TestCatalogue::game;

// The main window's own commands: view-button menus, right-click menus, the notice line, the
// window's minimise, and the menu commands that act on the main window.
class TestMainWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<FormMain> main;
    QStringList opened;

    QString file(const QString& name) const { return dir.filePath(name); }
    static QMenu* openMenu()
    {
        QMenu* open = nullptr;
        for (QMenu* menu : forms().muenFrm()->menus()) {
            if (menu->isVisible())
                open = menu;
        }
        return open;
    }
    static void closeMenus()
    {
        for (QMenu* menu : forms().muenFrm()->menus())
            menu->hide();
    }
    // Press and release of one mouse button at (x, y) of a view button.
    static void pressViewButton(ButtonEx* button, int x, int y, Qt::MouseButton which = Qt::LeftButton)
    {
        QTest::mousePress(button, which, {}, QPoint(x, y));
        QTest::mouseRelease(button, which, {}, QPoint(x, y));
    }
    QPoint rowCentre(ListBoxEx* list, int row) const
    {
        return QPoint(40, list->ItemHeight() * row + list->ItemHeight() / 2);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        qputenv("TABRAZO_HOME", QFile::encodeName(dir.path()));
        qputenv("TABRAZO_SERVER", "http://127.0.0.1:8790");
        UrlOpener::setRecorder([this](const QString& address) { opened << address; });
        QVERIFY(TestCatalogue::write(file(QStringLiteral("LDsend.Dll")),
            { { u"动作"_qs,
                  { game(1, u"小猫快跑"_qs), game(2, u"大炮"_qs), game(4, u"飞刀"_qs), game(5, u"赛车"_qs) } },
                { u"益智"_qs, { game(3, u"连连看"_qs), game(6, u"数独"_qs), game(7, u"拼图"_qs) } },
                { u"棋牌"_qs, { game(8, u"象棋"_qs) } } }));
    }
    void init()
    {
        main = std::make_unique<FormMain>();
        forms().setFormMain(main.get());
        SjCL::LoadCatalogue(*main, file(QStringLiteral("LDsend.Dll")));
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main.get()));
        MessageBox::clearShown();
        opened.clear();
    }
    void cleanup() { closeMenus(); }
    void cleanupTestCase()
    {
        main.reset();
        unloadWindows();
    }

    void viewButtonMenus();
    void rightClickMenus();
    void notices();
    void minimiseWithoutTray();
    void menuCommands();
};

void TestMainWindow::viewButtonMenus()
{
    MuenFrm* menus = forms().muenFrm();
    // The first click on another view's button switches views and opens nothing.
    pressViewButton(main->ScList, 70, 10);
    QVERIFY(main->ScList->Value());
    QCOMPARE(openMenu(), nullptr);
    // A second press on its right part opens its menu; on its left part nothing.
    pressViewButton(main->ScList, 30, 10);
    QCOMPARE(openMenu(), nullptr);
    pressViewButton(main->ScList, 70, 10);
    QCOMPARE(openMenu(), menus->ScMuen);
    closeMenus();

    // The game list's button: the top row of pixels and its far right open nothing.
    pressViewButton(main->YxList, 70, 10);
    QVERIFY(main->YxList->Value());
    pressViewButton(main->YxList, 70, 0);
    QCOMPARE(openMenu(), nullptr);
    pressViewButton(main->YxList, 87, 10);
    QCOMPARE(openMenu(), nullptr);
    pressViewButton(main->YxList, 70, 1);
    QCOMPARE(openMenu(), menus->YxMuen);
    closeMenus();

    // A button whose view is not showing opens nothing on another mouse button either.
    pressViewButton(main->SbpLAY, 70, 10, Qt::RightButton);
    QCOMPARE(openMenu(), nullptr);
    QCOMPARE(main->SbpLAYDropDown, 2);
}

void TestMainWindow::rightClickMenus()
{
    MuenFrm* menus = forms().muenFrm();
    ListBoxEx* list = main->List2;
    QWidget* rows = list->hWnd();
    // The right-clicked row is selected and taken over before its menu opens.
    QTest::mousePress(rows, Qt::RightButton, {}, rowCentre(list, 1));
    QTest::mouseRelease(rows, Qt::RightButton, {}, rowCentre(list, 1));
    QTRY_COMPARE(openMenu(), menus->GameListMuen);
    QCOMPARE(list->ListIndex(), 1);
    QCOMPARE(main->GameNameSL, u"大炮"_qs);
    QCOMPARE(menus->GmName, u"大炮"_qs);
    closeMenus();

    // Below the last row: no selection, no menu.
    QTest::mousePress(rows, Qt::RightButton, {}, rowCentre(list, 5));
    QTest::mouseRelease(rows, Qt::RightButton, {}, rowCentre(list, 5));
    QTest::qWait(50);
    QCOMPARE(list->ListIndex(), -1);
    QCOMPARE(openMenu(), nullptr);
}

void TestMainWindow::notices()
{
    emit main->ADDOWNLOAD->DownloadProgress(512, 1024);
    QCOMPARE(main->lblMsg->text(), u"加载进度: 50.00%"_qs);
    emit main->ADDOWNLOAD->DownloadProgress(5, 1000);
    QCOMPARE(main->lblMsg->text(), u"加载进度: 00.50%"_qs);
    emit main->ADDOWNLOAD->DownloadProgress(5, 0);
    QCOMPARE(main->lblMsg->text(), u"加载进度: 00.50%"_qs);

    // Installation: the first step shows the empty AD0, and the rotation runs every 15 seconds.
    const QString downloaded = file(QStringLiteral(".dl-notice"));
    QVERIFY(put(downloaded,
        AnsiCodec::encode(u"[AD1]\r\nADNAME=<b>公告</b>\r\nadurl=http://example.com/1\r\n[AD2]\r\nADNAME=二\r\n"
                          u"adurl=file:///etc/passwd\r\n")));
    QFile::remove(file(QStringLiteral("Config.dll")));
    emit main->ADDOWNLOAD->DownloadComplete(false, downloaded);
    QVERIFY(QFile::exists(file(QStringLiteral("Config.dll"))));
    QCOMPARE(main->lblMsg->text(), QString());
    QVERIFY(main->Timer1->isActive());
    QCOMPARE(main->Timer1->interval(), 15000);

    // A notice is text, never markup; its click opens web addresses only.
    QVERIFY(QMetaObject::invokeMethod(main->Timer1, "timeout", Qt::DirectConnection));
    QCOMPARE(main->lblMsg->text(), u"<b>公告</b>"_qs);
    QCOMPARE(main->lblMsg->textFormat(), Qt::PlainText);
    QTest::mouseClick(main->lblMsg, Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(QMetaObject::invokeMethod(main->Timer1, "timeout", Qt::DirectConnection));
    QCOMPARE(main->lblMsg->text(), u"二"_qs);
    QTest::mouseClick(main->lblMsg, Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(opened, QStringList({ "http://example.com/1" }));

    // A second download does not replace the notices in place, nor restart the rotation.
    QVERIFY(put(downloaded, "[AD1]\r\nADNAME=x\r\n"));
    const int next = main->zcsjsj;
    emit main->ADDOWNLOAD->DownloadComplete(false, downloaded);
    QCOMPARE(main->zcsjsj, next);
    QVERIFY(!get(file(QStringLiteral("Config.dll"))).contains("ADNAME=x"));
    QVERIFY(!QFile::exists(downloaded));

    // The links of the window.
    QTest::mouseClick(main->GfZyLjLabel, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseClick(main->FkButton, Qt::LeftButton);
    QCOMPARE(opened.mid(1),
        QStringList({ "http://127.0.0.1:8790/", "http://127.0.0.1:8790/forum.php?mod=forumdisplay&fid=36" }));
    main->Timer1->stop();
}

void TestMainWindow::minimiseWithoutTray()
{
    // No notification area here: minimising must leave a way back, so the window is not hidden.
    QVERIFY(!Tray::available());
    main->ZuiXH_Click();
    QTRY_VERIFY(main->windowState() & Qt::WindowMinimized);
    QVERIFY(!main->isHidden());
    MenuCommands::FrmQcShow_Click();
    QVERIFY(!(main->windowState() & Qt::WindowMinimized));
    QVERIFY(main->isVisible());
}

void TestMainWindow::menuCommands()
{
    // Reload with nothing selected says so and keeps the lists.
    main->List1->setListIndex(-1);
    main->List2->setListIndex(-1);
    forms().muenFrm()->SjSJList->trigger();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().text, u"您当前的列表内无数据或初始加载失败！"_qs);
    QCOMPARE(MessageBox::shown().first().icon, MessageBox::Exclamation);
    QCOMPARE(main->List1->ListCount(), 3);

    // New picks only with a pick selected.
    main->List1->setListIndex(0);
    main->SbpLAY_Click();
    const int picks = main->ListSB->ListCount();
    QCOMPARE(picks, 30);
    QStringList before;
    for (int i = 0; i < picks; ++i)
        before << main->ListSB->List(i);
    forms().muenFrm()->CzLbSB->trigger();
    QCOMPARE(main->ListSB->ListCount(), 30);
    main->ListSB->setListIndex(0);
    forms().muenFrm()->CZSBWW->trigger();
    QStringList after;
    for (int i = 0; i < main->ListSB->ListCount(); ++i)
        after << main->ListSB->List(i);
    QVERIFY(after != before);

    // The settings window from the menu and from the window's own button.
    forms().muenFrm()->shezhi1->trigger();
    QVERIFY(forms().tabrazoSz()->isVisible());
    forms().tabrazoSz()->hide();
    QTest::mouseClick(main->Sz, Qt::LeftButton);
    QVERIFY(forms().tabrazoSz()->isVisible());
    forms().tabrazoSz()->hide();

    // The window menu opens at any button's press.
    QTest::mousePress(main->XlMune, Qt::RightButton);
    QCOMPARE(openMenu(), forms().muenFrm()->SzLan);
    QTest::mouseRelease(main->XlMune, Qt::RightButton);
    closeMenus();

    // The program recommended on the clipboard, with its confirmation.
    QStringList copied;
    Clipboard::setRecorder([&copied](const QString& text) { copied << text; });
    MessageBox::clearShown();
    forms().muenFrm()->FxTabrazoBeta->trigger();
    Clipboard::setRecorder(nullptr);
    QCOMPARE(copied.size(), 1);
    QVERIFY(copied.first().endsWith(u"http://127.0.0.1:8790/"_qs));
    QCOMPARE(MessageBox::shown().size(), 1);

    // The home page, and the player window's button with its value.
    forms().muenFrm()->Jrzy->trigger();
    QCOMPARE(opened, QStringList({ "http://127.0.0.1:8790/" }));
    main->GameFrmButton_Click();
    QVERIFY(forms().flashFrm()->isVisible() && main->GameFrmButton->Value());
    forms().flashFrm()->close();
    QVERIFY(!main->GameFrmButton->Value());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

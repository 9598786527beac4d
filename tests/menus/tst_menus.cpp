#include "gui/menus/MuenFrm.h"
#include "gui/menus/Tray.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QtTest>

namespace {
// Each menu as "member|title" followed by its items as "member|text"; "-" is a separator.
const QList<QStringList> menuTree = {
    { "YxMuen|YxMuen", "SjSJList|重载游戏列表", "ckgamejs|查看游戏介绍", "FxTabrazoBeta|分享Tabrazo" },
    { "ScMuen|ScMuen", "DelScListSY|清空当前列表", "F5ScList|刷新收藏列表" },
    { "sbplaycd|随便玩玩列表", "CZSBWW|重载随便玩玩", "ckgamejssbpl|查看游戏介绍" },
    { "GameListMuen|游戏列表右键菜单", "BeginGame|开始游戏           ", "wyfg|-", "Tjsc|添加收藏", "Ckjs|查看介绍",
        "wafg|-", "FxGame|分享给好友" },
    { "ScListMuen|收藏列表右键菜单", "BeginGamerSC|开始游戏", "fgfgfgfg|-", "DelSc|移除收藏", "DelScList|清空收藏",
        "fgfgfgfgfg|-", "ckscjs|查看介绍" },
    { "SbListMuen|随便玩玩", "BeginGamerSB|开始游戏", "分割|-", "TjscSB|添加收藏", "fg|-", "FxSbPlGame|分享游戏",
        "CzLbSB|重载列表", "CkJSSB|查看介绍" },
    { "SzLan|设置栏", "Jrzy|访问主页", "GyTabrazoBeta|关于Tabrazo", "sz11|-", "shezhi1|设置", "JcUpdate|检查更新",
        "sz1|-", "OverTabrazo|退出Tabrazo" },
    { "TP|托盘选项", "FrmQcShow|显示", "Window1|隐藏", "UnloadEndFrm|退出" },
};
} // namespace

class MenusTest : public QObject {
    Q_OBJECT

private slots:
    void menuTreeMatchesTheTable()
    {
        MuenFrm frm;
        const QList<QMenu*> menus = frm.menus();
        QCOMPARE(menus.size(), menuTree.size());
        for (int m = 0; m < menuTree.size(); ++m) {
            const QStringList menuRow = menuTree[m].first().split('|');
            QMenu* menu = menus[m];
            QCOMPARE(menu->objectName(), menuRow[0]);
            QCOMPARE(menu->title(), menuRow[1]);
            // The member of that name holds this very menu, so the shell reaches the same object.
            QCOMPARE(frm.findChild<QMenu*>(menuRow[0], Qt::FindDirectChildrenOnly), menu);

            const QList<QAction*> actions = menu->actions();
            QCOMPARE(actions.size(), menuTree[m].size() - 1);
            for (int i = 0; i < actions.size(); ++i) {
                const QStringList itemRow = menuTree[m][i + 1].split('|');
                QAction* action = actions[i];
                QCOMPARE(action->objectName(), itemRow[0]);
                const bool separator = itemRow[1] == "-";
                QCOMPARE(action->isSeparator(), separator);
                QCOMPARE(action->text(), separator ? QString() : itemRow[1]);
                QVERIFY(action->shortcut().isEmpty());
            }
        }
        QCOMPARE(frm.分割, frm.SbListMuen->actions().at(1));
        QCOMPARE(frm.UnloadEndFrm, frm.TP->actions().last());
        QVERIFY(!frm.isVisible());
    }

    // The tray menu is the one opened while no window of the program is active.
    void popupOpensAtThePositionAndTakesTheKeys()
    {
        MuenFrm frm;
        QMenu* menu = frm.TP;
        QSignalSpy shown(frm.FrmQcShow, &QAction::triggered);
        QSignalSpy hidden(frm.Window1, &QAction::triggered);

        frm.PopupMenu(menu, QPoint(120, 90));
        QVERIFY(menu->isVisible());
        QCOMPARE(menu->pos(), QPoint(120, 90));
        QVERIFY(!frm.isVisible());

        QTRY_VERIFY(QGuiApplication::focusWindow());
        QWindow* keys = QGuiApplication::focusWindow();
        QTest::keyClick(keys, Qt::Key_Down);
        QCOMPARE(menu->activeAction(), frm.FrmQcShow);
        QTest::keyClick(keys, Qt::Key_Down);
        QTest::keyClick(keys, Qt::Key_Down);
        QTest::keyClick(keys, Qt::Key_Up);
        QCOMPARE(menu->activeAction(), frm.Window1);
        QTest::keyClick(keys, Qt::Key_Return);
        QCOMPARE(hidden.count(), 1);
        QCOMPARE(shown.count(), 0);
        QVERIFY(!menu->isVisible());

        frm.PopupMenu(frm.GameListMuen, QPoint(40, 30));
        QVERIFY(frm.GameListMuen->isVisible());
        frm.GameListMuen->hide();
        QVERIFY(!frm.isVisible());
    }

    void trayButtons()
    {
        Tray tray;
        QPixmap picture(16, 16);
        picture.fill(Qt::red);
        tray.setPicture(QIcon(picture));
        tray.Show();
        QSystemTrayIcon* icon = tray.findChild<QSystemTrayIcon*>();
        QVERIFY(icon);

        QStringList raised;
        connect(&tray, &Tray::LeftButton, this, [&] { raised << "LeftButton"; });
        connect(&tray, &Tray::RightButton, this, [&] { raised << "RightButton"; });
        for (auto reason : { QSystemTrayIcon::Trigger, QSystemTrayIcon::Context, QSystemTrayIcon::DoubleClick,
                 QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown, QSystemTrayIcon::Trigger })
            emit icon->activated(reason);
        QCOMPARE(raised, QStringList({ "LeftButton", "RightButton", "LeftButton" }));

        tray.Hide();
        QVERIFY(!tray.isShown());
        tray.Hide();
        QVERIFY(!tray.isShown());
        tray.Show();
        QVERIFY(tray.isShown());
    }
};

QTEST_MAIN(MenusTest)
#include "tst_menus.moc"

#include "gui/menus/MuenFrm.h"

#include "core/catalogue/Game.h"

#include <QGuiApplication>
#include <QMenu>
#include <QWindow>

namespace {
QMenu* newMenu(QWidget* owner, const char* name, const QString& title)
{
    auto* menu = new QMenu(title, owner);
    menu->setObjectName(QString::fromUtf8(name));
    return menu;
}

QAction* newItem(QMenu* menu, const char* name, QString text)
{
    // The texts are shown as written: an ampersand is not a mnemonic.
    QAction* action = menu->addAction(text.replace(QLatin1Char('&'), QLatin1String("&&")));
    action->setObjectName(QString::fromUtf8(name));
    return action;
}

QAction* newSeparator(QMenu* menu, const char* name)
{
    QAction* action = menu->addSeparator();
    action->setObjectName(QString::fromUtf8(name));
    return action;
}
} // namespace

// Each object is named after the member that holds it.
#define TABRAZO_MENU(member, title) member = newMenu(this, #member, title)
#define TABRAZO_ITEM(menu, member, text) member = newItem(menu, #member, text)
#define TABRAZO_SEPARATOR(menu, member) member = newSeparator(menu, #member)

MuenFrm::MuenFrm(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("MuenFrm"));

    TABRAZO_MENU(YxMuen, QStringLiteral("YxMuen"));
    TABRAZO_ITEM(YxMuen, SjSJList, QStringLiteral("重载游戏列表"));
    TABRAZO_ITEM(YxMuen, ckgamejs, QStringLiteral("查看游戏介绍"));
    TABRAZO_ITEM(YxMuen, FxTabrazoBeta, QStringLiteral("分享Tabrazo"));

    TABRAZO_MENU(ScMuen, QStringLiteral("ScMuen"));
    TABRAZO_ITEM(ScMuen, DelScListSY, QStringLiteral("清空当前列表"));
    TABRAZO_ITEM(ScMuen, F5ScList, QStringLiteral("刷新收藏列表"));

    TABRAZO_MENU(sbplaycd, QStringLiteral("随便玩玩列表"));
    TABRAZO_ITEM(sbplaycd, CZSBWW, QStringLiteral("重载随便玩玩"));
    TABRAZO_ITEM(sbplaycd, ckgamejssbpl, QStringLiteral("查看游戏介绍"));

    TABRAZO_MENU(GameListMuen, QStringLiteral("游戏列表右键菜单"));
    // The blanks widen the menu.
    TABRAZO_ITEM(GameListMuen, BeginGame, QStringLiteral("开始游戏") + QString(11, QLatin1Char(' ')));
    TABRAZO_SEPARATOR(GameListMuen, wyfg);
    TABRAZO_ITEM(GameListMuen, Tjsc, QStringLiteral("添加收藏"));
    TABRAZO_ITEM(GameListMuen, Ckjs, QStringLiteral("查看介绍"));
    TABRAZO_SEPARATOR(GameListMuen, wafg);
    TABRAZO_ITEM(GameListMuen, FxGame, QStringLiteral("分享给好友"));

    TABRAZO_MENU(ScListMuen, QStringLiteral("收藏列表右键菜单"));
    TABRAZO_ITEM(ScListMuen, BeginGamerSC, QStringLiteral("开始游戏"));
    TABRAZO_SEPARATOR(ScListMuen, fgfgfgfg);
    TABRAZO_ITEM(ScListMuen, DelSc, QStringLiteral("移除收藏"));
    TABRAZO_ITEM(ScListMuen, DelScList, QStringLiteral("清空收藏"));
    TABRAZO_SEPARATOR(ScListMuen, fgfgfgfgfg);
    TABRAZO_ITEM(ScListMuen, ckscjs, QStringLiteral("查看介绍"));

    TABRAZO_MENU(SbListMuen, QStringLiteral("随便玩玩"));
    TABRAZO_ITEM(SbListMuen, BeginGamerSB, QStringLiteral("开始游戏"));
    TABRAZO_SEPARATOR(SbListMuen, 分割);
    TABRAZO_ITEM(SbListMuen, TjscSB, QStringLiteral("添加收藏"));
    TABRAZO_SEPARATOR(SbListMuen, fg);
    TABRAZO_ITEM(SbListMuen, FxSbPlGame, QStringLiteral("分享游戏"));
    TABRAZO_ITEM(SbListMuen, CzLbSB, QStringLiteral("重载列表"));
    TABRAZO_ITEM(SbListMuen, CkJSSB, QStringLiteral("查看介绍"));

    TABRAZO_MENU(SzLan, QStringLiteral("设置栏"));
    TABRAZO_ITEM(SzLan, Jrzy, QStringLiteral("访问主页"));
    TABRAZO_ITEM(SzLan, GyTabrazoBeta, QStringLiteral("关于Tabrazo"));
    TABRAZO_SEPARATOR(SzLan, sz11);
    TABRAZO_ITEM(SzLan, shezhi1, QStringLiteral("设置"));
    TABRAZO_ITEM(SzLan, JcUpdate, QStringLiteral("检查更新"));
    TABRAZO_SEPARATOR(SzLan, sz1);
    TABRAZO_ITEM(SzLan, OverTabrazo, QStringLiteral("退出Tabrazo"));

    TABRAZO_MENU(TP, QStringLiteral("托盘选项"));
    TABRAZO_ITEM(TP, FrmQcShow, QStringLiteral("显示"));
    TABRAZO_ITEM(TP, Window1, QStringLiteral("隐藏"));
    TABRAZO_ITEM(TP, UnloadEndFrm, QStringLiteral("退出"));
}

#undef TABRAZO_MENU
#undef TABRAZO_ITEM
#undef TABRAZO_SEPARATOR

QList<QMenu*> MuenFrm::menus() const
{
    return { YxMuen, ScMuen, sbplaycd, GameListMuen, ScListMuen, SbListMuen, SzLan, TP };
}

void MuenFrm::PopupMenu(QMenu* menu, const QPoint& globalPos)
{
    menu->popup(globalPos);
    // A popup takes the keys by grabbing the keyboard. Opened while no window of the program has
    // the focus (a right-click on a window in the background, the tray icon), a refused grab
    // would leave Up, Down and Return with another program, so the menu then asks for the focus.
    QWindow* window = menu->windowHandle();
    if (!QGuiApplication::focusWindow() && window && !window->setKeyboardGrabEnabled(true))
        menu->activateWindow();
}

void MuenFrm::setSelectedGame(const Game& game, const QString& category)
{
    GmStyle = category;
    GmFid = game.fid;
    GmFlash_FFa = game.flash_fangfa;
    GmFlashSay = game.flashsay;
    GmFlashUrl = game.flashurl;
    GmId = game.id;
    GmImage = game.litpic;
    GmKeyBoard = game.keyboard;
    GmName = game.title;
    GmSize = game.filesize;
    GmZtid = game.ztid;
}

Game MuenFrm::selectedGame() const
{
    Game game;
    game.id = GmId;
    game.fid = GmFid;
    game.title = GmName;
    game.litpic = GmImage;
    game.filesize = GmSize;
    game.flash_fangfa = GmFlash_FFa;
    game.flashurl = GmFlashUrl;
    game.flashsay = GmFlashSay;
    game.keyboard = GmKeyBoard;
    game.ztid = GmZtid;
    return game;
}

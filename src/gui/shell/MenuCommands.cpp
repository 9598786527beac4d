#include "gui/shell/MenuCommands.h"

#include "core/outside/LogCategories.h"
#include "core/outside/MessageBox.h"
#include "core/outside/ServerAddresses.h"
#include "core/player/Sharing.h"
#include "gui/menus/MuenFrm.h"
#include "gui/outside/Clipboard.h"
#include "gui/outside/UrlOpener.h"
#include "gui/player/GameJsFrm.h"
#include "gui/player/GameShare.h"
#include "gui/settings/TabrazoSz.h"
#include "gui/shell/FavoriteList.h"
#include "gui/shell/FormMain.h"
#include "gui/shell/Forms.h"
#include "gui/update/GyTabrazo.h"
#include "gui/update/TabrazoUpdateFm.h"
#include "gui/widgets/ListBoxEx.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>

namespace MenuCommands {

namespace {
FormMain* main()
{
    return forms().formMain();
}

// Runs command with the main window, when there is one.
template <typename Command> void onMain(QAction* item, Command command)
{
    QObject::connect(item, &QAction::triggered, item, [command] {
        if (FormMain* window = main())
            command(*window);
    });
}

void on(QAction* item, void (*command)())
{
    QObject::connect(item, &QAction::triggered, item, command);
}
} // namespace

void connectMenus(MuenFrm* m)
{
    on(m->SjSJList, SjSJList_Click);
    for (QAction* item : { m->ckgamejs, m->ckgamejssbpl, m->Ckjs, m->ckscjs, m->CkJSSB })
        on(item, showInformationWindow);
    on(m->FxTabrazoBeta, FxTabrazoBeta_Click);
    onMain(m->DelScListSY, FavoriteList::DelScListSY_Click);
    onMain(m->F5ScList, FavoriteList::F5ScList_Click);
    onMain(m->DelSc, FavoriteList::DelSc_Click);
    onMain(m->DelScList, FavoriteList::DelScList_Click);
    on(m->Tjsc, FavoriteList::Tjsc_Click);
    on(m->TjscSB, FavoriteList::Tjsc_Click);
    on(m->CZSBWW, CzLbSB_Click);
    on(m->CzLbSB, CzLbSB_Click);
    onMain(m->BeginGame, [](FormMain& window) { window.List2_DbClick(); });
    onMain(m->BeginGamerSC, [](FormMain& window) { window.List4_Dbclick(); });
    onMain(m->BeginGamerSB, [](FormMain& window) { window.listsb_Dbclick(); });
    on(m->FxGame, shareGameToClipboard);
    on(m->FxSbPlGame, shareGameToClipboard);
    on(m->Jrzy, [] { UrlOpener::open(ServerAddresses::onProductSite(QStringLiteral("/"))); });
    on(m->GyTabrazoBeta, showAboutBox);
    on(m->shezhi1, [] {
        if (FormMain* window = main())
            window->Sz_Click();
    });
    on(m->JcUpdate, showUpdater);
    onMain(m->OverTabrazo, [](FormMain& window) { window.EndProgram(); });
    on(m->FrmQcShow, FrmQcShow_Click);
    on(m->Window1, Window1_Click);
    onMain(m->UnloadEndFrm, [](FormMain& window) { window.EndProgram(); });
}

void SjSJList_Click()
{
    FormMain* window = main();
    if (!window)
        return;
    if (window->List2->ListIndex() == -1 && window->List1->ListIndex() == -1) {
        MessageBox::show(
            QStringLiteral("您当前的列表内无数据或初始加载失败！"), MessageBox::Ok, MessageBox::Exclamation);
        return;
    }
    window->List1->Clear();
    window->List2->Clear();
    window->BeginDQsL();
}

void CzLbSB_Click()
{
    FormMain* window = main();
    if (!window || window->ListSB->Text().isEmpty())
        return;
    window->ListSB->Clear();
    window->SbpLAY_Click();
}

void FxTabrazoBeta_Click()
{
    Clipboard::setText(QStringLiteral("我在用Tabrazo玩小游戏，海量小游戏随点随玩，推荐给你！官方网站是：")
        + ServerAddresses::onProductSite(QStringLiteral("/")));
    MessageBox::show(QStringLiteral("复制推荐信息成功，请通过Ctrl + V键复制给您的好友！"));
}

void FrmQcShow_Click()
{
    FormMain* window = main();
    if (window && (window->windowState() & Qt::WindowMinimized))
        window->restoreFromTray();
}

void Window1_Click()
{
    FormMain* window = main();
    if (window && !(window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)))
        window->ZuiXH_Click();
}

void showInformationWindow()
{
    GameJsFrm* information = forms().gameJsFrm();
    if (!information->isVisible() && !information->testAttribute(Qt::WA_Moved)) {
        // The first time in the middle of the screen the main window is on.
        QScreen* screen = main() ? main()->screen() : QGuiApplication::primaryScreen();
        QRect frame = information->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        information->move(frame.topLeft());
    }
    information->show();
    information->raise();
    information->activateWindow();
}

void shareGameToClipboard()
{
    const MuenFrm* menus = forms().muenFrm();
    // Without a game the menu item does nothing at all.
    if (const auto game = Sharing::trimmedSubject(menus->GmName, menus->GmFlashSay, menus->GmFlashUrl))
        GameShare::copyToClipboard(*game);
}

void showAboutBox()
{
    GyTabrazo* about = forms().gyTabrazo();
    about->show();
    about->raise();
    about->activateWindow();
}

void showUpdater()
{
    forms().tabrazoUpdateFm()->open();
}

} // namespace MenuCommands

#pragma once

class MuenFrm;

// What the items of the popup menus do. The menu holder only holds the menus; the shell, which
// knows every window, connects each item here.
namespace MenuCommands {

// Connects every item of the holder's menus to its command.
void connectMenus(MuenFrm* menus);

// "重载游戏列表": with a category or a game selected, the lists are emptied and the catalogue is
// fetched again; otherwise the user is told the lists hold nothing.
void SjSJList_Click();
// "重载随便玩玩" and "重载列表": thirty new picks, when a pick is selected.
void CzLbSB_Click();
// "分享Tabrazo": a recommendation of the program's own site on the clipboard.
void FxTabrazoBeta_Click();
// "显示" of the tray: a minimised main window comes back in the normal state.
void FrmQcShow_Click();
// "隐藏" of the tray: a normal main window goes to the notification area.
void Window1_Click();

// "查看介绍" and its kin: the information window, already holding the game clicked last.
void showInformationWindow();
// "分享给好友" and "分享游戏": the right-clicked game's recommendation on the clipboard.
void shareGameToClipboard();

// "关于Tabrazo" and "检查更新": the about box and the updater, not modal.
void showAboutBox();
void showUpdater();

} // namespace MenuCommands

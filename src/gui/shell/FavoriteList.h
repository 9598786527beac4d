#pragma once

class FormMain;

// The favourites as the main window shows them: the list List4, the favourite clicked last, and
// the commands of the favourites menu (remove, clear, clear current list, refresh) and of the
// game menus (add). The store itself is FavoriteModule.
namespace FavoriteList {

// Reloads List4 from the store. When the store cannot be read, or holds no favourite, the list
// keeps its rows: the commands that change the store clear it first.
void FillFavoriteList(FormMain& main);

// A click on a row of List4: the favourite becomes the selected game of the windows and what a
// double-click starts. Nothing without a selected row.
void SelectFavorite(FormMain& main);

// Copies the favourite clicked last into the player window's current-game record.
void HandFavoriteToPlayer(FormMain& main);

// "添加收藏" of the game menus: the game last clicked in a list, without the player's guard.
void Tjsc_Click();
// "移除收藏": the favourite last clicked, when a row is selected.
void DelSc_Click(FormMain& main);
// "清空收藏": after its question, the whole store goes.
void DelScList_Click(FormMain& main);
// "清空当前列表": as "清空收藏", but says so when nothing is selected.
void DelScListSY_Click(FormMain& main);
// "刷新收藏列表".
void F5ScList_Click(FormMain& main);

} // namespace FavoriteList

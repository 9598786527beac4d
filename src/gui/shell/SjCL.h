#pragma once

#include "core/catalogue/Game.h"

#include <QString>

class FormMain;
class ListBoxEx;

// The catalogue as the main window shows it: these routines read the main window's lists and
// fill them from its Catalogue, and hand the selected game to the other windows.
namespace SjCL {

// The hint Text4 shows while it is empty and has no focus.
extern const QString SearchHint;

// Reads the catalogue file at path into the main window's catalogue, refills List1, selects the
// first category and shows its games.
void LoadCatalogue(FormMain& main, const QString& path);

// Refills List1 from the main window's catalogue, selects the first category and shows its games.
void ShowCatalogue(FormMain& main);

// Fills List2 with the titles of the selected category.
void ShowCategoryGames(FormMain& main);

// The game a line of List2 or ListSB stands for; an empty game when nothing matches.
Game FindGameForLine(FormMain& main, ListBoxEx* list, const QString& line);

// The category text that goes with a line of list.
QString CategoryTextForLine(FormMain& main, ListBoxEx* list, const QString& line);

// Makes the game of list's selected line the selected game; nothing without a selected row.
void ShowGameInfo(FormMain& main, ListBoxEx* list);

// The loading picture of the program folder, shown while a game's picture comes; empty when the
// folder has none.
QString loadingPicture();

// Copies the game of list's selected line into the player window's current-game record.
void HandGameToPlayer(FormMain& main, ListBoxEx* list);

// Thirty random picks into ListSB, as category-title lines.
void FillRandomList(FormMain& main);

// Lists in List2 every game whose title contains the text of Text4.
void SearchCatalogue(FormMain& main);

} // namespace SjCL

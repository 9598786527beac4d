#pragma once

#include "core/catalogue/Category.h"

#include <QString>
#include <QVector>

class FormMain;
class ListBoxEx;

// The catalogue as the main window shows it.
namespace SjCL {

// Position 0 is an empty placeholder; list row r of List1 is position r + 1.
extern QVector<Category> Categories;

// The hint Text4 shows while it is empty and has no focus.
extern const QString SearchHint;

// The window whose lists the catalogue fills; set once at start.
void setMainWindow(FormMain* window);

// Rebuilds Categories from LDsend.Dll, refills List1, selects the first category and shows its games.
void LoadCatalogue();

// Fills List2 with the titles of the selected category.
void ShowCategoryGames();

// The game a line of List2 or ListSB stands for. A line holding "-" is read as category name,
// "-", title, whatever list it is in; the last matching category wins. Any other line is a
// title line of List2: the game at that row of the category selected in List1. An empty game
// when nothing matches.
Game FindGameForLine(ListBoxEx* list, const QString& line);

// The category text that goes with the selected line of list: the line's own category for a
// category-title line, else the category selected in List1.
QString CategoryTextForLine(ListBoxEx* list, const QString& line);

// Makes the game of list's selected line the selected game; nothing without a selected row.
void ShowGameInfo(ListBoxEx* list);

// Copies the game of list's selected line into the player window's current-game record.
void HandGameToPlayer(ListBoxEx* list);

// Thirty random picks into ListSB, as category-title lines.
void FillRandomList();

// Lists in List2 every game whose title contains the text of Text4.
void SearchCatalogue();

} // namespace SjCL

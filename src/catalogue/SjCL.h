#pragma once

#include "catalogue/Category.h"

#include <QVector>

class FormMain;

// The catalogue as the main window shows it.
namespace SjCL {

// Position 0 is an empty placeholder; list row r of List1 is position r + 1.
extern QVector<Category> Categories;

// The window whose lists the catalogue fills; set once at start.
void setMainWindow(FormMain* window);

// Rebuilds Categories from LDsend.Dll, refills List1, selects the first category and shows its games.
void LoadCatalogue();

// Fills List2 with the titles of the selected category.
void ShowCategoryGames();

} // namespace SjCL

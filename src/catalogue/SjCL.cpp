#include "catalogue/SjCL.h"

#include "catalogue/CatalogueFile.h"
#include "outside/ProgramFolder.h"
#include "shell/FormMain.h"
#include "widgets/ListBoxEx.h"

#include <QFrame>

namespace SjCL {

QVector<Category> Categories;

namespace {
FormMain* mainWindow = nullptr;
}

void setMainWindow(FormMain* window)
{
    mainWindow = window;
}

void LoadCatalogue()
{
    Categories = CatalogueFile::Parse(CatalogueFile::ReadTextFile(ProgramFolder::file(QStringLiteral("LDsend.Dll"))));
    if (!mainWindow)
        return;
    ListBoxEx* list1 = mainWindow->List1;
    list1->Clear();
    for (int c = 1; c < Categories.size(); ++c)
        list1->AddItem(Categories[c].name);
    // Two selection changes from code, second row first; with a single category only the first
    // exists, and with none there is no selection at all.
    if (list1->ListCount() > 1)
        list1->setListIndex(1);
    if (list1->ListCount() > 0)
        list1->setListIndex(0);
    ShowCategoryGames();
}

void ShowCategoryGames()
{
    if (!mainWindow)
        return;
    ListBoxEx* list1 = mainWindow->List1;
    const int row = list1->ListIndex();
    if (row >= 0 && row + 1 < Categories.size()) {
        ListBoxEx* list2 = mainWindow->List2;
        list2->Clear();
        const Category& category = Categories[row + 1];
        for (int g = 1; g < category.games.size(); ++g)
            list2->AddItem(category.games[g].title);
    }
    mainWindow->ScListFrm->hide();
}

} // namespace SjCL

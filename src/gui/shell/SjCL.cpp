#include "gui/shell/SjCL.h"

#include "core/catalogue/Catalogue.h"
#include "core/catalogue/Rnd.h"
#include "core/outside/MessageBox.h"
#include "core/outside/ProgramFiles.h"
#include "core/outside/ServerAddresses.h"
#include "gui/menus/MuenFrm.h"
#include "gui/player/FlashFrm.h"
#include "gui/player/GameJsFrm.h"
#include "gui/shell/FormMain.h"
#include "gui/shell/Forms.h"
#include "gui/widgets/ButtonEx.h"
#include "gui/widgets/ListBoxEx.h"

#include <QFileInfo>
#include <QFrame>
#include <QLineEdit>

namespace SjCL {

const QString SearchHint = QStringLiteral("请输入您要搜索的内容");

namespace {
void fill(ListBoxEx* list, const QStringList& lines)
{
    list->Clear();
    for (const QString& line : lines)
        list->AddItem(line);
}

} // namespace

void LoadCatalogue(FormMain& main, const QString& path)
{
    main.catalogue().load(path);
    ShowCatalogue(main);
}

void ShowCatalogue(FormMain& main)
{
    ListBoxEx* list1 = main.List1;
    fill(list1, main.catalogue().categoryNames());
    // Two selection changes from code, second row first; with a single category only the first
    // exists, and with none there is no selection at all.
    if (list1->ListCount() > 1)
        list1->setListIndex(1);
    if (list1->ListCount() > 0)
        list1->setListIndex(0);
    ShowCategoryGames(main);
}

void ShowCategoryGames(FormMain& main)
{
    const int row = main.List1->ListIndex();
    if (row >= 0 && row < main.catalogue().categoryCount())
        fill(main.List2, main.catalogue().titles(row));
    // A catalogue that arrives while the favourites show must not hide them and leave the window
    // with no list at all: only a favourites frame that no view button stands for goes.
    if (!main.ScList->Value())
        main.ScListFrm->hide();
}

Game FindGameForLine(FormMain& main, ListBoxEx* list, const QString& line)
{
    return main.catalogue().gameForLine(line, list->ListIndex(), main.List1->ListIndex(), list == main.List2);
}

QString CategoryTextForLine(FormMain& main, ListBoxEx* list, const QString& line)
{
    return main.catalogue().categoryForLine(line, list->ListIndex(), main.List1->ListIndex(), list == main.List2);
}

void ShowGameInfo(FormMain& main, ListBoxEx* list)
{
    if (list->ListIndex() < 0)
        return;
    const QString line = list->Text();
    const Game game = FindGameForLine(main, list, line);
    const QString category = CategoryTextForLine(main, list, line);

    forms().flashFrm()->showSelectedGame(game);
    main.FlashUrlLsSL = game.flashurl;
    main.GameNameSL = game.title;
    GameJsFrm* information = forms().gameJsFrm();
    information->showGame(game, category);
    main.HandShownGameToPlayer = [game, category] { forms().flashFrm()->setCurrentGame(game, category); };
    forms().muenFrm()->setSelectedGame(game, category);
    information->showPicture(loadingPicture(), ServerAddresses::onMainSite(u'/' + game.litpic));
}

QString loadingPicture()
{
    const QString path = ProgramFiles::path(ProgramFiles::LoadingPicture);
    return QFileInfo(path).isFile() ? path : QString();
}

void HandGameToPlayer(FormMain& main, ListBoxEx* list)
{
    const QString line = list->Text();
    forms().flashFrm()->setCurrentGame(FindGameForLine(main, list, line), CategoryTextForLine(main, list, line));
}

void FillRandomList(FormMain& main)
{
    fill(main.ListSB, main.catalogue().randomPicks(Rnd::program()));
}

void SearchCatalogue(FormMain& main)
{
    const QString text = main.Text4->text();
    if (text.isEmpty() || text == SearchHint) {
        MessageBox::show(QStringLiteral("搜索的关键字不能为空，请输入您想要搜索的内容！"), MessageBox::Ok);
        return;
    }
    fill(main.List2, main.catalogue().search(text));
}

} // namespace SjCL

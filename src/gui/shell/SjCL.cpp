#include "gui/shell/SjCL.h"

#include "core/catalogue/CatalogueFile.h"
#include "core/catalogue/Rnd.h"
#include "gui/menus/MuenFrm.h"
#include "core/outside/MessageBox.h"
#include "core/outside/ProgramFolder.h"
#include "gui/player/FlashFrm.h"
#include "gui/shell/FormMain.h"
#include "gui/shell/Forms.h"
#include "gui/widgets/ListBoxEx.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>

#include <cmath>
#include <optional>

namespace SjCL {

QVector<Category> Categories;
const QString SearchHint = QStringLiteral("请输入您要搜索的内容");

namespace {
FormMain* mainWindow = nullptr;

const Game& gameAt(int category, int game)
{
    static const Game empty;
    if (category < 0 || category >= Categories.size())
        return empty;
    const QVector<Game>& games = Categories[category].games;
    return game >= 0 && game < games.size() ? games[game] : empty;
}

// Int(value * (count - 1) + 1): never the last entry; an empty table gives the placeholder 0.
int draw(double value, int count)
{
    const int position = int(std::floor(value * (count - 1) + 1));
    return position >= 0 && position <= count ? position : 0;
}

// Labels, default picture (ImgLoading.gif) and picture address wait for the window's own fields.
void showOnInformationWindow(const Game&, const QString&)
{
    forms().gameJsFrm();
}
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

namespace {
// The game a category-title line names; the last matching category wins.
std::optional<Game> gameNamedBy(const QString& line, qsizetype dash)
{
    const QStringView name = QStringView(line).left(dash);
    const QStringView title = QStringView(line).mid(dash + 1);
    std::optional<Game> found;
    for (int c = 1; c < Categories.size(); ++c) {
        const Category& category = Categories[c];
        if (category.name != name)
            continue;
        for (int g = 1; g < category.games.size(); ++g) {
            if (category.games[g].title == title) {
                found = category.games[g];
                break;
            }
        }
    }
    return found;
}

const Game& gameAtRow(ListBoxEx* list)
{
    return gameAt(mainWindow->List1->ListIndex() + 1, list->ListIndex() + 1);
}

// A title that itself holds "-" reads as a category-title line. When that names no game but the
// line is the title of the game at its row of List2, it is that game: otherwise the game would
// be listed and could never be played.
bool isTitleAtItsRow(ListBoxEx* list, const QString& line)
{
    return mainWindow && list == mainWindow->List2 && gameAtRow(list).title == line;
}
}

Game FindGameForLine(ListBoxEx* list, const QString& line)
{
    const qsizetype dash = line.indexOf(u'-');
    if (dash >= 0) {
        if (std::optional<Game> named = gameNamedBy(line, dash))
            return *named;
        return isTitleAtItsRow(list, line) ? gameAtRow(list) : Game();
    }
    if (!mainWindow)
        return Game();
    return gameAtRow(list);
}

QString CategoryTextForLine(ListBoxEx* list, const QString& line)
{
    // A search result names its own category, which need not be the one selected in List1.
    const qsizetype dash = line.indexOf(u'-');
    if (dash >= 0 && (gameNamedBy(line, dash) || !isTitleAtItsRow(list, line)))
        return line.left(dash);
    return mainWindow ? mainWindow->List1->Text() : QString();
}

void ShowGameInfo(ListBoxEx* list)
{
    if (!mainWindow || list->ListIndex() < 0)
        return;
    const QString line = list->Text();
    const Game game = FindGameForLine(list, line);
    const QString category = CategoryTextForLine(list, line);

    FlashFrm* player = forms().flashFrm();
    player->CzFFLab->setText(game.flash_fangfa);
    player->GamejsLab->setText(game.flashsay);

    mainWindow->FlashUrlLsSL = game.flashurl;
    mainWindow->GameNameSL = game.title;

    showOnInformationWindow(game, category);

    MuenFrm* menus = forms().muenFrm();
    menus->GmStyle = category;
    menus->GmFid = game.fid;
    menus->GmFlash_FFa = game.flash_fangfa;
    menus->GmFlashSay = game.flashsay;
    menus->GmFlashUrl = game.flashurl;
    menus->GmId = game.id;
    menus->GmImage = game.litpic;
    menus->GmKeyBoard = game.keyboard;
    menus->GmName = game.title;
    menus->GmSize = game.filesize;
    menus->GmZtid = game.ztid;
}

void HandGameToPlayer(ListBoxEx* list)
{
    const QString line = list->Text();
    const Game game = FindGameForLine(list, line);
    FlashFrm* player = forms().flashFrm();
    player->GbStyle = CategoryTextForLine(list, line);
    player->GbId = game.id;
    player->GbFid = game.fid;
    player->GbName = game.title;
    player->GbImage = game.litpic;
    player->GbSize = game.filesize;
    player->GbFlash_FFa = game.flash_fangfa;
    player->GbFlashUrl = game.flashurl;
    player->GbFlashSay = game.flashsay;
    player->GbKeyBoard = game.keyboard;
    player->GbZtid = game.ztid;
}

void FillRandomList()
{
    if (!mainWindow)
        return;
    ListBoxEx* list = mainWindow->ListSB;
    list->Clear();
    const int categories = Categories.size() - 1;
    if (categories < 1)
        return;
    Rnd& rnd = Rnd::program();
    for (int pick = 0; pick < 30; ++pick) {
        const Category& category = Categories[draw(rnd.next(), categories)];
        const int game = draw(rnd.next(), category.games.size() - 1);
        list->AddItem(category.name + u'-' + category.games[game].title);
    }
}

void SearchCatalogue()
{
    if (!mainWindow)
        return;
    const QString text = mainWindow->Text4->text();
    if (text.isEmpty() || text == SearchHint) {
        MessageBox::show(QStringLiteral("搜索的关键字不能为空，请输入您想要搜索的内容！"), MessageBox::Ok);
        return;
    }
    ListBoxEx* list2 = mainWindow->List2;
    list2->Clear();
    for (int c = 1; c < Categories.size(); ++c) {
        const Category& category = Categories[c];
        for (int g = 1; g < category.games.size(); ++g) {
            if (category.games[g].title.contains(text, Qt::CaseSensitive))
                list2->AddItem(category.name + u'-' + category.games[g].title);
        }
    }
}

} // namespace SjCL

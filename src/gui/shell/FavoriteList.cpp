#include "gui/shell/FavoriteList.h"

#include "core/catalogue/Game.h"
#include "core/favourites/FavoriteCommands.h"
#include "core/favourites/FavoriteModule.h"
#include "core/outside/Blanks.h"
#include "core/outside/LogCategories.h"
#include "core/outside/MessageBox.h"
#include "core/outside/ServerAddresses.h"
#include "gui/menus/MuenFrm.h"
#include "gui/player/FlashFrm.h"
#include "gui/player/GameJsFrm.h"
#include "gui/shell/FormMain.h"
#include "gui/shell/Forms.h"
#include "gui/shell/SjCL.h"
#include "gui/widgets/ListBoxEx.h"

#include <QFile>

namespace FavoriteList {

namespace {
// The window shows the texts without the store's padding, as for a game of the catalogue: the
// padding would otherwise travel into the recommendation text and the picture's address.
void showOnInformationWindow(FormMain& main, const FavoriteRecord& favourite, const QString& category)
{
    Game shown = favourite.toGame();
    for (QString* text : { &shown.title, &shown.litpic, &shown.filesize, &shown.flash_fangfa, &shown.flashurl,
             &shown.flashsay, &shown.keyboard })
        *text = Blanks::unpadded(*text);
    GameJsFrm* information = forms().gameJsFrm();
    information->showGame(shown, category);
    main.HandShownGameToPlayer
        = [favourite, category] { forms().flashFrm()->setCurrentGame(favourite.toGame(), category); };
    information->showPicture(SjCL::loadingPicture(), ServerAddresses::onMainSite(u'/' + shown.litpic));
}

// Deletes the store and what SQLite keeps beside it: a journal left by a killed run next to a
// fresh store would be played back into it.
bool removeStore()
{
    const QString path = FavoriteModule::databasePath();
    if (!QFile::remove(path) && QFile::exists(path))
        return false;
    for (const char* suffix : { "-journal", "-wal", "-shm" })
        QFile::remove(path + QLatin1String(suffix));
    return true;
}
} // namespace

void FillFavoriteList(FormMain& main)
{
    if (!FavoriteModule::LoadFavorites(main.Favorites))
        return;
    ListBoxEx* list = main.List4;
    list->Clear();
    for (const QString& row : FavoriteModule::FavoriteListRows(main.Favorites))
        list->AddItem(row);
}

void SelectFavorite(FormMain& main)
{
    const int row = main.List4->ListIndex();
    if (row < 0 || row >= main.Favorites.size())
        return;
    const FavoriteRecord& favourite = main.Favorites.at(row);
    const QString text = main.List4->Text();
    const QString category = text.left(text.indexOf(u'-'));

    forms().flashFrm()->showSelectedGame(favourite.toGame());
    main.FlashUrlLsSL = favourite.flashurl;
    // Without the padding of the store: the caption names the game as the catalogue does, and the
    // game plays from the cache file it already has instead of a second copy under a padded name.
    main.GameNameSL = Blanks::unpadded(favourite.name);
    showOnInformationWindow(main, favourite, category);
    main.SelectedFavorite = favourite;
    main.SelectedFavorite.Style = category;
    forms().muenFrm()->setFavoriteToRemove(FavoriteRecord::fit(favourite.name, FavoriteRecord::NameWidth));
}

void HandFavoriteToPlayer(FormMain& main)
{
    forms().flashFrm()->setCurrentGame(main.SelectedFavorite.toGame(), main.SelectedFavorite.Style);
}

void Tjsc_Click()
{
    MuenFrm* menus = forms().muenFrm();
    FavoriteCommands::AddToFavorites(menus->selectedGame(), menus->GmStyle, FavoriteCommands::Source::Menu);
}

void DelSc_Click(FormMain& main)
{
    if (main.List4->ListIndex() < 0)
        return;
    // A failure is logged by the store; the list then shows what the file really holds.
    FavoriteModule::DeleteFavorite(forms().muenFrm()->GmDelGameName);
    main.List4->Clear();
    FillFavoriteList(main);
}

void DelScList_Click(FormMain& main)
{
    if (MessageBox::show(
            QStringLiteral("您确定要清空收藏列表吗？在当前版本该操作不可恢复！"), MessageBox::YesNo, MessageBox::NoIcon)
        == MessageBox::AnswerNo) {
        MessageBox::show(QStringLiteral("您取消了操作！"));
        return;
    }
    if (main.List4->ListIndex() < 0)
        return;
    main.List4->Clear();
    if (!QFile::exists(FavoriteModule::databasePath())) {
        MessageBox::show(QStringLiteral("收藏列表文件不存在，无需删除！"));
        return;
    }
    if (!removeStore()) {
        qCWarning(lcFavourites) << "cannot delete" << FavoriteModule::databasePath();
        MessageBox::show(QStringLiteral("清空失败！"));
        return;
    }
    MessageBox::show(QStringLiteral("清空成功！"));
    FavoriteModule::CreateFavoriteDatabase();
    FavoriteModule::CreateFavoriteTable();
    FillFavoriteList(main);
}

void DelScListSY_Click(FormMain& main)
{
    if (main.List4->ListIndex() == -1) {
        MessageBox::show(
            QStringLiteral("您的收藏列表内没有收藏的游戏，不需要清空！"), MessageBox::Ok, MessageBox::Exclamation);
        return;
    }
    DelScList_Click(main);
}

void F5ScList_Click(FormMain& main)
{
    main.List4->Clear();
    FillFavoriteList(main);
}

} // namespace FavoriteList

#include "core/favourites/FavoriteCommands.h"

#include "core/catalogue/Game.h"
#include "core/favourites/FavoriteModule.h"
#include "core/outside/Blanks.h"
#include "core/outside/MessageBox.h"

void FavoriteCommands::AddToFavorites(const Game& game, const QString& style, Source source)
{
    if (source == Source::Player && game.title.isEmpty()) {
        MessageBox::show(QStringLiteral("您还没有开始玩游戏呢!"), MessageBox::Ok, MessageBox::NoIcon);
        return;
    }
    // Asked with the name as it is stored: a title longer than the name field is kept cut, and
    // would otherwise never be found again and be added once more on every click.
    bool found = false;
    if (FavoriteModule::FavoriteExists(FavoriteRecord::fit(game.title, FavoriteRecord::NameWidth), found) && found) {
        MessageBox::show(
            QStringLiteral("该游戏已经存在于收藏列表了，请勿重复添加！"), MessageBox::Ok, MessageBox::Critical);
        return;
    }
    const FavoriteRecord record = FavoriteRecord::fromGame(game, style);
    if (!FavoriteModule::AddFavorite(record)) {
        MessageBox::show(QStringLiteral("添加至收藏失败！"), MessageBox::Ok, MessageBox::NoIcon);
        return;
    }
    MessageBox::show(QStringLiteral("《") + Blanks::trimmed(record.Style) + u'-' + Blanks::trimmed(record.name)
            + QStringLiteral("》已经成功添加至收藏列表！请到收藏列表中查看！"),
        MessageBox::Ok, MessageBox::Question);
}

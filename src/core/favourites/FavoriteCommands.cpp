#include "core/favourites/FavoriteCommands.h"

#include "core/catalogue/Game.h"
#include "core/favourites/FavoriteModule.h"
#include "core/outside/MessageBox.h"

QString FavoriteCommands::trimBlanks(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first);
}

void FavoriteCommands::AddToFavorites(const Game& game, const QString& style, Source source)
{
    if (source == Source::Player && game.title.isEmpty()) {
        MessageBox::show(QStringLiteral("您还没有开始玩游戏呢!"), MessageBox::Ok, MessageBox::NoIcon);
        return;
    }
    bool found = false;
    if (FavoriteModule::FavoriteExists(game.title, found) && found) {
        MessageBox::show(
            QStringLiteral("该游戏已经存在于收藏列表了，请勿重复添加！"), MessageBox::Ok, MessageBox::Critical);
        return;
    }
    const FavoriteRecord record = FavoriteRecord::fromGame(game, style);
    if (!FavoriteModule::AddFavorite(record)) {
        MessageBox::show(QStringLiteral("添加至收藏失败！"), MessageBox::Ok, MessageBox::NoIcon);
        return;
    }
    MessageBox::show(QStringLiteral("《") + trimBlanks(record.Style) + u'-' + trimBlanks(record.name)
            + QStringLiteral("》已经成功添加至收藏列表！请到收藏列表中查看！"),
        MessageBox::Ok, MessageBox::Question);
}

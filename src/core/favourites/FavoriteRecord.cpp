#include "core/favourites/FavoriteRecord.h"

#include "core/catalogue/Game.h"
#include "core/outside/Blanks.h"

QString FavoriteRecord::fit(const QString& value, int width)
{
    if (value.size() <= width)
        return fill(value, width);
    // A cut between the two halves of a surrogate pair would leave half a character; the blank
    // that takes its place keeps the width.
    qsizetype cut = width;
    if (cut > 0 && value.at(cut - 1).isHighSurrogate())
        --cut;
    return fill(value.left(cut), width);
}

QString FavoriteRecord::fill(const QString& value, int width)
{
    return value.leftJustified(width, u' ', false);
}

void FavoriteRecord::fitFields()
{
    Style = fit(Style, StyleWidth);
    name = fit(name, NameWidth);
    image = fill(image, ImageWidth);
    size = fit(size, SizeWidth);
    flash_ffa = fit(flash_ffa, FlashFfaWidth);
    flashurl = fill(flashurl, FlashUrlWidth);
    flashsay = fit(flashsay, FlashSayWidth);
    keyword = fit(keyword, KeywordWidth);
}

FavoriteRecord FavoriteRecord::fromGame(const Game& game, const QString& style)
{
    FavoriteRecord record;
    record.Style = Blanks::trimmed(style);
    record.id = game.id;
    record.fid = game.fid;
    record.name = game.title;
    record.image = game.litpic;
    record.size = game.filesize;
    record.flash_ffa = game.flash_fangfa;
    record.flashurl = game.flashurl;
    record.flashsay = game.flashsay;
    record.keyword = game.keyboard;
    record.fitFields();
    return record;
}

Game FavoriteRecord::toGame() const
{
    Game game;
    game.id = id;
    game.fid = fid;
    game.title = name;
    game.litpic = image;
    game.filesize = size;
    game.flash_fangfa = flash_ffa;
    game.flashurl = flashurl;
    game.flashsay = flashsay;
    game.keyboard = keyword;
    return game;
}

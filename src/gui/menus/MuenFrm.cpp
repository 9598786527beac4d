#include "gui/menus/MuenFrm.h"

#include "core/catalogue/Game.h"

MuenFrm::MuenFrm(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("MuenFrm"));
}

void MuenFrm::setSelectedGame(const Game& game, const QString& category)
{
    GmStyle = category;
    GmFid = game.fid;
    GmFlash_FFa = game.flash_fangfa;
    GmFlashSay = game.flashsay;
    GmFlashUrl = game.flashurl;
    GmId = game.id;
    GmImage = game.litpic;
    GmKeyBoard = game.keyboard;
    GmName = game.title;
    GmSize = game.filesize;
    GmZtid = game.ztid;
}

Game MuenFrm::selectedGame() const
{
    Game game;
    game.id = GmId;
    game.fid = GmFid;
    game.title = GmName;
    game.litpic = GmImage;
    game.filesize = GmSize;
    game.flash_fangfa = GmFlash_FFa;
    game.flashurl = GmFlashUrl;
    game.flashsay = GmFlashSay;
    game.keyboard = GmKeyBoard;
    game.ztid = GmZtid;
    return game;
}

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

#include "gui/player/GameShare.h"

#include "core/outside/MessageBox.h"
#include "gui/outside/Clipboard.h"

void GameShare::copyToClipboard(const Sharing::Subject& game)
{
    Clipboard::setText(Sharing::recommendation(game));
    MessageBox::show(Sharing::copiedMessage, MessageBox::Ok);
}

#pragma once

#include "core/player/Sharing.h"

// The clipboard way of recommending a game, the same for every window that offers it.
class GameShare {
public:
    // Puts the recommendation text on the clipboard and tells the user it is there.
    static void copyToClipboard(const Sharing::Subject& game);
};
